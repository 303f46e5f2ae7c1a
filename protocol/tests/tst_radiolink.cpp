// Frames, checksum and the receive dispatcher, with the bytes read back from a real pty.
#include "frames/frame.h"
#include "protocol/radiolink.h"
#include "rtl/dialogs.h"
#include "serial/serialcomm.h"

#include <QtTest>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

// The far end of the line: a pty master the test reads what the program sent from.
class LineEnd {
public:
    LineEnd()
    {
        m_master = posix_openpt(O_RDWR | O_NOCTTY);
        grantpt(m_master);
        unlockpt(m_master);
        termios tio{};
        tcgetattr(m_master, &tio);
        cfmakeraw(&tio);
        tcsetattr(m_master, TCSANOW, &tio);
        m_path = QString::fromLocal8Bit(ptsname(m_master));
    }
    ~LineEnd() { ::close(m_master); }
    QString path() const { return m_path; }

    // Exactly the next `count` bytes, fewer only when the deadline passes: a resend queued
    // behind them stays for the next read.
    QByteArray read(int count, int timeoutMs = 5000)
    {
        QByteArray out;
        QDeadlineTimer deadline(timeoutMs);
        while (out.size() < count && !deadline.hasExpired()) {
            pollfd p{m_master, POLLIN, 0};
            if (::poll(&p, 1, 20) > 0 && (p.revents & POLLIN)) {
                char buf[256];
                const auto want = std::min<qsizetype>(sizeof buf, count - out.size());
                const ssize_t n = ::read(m_master, buf, size_t(want));
                if (n > 0)
                    out.append(buf, n);
            }
            QCoreApplication::processEvents();
        }
        return out;
    }
    // What arrives within a quiet period (for "nothing was sent").
    QByteArray drain(int quietMs = 150) { return read(1 << 20, quietMs); }

private:
    int m_master = -1;
    QString m_path;
};

struct FakeHost : ChannelHost {
    bool reading = false;
    bool writing = false;
    QStringList calls;
    QList<QByteArray> decoded;
    RadioLink *link = nullptr;

    bool channelReadRunning() const override { return reading; }
    bool channelWriteRunning() const override { return writing; }
    void stepProgress() override { calls << QStringLiteral("step"); }
    void hideProgressBar() override { calls << QStringLiteral("hideBar"); }
    void finishChannelWrite() override
    {
        calls << QStringLiteral("finish");
        writing = false;
    }
    void EncodeChannelRecord(int channel) override
    {
        calls << QStringLiteral("channel %1").arg(channel);
        std::uint8_t *tx = link->tx();
        const std::uint8_t header[] = {0x57, 0, static_cast<std::uint8_t>(channel), 0x20};
        std::memcpy(tx, header, 4);
        for (int i = 4; i < 32; ++i)
            tx[i] = static_cast<std::uint8_t>(channel * 3 + i);
    }
    void EncodeSettingsRecord() override
    {
        calls << QStringLiteral("settings");
        const std::uint8_t header[] = {0x57, 5, 0, 0x20};
        std::memcpy(link->tx(), header, 4);
    }
    void DecodeMemoryBlock() override
    {
        const auto &rx = link->receiveBuffer();
        decoded << QByteArray(reinterpret_cast<const char *>(rx.data()), 32);
        calls << QStringLiteral("decode %1/%2").arg(rx[1]).arg(rx[2]);
        if (rx[1] == 5)
            reading = false;
    }
};

struct FakePeer : SignallingPeer {
    FakePeer(QString n, std::uint8_t t, QStringList *l) : name(std::move(n)), type(t), log(l) {}
    QString name;
    std::uint8_t type;
    QStringList *log = nullptr;
    bool reading = true;
    bool writing = true;
    std::uint8_t blockType() const override { return type; }
    bool readRunning() const override { return reading; }
    bool writeRunning() const override { return writing; }
    void SendNextBlock() override { *log << name + QStringLiteral(" send"); }
    void ReceiveBlock() override { *log << name + QStringLiteral(" receive"); }
};

QByteArray dataFrame(std::uint8_t type, std::uint8_t number, std::uint8_t fill = 0x11)
{
    QByteArray f(32, char(fill));
    f[0] = char(0x57);
    f[1] = char(type);
    f[2] = char(number);
    f[3] = char(0x20);
    return f;
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

} // namespace

class TestRadioLink : public QObject {
    Q_OBJECT

    struct Rig {
        LineEnd line;
        TComm comm;
        QTimer timer;
        RadioLink link{comm, timer};
        FakeHost host;
        QList<int> pauses;
        Rig()
        {
            comm.CommName = line.path();
            comm.setOutx_XonXoffFlow(false);
            comm.setInx_XonXoffFlow(false);
            comm.setReadIntervalTimeout(20);
            comm.OpenPort();
            // Tests that read exact bytes must not meet a resend; the resend test shortens it.
            timer.setInterval(60000);
            QObject::connect(&timer, &QTimer::timeout, [this] { link.Tim1Timer(); });
            host.link = &link;
            link.setHost(&host);
            link.pause = [this](int ms) { pauses << ms; };
        }
        void receive(const QByteArray &chunk)
        {
            link.Comm1ReceiveData(chunk.constData(), static_cast<std::uint16_t>(chunk.size()));
        }
    };

private slots:
    void checksum_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("crc");
        QTest::newRow("123456789") << QByteArray("123456789") << 0x4B37;
        QByteArray frame1 = bytes({0x57, 0x00, 0x01, 0x20}) + QByteArray(27, 0) + bytes({0xFF});
        QTest::newRow("57 00 01 20, 27x00, FF") << frame1 << 0x386F;
    }
    void checksum()
    {
        QFETCH(QByteArray, data);
        QFETCH(int, crc);
        QCOMPARE(int(frame::crc16Modbus(reinterpret_cast<const std::uint8_t *>(data.constData()), data.size())), crc);
        if (data.size() == 32) {
            std::uint8_t buf[34] = {};
            std::memcpy(buf, data.constData(), 32);
            frame::FillChecksum(buf);
            QCOMPARE(int(buf[32]), crc >> 8);
            QCOMPARE(int(buf[33]), crc & 0xFF);
        }
    }

    void channelWriteRunsEighteenAcknowledgements()
    {
        Rig rig;
        rig.host.writing = true;
        rig.link.enableResend();
        rig.link.sendHandshake();
        QCOMPARE(rig.line.read(7), QByteArray("PROGRAM"));

        QByteArray expected;
        for (int ack = 1; ack <= 18; ++ack) {
            rig.receive(bytes({0x06}));
            if (ack <= 16) {
                QByteArray f = rig.line.read(34);
                QCOMPARE(f.size(), 34);
                QCOMPARE(f.left(4), bytes({0x57, 0, ack, 0x20}));
                const std::uint16_t crc = frame::crc16Modbus(reinterpret_cast<const std::uint8_t *>(f.constData()), 32);
                QCOMPARE(std::uint8_t(f[32]), std::uint8_t(crc >> 8));
                QCOMPARE(std::uint8_t(f[33]), std::uint8_t(crc & 0xFF));
                QVERIFY2(rig.timer.isActive(), "resend runs after each channel frame");
            } else if (ack == 17) {
                QByteArray f = rig.line.read(34);
                QCOMPARE(f.left(4), bytes({0x57, 5, 0, 0x20}));
                QVERIFY2(rig.timer.isActive(), "the settings frame is resent until acknowledged");
            }
        }
        QCOMPARE(rig.host.calls.count(QStringLiteral("finish")), 1);
        QCOMPARE(rig.link.writeBlockCounter(), 0);
        QCOMPARE(rig.host.calls.count(QStringLiteral("step")), 18);
        QVERIFY(!rig.timer.isActive());
        QVERIFY(rig.line.drain().isEmpty());
    }

    void resendRepeatsWhatTheBufferHolds()
    {
        Rig rig;
        rig.host.writing = true;
        rig.timer.setInterval(300);
        rig.link.sendHandshake();
        QCOMPARE(rig.line.read(7), QByteArray("PROGRAM"));
        rig.link.enableResend();
        // A resent handshake is 34 bytes: PROGRAM, the 25 zero bytes behind it, its checksum.
        const QByteArray resent = rig.line.read(34);
        QCOMPARE(resent.size(), 34);
        QByteArray head = QByteArray("PROGRAM") + QByteArray(25, 0);
        const std::uint16_t crc = frame::crc16Modbus(reinterpret_cast<const std::uint8_t *>(head.constData()), 32);
        QCOMPARE(resent, head + bytes({crc >> 8, crc & 0xFF}));
        // And it keeps coming while nobody answers.
        QCOMPARE(rig.line.read(34), resent);
        rig.link.stopResend();
        rig.line.drain(400);
        QVERIFY(rig.line.drain(400).isEmpty());
    }

    void channelReadFollowsTheAnswersBlockNumber()
    {
        Rig rig;
        rig.host.reading = true;
        rig.link.sendHandshake();
        rig.line.read(7);
        rig.receive(bytes({0x06}));
        QCOMPARE(rig.line.read(4), bytes({0x52, 0, 1, 0x20}));
        QCOMPARE(rig.link.readBlockCounter(), 0);

        rig.receive(dataFrame(0, 1));
        QCOMPARE(rig.line.read(4), bytes({0x52, 0, 2, 0x20}));
        QVERIFY(rig.timer.isActive());
        // The radio answers block 9 where 5 was asked: the read follows it.
        rig.receive(dataFrame(0, 9));
        QCOMPARE(rig.line.read(4), bytes({0x52, 0, 10, 0x20}));
        QCOMPARE(rig.link.readBlockCounter(), 10);

        rig.receive(dataFrame(0, 16));
        QCOMPARE(rig.line.read(4), bytes({0x52, 5, 0, 0x20}));
        QCOMPARE(rig.pauses, QList<int>{2});
        QCOMPARE(rig.link.readBlockCounter(), 0);
        QVERIFY(rig.host.calls.contains(QStringLiteral("hideBar")));

        rig.receive(dataFrame(5, 0));
        QVERIFY(!rig.timer.isActive());
        QVERIFY(!rig.host.reading);
        QCOMPARE(rig.host.calls.filter(QStringLiteral("decode")),
                 QStringList({"decode 0/1", "decode 0/9", "decode 0/16", "decode 5/0"}));
        QVERIFY(rig.line.drain(700).isEmpty());
    }

    void byteFiveOf0x30IsAcknowledged()
    {
        Rig rig;
        rig.host.reading = true;
        QByteArray f = dataFrame(0, 2);
        f[5] = char(0x30);
        rig.receive(f);
        // The 0x06 follows the next request, and a resend still repeats that request.
        QCOMPARE(rig.line.read(5), bytes({0x52, 0, 3, 0x20, 0x06}));
        rig.link.Tim1Timer();
        QCOMPARE(rig.line.read(34).left(4), bytes({0x52, 0, 3, 0x20}));
        QCOMPARE(rig.host.calls, QStringList({"decode 0/2", "step"}));
    }

    void strayChunksChangeNothing_data()
    {
        QTest::addColumn<QByteArray>("chunk");
        QTest::addColumn<bool>("reading");
        QTest::newRow("15 during a read") << bytes({0x15}) << true;
        QTest::newRow("noise during a read") << bytes({0x33, 0x06, 0x57}) << true;
        QTest::newRow("06 outside transfers") << bytes({0x06}) << false;
        QTest::newRow("frame outside transfers") << dataFrame(0, 3) << false;
    }
    void strayChunksChangeNothing()
    {
        QFETCH(QByteArray, chunk);
        QFETCH(bool, reading);
        Rig rig;
        rig.host.reading = reading;
        rig.link.setReadBlockCounter(4);
        rig.receive(chunk);
        QVERIFY(rig.line.drain().isEmpty());
        QVERIFY(rig.host.calls.isEmpty());
        QCOMPARE(rig.link.readBlockCounter(), 4);
        QCOMPARE(int(rig.link.receiveBuffer()[0]), 0);
    }

    void splitFrameIsDecodedWhole()
    {
        Rig rig;
        rig.host.reading = true;
        // An earlier frame leaves its bytes in the receive buffer.
        rig.receive(dataFrame(0, 1, 0xAA));
        rig.line.read(4);
        const QByteArray whole = dataFrame(0, 2, 0x5C);
        rig.receive(whole.left(10));
        QCOMPARE(rig.host.decoded.size(), 1);
        rig.receive(whole.mid(10));
        QCOMPARE(rig.host.decoded.size(), 2);
        QCOMPARE(rig.host.decoded.last(), whole);
        QCOMPARE(rig.line.read(4), bytes({0x52, 0, 3, 0x20}));
    }

    void wholeFrameAfterALoneFragmentStandsAlone()
    {
        Rig rig;
        rig.host.reading = true;
        rig.receive(bytes({0x57}));
        const QByteArray whole = dataFrame(0, 4);
        rig.receive(whole);
        QCOMPARE(rig.host.decoded, QList<QByteArray>{whole});
    }

    void refusedSendShowsOneError()
    {
        Rig rig;
        rig.comm.ClosePort();
        rtl::dialogs::Recording rec;
        rig.link.SendData(34);
        QCOMPARE(rec.texts(), QStringList{QStringLiteral("发送失败!")});
        QCOMPARE(rec.shown()[0].kind, rtl::dialogs::Kind::Error);
        rig.link.Tim1Timer(); // a refused resend is silent
        QCOMPARE(rec.shown().size(), 1);
        QByteArray wantsAck = dataFrame(3, 2);
        wantsAck[5] = char(0x30);
        rig.receive(wantsAck);
        QCOMPARE(rec.texts(), QStringList(2, QStringLiteral("发送失败!")));
    }

    void dispatchServesWindowsInOrder()
    {
        Rig rig;
        QStringList log;
        FakePeer five(QStringLiteral("five"), 4, &log);
        FakePeer two(QStringLiteral("two"), 3, &log);
        FakePeer fsk(QStringLiteral("fsk"), 2, &log);
        FakePeer dtmf(QStringLiteral("dtmf"), 1, &log);
        rig.link.setSignalling({&five, &two, &fsk, &dtmf});
        rig.receive(bytes({0x06}));
        QCOMPARE(log, QStringList({"five send", "two send", "fsk send", "dtmf send"}));
        log.clear();
        rig.receive(dataFrame(3, 0));
        QCOMPARE(log, QStringList{"two receive"});
        log.clear();
        rig.receive(dataFrame(1, 0));
        QCOMPARE(log, QStringList{"dtmf receive"});
    }
};

QTEST_GUILESS_MAIN(TestRadioLink)
#include "tst_radiolink.moc"
