// The DTMF window against the simulated radio over a pty: its frames on the line, a write read
// back, and how an exchange starts and ends.
#include "app/Unit1.h"
#include "app/forms.h"
#include "app/tests/linebytes.h"
#include "testsupport/windowrig.h"
#include "grid/cellgrid.h"
#include "rtl/dialogs.h"
#include "serial/serialcomm.h"
#include "signalling/Unit2.h"
#include "signalling/Unit6.h"
#include "tools/radiosim/radiosim.h"

#include <QtTest>

using radiosim::Event;
using radiosim::RadioSim;

namespace {

QStringList windowTexts(TForm2 *w)
{
    QStringList out{w->cb1->currentText(), w->cb2->currentText(), w->cb3->currentText(), w->cb4->currentText(),
                    w->cb5->currentText(), QString::number(w->CheckB1->isChecked()), w->Edit1->text(),
                    w->cb6->currentText(), w->cb7->currentText(), w->cb8->currentText(), w->cb9->currentText(),
                    QString::number(w->CheckB2->isChecked())};
    for (int r = 1; r <= 18; ++r)
        out << w->xg2->Cells(1, r);
    return out;
}

} // namespace

class TestDtmfWindow : public QObject, public WindowRig {
    Q_OBJECT

private slots:
    void init() { QVERIFY(startRig()); }
    void cleanup() { stopRig(); }

    void initialWindowPutsExactFramesOnTheLine()
    {
        Form2->wbtnClick(); // the port is closed: the write opens it
        QVERIFY(Form1->Comm1->isOpen() && !Form1->comcbb->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(m_boxes->texts(), QStringList{QStringLiteral("写入成功")}, 10000);
        QList<QByteArray> expected{withChecksum(
            bytes({0x57, 1, 0, 0x20, 0x06, 0x00, 0x0A, 0x00, 0x00, 0xFF, 0, 0, 0, 0, 0x4E, 0x61, 0xBC, 0x00, 0xFF,
                   0x0A, 0x01, 0x00, 0x00, 0x08, 0, 0, 0, 0, 0, 0, 0, 0}))};
        for (int block = 1; block <= 3; ++block)
            expected << withChecksum(bytes({0x57, 1, block, 0x20}) + QByteArray(28, '\0'));
        QCOMPARE(distinctFrames(m_sim, Event::Write), expected);
        QVERIFY(Form2->wbtn->isEnabled() && !Form2->ProgressBar1->isVisible() && !Form1->Tim1->isActive());
    }

    void writeThenReadBackIntoAFreshWindow()
    {
        Form2->cb1->setCurrentText("10");
        Form2->cb2->setCurrentText("500");
        Form2->cb3->setCurrentText("250");
        Form2->cb4->setCurrentText("100");
        Form2->cb5->setCurrentText("5000");
        Form2->CheckB1->setChecked(false);
        Form2->Edit1->setText("7654321");
        Form2->cb6->setCurrentText("#");
        Form2->cb7->setCurrentText(QStringLiteral("关"));
        Form2->cb8->setCurrentText(QStringLiteral("连续"));
        Form2->cb9->setCurrentText(QStringLiteral("ID码"));
        Form2->CheckB2->setChecked(true);
        for (const int row : {1, 6, 7, 13, 16, 17, 18})
            Form2->xg2->setCells(1, row, QString::number(row * 1111));
        const QStringList written = windowTexts(Form2);
        Form2->wbtnClick();
        QTRY_COMPARE_WITH_TIMEOUT(m_boxes->texts(), QStringList{QStringLiteral("写入成功")}, 10000);
        QCOMPARE(distinctFrames(m_sim, Event::Write).size(), 4);

        newWindows();
        m_boxes->clear();
        Form2->rbtnClick();
        QVERIFY(!Form2->rbtn->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(Form2->rbtn->isEnabled(), 10000);
        QCOMPARE(windowTexts(Form2), written);
        QVERIFY(m_boxes->shown().isEmpty());
        QVERIFY(!Form2->ProgressBar1->isVisible() && !Form1->Tim1->isActive() && !Form2->Timer1->isActive());
        QList<QByteArray> requests;
        for (const Event &e : eventsOf(m_sim, Event::Read))
            if (requests.isEmpty() || requests.last() != e.bytes)
                requests << e.bytes;
        QCOMPARE(requests, QList<QByteArray>({bytes({0x52, 1, 0, 0x20}), bytes({0x52, 1, 1, 0x20}),
                                              bytes({0x52, 1, 2, 0x20}), bytes({0x52, 1, 3, 0x20})}));
    }

    // "写入成功" only once the radio has taken the last block.
    void successOnlyAfterTheLastAcknowledgement()
    {
        m_sim.holdAnswers(true); // each acknowledgement let go by hand below
        Form2->wbtnClick();
        for (int block = 0; block <= 3; ++block) {
            QTRY_COMPARE(distinctFrames(m_sim, Event::Write).size(), block + 1);
            QVERIFY(m_boxes->shown().isEmpty());
            QVERIFY(!Form2->wbtn->isEnabled());
            m_sim.releaseAnswers(1);
        }
        QTRY_COMPARE(m_boxes->texts(), QStringList{QStringLiteral("写入成功")});
        QVERIFY(Form2->wbtn->isEnabled());
    }

    // A radio that answers each frame in 120 ms never hears a frame twice: the resend waits for
    // 300 ms of silence after the last frame, so no answer to a resend is taken for the next.
    void resendOnlyAfterSilence()
    {
        m_sim.delayAnswers(120, 1000);
        Form2->wbtnClick();
        QTRY_COMPARE_WITH_TIMEOUT(m_boxes->texts(), QStringList{QStringLiteral("写入成功")}, 10000);
        Form2->rbtnClick();
        QTRY_VERIFY_WITH_TIMEOUT(Form2->rbtn->isEnabled(), 10000);
        QCOMPARE(eventsOf(m_sim, Event::Write).size(), 4);
        QCOMPARE(eventsOf(m_sim, Event::Read).size(), 4);
    }

    // A field that does not convert stops the write before anything is sent.
    void nothingHalfWritten()
    {
        Form2->xg2->setCells(1, 10, QStringLiteral("12a"));
        Form2->wbtn->click();
        QCOMPARE(m_boxes->texts(),
                 QStringList{QStringLiteral("'12a' is not a valid integer value\nDTMF 第 10 行「自动拨号存储器」")});
        QVERIFY(Form2->wbtn->isEnabled() && Form2->rbtn->isEnabled());
        QVERIFY(!Form1->Tim1->isActive() && !Form2->Timer1->isActive());

        // Mended, the write goes out from its first block: the refused one sent nothing before it.
        Form2->xg2->setCells(1, 10, QStringLiteral("12"));
        Form2->wbtn->click();
        QTRY_COMPARE_WITH_TIMEOUT(m_boxes->texts().size(), 2, 10000);
        QCOMPARE(m_boxes->texts().last(), QStringLiteral("写入成功"));
        QVERIFY(m_sim.received().startsWith(bytes({0x57, 1, 0, 0x20})));
    }

    // A silent radio ends the exchange with a message; a later exchange keeps its own watchdog.
    void watchdogEndsASilentExchange()
    {
        Form2->Timer1->setInterval(1500);
        Form2->rbtnClick();
        QTRY_VERIFY_WITH_TIMEOUT(Form2->rbtn->isEnabled(), 10000);
        // Four answers each well inside the watchdog, 2.4 s in all: the watchdog restarts with
        // each one, and the first read's has stopped with it.
        m_sim.delayAnswers(600, 4);
        Form2->rbtnClick();
        QTRY_VERIFY_WITH_TIMEOUT(Form2->rbtn->isEnabled(), 10000);
        QVERIFY(m_boxes->shown().isEmpty());

        m_sim.dropAnswers(1000000);
        Form2->wbtnClick();
        QTRY_VERIFY_WITH_TIMEOUT(!m_boxes->shown().isEmpty(), 5000);
        QCOMPARE(m_boxes->texts(),
                 QStringList{QStringLiteral("电台停止应答：写入在第 1 块（共 4 块）处中断。电台中的设置可能只写入了一部分，请重新写入。\n"
                                            "电台没有确认收到任何数据块（DTMF 第 1–4 块）。")});
        QVERIFY(Form2->wbtn->isEnabled() && Form2->rbtn->isEnabled());
        QVERIFY(!Form1->Tim1->isActive() && !Form2->ProgressBar1->isVisible());
    }

    // A radio slower than the resend that is gone after block 2: the message names block 3 and
    // what the radio confirmed, not a block the count ran ahead to.
    void lateRadioGoneMidWrite()
    {
        m_sim.delayAnswers(250, 1000000);
        m_sim.hangUpAtBlock(1, 2);
        Form2->wbtnClick();
        QTRY_VERIFY_WITH_TIMEOUT(!m_boxes->shown().isEmpty(), 15000);
        QCOMPARE(m_boxes->texts(), QStringList{QStringLiteral("串口连接中断，请检查写频线后重试。\n"
                                                              "写入在第 3 块（共 4 块）处中断。电台中的设置可能只写入了一部分，请重新写入。\n"
                                                              "电台已确认收到：DTMF 第 1–2 块；没有确认：DTMF 第 3–4 块。")});
        QCOMPARE(distinctFrames(m_sim, Event::Write).size(), 3);
    }

    // After a pulled cable the window gives the port back; plugged in again, 读取 works.
    void readAfterAPulledCable()
    {
        Form2->show();
        Form1->DTMF1->setEnabled(true);
        Form1->DTMF1->trigger();
        QVERIFY(Form1->Comm1->isOpen() && !Form1->comcbb->isEnabled());
        m_sim.dropAnswers(1000000);
        Form2->rbtnClick();
        QTRY_VERIFY(!eventsOf(m_sim, Event::Read).isEmpty());
        m_sim.hangUp();
        QTRY_COMPARE(m_boxes->shown().size(), 1);
        QVERIFY(m_boxes->texts()[0].startsWith(QStringLiteral("串口连接中断，请检查写频线后重试。\n读取在第 1 块")));
        QVERIFY(!Form1->Comm1->isOpen() && Form1->comcbb->isEnabled());
        QVERIFY(Form2->rbtn->isEnabled() && Form2->wbtn->isEnabled() && !Form1->Tim1->isActive());

        m_sim.stop();
        QVERIFY(m_sim.start()); // the cable back in: a new pty
        m_sim.clearFaults();
        m_sim.clearLogs();
        Form1->comcbb->setCurrentText(m_sim.portPath());
        m_boxes->clear();
        Form2->rbtnClick();
        QTRY_VERIFY_WITH_TIMEOUT(Form2->rbtn->isEnabled(), 10000);
        QVERIFY(m_boxes->shown().isEmpty());
        QCOMPARE(distinctFrames(m_sim, Event::Read).size(), 4);
    }

    void closeEndsARunningExchange()
    {
        m_sim.dropAnswers(1000000);
        Form2->show();
        Form2->rbtnClick();
        QVERIFY(Form1->Tim1->isActive());
        Form2->Button3->click();
        QVERIFY(!Form2->isVisible());
        QVERIFY(Form2->rbtn->isEnabled() && Form2->wbtn->isEnabled());
        QVERIFY(!Form1->Tim1->isActive() && !Form2->Timer1->isActive());
    }

    // While one exchange runs, no other may start in any window.
    void oneExchangeAtATime()
    {
        m_sim.dropAnswers(1000000);
        Form2->rbtnClick();
        QTRY_VERIFY(!eventsOf(m_sim, Event::Read).isEmpty());
        for (QPushButton *button : {Form6->wbtn, Form6->rbtn, Form2->wbtn, Form1->rbtn, Form1->wbtn}) {
            m_boxes->clear();
            button->click();
            QCOMPARE(m_boxes->texts(), QStringList{RadioLink::kBusyMessage});
        }
        QVERIFY(Form6->wbtn->isEnabled() && Form1->wbtn->isEnabled() && Form1->rbtn->isEnabled());
        QVERIFY(eventsOf(m_sim, Event::Write).isEmpty() && eventsOf(m_sim, Event::Handshake).isEmpty());
    }
};

QTEST_MAIN(TestDtmfWindow)
#include "tst_dtmfwindow.moc"
