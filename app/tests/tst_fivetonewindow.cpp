// The five-tone window: its tone table, its edit rules under the keyboard, and its frames on the
// line against the simulated radio over a pty.
#include "app/Unit1.h"
#include "app/forms.h"
#include "app/tests/linebytes.h"
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

// Each kind of frame, a resent one counted once.
QList<QByteArray> distinct(const RadioSim &sim, Event::Kind kind)
{
    QList<QByteArray> frames;
    for (const Event &e : eventsOf(sim, kind))
        if (frames.isEmpty() || frames.last() != e.bytes)
            frames << e.bytes;
    return frames;
}

QString hex5(int v)
{
    return QStringLiteral("%1").arg(v, 5, 16, QLatin1Char('0')).toUpper();
}

QByteArray tone(int v)
{
    return bytes({v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF});
}

// The tone codes of the filled window, each one different.
int encodeCode(int row, int col) { return ((row - 1) << 16) | (col * 0x1111) | row; }
int decodeCode(int row, int col) { return ((16 - row) << 16) | (col * 0x0101) | 0xA000; }
int function(int row, int k) { return (row + k) % 9; }

// Fills every control a block carries; returns the frames a write of it must put on the line.
QList<QByteArray> fill(TForm5 *w)
{
    QByteArray timing;
    for (int s = 1; s <= 5; ++s) {
        w->xg1->setCells(1, s, QString::number(20 * s + 7));
        w->xg1->setCells(2, s, QString::number(s, 16).toUpper());
        w->xg1->setCells(3, s, QString::number(s + 9, 16).toUpper());
        timing += bytes({20 * s + 7, s, s + 9});
    }
    w->cb1->setCurrentText("100");
    w->cb2->setCurrentText("250");
    w->cb3->setCurrentText("1000");
    w->cb4->setCurrentText("2550");
    timing += QByteArray(5, '\0') + bytes({10, 25, 100, 255}) + QByteArray(4, '\0');

    QList<QByteArray> payloads{timing};
    QByteArray encode, decode;
    for (int r = 1; r <= 16; ++r) {
        for (int c = 1; c <= 4; ++c) {
            w->xg2->setCells(c, r, hex5(encodeCode(r, c)));
            encode += tone(encodeCode(r, c));
        }
        w->xg2->setCells(5, r, kStandards[(r - 1) % 5]);
        encode += bytes({(r - 1) % 5 + 1, 0});

        w->xg3->setCells(1, r, kStandards[r % 5]);
        for (int k = 0; k < 3; ++k)
            w->xg3->setCells(3 + 2 * k, r, kFunctions[function(r, k)]);
        for (int c = 2; c <= 8; c += 2)
            w->xg3->setCells(c, r, hex5(decodeCode(r, c)));
        decode += bytes({(r % 5 + 1) | (function(r, 0) << 4)}) + tone(decodeCode(r, 2)) + tone(decodeCode(r, 4))
                  + bytes({function(r, 1) | (function(r, 2) << 4)}) + tone(decodeCode(r, 6)) + tone(decodeCode(r, 8));
    }
    for (int b = 0; b < 8; ++b)
        payloads << encode.mid(28 * b, 28);
    for (int b = 0; b < 8; ++b)
        payloads << decode.mid(28 * b, 28);

    QList<QByteArray> frames;
    for (int b = 0; b < payloads.size(); ++b)
        frames << withChecksum(bytes({0x57, 4, b, 0x20}) + payloads[b]);
    return frames;
}

QStringList windowTexts(TForm5 *w)
{
    QStringList out{w->cb1->currentText(), w->cb2->currentText(), w->cb3->currentText(), w->cb4->currentText()};
    for (int r = 1; r <= 5; ++r)
        for (int c = 1; c <= 3; ++c)
            out << w->xg1->Cells(c, r);
    for (int r = 1; r <= 16; ++r) {
        for (int c = 1; c <= 5; ++c)
            out << w->xg2->Cells(c, r);
        for (int c = 1; c <= 8; ++c)
            out << w->xg3->Cells(c, r);
    }
    return out;
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

} // namespace

class TestFiveToneWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<rtl::dialogs::Recording> m_boxes;
    RadioSim m_sim;

    void newWindows()
    {
        destroyForms();
        createForms();
        Form1->comcbb->setCurrentText(m_sim.portPath());
        Form1->Tim1->setInterval(60000); // the frames compared are the ones the window sent
    }

private slots:
    void init()
    {
        m_boxes = std::make_unique<rtl::dialogs::Recording>();
        QVERIFY(m_sim.start());
        m_sim.clearImage();
        m_sim.clearFaults();
        m_sim.clearLogs();
        newWindows();
    }
    void cleanup()
    {
        destroyForms();
        m_sim.stop();
        m_boxes.reset();
    }

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
        QCOMPARE(xg2->Cells(0, 2), QStringLiteral("2"));

        Form5->PageControl1->setCurrentIndex(2);
        TCellGrid *xg3 = Form5->xg3;
        typeIntoCell(xg3, 4, 5, "1");
        QCOMPARE(rowOf(xg3, 5), QStringList(8));
        typeIntoCell(xg3, 1, 5, QString(""));
        QCOMPARE(rowOf(xg3, 5), QStringList(8));
        // F2 on an empty standard offers "CCIR"; Enter takes it.
        xg3->setFocus();
        xg3->setCurrentCell(1, 5);
        QTest::keyClick(xg3, Qt::Key_F2);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(rowOf(xg3, 5), QStringList({"CCIR", "12345", "通话", "45678", "主叫", "ABCDE", "被叫", "56789"}));
        typeIntoCell(xg3, 8, 5, "1");
        QCOMPARE(xg3->Cells(8, 5), QStringLiteral("1"));
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
        QCOMPARE(distinct(m_sim, Event::Write), expected);
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
        QCOMPARE(distinct(m_sim, Event::Read), requests);

        m_sim.clearLogs();
        Form5->wbtnClick();
        QTRY_COMPARE_WITH_TIMEOUT(m_boxes->texts(), QStringList{QStringLiteral("写入成功")}, 15000);
        QList<QByteArray> again = expected;
        again[3] = withChecksum(again[3].left(32).replace(4 + 13, 1, "\x5A").replace(4 + 27, 1, "\x07"));
        QCOMPARE(distinct(m_sim, Event::Write), again);
    }

    // The next request follows the block number of the answer, counted in the main window.
    void nextRequestFollowsTheAnswer()
    {
        m_sim.dropAnswers(1000000); // answered by hand below
        Form5->rbtnClick();
        QTRY_COMPARE(distinct(m_sim, Event::Read), QList<QByteArray>{bytes({0x52, 4, 0, 0x20})});
        m_sim.sendRaw(withChecksum(bytes({0x57, 4, 5, 0x20}) + QByteArray(28, '\0')));
        QTRY_COMPARE(distinct(m_sim, Event::Read).size(), 2);
        QCOMPARE(distinct(m_sim, Event::Read).last(), bytes({0x52, 4, 6, 0x20}));
        QCOMPARE(Form1->link().readBlockCounter(), 6);
        QCOMPARE(Form5->xg2->Cells(1, 10), QStringLiteral("00000")); // block 5: encode rows 9, 10
    }

    // Rows not in use go out as zeros; a standard that is none of the five stops the write first.
    void freshWindowWritesAndAStrayStandardIsRefused()
    {
        Form5->wbtnClick();
        QTRY_COMPARE_WITH_TIMEOUT(m_boxes->texts(), QStringList{QStringLiteral("写入成功")}, 15000);
        QList<QByteArray> expected{withChecksum(
            bytes({0x57, 4, 0, 0x20, 0x64, 0x0A, 0x0E, 0x64, 0x0A, 0x0E, 0x64, 0x0A, 0x0E, 0x64, 0x0A, 0x0E, 0x64,
                   0x0A, 0x0E, 0, 0, 0, 0, 0, 0x32, 0x32, 0x32, 0x32, 0, 0, 0, 0}))};
        for (int b = 1; b <= 16; ++b)
            expected << withChecksum(bytes({0x57, 4, b, 0x20}) + QByteArray(28, '\0'));
        QCOMPARE(distinct(m_sim, Event::Write), expected);

        m_boxes->clear();
        m_sim.clearLogs();
        Form5->xg3->setCells(1, 4, QStringLiteral("ZVEI3"));
        Form5->wbtn->click();
        QCOMPARE(m_boxes->texts(), QStringList{QStringLiteral("解码表 第 4 行「使用标准」: 'ZVEI3' 不是可选值")});
        QVERIFY(Form5->wbtn->isEnabled() && Form5->rbtn->isEnabled() && !Form1->Tim1->isActive());
        QTest::qWait(400);
        QVERIFY(m_sim.received().isEmpty());
    }
};

QTEST_MAIN(TestFiveToneWindow)
#include "tst_fivetonewindow.moc"
