// RadioSim: a stand-in for the radio behind a pty, with a memory image of blocks,
// optional line-speed pacing, fault injection and logs of everything on the line.
#pragma once

#include "tools/radiosim/frameparser.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace radiosim {

class RadioSim {
public:
    static constexpr int kBaud = 9600;
    static constexpr int kBitsPerByte = 10;

    RadioSim();
    ~RadioSim();
    RadioSim(const RadioSim &) = delete;
    RadioSim &operator=(const RadioSim &) = delete;

    // Opens a pty pair and starts serving it; false with errorString() when the pty fails.
    bool start();
    // Stops the serving thread and closes the pty. Safe to call twice.
    void stop();
    QString portPath() const;
    QString errorString() const;

    // Memory image: 28-byte payloads keyed by (block type, block number), zeros by default.
    QByteArray block(int type, int number) const;
    // Pads a short payload with zeros and cuts a long one to 28 bytes.
    void setBlock(int type, int number, const QByteArray &payload);
    void clearImage();
    // File: records of type, number and the 28 payload bytes.
    bool loadImage(const QString &path);
    bool saveImage(const QString &path) const;

    // Paces both directions at 9600 baud, 10 bits a byte: answers start only when the program's
    // frame would have finished arriving, and each byte arrives at the end of its slot.
    void setPaced(bool on);
    // Data frames answering a read carry the 2 CRC bytes (default) or stop at byte 31; FSK
    // answers always stop at byte 31.
    void setAnswerChecksum(bool on);

    // Logs: every byte from the program, every byte sent, and what the bytes meant.
    QByteArray received() const;
    QByteArray sent() const;
    QList<Event> events() const;
    void clearLogs();
    bool waitForSent(int bytes, int timeoutMs) const;

    // Fault injection; each applies to the next count answers (acks and data frames alike).
    void dropAnswers(int count = 1);
    // Drops the next count answers to a write or read of block (type, number) only.
    void dropAnswersTo(int type, int number, int count = 1);
    void delayAnswers(int ms, int count = 1);
    void nakAnswers(int count = 1);
    void splitAnswers(int firstBytes = 10, int gapMs = 60, int count = 1);
    // Sends junk before the answer, or in its place when replaceAnswer is set.
    void addNoise(const QByteArray &junk, bool replaceAnswer = false, int count = 1);
    // Keeps every later write of block (type, number) with payload byte `offset` XORed with
    // `mask`, as a radio that does not hold a setting would; until clearFaults().
    void alterWrites(int type, int number, int offset, quint8 mask);
    // Instead of the next answer the line drops: the pty master is closed.
    void hangUpAtNextAnswer();
    // Instead of answering a write or read of block (type, number) the line drops; with
    // `writesOnly`, at its write alone.
    void hangUpAtBlock(int type, int number, bool writesOnly = false);
    // Every acknowledgement goes out twice, back to back.
    void repeatAcknowledgements(bool on);
    // After acknowledging a write of (type, number), a lone 0x06 follows `gapMs` later.
    void strayAcknowledgementAfter(int type, int number, int gapMs);
    // Writes of (type, number) are neither kept nor answered, as a radio that never took them.
    void refuseWrites(int type, int number);
    // The next count answers go out a byte at a time, `gapMs` apart.
    void answerByteByByte(int gapMs, int count = 1);
    // The next count answers to a read of (type, number) come with payload byte `offset` XORed
    // with `mask` and the checksum of the unchanged frame.
    void damageAnswersTo(int type, int number, int offset, quint8 mask, int count = 1);
    // The next count answers to a read of (type, number) carry block `other` and its data instead.
    void answerWithBlock(int type, int number, int other, int count = 1);
    // Answers wait until released: holdAnswers(true), then releaseAnswers(n) lets n more go.
    void holdAnswers(bool on);
    void releaseAnswers(int count = 1);
    void clearFaults();

    // Closes the pty master now, so the program sees the line drop; returns once it is closed.
    void hangUp();
    bool isHungUp() const;
    // Queues bytes toward the program at once, behind any answer still leaving.
    void sendRaw(const QByteArray &bytes);

    // Called on the serving thread with one line per event and per answer.
    void setMonitor(std::function<void(const QString &)> monitor);
    // Times the serving thread has woken up; shows that an idle line costs no CPU.
    quint64 wakeups() const;

private:
    using Clock = std::chrono::steady_clock;

    struct Outgoing {
        QByteArray bytes;
        Clock::time_point notBefore;
        Clock::duration gapAfterPrevious{};
        quint64 seq = 0;
        int written = 0;
        bool started = false;
        Clock::time_point startedAt;
        bool held = false; // waits for releaseAnswers()
    };

    struct Faults {
        int drop = 0;
        int dropBlock = 0;
        int dropBlockKey = -1;
        int delay = 0;
        int delayMs = 0;
        int nak = 0;
        int split = 0;
        int splitFirst = 0;
        int splitGapMs = 0;
        int noise = 0;
        QByteArray noiseBytes;
        bool noiseReplaces = false;
        bool hangUpNext = false;
        int hangUpKey = -1;
        bool hangUpWritesOnly = false;
        bool repeatAcks = false;
        int strayKey = -1;
        int strayGapMs = 0;
        int refuseKey = -1;
        int byteByByte = 0;
        int byteGapMs = 0;
        int damageKey = -1;
        int damageCount = 0;
        int damageOffset = 0;
        quint8 damageMask = 0;
        int wrongKey = -1;
        int wrongCount = 0;
        int wrongNumber = 0;
        bool hold = false;
        int released = 0;
        int alterKey = -1;
        int alterOffset = 0;
        quint8 alterMask = 0;
    };

    void run();
    void wake() const;
    void handleEvents(const QList<Event> &events, Clock::time_point rxDone);
    // block: the key of the block written or read, -1 for the handshake.
    quint64 answer(QByteArray content, Clock::time_point rxDone, int block = -1);
    void flushOutput(Clock::time_point now);
    Clock::time_point nextOutputTime() const;
    Clock::time_point startTimeLocked(const Outgoing &o) const;
    bool tailAnswerPending() const;
    void closePtyLocked();
    void hangUpLocked();
    void report(const QString &line);
    qint64 msSinceStart(Clock::time_point t) const;
    static Clock::duration byteTime();

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::thread m_thread;
    int m_wakeFd = -1;
    int m_master = -1;
    int m_slaveHold = -1;   // keeps the line up while the program has the port closed
    QString m_portPath;
    QString m_error;
    bool m_running = false;
    bool m_stopRequested = false;
    bool m_hangUpRequested = false;
    bool m_hungUp = false;

    QHash<int, QByteArray> m_image;
    bool m_paced = false;
    bool m_answerChecksum = true;
    Faults m_faults;
    QByteArray m_received;
    QByteArray m_sent;
    QList<Event> m_events;
    std::deque<Outgoing> m_out;
    std::function<void(const QString &)> m_monitor;

    // Serving thread only.
    FrameParser m_parser;
    Clock::time_point m_start;
    Clock::time_point m_rxLineFree;
    Clock::time_point m_prevEnd;
    bool m_writeBlocked = false;
    Clock::time_point m_backoffUntil;
    quint64 m_nextSeq = 1;
    quint64 m_startedSeq = 0;
    quint64 m_tailAnswerSeq = 0;
    std::atomic<quint64> m_wakeups{0};
};

} // namespace radiosim
