// One read or write of a run of blocks with the radio: the handshake when the run has one, each
// frame or request in order, resends after silence, the acknowledgement that belongs to each
// frame, the check of every answer, the watchdog that ends a silent exchange, and an outcome that
// says how far the radio got.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

class RadioLink;
class TransferView;

struct BlockId {
    std::uint8_t type = 0;
    std::uint8_t number = 0;
    bool operator==(const BlockId &) const = default;
};

// What sets one transfer apart from another.
struct TransferPlan {
    QList<BlockId> blocks; // in the order they go to or come from the radio
    // The run opens with "PROGRAM", answered by 0x06 (the channel transfers).
    bool handshake = false;
    // Frames go out as the 4 header bytes, then the 28 payload bytes, without checksum.
    bool splitFrames = false;
    bool resendOnWrite = true;
    // Where the block counter lives: the transfer's own, the link's read block counter for reads
    // and writes alike, or the link's write counter for writes and its read counter for reads.
    enum class Counter { Own, LinkRead, Link };
    Counter counter = Counter::Own;
    int readProgressMaximum = 0;
    int writeProgressMaximum = 0;
    int progressStart = 0;
    // Before the request of the last block: a pause, and the bar hidden (the channel read's
    // settings request).
    int lastRequestPauseMs = 0;
    bool hideBarAtLastRequest = false;
};

// How a run ended and what the radio took or gave.
struct TransferOutcome {
    enum class End {
        Completed, // every block acknowledged or answered
        Silent,    // nothing moved for kWatchdogMs
        LineLost,  // the port went away
        Aborted,   // ended by the program or the user (cancel, close, a restart)
    };
    bool write = false;
    End end = End::Completed;
    QList<BlockId> blocks;
    // Blocks, from the first, that the radio acknowledged (write) or answered (read).
    int confirmed = 0;
    // Write: the payloads of every block of the run. Read: the 28 payload bytes of each answer.
    QList<QByteArray> payloads;
    // Read: the answers as they came (32 to 34 bytes).
    QList<QByteArray> frames;
    // Answers that were not taken: a wrong block, a damaged frame.
    int rejectedAnswers = 0;

    bool ok() const { return end == End::Completed; }
};

class BlockTransfer {
public:
    static constexpr int kWatchdogMs = 10000;
    // Longer than any radio takes to answer (2 s) and the line's own time: a copy sent longer ago
    // than this before an answer came can no longer be answered after it.
    static constexpr int kLongestAnswerMs = 2500;
    // Further resends back off to at most this many resend intervals apart.
    static constexpr int kMaxResendTicks = 4;

    BlockTransfer(RadioLink &link, const TransferPlan &plan);
    ~BlockTransfer();
    BlockTransfer(const BlockTransfer &) = delete;
    BlockTransfer &operator=(const BlockTransfer &) = delete;

    using EndHandler = std::function<void(const TransferOutcome &)>;
    // Called after each block the radio confirmed: how many so far, of how many.
    using ProgressHandler = std::function<void(int confirmed, int total)>;

    const TransferPlan &plan() const { return m_plan; }
    // What shows the transfer: a window's buttons and bar, or (null) plain state of its own. The
    // state moves over, so a run keeps going whoever watches it.
    void setView(TransferView *view);
    TransferView &view() { return *m_view; }
    // Ends a silent run (a window's Timer1 is this timer).
    QTimer &watchdog() { return m_watchdog; }
    bool running() const;
    bool writing() const;
    // The block counter: during a write the frame sent last, during a read the request sent last
    // (the handshake counting as frame 0 when there is one).
    int counter() const;

    // A running run of this transfer ends as Aborted first; `ended` hears how the new one ends.
    void startRead(EndHandler ended = {}, ProgressHandler progress = {});
    // `payloads`: 28 bytes for each block of the plan, all encoded before the first byte goes out.
    void startWrite(const QList<QByteArray> &payloads, EndHandler ended = {}, ProgressHandler progress = {});

    // From the dispatcher while the transfer runs: a burst that begins with 0x06 or 0x15, or a data
    // frame of one of the plan's block types (the frame is at the start of the link's receive area).
    void acknowledged();
    void negativeAcknowledged();
    void received();
    bool takesType(std::uint8_t type) const;
    // A tick of the resend timer: true when the frame is to be sent again now. The first resend
    // comes one interval after the frame, each further one after twice the gap before it.
    bool resendTick();

    void watchdogExpired();
    // Ends a running run, as `why` says; nothing when none runs.
    void abort(TransferOutcome::End why = TransferOutcome::End::Aborted);

private:
    enum class Phase { Idle, Awaiting, Settling };

    int frameCount() const;
    void start(bool write, EndHandler ended, ProgressHandler progress);
    void setCounter(int n);
    void sendFrame();
    void sendBlock(const BlockId &block, const QByteArray &payload);
    // An answer that may belong to the frame now out: the acknowledgement, or one more answer to a
    // copy of it while the line settles.
    void answered(bool accepted);
    void settled();
    void advance();
    void end(TransferOutcome::End why);
    bool tooEarly() const;

    RadioLink &m_link;
    TransferPlan m_plan;
    std::unique_ptr<TransferView> m_ownView;
    TransferView *m_view;
    QTimer m_watchdog;
    QTimer m_settle;

    Phase m_phase = Phase::Idle;
    bool m_writing = false;
    int m_position = 0; // the frame now out: the handshake is frame 0 when there is one
    int m_ownCounter = 0;
    QList<QByteArray> m_payloads;
    QList<QByteArray> m_frames;
    int m_rejected = 0;
    EndHandler m_ended;
    ProgressHandler m_progress;

    // The frame now out and its copies.
    int m_copies = 0;
    int m_answers = 0;
    int m_minimumAnswerMs = 0;
    qint64 m_lastGapMs = 0;
    int m_ticks = 0;
    int m_nextResendTick = 1;
    int m_resendGap = 1; // ticks between the last two copies
    QElapsedTimer m_firstSent;
    std::chrono::steady_clock::time_point m_firstSentAt;
    QElapsedTimer m_lastCopy;
    QList<qint64> m_copySentMs; // since m_firstSent
};
