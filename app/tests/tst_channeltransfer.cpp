// Channel plans written to the simulated radio and read back, with the exact frames on the line.
#include "app/Unit1.h"
#include "app/Unit3.h"
#include "app/forms.h"
#include "app/tests/linebytes.h"
#include "grid/cellgrid.h"
#include "frames/frame.h"
#include "protocol/channeltransfer.h"
#include "signalling/Unit2.h"
#include "rtl/dialogs.h"
#include "serial/serialcomm.h"
#include "tools/radiosim/radiosim.h"

#include <QtTest>

using radiosim::Event;
using radiosim::RadioSim;

namespace {

const QStringList kChannel1 = {"145.12500", "145.12500", "88.5", "023N", "高", "宽带", "有", "25000",
                               "1", "#", "BOTH", "3", "2TONE", "5", "有"};
const QStringList kChannel2 = {"430.05000", "435.00000", "754I", "无", "低", "窄带", "无", "12500",
                               "D", "无", "EOT", "无", "FSK", "16", "无"};
const QStringList kChannel16 = {"446.00625", "446.00625", "254.1", "100.0", "高", "窄带", "有", "6250",
                                "C", "0", "无", "10", "DTMF", "1", "有"};
const QStringList kSettings = {"5", "3", "9", "关", "英文", "警报音", "警报音", "关", "关", "关"};

void fillPlan(TForm1 *form)
{
    for (int c = 1; c <= 15; ++c) {
        form->xg->setCells(c, 1, kChannel1[c - 1]);
        form->xg->setCells(c, 2, kChannel2[c - 1]);
        form->xg->setCells(c, 16, kChannel16[c - 1]);
    }
    for (int i = 1; i <= 10; ++i)
        form->settingBox(i)->setCurrentText(kSettings[i - 1]);
}

// The blocks of one kind as "type/number", a resend folded into the frame it repeats.
QStringList distinctBlocks(const RadioSim &sim, Event::Kind kind)
{
    QStringList out;
    for (const Event &e : eventsOf(sim, kind)) {
        const QString name = QStringLiteral("%1/%2").arg(e.type).arg(e.number);
        if (out.isEmpty() || out.last() != name)
            out << name;
    }
    return out;
}

// The blocks of a whole channel transfer in order: channels 1-16, then the settings.
QStringList allBlocks()
{
    QStringList out;
    for (int n = 1; n <= 16; ++n)
        out << QStringLiteral("0/%1").arg(n);
    return out << QStringLiteral("5/0");
}

// A channel payload: rx and tx frequency in Hz, 88.5 Hz, no tone, step 25000, key 1.
// 145125000 Hz is 88 6E A6 08.
QByteArray channelPayload(quint32 hz)
{
    QByteArray p(28, 0);
    for (int i = 0; i < 8; ++i)
        p[i] = char(hz >> (8 * (i % 4)));
    const QByteArray rest = bytes({0x75, 0x03, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xA8, 0x61, 1, 2, 0, 0, 0xFF, 0, 1});
    p.replace(8, rest.size(), rest);
    return p;
}

QStringList planTexts(TForm1 *form)
{
    QStringList out;
    for (int r = 1; r <= 16; ++r)
        for (int c = 1; c <= 15; ++c)
            out << form->xg->Cells(c, r);
    for (int i = 1; i <= 10; ++i)
        out << form->settingBox(i)->currentText();
    return out;
}

} // namespace

class TestChannelTransfer : public QObject {
    Q_OBJECT

    std::unique_ptr<rtl::dialogs::Recording> m_boxes;
    RadioSim m_sim;

    // Long enough that no resend lands in a test that compares exact frames; tests that need
    // resends ask for the real interval.
    static constexpr int kNoResendMs = 60000;

    void newWindows()
    {
        destroyForms();
        createForms();
        Form3->pause = [](int) {};
        Form1->comcbb->setCurrentText(m_sim.portPath());
        Form1->Tim1->setInterval(kNoResendMs);
    }

private slots:
    void init()
    {
        m_boxes = std::make_unique<rtl::dialogs::Recording>();
        QVERIFY(m_sim.start());
        m_sim.clearFaults(); // they outlive a restart of the sim
        m_sim.clearImage();
        m_sim.clearLogs();
        newWindows();
    }
    void cleanup()
    {
        destroyForms();
        m_sim.stop();
        m_boxes.reset();
    }

    void writtenPlanReadsBackIdentical()
    {
        fillPlan(Form1);
        const QStringList written = planTexts(Form1);
        Form1->wbtn->click();
        QTRY_COMPARE_WITH_TIMEOUT(m_boxes->texts(), QStringList{QStringLiteral("写入成功")}, 15000);

        const QList<Event> frames = eventsOf(m_sim, Event::Write);
        QCOMPARE(frames.size(), 17);
        // Channel 1, byte by byte: 145125000 Hz twice, 88.5 Hz, DCS 023 N, high, wide, scan,
        // 25000 Hz step, keys 1 and #, BOTH, scrambler 3, compander on, 2TONE, information 5.
        const QByteArray channel1 = bytes({0x57, 0, 1, 0x20, 0x88, 0x6E, 0xA6, 0x08, 0x88, 0x6E, 0xA6, 0x08,
                                           0x75, 0x03, 0x17, 0x20, 0xFF, 0xFF, 0xFF, 0xA8, 0x61, 1, 12, 1, 3,
                                           0xFF, 1, 5, 0, 0, 0, 0xFF});
        QCOMPARE(frames[0].bytes.toHex(' '), withChecksum(channel1).toHex(' '));
        // Channel 2: 430050000 / 435000000 Hz, 754I, no tone, low, narrow, no scan, 12500, D, none.
        const QByteArray channel2 = bytes({0x57, 0, 2, 0x20, 0xD0, 0x0A, 0xA2, 0x19, 0xC0, 0x92, 0xED, 0x19,
                                           0xF2, 0xA2, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0xD4, 0x30, 0, 0xFF, 3, 0,
                                           0x00, 3, 16, 0, 0, 0, 0xFF});
        QCOMPARE(frames[1].bytes.toHex(' '), withChecksum(channel2).toHex(' '));
        for (const Event &e : frames)
            QVERIFY(e.checksumOk);
        // Settings: power save off, alarm off, VOX 5, delay 3, squelch 9, time-out off, English,
        // alarm tone on both keys, scan off; bytes 20–31 as channel 16 left them.
        QByteArray settings = bytes({0x57, 5, 0, 0x20, 0, 0, 0, 0, 0, 0, 0, 0, 5, 3, 9, 0, 2, 1, 1, 0});
        settings += frames[15].bytes.mid(20, 12);
        QCOMPARE(frames[16].bytes.toHex(' '), withChecksum(settings).toHex(' '));

        newWindows();
        QCOMPARE(Form1->xg->Cells(1, 1), QString());
        Form1->rbtn->click();
        QTRY_VERIFY_WITH_TIMEOUT(Form1->rbtn->isEnabled(), 15000);
        QCOMPARE(planTexts(Form1), written);
        QCOMPARE(m_boxes->texts(), QStringList{QStringLiteral("写入成功")});
    }

    void savedPlanLoadsAndWritesTheSameFrames()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("plan.zq"));
        fillPlan(Form1);
        Form1->wbtn->click();
        QTRY_COMPARE_WITH_TIMEOUT(m_boxes->texts().size(), 1, 15000);
        const QList<Event> direct = eventsOf(m_sim, Event::Write);
        Form1->chooseSaveFile = [&] { return file; };
        Form1->N5->trigger();
        QVERIFY(QFileInfo(file).size() > 0);

        newWindows();
        m_sim.clearLogs();
        Form1->chooseOpenFile = [&] { return file; };
        Form1->N3->trigger();
        QCOMPARE(Form1->xg->Cells(1, 1), QStringLiteral("145.12500"));
        QCOMPARE(Form1->xg->Cells(1, 5), QStringLiteral(" ")); // empty fields load as one blank
        Form1->wbtn->click();
        QTRY_COMPARE_WITH_TIMEOUT(m_boxes->texts().size(), 2, 15000);
        QCOMPARE(m_boxes->texts().last(), QStringLiteral("写入成功"));
        const QList<Event> loaded = eventsOf(m_sim, Event::Write);
        QCOMPARE(loaded.size(), 17);
        for (int i = 0; i < 16; ++i)
            QCOMPARE(loaded[i].bytes.toHex(' '), direct[i].bytes.toHex(' '));
        // The alarm is not stored in the file: this window kept its own.
        QCOMPARE(Form1->ComboBox10->currentText(), QStringLiteral("开"));
        QCOMPARE(loaded[16].bytes.at(5), char(1));
        QCOMPARE(direct[16].bytes.at(5), char(0));
        QCOMPARE(loaded[16].bytes.left(5), direct[16].bytes.left(5));
        QCOMPARE(loaded[16].bytes.mid(6, 26), direct[16].bytes.mid(6, 26));
    }

    void refusedFileChangesNothing()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("short.zq"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("a,b\r\n1,2\r\n");
        f.close();
        fillPlan(Form1);
        const QStringList before = planTexts(Form1);
        Form1->chooseOpenFile = [&] { return file; };
        Form1->N3->trigger();
        QCOMPARE(m_boxes->shown().size(), 1);
        QVERIFY(m_boxes->texts()[0].contains(file));
        QCOMPARE(planTexts(Form1), before);
        // Cancelled dialogs do nothing.
        Form1->chooseOpenFile = [] { return QString(); };
        Form1->N3->trigger();
        QCOMPARE(m_boxes->shown().size(), 1);
    }

    void badTextSendsNothing_data()
    {
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("setting");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("rx frequency abc, row 7") << 1 << 7 << 0 << "abc"
                                                 << "'abc' is not a valid floating point value\n信道 7「接收频率」";
        QTest::newRow("tx frequency 1.2.3, row 16") << 2 << 16 << 0 << "1.2.3"
                                                    << "'1.2.3' is not a valid floating point value\n信道 16「发射频率」";
        QTest::newRow("step 25k, row 1") << 8 << 1 << 0 << "25k"
                                         << "'25k' is not a valid integer value\n信道 1「步进频率」";
        QTest::newRow("seven decimals, row 2") << 1 << 2 << 0 << "145.1234567"
                                               << "'145123456.7' is not a valid integer value\n信道 2「接收频率」";
        QTest::newRow("squelch x") << 0 << 0 << 3 << "x" << "'x' is not a valid integer value\n「静噪」";
    }
    void badTextSendsNothing()
    {
        QFETCH(int, col);
        QFETCH(int, row);
        QFETCH(int, setting);
        QFETCH(QString, text);
        QFETCH(QString, message);
        fillPlan(Form1);
        QString before;
        if (setting) {
            before = Form1->settingBox(setting)->currentText();
            Form1->settingBox(setting)->setCurrentText(text);
        } else {
            for (int c = 1; c <= 15; ++c)
                if (Form1->xg->Cells(c, row).isEmpty())
                    Form1->xg->setCells(c, row, kChannel1[c - 1]);
            before = Form1->xg->Cells(col, row);
            Form1->xg->setCells(col, row, text);
        }
        Form1->wbtn->click();
        QCOMPARE(m_boxes->texts(), QStringList{message});
        QVERIFY(Form1->wbtn->isEnabled());
        QVERIFY(Form1->comcbb->isEnabled());
        QVERIFY(!Form3->isVisible());
        QVERIFY(!Form1->Tim1->isActive());

        // Mended, the same plan goes out whole.
        if (setting)
            Form1->settingBox(setting)->setCurrentText(before);
        else
            Form1->xg->setCells(col, row, before);
        Form1->wbtn->click();
        QTRY_COMPARE_WITH_TIMEOUT(m_boxes->texts().size(), 2, 15000);
        QCOMPARE(m_boxes->texts().last(), QStringLiteral("写入成功"));
        // The refused write sent nothing: what the radio heard is this one write, from its handshake.
        QCOMPARE(m_sim.events().first().kind, Event::Handshake);
        QCOMPARE(eventsOf(m_sim, Event::Handshake).size(), 1);
        QCOMPARE(eventsOf(m_sim, Event::Write).size(), 17);
    }

    // 149.5 MHz puts 0x30 at byte 5, so the answer is acknowledged; the answer to the next
    // request is lost and only its resend brings it.
    void acknowledgedAnswerLeavesTheResendWhole()
    {
        m_sim.setBlock(0, 3, channelPayload(149500000));
        m_sim.dropAnswersTo(0, 4);
        Form1->Tim1->setInterval(TForm1::kResendIntervalMs);
        Form1->rbtn->click();
        QTRY_VERIFY_WITH_TIMEOUT(Form1->rbtn->isEnabled(), 20000);
        QCOMPARE(Form1->xg->Cells(1, 3), QStringLiteral("149.50000"));
        QCOMPARE(distinctBlocks(m_sim, Event::Read), allBlocks());

        const QByteArray line = m_sim.received();
        const QByteArray request4 = bytes({0x52, 0, 4, 0x20});
        QVERIFY(line.contains(request4 + char(0x06)));
        // The resend: the request, then what the handshake left in bytes 4-33.
        const QByteArray handshake = withChecksum(QByteArray("PROGRAM") + QByteArray(25, 0));
        QVERIFY(line.contains(request4 + handshake.mid(4)));
        QVERIFY(!line.contains(bytes({0x06, 0, 4, 0x20})));
        QVERIFY(m_boxes->shown().isEmpty());
    }

    void lostSettingsAcknowledgementIsResent()
    {
        fillPlan(Form1);
        m_sim.dropAnswersTo(5, 0);
        Form1->Tim1->setInterval(TForm1::kResendIntervalMs);
        Form1->wbtn->click();
        QTRY_COMPARE_WITH_TIMEOUT(m_boxes->texts(), QStringList{QStringLiteral("写入成功")}, 15000);
        QCOMPARE(distinctBlocks(m_sim, Event::Write), allBlocks());
        QVERIFY(eventsOf(m_sim, Event::Write).size() >= 18);
        QVERIFY(!Form1->Tim1->isActive());
    }

    // A radio that sends a lone 0x06 30 ms after one acknowledgement, then never takes the last
    // block: no "写入成功", and the message says the last block was not confirmed.
    void strayAcknowledgementIsNoSuccess_data()
    {
        QTest::addColumn<bool>("channels");
        QTest::addColumn<QString>("unconfirmed");
        QTest::newRow("channel write") << true << QStringLiteral("已确认收到：信道 1–16；没有确认：通用设置。");
        QTest::newRow("DTMF write") << false << QStringLiteral("已确认收到：DTMF 第 1–3 块；没有确认：DTMF 第 4 块。");
    }
    void strayAcknowledgementIsNoSuccess()
    {
        QFETCH(bool, channels);
        QFETCH(QString, unconfirmed);
        fillPlan(Form1);
        Form1->Tim1->setInterval(TForm1::kResendIntervalMs);
        Form1->channelTransfer().watchdog().setInterval(1500);
        Form2->Timer1->setInterval(1500);
        const int type = channels ? 0 : 1;
        m_sim.strayAcknowledgementAfter(type, channels ? 16 : 2, 30);
        m_sim.refuseWrites(channels ? 5 : 1, channels ? 0 : 3);
        if (channels) {
            Form1->wbtn->click();
        } else {
            Form1->openPortFromBox();
            Form2->wbtnClick();
        }
        QTRY_VERIFY_WITH_TIMEOUT(!m_boxes->shown().isEmpty(), 10000);
        QVERIFY(!m_boxes->texts().contains(QStringLiteral("写入成功")));
        QVERIFY2(m_boxes->texts().last().contains(unconfirmed), qPrintable(m_boxes->texts().last()));
        QCOMPARE(m_sim.block(channels ? 5 : 1, channels ? 0 : 3), QByteArray(28, '\0'));
    }

    // The settings frame is never acknowledged: the write ends after the watchdog with a
    // message, instead of resending for ever.
    void unacknowledgedLastBlockEndsTheWrite()
    {
        fillPlan(Form1);
        Form1->Tim1->setInterval(TForm1::kResendIntervalMs);
        Form1->channelTransfer().watchdog().setInterval(2000);
        m_sim.dropAnswersTo(5, 0, 1000000);
        Form1->wbtn->click();
        QTRY_VERIFY_WITH_TIMEOUT(!m_boxes->shown().isEmpty(), 10000);
        QCOMPARE(m_boxes->texts(), QStringList{QStringLiteral(
                                       "电台停止应答：写入在第 17 块（共 17 块）处中断。电台中的设置可能只写入了一部分，请重新写入。\n"
                                       "电台已确认收到：信道 1–16；没有确认：通用设置。")});
        QVERIFY(!Form1->Tim1->isActive() && !Form1->Comm1->isOpen() && Form1->wbtn->isEnabled());
        const QList<Event> writes = eventsOf(m_sim, Event::Write);
        const auto settingsFrames = std::count_if(writes.cbegin(), writes.cend(), [](const Event &e) { return e.type == 5; });
        QVERIFY(settingsFrames >= 2 && settingsFrames <= 6); // resent, backing off, then given up
        QCOMPARE(m_boxes->shown()[0].actionLabel(), QStringLiteral("重试写频"));
    }

    // A stray 0x57 arrives ahead of every answer, in a burst of its own.
    void strayByteAheadOfEachAnswer_data()
    {
        QTest::addColumn<bool>("write");
        QTest::newRow("write") << true;
        QTest::newRow("read") << false;
    }
    void strayByteAheadOfEachAnswer()
    {
        QFETCH(bool, write);
        fillPlan(Form1);
        m_sim.addNoise(bytes({0x57}), false, 1000);
        m_sim.splitAnswers(1, 100, 1000);
        if (write) {
            Form1->wbtn->click();
            QTRY_COMPARE_WITH_TIMEOUT(m_boxes->texts(), QStringList{QStringLiteral("写入成功")}, 15000);
            QCOMPARE(distinctBlocks(m_sim, Event::Write), allBlocks());
        } else {
            Form1->rbtn->click();
            QTRY_VERIFY_WITH_TIMEOUT(Form1->rbtn->isEnabled(), 15000);
            QCOMPARE(distinctBlocks(m_sim, Event::Read), allBlocks());
            QVERIFY(m_boxes->shown().isEmpty());
        }
    }

    // Every answer's checksum bytes come 30 ms behind it, and those of channel 5 begin with 0x06.
    void checksumBytesOnTheirOwnAreNoFrame()
    {
        const QByteArray header = QByteArray::fromHex("57000520");
        QByteArray payload = channelPayload(145125000);
        // Byte 31 is not decoded: it is free to steer the checksum.
        for (int v = 0; v < 256 && radiosim::crc16Modbus(header + payload) >> 8 != 0x06; ++v)
            payload[27] = char(v);
        QCOMPARE(radiosim::crc16Modbus(header + payload) >> 8, 0x06);
        m_sim.setBlock(0, 5, payload);
        m_sim.splitAnswers(32, 30, 1000);
        Form1->rbtn->click();
        QTRY_VERIFY_WITH_TIMEOUT(Form1->rbtn->isEnabled(), 15000);
        QCOMPARE(distinctBlocks(m_sim, Event::Read), allBlocks());
        QCOMPARE(eventsOf(m_sim, Event::Read).size(), 17);
        QCOMPARE(Form1->xg->Cells(1, 5), QStringLiteral("145.12500"));
    }

    // The beginning of an answer is held when the transfer ends; the next one must not glue its
    // first acknowledge byte onto it.
    void heldBeginningEndsWithTheTransfer_data()
    {
        QTest::addColumn<bool>("retry");
        QTest::newRow("cancel, then read") << false;
        QTest::newRow("retry") << true;
    }
    void heldBeginningEndsWithTheTransfer()
    {
        QFETCH(bool, retry);
        m_sim.dropAnswersTo(0, 1, 1000);
        Form1->rbtn->click();
        QTRY_COMPARE(eventsOf(m_sim, Event::Read).size(), 1);
        m_sim.sendRaw(QByteArray::fromHex("5700012011223344"));
        QTRY_VERIFY(Form1->link().holdsPartialFrame());
        m_sim.clearFaults();
        if (retry) {
            Form3->Button1->click();
        } else {
            Form3->Button2->click();
            Form1->rbtn->click();
        }
        QTRY_VERIFY_WITH_TIMEOUT(Form1->rbtn->isEnabled(), 15000);
        QCOMPARE(eventsOf(m_sim, Event::Handshake).size(), 2);
        QVERIFY(m_boxes->shown().isEmpty());
    }

    void splitAnswerIsReadWhole()
    {
        m_sim.setBlock(0, 3, channelPayload(145125000));
        m_sim.splitAnswers(10, 60, 1000); // every answer arrives in two bursts
        Form1->rbtn->click();
        QTRY_VERIFY_WITH_TIMEOUT(Form1->rbtn->isEnabled(), 20000);
        QCOMPARE(Form1->xg->Cells(1, 3), QStringLiteral("145.12500"));
        QCOMPARE(Form1->xg->Cells(3, 3), QStringLiteral("88.5"));
        QCOMPARE(Form1->xg->Cells(8, 3), QStringLiteral("25000"));
        QCOMPARE(Form1->xg->Cells(9, 3), QStringLiteral("1"));
        QCOMPARE(Form1->xg->Cells(1, 4), QString());
        QVERIFY(m_boxes->shown().isEmpty());
    }
};

QTEST_MAIN(TestChannelTransfer)
#include "tst_channeltransfer.moc"
