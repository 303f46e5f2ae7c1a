// The five-tone window: its tone table, its edit rules under the keyboard, and its frames on the
// line against the simulated radio over a pty.
#include "app/Unit1.h"
#include "app/forms.h"
#include "app/tests/linebytes.h"
#include "testsupport/windowrig.h"
#include "grid/cellgrid.h"
#include "rtl/dialogs.h"
#include "serial/serialcomm.h"
#include "signalling/Unit5.h"
#include "tools/radiosim/radiosim.h"

#include <QtTest>

using radiosim::Event;
using radiosim::RadioSim;

namespace {

const QStringList kStandards{"CCIR", "EIA", "EEA", "ZVEI1", "ZVEI2"};
const QStringList kFunctions{"通话", "主叫", "被叫", "监听", "巡查", "报警", "遥毙", "遥晕", "唤醒"};

QString hex5(int v)
{
    return QStringLiteral("%1").arg(v, 5, 16, QLatin1Char('0')).toUpper();
}

QByteArray tone(int v)
{
    return bytes({v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF});
}

// Codes and functions of the filled window, each row different.
int encodeCode(int row, int col) { return ((row - 1) << 16) | (col * 0x1111) | row; }
int decodeCode(int row, int col) { return ((16 - row) << 16) | (col * 0x0101) | 0xA000; }
int function(int row, int k) { return (row + k) % 9; }

// Fills every text a block carries; returns the frames a write of it must put on the line.
QList<QByteArray> fill(TForm5 *w)
{
    QByteArray timing, encode, decode;
    for (int s = 1; s <= 5; ++s) {
        const QStringList texts{QString::number(20 * s + 7), QString::number(s), QString::number(s + 9, 16).toUpper()};
        for (int c = 1; c <= 3; ++c)
            w->xg1->setCells(c, s, texts[c - 1]);
        timing += bytes({20 * s + 7, s, s + 9});
    }
    for (QComboBox *box : {w->cb1, w->cb2, w->cb3, w->cb4})
        box->setCurrentText(QString::number(box == w->cb4 ? 2550 : 250));
    timing += QByteArray(5, '\0') + bytes({25, 25, 25, 255, 0, 0, 0, 0});

    for (int r = 1; r <= 16; ++r) {
        for (int c = 1; c <= 4; ++c) {
            w->xg2->setCells(c, r, hex5(encodeCode(r, c)));
            encode += tone(encodeCode(r, c));
        }
        w->xg2->setCells(5, r, kStandards[(r - 1) % 5]);
        encode += bytes({(r - 1) % 5 + 1, 0});

        w->xg3->setCells(1, r, kStandards[r % 5]);
        for (int k = 0; k < 4; ++k) {
            w->xg3->setCells(2 + 2 * k, r, hex5(decodeCode(r, k)));
            if (k < 3)
                w->xg3->setCells(3 + 2 * k, r, kFunctions[function(r, k)]);
        }
        decode += bytes({(r % 5 + 1) | (function(r, 0) << 4)}) + tone(decodeCode(r, 0)) + tone(decodeCode(r, 1))
                  + bytes({function(r, 1) | (function(r, 2) << 4)}) + tone(decodeCode(r, 2)) + tone(decodeCode(r, 3));
    }
    const QByteArray payloads = timing + encode + decode;
    QList<QByteArray> frames;
    for (int b = 0; b < 17; ++b)
        frames << withChecksum(bytes({0x57, 4, b, 0x20}) + payloads.mid(28 * b, 28));
    return frames;
}

// F2 opens the cell's editor on its text (or the column's default), the keys replace it, Enter
// commits.
void typeIntoCell(TCellGrid *grid, int col, int row, const QString &keys)
{
    grid->setFocus();
    grid->setCurrentCell(col, row);
    QTest::keyClick(grid, Qt::Key_F2);
    QWidget *editor = QApplication::focusWidget();
    QVERIFY(editor && editor != grid);
    if (keys.isEmpty())
        QTest::keyClick(editor, Qt::Key_Backspace);
    else
        QTest::keyClicks(editor, keys);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
}

QStringList rowOf(TCellGrid *grid, int row)
{
    QStringList out;
    for (int c = 1; c < grid->ColCount(); ++c)
        out << grid->Cells(c, row);
    return out;
}

QStringList windowTexts(TForm5 *w)
{
    QStringList out;
    for (QComboBox *box : {w->cb1, w->cb2, w->cb3, w->cb4})
        out << box->currentText();
    for (TCellGrid *grid : {w->xg1, w->xg2, w->xg3})
        for (int r = 1; r < grid->RowCount(); ++r)
            out << rowOf(grid, r);
    return out;
}

} // namespace

class TestFiveToneWindow : public QObject, public WindowRig {
    Q_OBJECT

private slots:
    void init()
    {
        m_resendMs = 60000; // the frames compared are the ones the window sent
        QVERIFY(startRig());
    }
    void cleanup() { stopRig(); }

    void toneTableFollowsTheStandard()
    {
        QCOMPARE(Form5->PageControl1->tabText(Form5->PageControl1->currentIndex()), QStringLiteral("解码"));
        Form5->CCIR->setCurrentText("EIA");
        QCOMPARE(QStringList({Form5->Edit1->text(), Form5->Edit4->text(), Form5->Edit16->text()}),
                 QStringList({"600.0", "1023.0", "1091.0"}));
        Form5->CCIR->setCurrentText("EI"); // typed, no standard: the table stays
        QCOMPARE(Form5->Edit16->text(), QStringLiteral("1091.0"));
        Form5->CCIR->setCurrentText("CCIR");
        QCOMPARE(QStringList({Form5->Edit1->text(), Form5->Edit11->text(), Form5->Edit16->text()}),
                 QStringList({"1981.0", "2400.0", "1055.0"}));
    }

    void editRulesWhileTyping()
    {
        Form5->show();
        Form5->activateWindow();
        QTRY_VERIFY(Form5->isActiveWindow());
        Form5->PageControl1->setCurrentIndex(1);
        TCellGrid *xg2 = Form5->xg2;
        typeIntoCell(xg2, 3, 2, "777"); // row not in use
        QCOMPARE(rowOf(xg2, 2), QStringList(5));
        typeIntoCell(xg2, 1, 2, "ab");
        QCOMPARE(rowOf(xg2, 2), QStringList({"ab", "12345", "45678", "ABCDE", "CCIR"}));
        typeIntoCell(xg2, 3, 2, "777");
        typeIntoCell(xg2, 5, 2, "EIA");
        QCOMPARE(rowOf(xg2, 2), QStringList({"ab", "12345", "777", "ABCDE", "EIA"}));
        typeIntoCell(xg2, 1, 2, "cd"); // every commit of the first cell resets the row
        QCOMPARE(rowOf(xg2, 2), QStringList({"cd", "12345", "45678", "ABCDE", "CCIR"}));
        typeIntoCell(xg2, 1, 2, QString());
        QCOMPARE(rowOf(xg2, 2), QStringList({"", "12345", "45678", "ABCDE", "CCIR"}));

        Form5->PageControl1->setCurrentIndex(2);
        TCellGrid *xg3 = Form5->xg3;
        typeIntoCell(xg3, 4, 5, "1");
        QCOMPARE(rowOf(xg3, 5), QStringList(8));
        // F2 on an empty standard offers "CCIR"; Enter takes it.
        xg3->setFocus();
        xg3->setCurrentCell(1, 5);
        QTest::keyClick(xg3, Qt::Key_F2);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(rowOf(xg3, 5), QStringList({"CCIR", "12345", "通话", "45678", "主叫", "ABCDE", "被叫", "56789"}));
        QVERIFY(m_boxes->shown().isEmpty());
    }

    // A write of every block, the exact frames, read back into a fresh window; the bytes the
    // radio keeps after each encode row's standard go back as the read found them.
    void writeThenReadBackIntoAFreshWindow()
    {
        const QList<QByteArray> expected = fill(Form5);
        const QStringList written = windowTexts(Form5);
        Form5->wbtnClick(); // the port is closed: the write opens it
        QTRY_COMPARE_WITH_TIMEOUT(m_boxes->texts(), QStringList{QStringLiteral("写入成功")}, 15000);
        QCOMPARE(distinctFrames(m_sim, Event::Write), expected);
        QVERIFY(Form5->wbtn->isEnabled() && !Form5->ProgressBar1->isVisible() && !Form1->Tim1->isActive());

        QByteArray kept = m_sim.block(4, 3);
        kept[13] = char(0x5A);
        kept[27] = char(0x07);
        m_sim.setBlock(4, 3, kept);
        newWindows();
        m_boxes->clear();
        m_sim.clearLogs();
        Form5->rbtnClick();
        QVERIFY(!Form5->rbtn->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(Form5->rbtn->isEnabled(), 15000);
        QCOMPARE(windowTexts(Form5), written);
        QVERIFY(m_boxes->shown().isEmpty());
        QVERIFY(!Form5->ProgressBar1->isVisible() && !Form1->Tim1->isActive() && !Form5->Timer1->isActive());
        QList<QByteArray> requests;
        for (int b = 0; b <= 16; ++b)
            requests << bytes({0x52, 4, b, 0x20});
        QCOMPARE(distinctFrames(m_sim, Event::Read), requests);

        m_sim.clearLogs();
        Form5->wbtnClick();
        QTRY_COMPARE_WITH_TIMEOUT(m_boxes->texts(), QStringList{QStringLiteral("写入成功")}, 15000);
        QList<QByteArray> again = expected;
        again[3] = withChecksum(again[3].left(32).replace(4 + 13, 1, "\x5A").replace(4 + 27, 1, "\x07"));
        QCOMPARE(distinctFrames(m_sim, Event::Write), again);
    }

    // A damaged answer (one bit flipped, the checksum of the frame as it was) is asked for
    // again, never shown.
    void damagedAnswerIsAskedAgain()
    {
        Form1->Tim1->setInterval(300); // the resend asks again
        m_sim.damageAnswersTo(4, 0, 3, 0x10);
        Form5->rbtnClick();
        QTRY_VERIFY_WITH_TIMEOUT(Form5->rbtn->isEnabled(), 10000);
        QCOMPARE(eventsOf(m_sim, Event::Read).first().bytes, bytes({0x52, 4, 0, 0x20}));
        QCOMPARE(eventsOf(m_sim, Event::Read)[1].bytes.left(4), bytes({0x52, 4, 0, 0x20})); // the resend
        QCOMPARE(distinctFrames(m_sim, Event::Read).size(), 17);
        QVERIFY(m_boxes->shown().isEmpty());
    }
};

QTEST_MAIN(TestFiveToneWindow)
#include "tst_fivetonewindow.moc"
