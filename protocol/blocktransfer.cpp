// The block exchange every channel and signalling transfer runs.
#include "protocol/blocktransfer.h"

#include "frames/frame.h"
#include "protocol/radiolink.h"
#include "protocol/transferview.h"
#include "rtl/exception.h"
#include "rtl/guard.h"

#include <algorithm>
#include <cstring>
#include <utility>

using namespace frame;

BlockTransfer::BlockTransfer(RadioLink &link, const TransferPlan &plan)
    : m_link(link), m_plan(plan), m_ownView(std::make_unique<PlainTransferView>()), m_view(m_ownView.get())
{
    m_watchdog.setInterval(kWatchdogMs);
    m_watchdog.setSingleShot(true);
    m_watchdog.callOnTimeout(rtl::guarded([this] { watchdogExpired(); }));
    m_settle.setSingleShot(true);
    m_settle.callOnTimeout(rtl::guarded([this] { settled(); }));
    m_link.addTransfer(this);
}

BlockTransfer::~BlockTransfer()
{
    m_link.removeTransfer(this);
}

void BlockTransfer::setView(TransferView *view)
{
    TransferView *next = view ? view : m_ownView.get();
    if (next == m_view)
        return;
    next->setReadRunning(m_view->readRunning());
    next->setWriteRunning(m_view->writeRunning());
    m_view = next;
}

bool BlockTransfer::running() const
{
    return m_view->readRunning() || m_view->writeRunning();
}

bool BlockTransfer::writing() const
{
    return m_view->writeRunning();
}

int BlockTransfer::frameCount() const
{
    return int(m_plan.blocks.size()) + (m_plan.handshake ? 1 : 0);
}

int BlockTransfer::counter() const
{
    switch (m_plan.counter) {
    case TransferPlan::Counter::Own:
        return m_ownCounter;
    case TransferPlan::Counter::LinkRead:
        return m_link.readBlockCounter();
    case TransferPlan::Counter::Link:
        return m_writing ? m_link.writeBlockCounter() : m_link.readBlockCounter();
    }
    return 0;
}

void BlockTransfer::setCounter(int n)
{
    switch (m_plan.counter) {
    case TransferPlan::Counter::Own:
        m_ownCounter = n;
        break;
    case TransferPlan::Counter::LinkRead:
        m_link.setReadBlockCounter(n);
        break;
    case TransferPlan::Counter::Link:
        if (m_writing)
            m_link.setWriteBlockCounter(n);
        else
            m_link.setReadBlockCounter(n);
        break;
    }
}

bool BlockTransfer::takesType(std::uint8_t type) const
{
    return std::any_of(m_plan.blocks.begin(), m_plan.blocks.end(), [type](const BlockId &b) { return b.type == type; });
}

void BlockTransfer::startRead(EndHandler ended, ProgressHandler progress)
{
    m_payloads.clear();
    start(false, std::move(ended), std::move(progress));
}

void BlockTransfer::startWrite(const QList<QByteArray> &payloads, EndHandler ended, ProgressHandler progress)
{
    Q_ASSERT(payloads.size() == m_plan.blocks.size());
    if (payloads.size() != m_plan.blocks.size())
        throw rtl::Exception(QStringLiteral("内部错误：写入的数据块数目不对。"));
    abort();
    m_payloads = payloads;
    start(true, std::move(ended), std::move(progress));
}

void BlockTransfer::start(bool write, EndHandler ended, ProgressHandler progress)
{
    if (running())
        abort(); // a restart: the run that was going ends without a word
    m_writing = write;
    m_ended = std::move(ended);
    m_progress = std::move(progress);
    m_frames.clear();
    m_rejected = 0;
    m_position = 0;
    m_watchdog.start();
    if (write)
        m_view->setWriteRunning(true);
    else
        m_view->setReadRunning(true);
    setCounter(0);
    m_view->showProgress(write ? m_plan.writeProgressMaximum : m_plan.readProgressMaximum, m_plan.progressStart);
    m_phase = Phase::Awaiting;
    sendFrame();
}

void BlockTransfer::sendFrame()
{
    const bool handshake = m_plan.handshake && m_position == 0;
    const int index = m_position - (m_plan.handshake ? 1 : 0);
    int length = kFrameLength;
    if (handshake) {
        m_link.sendHandshake();
        length = kHandshakeLength;
    } else if (m_writing) {
        sendBlock(m_plan.blocks.at(index), m_payloads.at(index));
        length = m_plan.splitFrames ? kAnswerLength : kFrameLength;
    } else {
        const BlockId block = m_plan.blocks.at(index);
        if (index == m_plan.blocks.size() - 1 && index > 0) {
            if (m_plan.lastRequestPauseMs > 0)
                m_link.pause(m_plan.lastRequestPauseMs);
            if (m_plan.hideBarAtLastRequest)
                m_view->hideProgress();
        }
        m_link.sendRequest(block.type, block.number);
        length = kRequestLength;
    }
    setCounter(m_position);
    // An answer cannot come before the frame has crossed the line and the answer's first byte
    // after it: anything sooner answers an earlier frame.
    // A tenth off for the tolerance of the two ends' clocks.
    m_minimumAnswerMs = m_link.lineTimeMs(length) * 9 / 10;
    m_copies = 1;
    m_answers = 0;
    m_lastGapMs = 0;
    m_ticks = 0;
    m_nextResendTick = 1;
    m_resendGap = 1;
    m_firstSent.start();
    m_firstSentAt = std::chrono::steady_clock::now();
    m_lastCopy.start();
    m_copySentMs = {0};
    m_phase = Phase::Awaiting;
    // The resend counts from this frame, so it fires only when the radio is silent.
    m_link.stopResend();
    if (!m_writing || m_plan.resendOnWrite || handshake)
        m_link.enableResend();
}

void BlockTransfer::sendBlock(const BlockId &block, const QByteArray &payload)
{
    std::uint8_t *tx = m_link.tx();
    std::memset(tx, 0, kEncoderSpan);
    writeHeader(tx, kData, block.type, block.number);
    if (m_plan.splitFrames) {
        m_link.SendData(kHeaderLength);
        std::memcpy(tx, payload.constData(), kPayloadLength);
        m_link.SendData(kPayloadLength);
        return;
    }
    std::memcpy(tx + kHeaderLength, payload.constData(), kPayloadLength);
    m_link.FillChecksum();
    m_link.SendData(kFrameLength);
}

bool BlockTransfer::resendTick()
{
    if (m_phase != Phase::Awaiting)
        return false;
    if (++m_ticks < m_nextResendTick)
        return false;
    m_resendGap = std::min(2 * m_resendGap, kMaxResendTicks);
    m_nextResendTick += m_resendGap;
    ++m_copies;
    m_lastGapMs = m_lastCopy.restart();
    m_copySentMs << m_firstSent.elapsed();
    return true;
}

bool BlockTransfer::tooEarly() const
{
    // Timed from when the answer came off the line, not from when the program got to it.
    return m_link.answerArrivedAt() - m_firstSentAt < std::chrono::milliseconds(m_minimumAnswerMs);
}

void BlockTransfer::acknowledged()
{
    const bool handshake = m_plan.handshake && m_position == 0;
    if (!m_writing && !handshake) {
        // A read takes data frames; an acknowledgement now is a late one of its handshake.
        return;
    }
    answered(true);
}

void BlockTransfer::negativeAcknowledged()
{
    if (m_writing || (m_plan.handshake && m_position == 0))
        answered(false);
}

void BlockTransfer::answered(bool accepted)
{
    if (m_phase == Phase::Settling) {
        // One more answer to a copy of the frame just taken.
        if (++m_answers >= m_copies) {
            m_settle.stop();
            advance();
        } else {
            m_settle.start();
        }
        return;
    }
    if (m_phase != Phase::Awaiting || tooEarly())
        return;
    ++m_answers;
    if (!accepted)
        return; // the resend tries again
    m_link.stopResend();
    // Copies sent so long ago that their answer would have come by now are lost: only the
    // later ones may still be answered.
    const qint64 now = m_firstSent.elapsed();
    const int answerable = int(std::count_if(m_copySentMs.begin(), m_copySentMs.end(),
                                             [now](qint64 sent) { return sent >= now - kLongestAnswerMs; }));
    m_copies = std::min(m_copies, m_answers - 1 + std::max(1, answerable));
    if (m_answers < m_copies) {
        // The radio may still answer the other copies. Until it has, or the line stays quiet as
        // long as the widest gap between copies and one interval more, an acknowledgement could
        // be one of theirs and must not move the run on.
        m_phase = Phase::Settling;
        m_settle.setInterval(int(m_lastGapMs) + m_link.resendInterval());
        m_settle.start();
        return;
    }
    advance();
}

void BlockTransfer::settled()
{
    if (m_phase == Phase::Settling)
        advance();
}

void BlockTransfer::received()
{
    if (m_phase != Phase::Awaiting || m_writing || (m_plan.handshake && m_position == 0))
        return;
    const QByteArrayView answer = m_link.lastAnswer();
    const BlockId wanted = m_plan.blocks.at(m_position - (m_plan.handshake ? 1 : 0));
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(answer.data());
    bool good = answer.size() >= kAnswerLength && bytes[1] == wanted.type && bytes[2] == wanted.number
                && bytes[3] == kHeaderMark;
    // A checksum that came with the answer must fit it (FSK answers carry none).
    if (good && answer.size() >= kFrameLength && wanted.type != kFskBlock)
        good = crc16Modbus(bytes, kChecksumOffset) == (bytes[kChecksumOffset] << 8 | bytes[kChecksumOffset + 1]);
    if (!good) {
        // Asked again by the resend; never decoded.
        ++m_rejected;
        return;
    }
    m_link.stopResend();
    m_frames << answer.toByteArray();
    m_payloads << answer.sliced(kHeaderLength, kPayloadLength).toByteArray();
    advance();
}

void BlockTransfer::advance()
{
    m_phase = Phase::Awaiting;
    m_watchdog.start(); // each block the radio takes gives it kWatchdogMs again
    ++m_position;
    m_view->setProgress(std::min(m_view->progress() + 1, m_writing ? m_plan.writeProgressMaximum
                                                                  : m_plan.readProgressMaximum));
    const int confirmed = m_position - (m_plan.handshake ? 1 : 0);
    if (m_progress && confirmed > 0)
        m_progress(confirmed, int(m_plan.blocks.size()));
    if (m_position >= frameCount()) {
        end(TransferOutcome::End::Completed);
        return;
    }
    sendFrame();
}

void BlockTransfer::watchdogExpired()
{
    if (running())
        end(TransferOutcome::End::Silent);
}

void BlockTransfer::abort(TransferOutcome::End why)
{
    if (running() || m_phase != Phase::Idle)
        end(why);
}

void BlockTransfer::end(TransferOutcome::End why)
{
    TransferOutcome outcome;
    outcome.write = m_writing;
    outcome.end = why;
    outcome.blocks = m_plan.blocks;
    outcome.confirmed = std::max(0, m_position - (m_plan.handshake ? 1 : 0));
    if (why == TransferOutcome::End::Completed)
        outcome.confirmed = int(m_plan.blocks.size());
    outcome.payloads = m_payloads;
    outcome.frames = m_frames;
    outcome.rejectedAnswers = m_rejected;

    m_link.stopResend();
    m_watchdog.stop();
    m_settle.stop();
    m_view->hideProgress();
    setCounter(0);
    m_phase = Phase::Idle;
    m_payloads.clear();
    m_frames.clear();
    m_progress = nullptr;
    EndHandler ended = std::exchange(m_ended, nullptr);
    // The buttons come back before anyone is told, so a box finds the window ready again.
    if (m_writing)
        m_view->setWriteRunning(false);
    else
        m_view->setReadRunning(false);
    if (ended)
        ended(outcome);
}
