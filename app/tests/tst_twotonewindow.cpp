// The two-tone window against the simulated radio over a pty, and its decode table while typing.
#include "app/Unit1.h"
#include "app/forms.h"
#include "app/tests/linebytes.h"
#include "testsupport/windowrig.h"
#include "grid/cellgrid.h"
#include "rtl/dialogs.h"
#include "signalling/Unit4.h"
#include "tools/radiosim/radiosim.h"

#include <QtTest>

using radiosim::Event;
using radiosim::RadioSim;

namespace {

QByteArray twoToneFrame(int block, const char *payloadHex)
{
    QByteArray payload = QByteArray::fromHex(payloadHex);
    payload.resize(frame::kPayloadLength, '\0');
    return withChecksum(bytes({0x57, 3, block, 0x20}) + payload);
}

QStringList windowTexts(TForm4 *w)
{
    QStringList out;
    for (QLineEdit *edit : {w->ed1, w->ed2, w->ed3, w->ed4, w->ed5})
        out << edit->text();
    for (QComboBox *box : {w->cb1, w->cb2, w->cb3})
        out << box->currentText();
    for (TCellGrid *grid : {w->xg1, w->xg2})
        for (int r = 1; r <= 16; ++r)
            for (int c = 1; c < grid->ColCount(); ++c)
                out << grid->Cells(c, r);
    return out;
}

QStringList decodeRow(int r)
{
    QStringList out;
    for (int c = 1; c <= 12; ++c)
        out << Form4->xg2->Cells(c, r);
    return out;
}

void setDecodeRow(int r, const QStringList &cells)
{
    for (int c = 1; c <= 12; ++c)
        Form4->xg2->setCells(c, r, cells.value(c - 1));
}

// Opens the editor on (col, row) of xg2 as a user does, applies `keys` and commits with Enter.
void editDecodeCell(int col, int row, const std::function<void(QWidget *editor)> &keys)
{
    Form4->xg2->setFocus();
    Form4->xg2->setCurrentCell(col, row);
    QTest::keyClick(Form4->xg2, Qt::Key_F2);
    QVERIFY(Form4->xg2->isEditing());
    keys(QApplication::focusWidget());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
}

const QStringList kFreshRow{"无", "1", "AB", "无", "1", "AB", "无", "1", "AB", "无", "1"};

} // namespace

class TestTwoToneWindow : public QObject, public WindowRig {
    Q_OBJECT

private slots:
    void init()
    {
        m_resendMs = 60000; // exact bytes: no resend in between
        QVERIFY(startRig());
    }
    void cleanup() { stopRig(); }

    void writeExactFramesThenReadBack()
    {
        Form4->ed4->setText("2100");
        Form4->ed5->setText("3000");
        Form4->cb1->setCurrentText("100");
        Form4->cb2->setCurrentText("150");
        Form4->cb3->setCurrentText("75");
        const std::tuple<int, const char *, const char *> encodeRows[] = {
            {1, "1000", "1100"}, {9, "1500", "2500"}, {10, "300", ""}, {16, "3000", "3100"}};
        for (const auto &[row, first, second] : encodeRows) {
            Form4->xg1->setCells(1, row, first);
            Form4->xg1->setCells(2, row, second);
        }
        setDecodeRow(1, {"AB", "无", "1", "DC", "提醒并回复", "16", "BA", "提醒", "5", "CD", "回复", "9"});
        setDecodeRow(16, {"CA", "无", "16", "CB", "无", "1", "AD", "回复", "7", "BC", "提醒", "4"});
        const QStringList written = windowTexts(Form4);

        Form4->wbtnClick();
        QTRY_COMPARE_WITH_TIMEOUT(m_boxes->texts(), QStringList{QStringLiteral("写入成功")}, 10000);
        QList<QByteArray> expected{
            twoToneFrame(0, "BD07 6404 AD04 3408 B80B 6400 9600 4B00 00000000 E8034C04"),
            twoToneFrame(1, "000000000000000000000000000000000000000000000000 DC05C409"),
            twoToneFrame(2, "2C010000 0000000000000000000000000000000000000000 B80B1C0C"),
            twoToneFrame(3, "AB0001 DC0310 BA0105 CD0209")};
        for (int block = 4; block <= 9; ++block)
            expected << twoToneFrame(block, "");
        expected << twoToneFrame(10, "000000000000000000000000 CA0010 CB0001 AD0207 BC0104");
        QCOMPARE(distinctFrames(m_sim, Event::Write), expected);
        QVERIFY(Form4->wbtn->isEnabled() && !Form4->ProgressBar1->isVisible() && !Form1->Tim1->isActive());
        QCOMPARE(Form1->link().readBlockCounter(), 0);

        newWindows();
        m_boxes->clear();
        Form4->rbtnClick();
        QVERIFY(!Form4->rbtn->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(Form4->rbtn->isEnabled(), 10000);
        QCOMPARE(windowTexts(Form4), written);
        QVERIFY(m_boxes->shown().isEmpty());
        QVERIFY(!Form4->ProgressBar1->isVisible() && !Form1->Tim1->isActive() && !Form4->Timer1->isActive());
        QList<QByteArray> requests;
        for (int block = 0; block <= 10; ++block)
            requests << bytes({0x52, 3, block, 0x20});
        QCOMPARE(distinctFrames(m_sim, Event::Read), requests);
    }

    // An answer that carries another block than the one asked for is not taken: the request is
    // repeated and the window keeps its texts. The count is the main window's read counter.
    void answerOfAnotherBlockIsAskedAgain()
    {
        Form1->Tim1->setInterval(300); // the resend asks again
        m_sim.answerWithBlock(3, 0, 5, 2);
        m_sim.setBlock(3, 5, twoToneFrame(5, "AB0001").mid(4, 28));
        Form4->rbtnClick();
        QTRY_VERIFY_WITH_TIMEOUT(Form4->rbtn->isEnabled(), 10000);
        // Block 0 asked for three times, then every block once, none skipped.
        const QList<Event> reads = eventsOf(m_sim, Event::Read);
        QVERIFY(reads.size() >= 13);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(reads[i].bytes.left(4), bytes({0x52, 3, 0, 0x20}));
        QList<QByteArray> requests;
        for (int block = 0; block <= 10; ++block)
            requests << bytes({0x52, 3, block, 0x20});
        QCOMPARE(distinctFrames(m_sim, Event::Read), requests);
        QCOMPARE(Form1->link().readBlockCounter(), 0);
        QCOMPARE(Form4->xg2->Cells(1, 5), QStringLiteral("AB")); // block 5's own answer
        QCOMPARE(Form4->xg2->Cells(1, 1), QString());            // not block 0's
    }

    void decodeRowRulesWhileTyping()
    {
        Form4->show();
        Form4->PageControl1->setCurrentIndex(1);
        Form4->activateWindow();
        QTRY_VERIFY(Form4->isActiveWindow());
        const auto choose = [](int downs) {
            return [downs](QWidget *editor) {
                for (int i = 0; i < downs; ++i)
                    QTest::keyClick(editor, Qt::Key_Down);
            };
        };

        // A row without "解码1" takes nothing.
        editDecodeCell(3, 2, [](QWidget *editor) { QTest::keyClicks(editor, "5"); });
        QCOMPARE(decodeRow(2), QStringList(12));

        // "解码1" fills the row with defaults, every time it is committed.
        editDecodeCell(1, 2, choose(1));
        QCOMPARE(decodeRow(2), QStringList{"AC"} + kFreshRow);
        editDecodeCell(5, 2, choose(3));
        editDecodeCell(6, 2, [](QWidget *editor) { QTest::keyClicks(editor, "16"); });
        QCOMPARE(decodeRow(2).mid(4, 2), QStringList({"提醒并回复", "16"}));
        editDecodeCell(1, 2, choose(0));
        QCOMPARE(decodeRow(2), QStringList{"AC"} + kFreshRow);

        // Emptying "解码1" keeps the rest; the row then takes nothing more.
        editDecodeCell(1, 2, [](QWidget *editor) { QTest::keyClick(editor, Qt::Key_Backspace); });
        QCOMPARE(decodeRow(2), QStringList{""} + kFreshRow);
        editDecodeCell(2, 2, choose(1));
        QCOMPARE(decodeRow(2).at(1), QString());
        QVERIFY(m_boxes->shown().isEmpty());
    }
};

QTEST_MAIN(TestTwoToneWindow)
#include "tst_twotonewindow.moc"
