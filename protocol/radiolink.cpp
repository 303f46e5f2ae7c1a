// Radio dialogue: sending, resending and the receive dispatcher.
#include "protocol/radiolink.h"

#include "protocol/blocktransfer.h"

#include "rtl/dialogs.h"
#include "serial/serialcomm.h"

#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <utility>

using namespace frame;

namespace {

// Whether `bytes`, standing at `offset` in a data frame, fit its header: 'W', a block type the
// radio knows, 0x20 at byte 3. Payload bytes fit anything.
bool fitsHeader(QByteArrayView bytes, qsizetype offset)
{
    for (qsizetype at = offset; at < kHeaderLength && at - offset < bytes.size(); ++at) {
        const auto b = static_cast<std::uint8_t>(bytes[at - offset]);
        if ((at == 0 && b != kData) || (at == 1 && b > kSettingsBlock) || (at == 3 && b != kHeaderMark))
            return false;
    }
    return true;
}

bool startsDataFrame(QByteArrayView bytes)
{
    return !bytes.isEmpty() && fitsHeader(bytes, 0);
}

bool startsWithAck(QByteArrayView bytes)
{
    return !bytes.isEmpty() && static_cast<std::uint8_t>(bytes[0]) == kAck;
}

} // namespace

RadioLink::RadioLink(TComm &comm, QTimer &resendTimer)
    : pause([](int ms) { QThread::msleep(ms); }), m_comm(comm), m_resend(resendTimer)
{
}

void RadioLink::addTransfer(BlockTransfer *transfer)
{
    if (transfer && !m_transfers.contains(transfer))
        m_transfers << transfer;
}

void RadioLink::removeTransfer(BlockTransfer *transfer)
{
    m_transfers.removeAll(transfer);
}

bool RadioLink::exchangeRunning() const
{
    return runningTransfer() != nullptr;
}

bool RadioLink::otherExchangeRunning(const BlockTransfer *except) const
{
    return std::any_of(m_transfers.begin(), m_transfers.end(),
                       [except](const BlockTransfer *t) { return t != except && t->running(); });
}

BlockTransfer *RadioLink::runningTransfer() const
{
    for (BlockTransfer *t : m_transfers)
        if (t->running())
            return t;
    return nullptr;
}

void RadioLink::lineLost()
{
    clearReceiveState();
    const QList<BlockTransfer *> transfers = m_transfers;
    for (BlockTransfer *t : transfers)
        if (m_transfers.contains(t) && t->running())
            t->abort(TransferOutcome::End::LineLost);
    stopResend();
}

void RadioLink::portClosed()
{
    clearReceiveState();
    m_answersCarryChecksum = false;
}

QByteArrayView RadioLink::lastAnswer() const
{
    return QByteArrayView(m_receiveBuffer.data(), std::min(m_chunkLength, kFrameLength));
}

void RadioLink::FillChecksum()
{
    frame::FillChecksum(m_transfer.data());
}

void RadioLink::SendData(int count)
{
    sendBytes(m_transfer.data(), count);
}

void RadioLink::sendBytes(const std::uint8_t *bytes, int count)
{
    bool refused = false;
    for (int i = 0; i < count; ++i) {
        if (!m_comm.WriteData(&bytes[i], 1))
            refused = true;
    }
    if (refused)
        rtl::dialogs::errorBox(QStringLiteral("发送失败!"));
}

void RadioLink::Tim1Timer()
{
    // An answer is coming in: the resend waits until the radio has been silent a whole interval.
    if (m_comm.receiving() && m_resend.isActive()) {
        m_resend.start();
        return;
    }
    if (BlockTransfer *t = runningTransfer(); t && !t->resendTick())
        return; // not this tick: further resends back off
    m_comm.WriteData(m_transfer.data(), kFrameLength); // a refused resend is not reported
}

void RadioLink::putRequest(std::uint8_t blockType, std::uint8_t blockNumber)
{
    m_transfer[0] = kRequest;
    m_transfer[1] = blockType;
    m_transfer[2] = blockNumber;
    m_transfer[3] = kHeaderMark;
}

void RadioLink::sendHandshake()
{
    std::memcpy(m_transfer.data(), kHandshake, kHandshakeLength);
    FillChecksum();
    SendData(kHandshakeLength);
}

void RadioLink::sendRequest(std::uint8_t blockType, std::uint8_t blockNumber)
{
    putRequest(blockType, blockNumber);
    SendData(kRequestLength);
}

void RadioLink::enableResend()
{
    if (!m_resend.isActive())
        m_resend.start();
}

void RadioLink::stopResend()
{
    m_resend.stop();
}

int RadioLink::resendInterval() const
{
    return m_resend.interval();
}

int RadioLink::lineTimeMs(int bytes) const
{
    const int baud = std::max(1, m_comm.BaudRate());
    return int(qint64(bytes) * kBitsPerByte * 1000 / baud);
}

bool RadioLink::dataFrameExpected() const
{
    return std::any_of(m_transfers.begin(), m_transfers.end(), [](const BlockTransfer *t) {
        return t->running() && !t->writing();
    });
}

bool RadioLink::ackAwaited() const
{
    return std::any_of(m_transfers.begin(), m_transfers.end(), [](const BlockTransfer *t) {
        return t->running() && (t->writing() || (t->plan().handshake && t->counter() == 0));
    });
}

void RadioLink::clearReceiveState()
{
    m_partial.clear();
    m_tailLeft = 0;
}

int RadioLink::answerLength(QByteArrayView bytes) const
{
    // FSK answers never carry a checksum; other answers do once the radio has shown it sends one.
    const bool fsk = bytes.size() > 1 && static_cast<std::uint8_t>(bytes[1]) == kFskBlock;
    return m_answersCarryChecksum && !fsk ? kFrameLength : kAnswerLength;
}

bool RadioLink::continuesPartial(QByteArrayView burst) const
{
    if (m_partialAge.elapsed() > kReassemblyWindowMs)
        return false;
    // An answer of its own is the next frame, and an acknowledgement someone waits for is theirs.
    if ((startsDataFrame(burst) && burst.size() >= kAnswerLength) || (startsWithAck(burst) && ackAwaited()))
        return false;
    return fitsHeader(burst, m_partial.size());
}

void RadioLink::Comm1ReceiveData(const char *buffer, std::uint16_t length)
{
    if (length == 0 || buffer == nullptr)
        return;
    m_arrivedAt = m_comm.burstArrivedAt().value_or(std::chrono::steady_clock::now());
    // The radio is talking: a resend waits until it has been silent for a whole interval, so an
    // answer still arriving is not asked for again.
    if (m_resend.isActive())
        m_resend.start();
    receive(QByteArrayView(buffer, length));
}

void RadioLink::receive(QByteArrayView burst)
{
    // The checksum bytes of an answer already handled: alone, or ahead of the next answer.
    if (m_tailLeft > 0 && m_tailAge.elapsed() <= kReassemblyWindowMs && !startsDataFrame(burst)
        && !(startsWithAck(burst) && ackAwaited()))
        burst = burst.sliced(std::min<qsizetype>(m_tailLeft, burst.size()));
    m_tailLeft = 0;
    if (burst.isEmpty())
        return;

    // A split data frame is joined before it is dispatched, so it is never decoded with bytes
    // an earlier frame left in the receive buffer.
    if (!m_partial.isEmpty()) {
        if (continuesPartial(burst)) {
            m_partial.append(burst);
            if (m_partial.size() < answerLength(m_partial)) {
                m_partialAge.start();
                return;
            }
            dispatchFrame(std::exchange(m_partial, {}), true);
            return;
        }
        m_partial.clear(); // a beginning that nothing continues was noise
    }

    // Beginnings are held only for a reader: otherwise the bytes go to the dispatcher as they are.
    const bool expected = dataFrameExpected();
    if (expected && startsDataFrame(burst) && burst.size() < answerLength(burst)) {
        m_partial = burst.toByteArray();
        m_partialAge.start();
        return;
    }
    dispatchFrame(burst.toByteArray(), expected);
}

void RadioLink::dispatchFrame(const QByteArray &chunk, bool expected)
{
    const bool answer = static_cast<std::uint8_t>(chunk[0]) == kData && chunk.size() >= kAnswerLength;
    // Two answers in one burst (a late copy's and the next one's): each goes on its own, the
    // second through the same joining as any burst.
    if (expected && answer) {
        const int length = answerLength(chunk);
        if (chunk.size() > length && startsDataFrame(QByteArrayView(chunk).sliced(length))) {
            dispatchFrame(chunk.left(length), expected);
            receive(QByteArrayView(chunk).sliced(length));
            return;
        }
    }
    // An answer that stops short of its checksum may still send those bytes; they are no frame.
    if (expected && answer && chunk.size() < kFrameLength) {
        m_tailLeft = kFrameLength - static_cast<int>(chunk.size());
        m_tailAge.start();
    }
    // A whole answer with a fitting checksum shows the radio sends one.
    if (answer && chunk.size() >= kFrameLength && static_cast<std::uint8_t>(chunk[1]) != kFskBlock) {
        const auto *b = reinterpret_cast<const std::uint8_t *>(chunk.constData());
        if (crc16Modbus(b, kChecksumOffset) == (b[kChecksumOffset] << 8 | b[kChecksumOffset + 1]))
            m_answersCarryChecksum = true;
    }
    dispatch(chunk);
}

void RadioLink::dispatch(const QByteArray &chunk)
{
    const auto n = std::min<qsizetype>(chunk.size(), static_cast<qsizetype>(kBufferSize));
    std::memcpy(m_receiveBuffer.data(), chunk.constData(), n);
    std::memcpy(m_receiveArea.data(), chunk.constData(), n);
    m_chunkLength = static_cast<int>(n);
    const std::uint8_t b0 = m_receiveBuffer[0];
    const std::uint8_t b1 = m_receiveBuffer[1];

    // Only the transfers running when the chunk came: one that an ending run starts answers
    // nothing of it.
    QList<BlockTransfer *> running;
    for (BlockTransfer *t : std::as_const(m_transfers))
        if (t->running())
            running << t;
    for (BlockTransfer *t : std::as_const(running)) {
        if (!m_transfers.contains(t) || !t->running())
            continue;
        if (b0 == kAck)
            t->acknowledged();
        else if (b0 == kNak)
            t->negativeAcknowledged();
        else if (b0 == kData && t->takesType(b1))
            t->received();
    }
    if (b0 == kData && m_receiveBuffer[kAckWantedOffset] == kAckWanted) {
        // From a byte of its own: the frame in the transfer buffer stays whole for its resend.
        static constexpr std::uint8_t kAckByte[] = {kAck};
        sendBytes(kAckByte, 1);
    }

    m_receiveBuffer[0] = 0;
    m_receiveArea[0] = 0;
}
