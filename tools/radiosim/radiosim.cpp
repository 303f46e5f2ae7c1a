// RadioSim: pty set-up, the serving thread, answers with their faults, logs and memory image.
#include "tools/radiosim/radiosim.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

namespace radiosim {

namespace {

constexpr int kImageRecordLength = 2 + kPayloadLength;
constexpr auto kBackoff = std::chrono::milliseconds(50);
constexpr int kReadChunk = 4096;

int blockKey(int type, int number)
{
    return (type & 0xFF) << 8 | (number & 0xFF);
}

QByteArray fitPayload(QByteArray payload)
{
    payload.resize(kPayloadLength, '\0');
    return payload;
}

QString hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' '));
}

QString describe(const Event &e)
{
    QString line = QStringLiteral("<- %1").arg(QLatin1String(kindName(e.kind)));
    switch (e.kind) {
    case Event::Write:
        line += QStringLiteral(" %1/%2 (%3 bytes%4)").arg(e.type).arg(e.number).arg(e.bytes.size())
                        .arg(e.bytes.size() == kFrameLength
                                     ? (e.checksumOk ? QStringLiteral(", crc ok") : QStringLiteral(", crc BAD"))
                                     : QString());
        break;
    case Event::Read:
        line += QStringLiteral(" %1/%2").arg(e.type).arg(e.number);
        break;
    case Event::Junk:
        line += QStringLiteral(" %1 bytes: %2").arg(e.bytes.size()).arg(hex(e.bytes));
        break;
    case Event::Handshake:
    case Event::Ack:
        break;
    }
    return line;
}

} // namespace

RadioSim::RadioSim() = default;

RadioSim::~RadioSim()
{
    stop();
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

RadioSim::Clock::duration RadioSim::byteTime()
{
    return std::chrono::duration_cast<Clock::duration>(
            std::chrono::nanoseconds(1'000'000'000LL * kBitsPerByte / kBaud));
}

bool RadioSim::start()
{
    std::lock_guard lock(m_mutex);
    if (m_running)
        return true;

    auto fail = [this](const char *what) {
        m_error = QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(strerror(errno)));
        closePtyLocked();
        return false;
    };

    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0)
        return fail("posix_openpt");
    if (grantpt(m_master) != 0)
        return fail("grantpt");
    if (unlockpt(m_master) != 0)
        return fail("unlockpt");
    char name[128];
    if (ptsname_r(m_master, name, sizeof name) != 0)
        return fail("ptsname_r");
    const int flags = fcntl(m_master, F_GETFL);
    if (flags < 0 || fcntl(m_master, F_SETFL, flags | O_NONBLOCK) != 0)
        return fail("fcntl");

    // Holding the slave open keeps the master from seeing a hang-up each time the program
    // closes its port, and makes the raw settings stick between the program's opens.
    m_slaveHold = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slaveHold < 0)
        return fail("open slave");
    termios tio{};
    if (tcgetattr(m_slaveHold, &tio) != 0)
        return fail("tcgetattr");
    cfmakeraw(&tio);
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    if (tcsetattr(m_slaveHold, TCSANOW, &tio) != 0)
        return fail("tcsetattr");

    if (m_wakeFd < 0)
        m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd < 0)
        return fail("eventfd");

    m_portPath = QString::fromLocal8Bit(name);
    m_error.clear();
    m_stopRequested = m_hangUpRequested = m_hungUp = false;
    m_out.clear();
    m_parser.reset();
    m_start = Clock::now();
    m_rxLineFree = m_prevEnd = m_backoffUntil = m_start;
    m_writeBlocked = false;
    m_startedSeq = m_tailAnswerSeq = 0;
    m_running = true;
    m_thread = std::thread([this] { run(); });
    return true;
}

void RadioSim::stop()
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_running)
            return;
        m_stopRequested = true;
    }
    wake();
    m_thread.join();
    std::lock_guard lock(m_mutex);
    closePtyLocked();
    m_hungUp = false;
    m_running = false;
    m_changed.notify_all();
}

QString RadioSim::portPath() const
{
    std::lock_guard lock(m_mutex);
    return m_portPath;
}

QString RadioSim::errorString() const
{
    std::lock_guard lock(m_mutex);
    return m_error;
}

QByteArray RadioSim::block(int type, int number) const
{
    std::lock_guard lock(m_mutex);
    return m_image.value(blockKey(type, number), QByteArray(kPayloadLength, '\0'));
}

void RadioSim::setBlock(int type, int number, const QByteArray &payload)
{
    std::lock_guard lock(m_mutex);
    m_image.insert(blockKey(type, number), fitPayload(payload));
}

void RadioSim::clearImage()
{
    std::lock_guard lock(m_mutex);
    m_image.clear();
}

bool RadioSim::loadImage(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = file.readAll();
    if (data.size() % kImageRecordLength != 0)
        return false;
    QHash<int, QByteArray> image;
    for (qsizetype at = 0; at < data.size(); at += kImageRecordLength)
        image.insert(blockKey(quint8(data[at]), quint8(data[at + 1])),
                     data.mid(at + 2, kPayloadLength));
    std::lock_guard lock(m_mutex);
    m_image = image;
    return true;
}

bool RadioSim::saveImage(const QString &path) const
{
    QList<int> keys;
    QByteArray data;
    {
        std::lock_guard lock(m_mutex);
        keys = m_image.keys();
        std::sort(keys.begin(), keys.end());
        for (int key : keys) {
            data.append(char(key >> 8));
            data.append(char(key & 0xFF));
            data.append(m_image.value(key));
        }
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

void RadioSim::setPaced(bool on)
{
    std::lock_guard lock(m_mutex);
    m_paced = on;
}

void RadioSim::setAnswerChecksum(bool on)
{
    std::lock_guard lock(m_mutex);
    m_answerChecksum = on;
}

QByteArray RadioSim::received() const
{
    std::lock_guard lock(m_mutex);
    return m_received;
}

QByteArray RadioSim::sent() const
{
    std::lock_guard lock(m_mutex);
    return m_sent;
}

QList<Event> RadioSim::events() const
{
    std::lock_guard lock(m_mutex);
    return m_events;
}

void RadioSim::clearLogs()
{
    std::lock_guard lock(m_mutex);
    m_received.clear();
    m_sent.clear();
    m_events.clear();
}

bool RadioSim::waitForSent(int bytes, int timeoutMs) const
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return m_sent.size() >= bytes; });
}

void RadioSim::dropAnswers(int count)
{
    std::lock_guard lock(m_mutex);
    m_faults.drop = count;
}

void RadioSim::dropAnswersTo(int type, int number, int count)
{
    std::lock_guard lock(m_mutex);
    m_faults.dropBlockKey = blockKey(type, number);
    m_faults.dropBlock = count;
}

void RadioSim::delayAnswers(int ms, int count)
{
    std::lock_guard lock(m_mutex);
    m_faults.delayMs = ms;
    m_faults.delay = count;
}

void RadioSim::nakAnswers(int count)
{
    std::lock_guard lock(m_mutex);
    m_faults.nak = count;
}

void RadioSim::splitAnswers(int firstBytes, int gapMs, int count)
{
    std::lock_guard lock(m_mutex);
    m_faults.splitFirst = firstBytes;
    m_faults.splitGapMs = gapMs;
    m_faults.split = count;
}

void RadioSim::addNoise(const QByteArray &junk, bool replaceAnswer, int count)
{
    std::lock_guard lock(m_mutex);
    m_faults.noiseBytes = junk;
    m_faults.noiseReplaces = replaceAnswer;
    m_faults.noise = count;
}

void RadioSim::alterWrites(int type, int number, int offset, quint8 mask)
{
    std::lock_guard lock(m_mutex);
    m_faults.alterKey = blockKey(type, number);
    m_faults.alterOffset = std::clamp(offset, 0, kPayloadLength - 1);
    m_faults.alterMask = mask;
}

void RadioSim::hangUpAtNextAnswer()
{
    std::lock_guard lock(m_mutex);
    m_faults.hangUpNext = true;
}

void RadioSim::hangUpAtBlock(int type, int number, bool writesOnly)
{
    std::lock_guard lock(m_mutex);
    m_faults.hangUpKey = blockKey(type, number);
    m_faults.hangUpWritesOnly = writesOnly;
}

void RadioSim::repeatAcknowledgements(bool on)
{
    std::lock_guard lock(m_mutex);
    m_faults.repeatAcks = on;
}

void RadioSim::strayAcknowledgementAfter(int type, int number, int gapMs)
{
    std::lock_guard lock(m_mutex);
    m_faults.strayKey = blockKey(type, number);
    m_faults.strayGapMs = gapMs;
}

void RadioSim::refuseWrites(int type, int number)
{
    std::lock_guard lock(m_mutex);
    m_faults.refuseKey = blockKey(type, number);
}

void RadioSim::answerByteByByte(int gapMs, int count)
{
    std::lock_guard lock(m_mutex);
    m_faults.byteGapMs = gapMs;
    m_faults.byteByByte = count;
}

void RadioSim::damageAnswersTo(int type, int number, int offset, quint8 mask, int count)
{
    std::lock_guard lock(m_mutex);
    m_faults.damageKey = blockKey(type, number);
    m_faults.damageOffset = std::clamp(offset, 0, kPayloadLength - 1);
    m_faults.damageMask = mask;
    m_faults.damageCount = count;
}

void RadioSim::answerWithBlock(int type, int number, int other, int count)
{
    std::lock_guard lock(m_mutex);
    m_faults.wrongKey = blockKey(type, number);
    m_faults.wrongNumber = other;
    m_faults.wrongCount = count;
}

void RadioSim::holdAnswers(bool on)
{
    {
        std::lock_guard lock(m_mutex);
        m_faults.hold = on;
        if (!on)
            for (Outgoing &o : m_out)
                o.held = false;
    }
    wake();
}

void RadioSim::releaseAnswers(int count)
{
    {
        std::lock_guard lock(m_mutex);
        m_faults.released += count;
    }
    wake();
}

void RadioSim::clearFaults()
{
    {
        std::lock_guard lock(m_mutex);
        m_faults = Faults();
        for (Outgoing &o : m_out)
            o.held = false;
    }
    wake();
}

void RadioSim::hangUp()
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_running || m_hungUp)
            return;
        m_hangUpRequested = true;
    }
    wake();
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_hungUp || m_stopRequested; });
}

bool RadioSim::isHungUp() const
{
    std::lock_guard lock(m_mutex);
    return m_hungUp;
}

void RadioSim::sendRaw(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    {
        std::lock_guard lock(m_mutex);
        Outgoing out;
        out.bytes = bytes;
        out.notBefore = Clock::now();
        out.seq = m_nextSeq++;
        m_out.push_back(out);
    }
    wake();
}

void RadioSim::setMonitor(std::function<void(const QString &)> monitor)
{
    std::lock_guard lock(m_mutex);
    m_monitor = std::move(monitor);
}

quint64 RadioSim::wakeups() const
{
    return m_wakeups.load();
}

void RadioSim::wake() const
{
    const quint64 one = 1;
    if (m_wakeFd >= 0) {
        [[maybe_unused]] ssize_t n = ::write(m_wakeFd, &one, sizeof one);
    }
}

void RadioSim::report(const QString &line)
{
    std::function<void(const QString &)> monitor;
    {
        std::lock_guard lock(m_mutex);
        monitor = m_monitor;
    }
    if (monitor)
        monitor(line);
}

qint64 RadioSim::msSinceStart(Clock::time_point t) const
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(t - m_start).count();
}

void RadioSim::closePtyLocked()
{
    if (m_slaveHold >= 0)
        ::close(m_slaveHold);
    if (m_master >= 0)
        ::close(m_master);
    m_slaveHold = m_master = -1;
}

// The line drops: answers still queued and half-parsed bytes go with it.
void RadioSim::hangUpLocked()
{
    closePtyLocked();
    m_out.clear();
    m_parser.reset();
    m_hungUp = true;
    m_changed.notify_all();
}

bool RadioSim::tailAnswerPending() const
{
    return m_startedSeq < m_tailAnswerSeq; // seq 0, nothing queued, is never pending
}

void RadioSim::handleEvents(const QList<Event> &events, Clock::time_point rxDone)
{
    if (events.isEmpty())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_events.append(events);
        m_changed.notify_all();
    }
    for (const Event &e : events) {
        report(describe(e));
        // No radio answers a frame before the frame has crossed the line: unpaced, the bytes
        // arrive at once, and the answer still waits the frame's line time.
        const Clock::time_point done = m_paced ? rxDone : Clock::time_point(rxDone + e.bytes.size() * byteTime());
        switch (e.kind) {
        case Event::Handshake:
            m_tailAnswerSeq = answer(QByteArray(1, kAck), done);
            break;
        case Event::Write: {
            QByteArray payload = fitPayload(e.payload());
            bool refused;
            {
                std::lock_guard lock(m_mutex);
                refused = m_faults.refuseKey == blockKey(e.type, e.number);
                if (m_faults.alterKey == blockKey(e.type, e.number))
                    payload[m_faults.alterOffset] = char(payload[m_faults.alterOffset] ^ m_faults.alterMask);
            }
            if (refused) {
                report(QStringLiteral("-- write refused"));
                break;
            }
            setBlock(e.type, e.number, payload);
            answer(QByteArray(1, kAck), done, blockKey(e.type, e.number));
            break;
        }
        case Event::Read: {
            QByteArray frame = e.bytes.left(kHeaderLength);
            frame[0] = kWriteTag;
            bool withChecksum;
            int number = e.number;
            int damage = -1;
            quint8 mask = 0;
            {
                std::lock_guard lock(m_mutex);
                withChecksum = m_answerChecksum;
                Faults &f = m_faults;
                if (f.wrongCount > 0 && f.wrongKey == blockKey(e.type, e.number)) {
                    --f.wrongCount;
                    number = f.wrongNumber;
                }
                if (f.damageCount > 0 && f.damageKey == blockKey(e.type, e.number)) {
                    --f.damageCount;
                    damage = f.damageOffset;
                    mask = f.damageMask;
                }
            }
            frame[2] = char(number);
            frame += block(e.type, number);
            // The radio answers FSK reads with bare 32-byte frames, as it takes FSK writes.
            if (withChecksum && e.type != kFskType) {
                const quint16 crc = crc16Modbus(frame);
                frame.append(char(crc >> 8));
                frame.append(char(crc & 0xFF));
            }
            if (damage >= 0) // after the checksum: it no longer fits
                frame[kHeaderLength + damage] = char(frame[kHeaderLength + damage] ^ mask);
            m_tailAnswerSeq = answer(frame, done, blockKey(e.type, e.number));
            break;
        }
        case Event::Ack:
        case Event::Junk:
            break;
        }
    }
}

quint64 RadioSim::answer(QByteArray content, Clock::time_point rxDone, int block)
{
    QString note;
    quint64 seq = 0;
    {
        std::lock_guard lock(m_mutex);
        Faults &f = m_faults;
        const bool isAck = content == QByteArray(1, kAck);
        if (f.hangUpNext || (block >= 0 && block == f.hangUpKey && (isAck || !f.hangUpWritesOnly))) {
            f.hangUpNext = false;
            f.hangUpKey = -1;
            hangUpLocked();
            note = QStringLiteral("-- hung up instead of answering");
        } else if (f.drop > 0 || (f.dropBlock > 0 && block == f.dropBlockKey)) {
            if (f.drop > 0)
                --f.drop;
            else
                --f.dropBlock;
            note = QStringLiteral("-- answer dropped");
        } else {
            QStringList faults;
            const bool ack = content == QByteArray(1, kAck);
            if (ack && f.repeatAcks) {
                content = QByteArray(2, kAck);
                faults << QStringLiteral("repeated");
            }
            if (f.nak > 0) {
                --f.nak;
                content = QByteArray(1, kNak);
                faults << QStringLiteral("nak");
            }
            if (f.noise > 0) {
                --f.noise;
                content = f.noiseReplaces ? f.noiseBytes : f.noiseBytes + content;
                faults << QStringLiteral("noise");
            }
            Outgoing first;
            first.notBefore = rxDone;
            if (f.delay > 0) {
                --f.delay;
                first.notBefore += std::chrono::milliseconds(f.delayMs);
                faults << QStringLiteral("delay %1 ms").arg(f.delayMs);
            }
            Outgoing second;
            if (f.split > 0) {
                --f.split;
                if (content.size() > f.splitFirst && f.splitFirst > 0) {
                    second.bytes = content.mid(f.splitFirst);
                    second.notBefore = first.notBefore;
                    second.gapAfterPrevious = std::chrono::milliseconds(f.splitGapMs);
                    content.truncate(f.splitFirst);
                    faults << QStringLiteral("split after %1, gap %2 ms").arg(f.splitFirst).arg(f.splitGapMs);
                }
            }
            first.bytes = content;
            first.held = f.hold; // an answer is released whole, its later parts follow it
            if (f.byteByByte > 0 && content.size() > 1) {
                --f.byteByByte;
                faults << QStringLiteral("byte by byte, %1 ms apart").arg(f.byteGapMs);
                const QByteArray all = content + second.bytes;
                for (qsizetype i = 0; i < all.size(); ++i) {
                    Outgoing one = first;
                    one.bytes = all.mid(i, 1);
                    one.held = first.held && i == 0;
                    if (i > 0)
                        one.gapAfterPrevious = std::chrono::milliseconds(f.byteGapMs);
                    one.seq = m_nextSeq++;
                    if (i == 0)
                        seq = one.seq;
                    m_out.push_back(one);
                }
                first.bytes.clear();
                second.bytes.clear();
            }
            if (!first.bytes.isEmpty()) {
                first.seq = seq = m_nextSeq++;
                m_out.push_back(first);
            }
            if (!second.bytes.isEmpty()) {
                second.seq = m_nextSeq++;
                m_out.push_back(second);
            }
            if (ack && block >= 0 && block == f.strayKey) {
                // A lone acknowledgement that answers nothing.
                Outgoing stray = first;
                stray.bytes = QByteArray(1, kAck);
                stray.held = false;
                stray.gapAfterPrevious = std::chrono::milliseconds(f.strayGapMs);
                stray.seq = m_nextSeq++;
                m_out.push_back(stray);
                faults << QStringLiteral("stray 06 after %1 ms").arg(f.strayGapMs);
            }
            note = QStringLiteral("-> %1").arg(hex(content + second.bytes));
            if (!faults.isEmpty())
                note += QStringLiteral(" [%1]").arg(faults.join(QStringLiteral(", ")));
        }
    }
    report(note);
    return seq;
}

RadioSim::Clock::time_point RadioSim::nextOutputTime() const
{
    std::lock_guard lock(m_mutex);
    if (m_out.empty() || m_writeBlocked || m_master < 0)
        return Clock::time_point::max();
    const Outgoing &o = m_out.front();
    if (!o.started && o.held && m_faults.released <= 0)
        return Clock::time_point::max();
    // After a failed write the line gets a rest before the next try, not a busy loop.
    // Paced, a byte leaves at the end of its slot, when its stop bit would have gone out.
    const Clock::time_point due =
        o.started ? (m_paced ? o.startedAt + (o.written + 1) * byteTime() : Clock::now()) : startTimeLocked(o);
    return std::max(due, m_backoffUntil);
}

RadioSim::Clock::time_point RadioSim::startTimeLocked(const Outgoing &o) const
{
    // m_prevEnd is where the previous answer left the line, in line time when paced.
    return std::max(o.notBefore, m_prevEnd + o.gapAfterPrevious);
}

void RadioSim::flushOutput(Clock::time_point now)
{
    std::lock_guard lock(m_mutex);
    if (now < m_backoffUntil)
        return;
    while (!m_out.empty() && !m_writeBlocked && m_master >= 0) {
        Outgoing &o = m_out.front();
        if (!o.started) {
            if (o.held && m_faults.released <= 0)
                break;
            const Clock::time_point start = startTimeLocked(o);
            if (now < start)
                break;
            if (o.held) {
                --m_faults.released;
                o.held = false;
            }
            o.started = true;
            o.startedAt = m_paced ? start : now;
        }
        const int size = int(o.bytes.size());
        const int due = m_paced ? std::min<qint64>(size, (now - o.startedAt) / byteTime()) : size;
        if (due <= o.written)
            break;
        const ssize_t n = ::write(m_master, o.bytes.constData() + o.written, size_t(due - o.written));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                m_writeBlocked = true;
            else
                m_backoffUntil = now + kBackoff;
            break;
        }
        m_startedSeq = std::max(m_startedSeq, o.seq);
        m_sent.append(o.bytes.constData() + o.written, n);
        m_changed.notify_all();
        const bool partial = o.written + int(n) < due;
        o.written += int(n);
        if (o.written == size) {
            m_prevEnd = m_paced ? o.startedAt + size * byteTime() : now;
            m_out.pop_front();
            continue;
        }
        if (partial)
            m_writeBlocked = true; // the pty buffer is full; wait for POLLOUT
        break;
    }
}

void RadioSim::run()
{
    char buf[kReadChunk];
    for (;;) {
        Clock::time_point now = Clock::now();
        {
            std::lock_guard lock(m_mutex);
            if (m_stopRequested)
                break;
            if (m_hangUpRequested) {
                m_hangUpRequested = false;
                hangUpLocked();
            }
        }
        handleEvents(m_parser.tick(msSinceStart(now), tailAnswerPending()), now);
        flushOutput(now);
        // An answer that just started leaving closes the tail behind its request.
        handleEvents(m_parser.tick(msSinceStart(now), tailAnswerPending()), now);

        Clock::time_point deadline = nextOutputTime();
        if (const qint64 parserDeadline = m_parser.nextDeadline(); parserDeadline >= 0)
            deadline = std::min(deadline, m_start + std::chrono::milliseconds(parserDeadline));
        const int master = m_master; // only this thread changes it while serving
        const bool pollMaster = master >= 0 && now >= m_backoffUntil;
        if (master >= 0 && !pollMaster)
            deadline = std::min(deadline, m_backoffUntil);

        pollfd fds[2] = {{m_wakeFd, POLLIN, 0},
                         {master, short(POLLIN | (m_writeBlocked ? POLLOUT : 0)), 0}};
        timespec timeout{};
        timespec *timeoutPtr = nullptr;
        if (deadline != Clock::time_point::max()) {
            const auto wait = std::max(Clock::duration::zero(), deadline - Clock::now());
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
            timeout.tv_sec = ns / 1'000'000'000;
            timeout.tv_nsec = ns % 1'000'000'000;
            timeoutPtr = &timeout;
        }
        const int rc = ppoll(fds, pollMaster ? 2 : 1, timeoutPtr, nullptr);
        ++m_wakeups;
        if (rc < 0)
            continue; // EINTR; anything else shows again on the next round
        if (fds[0].revents & POLLIN) {
            quint64 value;
            [[maybe_unused]] ssize_t n = ::read(m_wakeFd, &value, sizeof value);
        }
        if (!pollMaster || fds[1].revents == 0)
            continue;
        if (fds[1].revents & POLLOUT)
            m_writeBlocked = false;
        if (!(fds[1].revents & POLLIN)) {
            if (fds[1].revents & (POLLHUP | POLLERR))
                m_backoffUntil = Clock::now() + kBackoff;
            continue;
        }
        for (;;) {
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
                    m_backoffUntil = Clock::now() + kBackoff; // no slave open: EIO until one is
                break;
            }
            now = Clock::now();
            Clock::time_point rxDone = now;
            {
                std::lock_guard lock(m_mutex);
                m_received.append(buf, n);
                m_changed.notify_all();
                m_rxLineFree = std::max(now, m_rxLineFree) + n * byteTime();
                if (m_paced)
                    rxDone = m_rxLineFree;
            }
            handleEvents(m_parser.feed(QByteArrayView(buf, n), msSinceStart(now), tailAnswerPending()),
                         rxDone);
            if (m_master < 0)
                break; // hung up while answering
        }
    }
}

} // namespace radiosim
