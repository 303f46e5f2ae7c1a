// Tests of the simulated radio: the framing rules on their own, then the sim over a real pty,
// talked to through a raw fd on the slave side as the program's port would.
#include "tools/radiosim/radiosim.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <mutex>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using radiosim::Event;
using radiosim::FrameParser;
using radiosim::RadioSim;

namespace {

QByteArray frame(int type, int number, const QByteArray &payload, bool withCrc = true)
{
    QByteArray f;
    f.append(char(0x57)).append(char(type)).append(char(number)).append(char(0x20));
    f.append(payload.leftJustified(28, '\0', true));
    if (withCrc) {
        const quint16 crc = radiosim::crc16Modbus(f);
        f.append(char(crc >> 8)).append(char(crc & 0xFF));
    }
    return f;
}

QByteArray request(int type, int number)
{
    return QByteArray("R") + char(type) + char(number) + ' ';
}

// Channel 1 with an empty receive frequency; its CRC bytes 38 6F come from outside this code.
const QByteArray kEmptyChannel1 = QByteArray::fromHex("57000120") + QByteArray(27, '\0')
        + QByteArray::fromHex("ff386f");

QByteArray distinctPayload(int seed)
{
    QByteArray p;
    for (int i = 0; i < 28; ++i)
        p.append(char(seed * 7 + i * 13));
    return p;
}

// A resent handshake: 25 leftover bytes (zeros right after program start) and the CRC.
QByteArray resentHandshake(const QByteArray &leftovers = QByteArray())
{
    QByteArray b = QByteArray("PROGRAM") + leftovers.leftJustified(25, '\0', true);
    const quint16 crc = radiosim::crc16Modbus(b);
    return b + char(crc >> 8) + char(crc & 0xFF);
}

// A resent request: leftovers of an earlier frame hold bytes that look like frame starts.
QByteArray resentRequest(int type, int number)
{
    QByteArray tail = QByteArray("PROGRAM") + request(0, 2) + char(0x06) + QByteArray("W\0\x01 ", 4);
    return request(type, number) + tail.leftJustified(30, 'x');
}

QString summary(const QList<Event> &events)
{
    QStringList parts;
    for (const Event &e : events) {
        QString s = QLatin1String(radiosim::kindName(e.kind));
        if (e.kind == Event::Write || e.kind == Event::Read)
            s += QStringLiteral(" %1/%2").arg(e.type).arg(e.number);
        if (e.kind == Event::Write && e.bytes.size() == 34)
            s += e.checksumOk ? QStringLiteral(" ok") : QStringLiteral(" bad");
        if (e.kind == Event::Junk)
            s += QStringLiteral(":%1").arg(e.bytes.size());
        parts << s;
    }
    return parts.join(QLatin1Char(' '));
}

// The slave end of the pty, opened the way the program's port opens it.
class Line {
public:
    explicit Line(const QString &path)
    {
        m_fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (m_fd >= 0) {
            termios tio{};
            tcgetattr(m_fd, &tio);
            cfmakeraw(&tio);
            tcsetattr(m_fd, TCSANOW, &tio);
        }
    }
    ~Line() { close(); }
    Line(const Line &) = delete;
    Line &operator=(const Line &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

    bool write(const QByteArray &bytes)
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
            if (n < 0 && errno != EINTR && errno != EAGAIN)
                return false;
            if (n > 0)
                done += n;
        }
        return true;
    }

    // Reads until count bytes have arrived or timeoutMs has passed.
    QByteArray read(int count, int timeoutMs)
    {
        QByteArray got;
        QElapsedTimer clock;
        clock.start();
        while (got.size() < count) {
            const QByteArray chunk = readOnce(int(qMax<qint64>(0, timeoutMs - clock.elapsed())), count - int(got.size()));
            if (chunk.isEmpty())
                break;
            got += chunk;
        }
        return got;
    }

    // One read() of whatever has arrived, after waiting up to timeoutMs for the first byte.
    QByteArray readOnce(int timeoutMs, int max = 4096)
    {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0 || !(p.revents & POLLIN))
            return {};
        QByteArray buf(max, '\0');
        const ssize_t n = ::read(m_fd, buf.data(), size_t(max));
        return n > 0 ? buf.left(n) : QByteArray();
    }

    bool silentFor(int ms) { return readOnce(ms).isEmpty(); }

    // Waits for the hang-up that a closed master shows on the slave.
    bool seesHangUp(int timeoutMs)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < timeoutMs) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, int(timeoutMs - clock.elapsed())) > 0) {
                if (p.revents & (POLLHUP | POLLERR))
                    return true;
                char c;
                if (::read(m_fd, &c, 1) < 0 && errno == EIO)
                    return true;
            }
        }
        return false;
    }

private:
    int m_fd = -1;
};

} // namespace

class tst_RadioSim : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void crc_data();
    void crc();
    void framing_data();
    void framing();

    void handshakeAnswered();
    void writtenBlockReadsBack_data();
    void writtenBlockReadsBack();
    void answerWithoutChecksum();
    void unwrittenBlockIsZeros();
    void resentHandshakeAnsweredOnce();
    void resentRequestAnsweredOnce();
    void resentDataFrameAnsweredAgain();
    void fskFrameAcknowledged();
    void programAckRecordedNotAnswered();
    void logsRecordBothDirections();

    void dropAnswer();
    void dropAnswerToOneBlock();
    void nakAnswers();
    void delayAnswer();
    void splitAnswer();
    void noise_data();
    void noise();
    void hangUpAtNextAnswer();
    void hangUpNow();
    void sendRaw();

    void reopenedPortServedWithoutSpinning();
    void pacedAnswerTakesLineTime();
    void imageFileRoundTrip();

private:
    RadioSim *m_sim = nullptr;
    Line *m_line = nullptr;
};

void tst_RadioSim::init()
{
    m_sim = new RadioSim;
    QVERIFY2(m_sim->start(), qPrintable(m_sim->errorString()));
    m_line = new Line(m_sim->portPath());
    QVERIFY(m_line->isOpen());
}

void tst_RadioSim::cleanup()
{
    delete m_line;
    m_line = nullptr;
    delete m_sim;
    m_sim = nullptr;
}

void tst_RadioSim::crc_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("crc");
    QTest::newRow("123456789") << QByteArray("123456789") << 0x4B37;
    QTest::newRow("57 00 01 20, 27x00, FF") << kEmptyChannel1.left(32) << 0x386F;
    QTest::newRow("empty") << QByteArray() << 0xFFFF;
}

void tst_RadioSim::crc()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, crc);
    QCOMPARE(int(radiosim::crc16Modbus(bytes)), crc);
}

// Each row is fed as separate reads at the given times; answerAtOnce means the answer leaves
// right after each read, as it does unless an answer is delayed.
void tst_RadioSim::framing_data()
{
    QTest::addColumn<QList<QByteArray>>("reads");
    QTest::addColumn<QList<int>>("atMs");
    QTest::addColumn<bool>("answerAtOnce");
    QTest::addColumn<QString>("expected");

    QTest::newRow("PROGRAM") << QList<QByteArray>{"PROGRAM"} << QList<int>{0} << true << "handshake";
    QTest::newRow("PROGRAM resent: 7 + 25 + crc") << QList<QByteArray>{resentHandshake()} << QList<int>{0}
                                                   << true << "handshake junk:27";
    QTest::newRow("PROGRAM resent, leftovers with 06 and a request")
            << QList<QByteArray>{resentHandshake(QByteArray("\x06R\x00\x01 \x06", 6))} << QList<int>{0} << true
            << "handshake junk:27";
    QTest::newRow("request resent: 4 + 30 with frame-like leftovers")
            << QList<QByteArray>{resentRequest(0, 1)} << QList<int>{0} << true << "read 0/1 junk:30";
    QTest::newRow("request, then the program's 06 in the same read")
            << QList<QByteArray>{request(0, 1) + char(0x06)} << QList<int>{0} << true << "read 0/1 ack";
    QTest::newRow("handshake, frame right after the answer left")
            << QList<QByteArray>{"PROGRAM", kEmptyChannel1} << QList<int>{0, 1} << true
            << "handshake write 0/1 ok";
    QTest::newRow("delayed answer: resend tail over three reads")
            << QList<QByteArray>{request(3, 4), QByteArray(15, 'x'), QByteArray(15, 'R')} << QList<int>{0, 2, 4}
            << false << "read 3/4 junk:30";
    QTest::newRow("delayed answer: a resend 300 ms on is a request again")
            << QList<QByteArray>{resentRequest(0, 1), resentRequest(0, 1)} << QList<int>{0, 300} << false
            << "read 0/1 junk:30 read 0/1 junk:30";
    QTest::newRow("delayed answer: short tail given back after the gap")
            << QList<QByteArray>{request(0, 1), QByteArray(1, 0x06), request(0, 2)} << QList<int>{0, 1, 40}
            << false << "read 0/1 ack read 0/2";
    QList<QByteArray> bytewise;
    QList<int> bytewiseAt;
    for (int i = 0; i < kEmptyChannel1.size(); ++i) {
        bytewise << kEmptyChannel1.mid(i, 1);
        bytewiseAt << i;
    }
    QTest::newRow("34 one-byte reads") << bytewise << bytewiseAt << true << "write 0/1 ok";
    QTest::newRow("wrong crc still a write")
            << QList<QByteArray>{kEmptyChannel1.left(33) + char(0)} << QList<int>{0} << true << "write 0/1 bad";
    QTest::newRow("FSK 32 bytes, then a request")
            << QList<QByteArray>{frame(2, 0, distinctPayload(1), false) + request(2, 1)} << QList<int>{0} << true
            << "write 2/0 read 2/1";
    QTest::newRow("noise then frame") << QList<QByteArray>{QByteArray::fromHex("1500ff5709"), kEmptyChannel1}
                                      << QList<int>{0, 1} << true << "junk:5 write 0/1 ok";
    QTest::newRow("partial frame dropped after idle")
            << QList<QByteArray>{kEmptyChannel1.left(14), kEmptyChannel1} << QList<int>{0, 300} << true
            << "junk:14 write 0/1 ok";
    QTest::newRow("bad byte 3 resyncs one byte on")
            << QList<QByteArray>{QByteArray::fromHex("5200010052000220")} << QList<int>{0} << true
            << "junk:4 read 0/2";
    QTest::newRow("type above 5 is no frame") << QList<QByteArray>{QByteArray::fromHex("5209012006")}
                                              << QList<int>{0} << true << "junk:4 ack";
    QTest::newRow("PRO then zero is no handshake") << QList<QByteArray>{QByteArray("PRO\0", 4)} << QList<int>{0}
                                                   << true << "junk:4";
}

void tst_RadioSim::framing()
{
    QFETCH(QList<QByteArray>, reads);
    QFETCH(QList<int>, atMs);
    QFETCH(bool, answerAtOnce);
    QFETCH(QString, expected);

    FrameParser parser;
    QList<Event> events;
    for (int i = 0; i < reads.size(); ++i) {
        events += parser.feed(reads[i], atMs[i], !answerAtOnce);
        if (answerAtOnce)
            events += parser.tick(atMs[i], false);
    }
    events += parser.tick(atMs.last() + 1000, false);
    QCOMPARE(summary(events), expected);
    QCOMPARE(parser.nextDeadline(), -1);
}

void tst_RadioSim::handshakeAnswered()
{
    QVERIFY(m_line->write("PROGRAM"));
    QCOMPARE(m_line->read(1, 2000), QByteArray(1, 0x06));
    QVERIFY(m_line->silentFor(100));
    QCOMPARE(summary(m_sim->events()), QStringLiteral("handshake"));
}

void tst_RadioSim::writtenBlockReadsBack_data()
{
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<QByteArray>("answer");
    QTest::newRow("57 00 01 20, 27x00, FF 38 6F") << kEmptyChannel1 << kEmptyChannel1;
    QTest::newRow("channel 16, distinct bytes") << frame(0, 16, distinctPayload(3)) << frame(0, 16, distinctPayload(3));
    QTest::newRow("settings 5/0, wrong crc stored all the same")
            << frame(5, 0, distinctPayload(4)).left(32) + QByteArray(2, '\0') << frame(5, 0, distinctPayload(4));
}

void tst_RadioSim::writtenBlockReadsBack()
{
    QFETCH(QByteArray, written);
    QFETCH(QByteArray, answer);
    const int type = written[1];
    const int number = written[2];
    QVERIFY(m_line->write(written));
    QCOMPARE(m_line->read(1, 2000), QByteArray(1, 0x06));
    QCOMPARE(m_sim->block(type, number), written.mid(4, 28));
    QVERIFY(m_line->write(request(type, number)));
    QCOMPARE(m_line->read(34, 2000), answer);
    QVERIFY(m_line->silentFor(100));
}

void tst_RadioSim::answerWithoutChecksum()
{
    m_sim->setAnswerChecksum(false);
    m_sim->setBlock(1, 2, distinctPayload(5));
    QVERIFY(m_line->write(request(1, 2)));
    QCOMPARE(m_line->read(32, 2000), frame(1, 2, distinctPayload(5), false));
    QVERIFY(m_line->silentFor(100));
}

void tst_RadioSim::unwrittenBlockIsZeros()
{
    QCOMPARE(m_sim->block(3, 7), QByteArray(28, '\0'));
    m_sim->setBlock(3, 7, "short");
    QCOMPARE(m_sim->block(3, 7), QByteArray("short").leftJustified(28, '\0'));
    m_sim->clearImage();
    QVERIFY(m_line->write(request(3, 7)));
    QCOMPARE(m_line->read(34, 2000), frame(3, 7, QByteArray()));
}

void tst_RadioSim::resentHandshakeAnsweredOnce()
{
    QVERIFY(m_line->write(resentHandshake(QByteArray("\x06R\x00\x01 \x06", 6))));
    QCOMPARE(m_line->read(1, 2000), QByteArray(1, 0x06));
    QVERIFY(m_line->silentFor(300));
    QCOMPARE(summary(m_sim->events()), QStringLiteral("handshake junk:27"));
}

void tst_RadioSim::resentRequestAnsweredOnce()
{
    m_sim->setBlock(0, 1, distinctPayload(6));
    QVERIFY(m_line->write(resentRequest(0, 1)));
    QCOMPARE(m_line->read(34, 2000), frame(0, 1, distinctPayload(6)));
    QVERIFY(m_line->silentFor(300));
    QCOMPARE(summary(m_sim->events()), QStringLiteral("read 0/1 junk:30"));
}

void tst_RadioSim::resentDataFrameAnsweredAgain()
{
    const QByteArray f = frame(0, 3, distinctPayload(7));
    QVERIFY(m_line->write(f));
    QCOMPARE(m_line->read(1, 2000), QByteArray(1, 0x06));
    QVERIFY(m_line->write(f));
    QCOMPARE(m_line->read(1, 2000), QByteArray(1, 0x06));
    QCOMPARE(summary(m_sim->events()), QStringLiteral("write 0/3 ok write 0/3 ok"));
}

void tst_RadioSim::fskFrameAcknowledged()
{
    // The program sends the header and the payload as two writes.
    const QByteArray f = frame(2, 1, distinctPayload(8), false);
    QVERIFY(m_line->write(f.left(4)));
    QVERIFY(m_line->write(f.mid(4)));
    QCOMPARE(m_line->read(1, 2000), QByteArray(1, 0x06));
    QVERIFY(m_line->silentFor(100));
    QCOMPARE(m_sim->block(2, 1), distinctPayload(8));
    QVERIFY(m_line->write(request(2, 1)));
    QCOMPARE(m_line->read(34, 2000).left(32), f);
}

void tst_RadioSim::programAckRecordedNotAnswered()
{
    QVERIFY(m_line->write(request(0, 4) + char(0x06)));
    QCOMPARE(m_line->read(34, 2000), frame(0, 4, QByteArray()));
    QTRY_COMPARE(summary(m_sim->events()), QStringLiteral("read 0/4 ack"));
    QVERIFY(m_line->silentFor(100));
}

void tst_RadioSim::logsRecordBothDirections()
{
    QVERIFY(m_line->write("PROGRAM"));
    QVERIFY(m_sim->waitForSent(1, 2000));
    QVERIFY(m_line->write(kEmptyChannel1));
    QVERIFY(m_sim->waitForSent(2, 2000));
    QCOMPARE(m_sim->received(), QByteArray("PROGRAM") + kEmptyChannel1);
    QCOMPARE(m_sim->sent(), QByteArray(2, 0x06));
    m_sim->clearLogs();
    QVERIFY(m_sim->received().isEmpty() && m_sim->sent().isEmpty() && m_sim->events().isEmpty());
    QCOMPARE(m_line->read(2, 2000), QByteArray(2, 0x06));
}

void tst_RadioSim::dropAnswer()
{
    m_sim->dropAnswers(1);
    QVERIFY(m_line->write("PROGRAM"));
    QVERIFY(m_line->silentFor(500));
    QVERIFY(m_line->write("PROGRAM"));
    QCOMPARE(m_line->read(1, 2000), QByteArray(1, 0x06));
    QCOMPARE(summary(m_sim->events()), QStringLiteral("handshake handshake"));
}

void tst_RadioSim::dropAnswerToOneBlock()
{
    m_sim->dropAnswersTo(0, 3);
    QVERIFY(m_line->write(request(0, 2)));
    QCOMPARE(m_line->read(34, 2000), frame(0, 2, QByteArray()));
    QVERIFY(m_line->write(request(0, 3)));
    QVERIFY(m_line->silentFor(300));
    QVERIFY(m_line->write(request(0, 3)));
    QCOMPARE(m_line->read(34, 2000), frame(0, 3, QByteArray()));
}

void tst_RadioSim::nakAnswers()
{
    m_sim->nakAnswers(2);
    QVERIFY(m_line->write("PROGRAM"));
    QCOMPARE(m_line->read(1, 2000), QByteArray(1, 0x15));
    QVERIFY(m_line->write(request(0, 1)));
    QCOMPARE(m_line->read(1, 2000), QByteArray(1, 0x15));
    QVERIFY(m_line->silentFor(100));
    QVERIFY(m_line->write(request(0, 1)));
    QCOMPARE(m_line->read(34, 2000), frame(0, 1, QByteArray()));
}

void tst_RadioSim::delayAnswer()
{
    // The sim's own notes tell which answer was held back: no upper time bound to miss.
    QStringList notes;
    std::mutex notesLock;
    m_sim->setMonitor([&](const QString &line) {
        std::lock_guard lock(notesLock);
        if (line.startsWith(QLatin1String("->")))
            notes << line;
    });
    m_sim->delayAnswers(300);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(m_line->write("PROGRAM"));
    QCOMPARE(m_line->read(1, 5000), QByteArray(1, 0x06));
    QVERIFY(clock.elapsed() >= 295);
    QVERIFY(m_line->write("PROGRAM"));
    QCOMPARE(m_line->read(1, 5000), QByteArray(1, 0x06));
    m_sim->setMonitor({});
    std::lock_guard lock(notesLock);
    QCOMPARE(notes, QStringList({"-> 06 [delay 300 ms]", "-> 06"}));
}

void tst_RadioSim::splitAnswer()
{
    m_sim->setBlock(4, 9, distinctPayload(9));
    m_sim->splitAnswers(10, 200);
    // Timed from the request: a stall in this thread can only make the rest seem later.
    QElapsedTimer clock;
    clock.start();
    QVERIFY(m_line->write(request(4, 9)));
    const QByteArray first = m_line->read(10, 2000);
    const QByteArray rest = m_line->read(24, 2000);
    QVERIFY(clock.elapsed() >= 200);
    QCOMPARE(first + rest, frame(4, 9, distinctPayload(9)));
}

void tst_RadioSim::noise_data()
{
    QTest::addColumn<bool>("replace");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("before the answer") << false << QByteArray::fromHex("aabb06");
    QTest::newRow("instead of the answer") << true << QByteArray::fromHex("aabb");
}

void tst_RadioSim::noise()
{
    QFETCH(bool, replace);
    QFETCH(QByteArray, expected);
    m_sim->addNoise(QByteArray::fromHex("aabb"), replace);
    QVERIFY(m_line->write("PROGRAM"));
    QCOMPARE(m_line->read(int(expected.size()), 2000), expected);
    QVERIFY(m_line->silentFor(100));
    QVERIFY(m_line->write("PROGRAM"));
    QCOMPARE(m_line->read(1, 2000), QByteArray(1, 0x06));
}

void tst_RadioSim::hangUpAtNextAnswer()
{
    m_sim->hangUpAtNextAnswer();
    QVERIFY(m_line->write("PROGRAM"));
    QVERIFY(m_line->seesHangUp(2000));
    QVERIFY(m_sim->isHungUp());
    QVERIFY(m_sim->sent().isEmpty());
}

void tst_RadioSim::hangUpNow()
{
    QVERIFY(!m_sim->isHungUp());
    m_sim->hangUp();
    QVERIFY(m_sim->isHungUp());
    QVERIFY(m_line->seesHangUp(2000));
}

void tst_RadioSim::sendRaw()
{
    m_sim->sendRaw(QByteArray::fromHex("570501"));
    QCOMPARE(m_line->read(3, 2000), QByteArray::fromHex("570501"));
    QCOMPARE(m_sim->sent(), QByteArray::fromHex("570501"));
    QVERIFY(m_sim->events().isEmpty());
}

void tst_RadioSim::reopenedPortServedWithoutSpinning()
{
    for (int round = 0; round < 5; ++round) {
        m_line->close();
        Line line(m_sim->portPath());
        QVERIFY(line.isOpen());
        QVERIFY(line.write("PROGRAM"));
        QCOMPARE(line.read(1, 2000), QByteArray(1, 0x06));
    }
    // Nobody holds the port now: an idle line must not wake the sim over and over.
    const quint64 before = m_sim->wakeups();
    QTest::qWait(200);
    QVERIFY2(m_sim->wakeups() - before < 10, qPrintable(QString::number(m_sim->wakeups() - before)));
    Line line(m_sim->portPath());
    QVERIFY(line.write("PROGRAM"));
    QCOMPARE(line.read(1, 2000), QByteArray(1, 0x06));
}

void tst_RadioSim::pacedAnswerTakesLineTime()
{
    m_sim->setPaced(true);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(m_line->write(request(0, 2)));
    QCOMPARE(m_line->read(34, 3000), frame(0, 2, QByteArray()));
    // 4 bytes in and 34 out, each whole only at the end of its 1.04 ms slot.
    const qint64 byteNs = 1'000'000'000LL * RadioSim::kBitsPerByte / RadioSim::kBaud;
    QVERIFY2(clock.nsecsElapsed() >= 38 * byteNs, qPrintable(QString::number(clock.nsecsElapsed())));
}

void tst_RadioSim::imageFileRoundTrip()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("image.bin"));
    m_sim->setBlock(0, 1, distinctPayload(10));
    m_sim->setBlock(5, 0, distinctPayload(11));
    QVERIFY(m_sim->saveImage(path));

    RadioSim other;
    QVERIFY(other.loadImage(path));
    QCOMPARE(other.block(0, 1), distinctPayload(10));
    QCOMPARE(other.block(5, 0), distinctPayload(11));
    QCOMPARE(other.block(0, 2), QByteArray(28, '\0'));

    QFile bad(dir.filePath(QStringLiteral("bad.bin")));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("not an image");
    bad.close();
    QVERIFY(!other.loadImage(bad.fileName()));
    QCOMPARE(other.block(0, 1), distinctPayload(10));
}

QTEST_GUILESS_MAIN(tst_RadioSim)
#include "tst_radiosim.moc"
