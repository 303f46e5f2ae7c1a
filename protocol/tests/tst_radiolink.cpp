// Frames, checksum and the receive dispatcher, with the bytes read back from a real pty.
#include "channels/memorychanneltexts.h"
#include "frames/frame.h"
#include "protocol/channeltransfer.h"
#include "protocol/radiolink.h"
#include "protocol/transferview.h"
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

QByteArray dataFrame(std::uint8_t type, std::uint8_t number, std::uint8_t fill = 0x11)
{
    QByteArray f(32, char(fill));
    f[0] = char(0x57);
    f[1] = char(type);
    f[2] = char(number);
    f[3] = char(0x20);
    return f;
}

// The same frame with its checksum, as the radio answers.
QByteArray checkedFrame(std::uint8_t type, std::uint8_t number, std::uint8_t fill = 0x11)
{
    QByteArray f = dataFrame(type, number, fill);
    const std::uint16_t crc = frame::crc16Modbus(reinterpret_cast<const std::uint8_t *>(f.constData()), 32);
    f.append(char(crc >> 8));
    f.append(char(crc & 0xFF));
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
        ChannelTransfer channel{link};
        TransferView &view = channel.transfer().view();
        MemoryChannelTexts texts;
        QList<TransferOutcome> outcomes;
        QList<int> pauses;
        // `baud`: the line's speed; at the default an answer may come at once.
        explicit Rig(int baud = 4000000)
        {
            comm.CommName = line.path();
            comm.setOutx_XonXoffFlow(false);
            comm.setInx_XonXoffFlow(false);
            comm.setReadIntervalTimeout(20);
            comm.setBaudRate(baud);
            comm.OpenPort();
            // Tests that read exact bytes must not meet a resend; the resend tests shorten it.
            timer.setInterval(60000);
            QObject::connect(&timer, &QTimer::timeout, [this] { link.Tim1Timer(); });
            link.pause = [this](int ms) { pauses << ms; };
        }
        void receive(const QByteArray &chunk)
        {
            link.Comm1ReceiveData(chunk.constData(), static_cast<std::uint16_t>(chunk.size()));
        }
        BlockTransfer::EndHandler record()
        {
            return [this](const TransferOutcome &o) { outcomes << o; };
        }
        void startWrite()
        {
            channel.startWrite(texts, record());
            QCOMPARE(line.read(7), QByteArray("PROGRAM"));
        }
        // The next written frame's header.
        QByteArray nextHeader() { return line.read(34).left(4); }
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
        rig.startWrite();
        for (int ack = 1; ack <= 18; ++ack) {
            QVERIFY(rig.outcomes.isEmpty());
            rig.receive(bytes({0x06}));
            if (ack <= 16) {
                QByteArray f = rig.line.read(34);
                QCOMPARE(f.size(), 34);
                QCOMPARE(f.left(4), bytes({0x57, 0, ack, 0x20}));
                const std::uint16_t crc = frame::crc16Modbus(reinterpret_cast<const std::uint8_t *>(f.constData()), 32);
                QCOMPARE(std::uint8_t(f[32]), std::uint8_t(crc >> 8));
                QCOMPARE(std::uint8_t(f[33]), std::uint8_t(crc & 0xFF));
                QVERIFY2(rig.timer.isActive(), "resend runs after each channel frame");
                QCOMPARE(rig.link.writeBlockCounter(), ack);
            } else if (ack == 17) {
                QCOMPARE(rig.nextHeader(), bytes({0x57, 5, 0, 0x20}));
                QVERIFY2(rig.timer.isActive(), "the settings frame is resent until acknowledged");
            }
        }
        QCOMPARE(rig.outcomes.size(), 1);
        QVERIFY(rig.outcomes[0].ok() && rig.outcomes[0].write);
        QCOMPARE(rig.outcomes[0].payloads.size(), 17);
        QCOMPARE(rig.link.writeBlockCounter(), 0);
        QVERIFY(!rig.timer.isActive() && !rig.view.writeRunning());
        QVERIFY(rig.line.drain().isEmpty());
    }

    void resendRepeatsWhatTheBufferHolds()
    {
        Rig rig;
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

    // A radio slower than the resend answers the frame and its copy: the second 0x06 is the
    // copy's, so the run moves on once, never past a block.
    void acknowledgementCountsOnceForTheFrameItAnswers_data()
    {
        QTest::addColumn<int>("acks");
        QTest::addColumn<int>("settleAtMostMs");
        QTest::newRow("both copies answered") << 2 << 60;
        QTest::newRow("the first copy lost") << 1 << 5000;
    }
    void acknowledgementCountsOnceForTheFrameItAnswers()
    {
        QFETCH(int, acks);
        QFETCH(int, settleAtMostMs);
        Rig rig;
        rig.timer.setInterval(100);
        rig.startWrite();
        rig.receive(bytes({0x06}));
        QCOMPARE(rig.nextHeader(), bytes({0x57, 0, 1, 0x20}));
        QCOMPARE(rig.line.read(34).left(4), bytes({0x57, 0, 1, 0x20})); // resent after silence
        rig.timer.stop();                                                // no third copy
        QElapsedTimer settle;
        settle.start();
        for (int i = 0; i < acks; ++i)
            rig.receive(bytes({0x06}));
        // Channel 2 follows; channel 3 never comes on the copy's acknowledgement.
        QCOMPARE(rig.nextHeader(), bytes({0x57, 0, 2, 0x20}));
        QVERIFY(settle.elapsed() < settleAtMostMs);
        QCOMPARE(rig.link.writeBlockCounter(), 2);
        QVERIFY(rig.line.drain(200).left(4) != bytes({0x57, 0, 3, 0x20}));
    }

    // At 9600 baud no answer can come before the frame has crossed the line: a 0x06 sooner
    // answers an earlier frame.
    void acknowledgementSoonerThanTheLineIsNotTheFramesOwn()
    {
        Rig rig(9600);
        rig.startWrite();
        QTest::qWait(rig.link.lineTimeMs(8) + 5); // the handshake's own time on the line
        rig.receive(bytes({0x06}));
        QCOMPARE(rig.nextHeader(), bytes({0x57, 0, 1, 0x20}));
        rig.receive(bytes({0x06})); // at once: the stray of a radio that answers twice
        QVERIFY(rig.line.drain(100).isEmpty());
        QCOMPARE(rig.link.writeBlockCounter(), 1);
        QTest::qWait(rig.link.lineTimeMs(35));
        rig.receive(bytes({0x06}));
        QCOMPARE(rig.nextHeader(), bytes({0x57, 0, 2, 0x20}));
    }

    // A channel read asks for each block in turn and takes only the answer to what it asked;
    // a wrong block or a damaged frame is asked for again and never decoded.
    void readTakesOnlyTheAnswerAskedFor()
    {
        Rig rig;
        rig.timer.setInterval(150);
        rig.channel.startRead(rig.record());
        QCOMPARE(rig.line.read(7), QByteArray("PROGRAM"));
        rig.receive(bytes({0x06}));
        QCOMPARE(rig.line.read(4), bytes({0x52, 0, 1, 0x20}));
        rig.receive(checkedFrame(0, 1));
        QCOMPARE(rig.line.read(4), bytes({0x52, 0, 2, 0x20}));
        rig.receive(checkedFrame(0, 9)); // another block
        QByteArray damaged = checkedFrame(0, 2);
        damaged[10] = char(damaged[10] ^ 0x01); // a flipped bit, the checksum of the frame before
        rig.receive(damaged);
        rig.receive(bytes({0x06})); // a late acknowledgement of the handshake
        // Still asking for channel 2.
        QCOMPARE(rig.line.read(34).left(4), bytes({0x52, 0, 2, 0x20}));
        for (int n = 2; n <= 16; ++n)
            rig.receive(checkedFrame(0, std::uint8_t(n), std::uint8_t(n)));
        QVERIFY(rig.line.drain().contains(bytes({0x52, 5, 0, 0x20})));
        QCOMPARE(rig.pauses, QList<int>{2});
        rig.receive(checkedFrame(5, 0));
        QCOMPARE(rig.outcomes.size(), 1);
        const TransferOutcome &o = rig.outcomes[0];
        QVERIFY(o.ok() && !o.write);
        QCOMPARE(o.rejectedAnswers, 2);
        QCOMPARE(o.frames.size(), 17);
        QCOMPARE(o.frames[1], checkedFrame(0, 2, 2));
        QVERIFY(!rig.timer.isActive() && !rig.view.readRunning());
    }

    void byteFiveOf0x30IsAcknowledged()
    {
        Rig rig;
        rig.channel.startRead(rig.record());
        rig.line.read(7);
        rig.receive(bytes({0x06}));
        rig.line.read(4);
        QByteArray f = dataFrame(0, 1);
        f[5] = char(0x30);
        rig.receive(f);
        // The 0x06 follows the next request, and a resend still repeats that request.
        QCOMPARE(rig.line.read(5), bytes({0x52, 0, 2, 0x20, 0x06}));
        rig.link.Tim1Timer();
        QCOMPARE(rig.line.read(34).left(4), bytes({0x52, 0, 2, 0x20}));
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
        if (reading) {
            rig.channel.startRead(rig.record());
            rig.line.read(7);
            rig.receive(bytes({0x06}));
            rig.line.read(4);
        }
        const int counter = rig.link.readBlockCounter();
        rig.receive(chunk);
        QVERIFY(rig.line.drain().isEmpty());
        QVERIFY(rig.outcomes.isEmpty());
        QCOMPARE(rig.link.readBlockCounter(), counter);
        QCOMPARE(int(rig.link.receiveBuffer()[0]), 0);
    }

    void splitFrameIsDecodedWhole()
    {
        Rig rig;
        rig.channel.startRead(rig.record());
        rig.line.read(7);
        rig.receive(bytes({0x06}));
        rig.line.read(4);
        // An earlier frame leaves its bytes in the receive buffer.
        rig.receive(checkedFrame(0, 1, 0xAA));
        rig.line.read(4);
        const QByteArray whole = checkedFrame(0, 2, 0x5C);
        rig.receive(whole.left(10));
        QVERIFY(rig.line.drain(100).isEmpty());
        rig.receive(whole.mid(10));
        QCOMPARE(rig.line.read(4), bytes({0x52, 0, 3, 0x20}));
        rig.channel.transfer().abort();
        QCOMPARE(rig.outcomes.size(), 1);
        QCOMPARE(rig.outcomes[0].frames, QList<QByteArray>({checkedFrame(0, 1, 0xAA), whole}));
    }

    void wholeFrameAfterALoneFragmentStandsAlone()
    {
        Rig rig;
        rig.channel.startRead(rig.record());
        rig.line.read(7);
        rig.receive(bytes({0x06}));
        rig.line.read(4);
        rig.receive(bytes({0x57}));
        rig.receive(checkedFrame(0, 1));
        QCOMPARE(rig.line.read(4), bytes({0x52, 0, 2, 0x20}));
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

    // The watchdog ends a run nothing answers, saying how far it got.
    void silentRadioEndsTheRun()
    {
        Rig rig;
        rig.channel.watchdog().setInterval(200);
        rig.startWrite();
        for (int n = 0; n < 3; ++n) {
            rig.receive(bytes({0x06}));
            rig.line.read(34);
        }
        QTRY_COMPARE(rig.outcomes.size(), 1);
        const TransferOutcome &o = rig.outcomes[0];
        QCOMPARE(o.end, TransferOutcome::End::Silent);
        QCOMPARE(o.confirmed, 2);
        QVERIFY(!rig.timer.isActive() && !rig.view.writeRunning());
    }
};

QTEST_GUILESS_MAIN(TestRadioLink)
#include "tst_radiolink.moc"
