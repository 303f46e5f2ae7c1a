// The FSK queue-sync window against the simulated radio over a pty: its split frames on the
// line, a write read back, and how a write ends when the radio falls silent or the window closes.
#include "app/Unit1.h"
#include "app/forms.h"
#include "app/tests/linebytes.h"
#include "testsupport/windowrig.h"
#include "grid/cellgrid.h"
#include "rtl/dialogs.h"
#include "serial/serialcomm.h"
#include "signalling/Unit6.h"
#include "tools/radiosim/radiosim.h"

#include <QtTest>

using radiosim::Event;
using radiosim::RadioSim;

namespace {

QStringList windowTexts(TForm6 *w)
{
    QStringList out{w->ed1->text(), w->ed2->text(), w->cb1->currentText(), w->ed3->text(), w->ed4->text(),
                    QString::number(w->CheckBox1->isChecked())};
    for (int r = 1; r <= 16; ++r)
        out << w->xg1->Cells(1, r) << w->xg1->Cells(2, r);
    return out;
}

} // namespace

class TestFskWindow : public QObject, public WindowRig {
    Q_OBJECT

private slots:
    void init()
    {
        m_resendMs = 60000; // the bytes compared below are each sent once
        QVERIFY(startRig());
    }
    void cleanup() { stopRig(); }

    void exactBytesThenReadBackIntoAFreshWindow()
    {
        Form6->wbtnClick(); // the port is closed: the write opens it
        QVERIFY(Form1->Comm1->isOpen() && !Form1->Tim1->isActive());
        QTRY_COMPARE_WITH_TIMEOUT(m_boxes->texts(), QStringList{QStringLiteral("写入成功")}, 10000);
        const QByteArray initial = bytes({0x57, 2, 0, 0x20, 0x64, 0x00, 0xE8, 0x03, 0x18, 0x90, 0x01, 0x0A, 0xFF})
                                   + QByteArray(19, '\0') + bytes({0x57, 2, 1, 0x20}) + QByteArray(28, '\0')
                                   + bytes({0x57, 2, 2, 0x20}) + QByteArray(28, '\0');
        QCOMPARE(m_sim.received().toHex(' '), initial.toHex(' '));
        QVERIFY(Form6->wbtn->isEnabled() && !Form6->ProgressBar1->isVisible() && !Form1->Tim1->isActive());

        Form6->ed1->setText("0");
        Form6->ed2->setText("65535");
        Form6->cb1->setCurrentText("1200");
        Form6->ed3->setText("250");
        Form6->ed4->setText("30");
        Form6->CheckBox1->setChecked(false);
        for (const int row : {1, 2, 9, 10, 16})
            Form6->xg1->setCells(1, row, QString::number(row * 1001));
        Form6->xg1->setCells(2, 2, "77");
        const QStringList written = windowTexts(Form6);
        Form6->xg1->setCells(2, 9, "0"); // reads back as an empty cell
        m_boxes->clear();
        Form6->wbtnClick();
        QTRY_COMPARE_WITH_TIMEOUT(m_boxes->texts(), QStringList{QStringLiteral("写入成功")}, 10000);

        newWindows();
        m_boxes->clear();
        m_sim.clearLogs();
        Form6->rbtnClick();
        QTRY_VERIFY_WITH_TIMEOUT(Form6->rbtn->isEnabled(), 10000);
        QCOMPARE(windowTexts(Form6), written);
        QVERIFY(m_boxes->shown().isEmpty());
        QVERIFY(!Form6->ProgressBar1->isVisible() && !Form1->Tim1->isActive() && !Form6->Timer1->isActive());
        QCOMPARE(m_sim.received().toHex(' '), bytes({0x52, 2, 0, 0x20, 0x52, 2, 1, 0x20, 0x52, 2, 2, 0x20}).toHex(' '));
        QByteArray answers; // bare 32-byte frames, whatever the checksum setting
        for (int block = 0; block < 3; ++block)
            answers += bytes({0x57, 2, block, 0x20}) + m_sim.block(2, block);
        QCOMPARE(m_sim.sent().toHex(' '), answers.toHex(' '));
    }

    // Block 2 goes out but its acknowledgement never comes: no "写入成功", the watchdog ends the
    // write with its message, and nothing was resent.
    void lostLastAcknowledgement()
    {
        Form1->Tim1->setInterval(300); // a resend would show on the line
        Form6->Timer1->setInterval(3000);
        m_sim.holdAnswers(true); // acknowledged by hand below
        Form6->wbtnClick();
        for (int block = 0; block < 3; ++block) {
            QTRY_COMPARE(eventsOf(m_sim, Event::Write).size(), block + 1);
            QVERIFY(m_boxes->shown().isEmpty() && !Form6->wbtn->isEnabled());
            if (block < 2)
                m_sim.releaseAnswers(1);
        }
        QTRY_VERIFY_WITH_TIMEOUT(!m_boxes->shown().isEmpty(), 5000);
        QCOMPARE(m_boxes->texts(), QStringList{QStringLiteral(
                                       "电台停止应答：写入在第 3 块（共 3 块）处中断。电台中的设置可能只写入了一部分，请重新写入。\n"
                                       "电台已确认收到：FSK 队列同步 第 1–2 块；没有确认：FSK 队列同步 第 3 块。")});
        QVERIFY(Form6->wbtn->isEnabled() && Form6->rbtn->isEnabled() && !Form6->ProgressBar1->isVisible());
        QCOMPARE(m_sim.received().size(), 3 * frame::kAnswerLength);
    }

    void closeDuringAWriteGivesTheButtonsBack()
    {
        m_sim.dropAnswers(1000000);
        Form6->show();
        Form6->wbtnClick();
        QVERIFY(!Form6->wbtn->isEnabled() && Form6->Timer1->isActive());
        Form6->Button3->click();
        QVERIFY(!Form6->isVisible());
        QVERIFY(Form6->wbtn->isEnabled() && Form6->rbtn->isEnabled());
        QVERIFY(!Form6->Timer1->isActive() && !Form1->Tim1->isActive() && !Form6->ProgressBar1->isVisible());
    }
};

QTEST_MAIN(TestFskWindow)
#include "tst_fskwindow.moc"
