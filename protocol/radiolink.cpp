// Radio dialogue: sending, resending and the receive dispatcher.
#include "protocol/radiolink.h"

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

bool RadioLink::exchangeRunning() const
{
    return (m_host && (m_host->channelReadRunning() || m_host->channelWriteRunning())) || signallingRunning();
}

bool RadioLink::signallingRunning() const
{
    return std::any_of(m_peers.begin(), m_peers.end(), [](const SignallingPeer *peer) {
        return peer && (peer->readRunning() || peer->writeRunning());
    });
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

bool RadioLink::dataFrameExpected() const
{
    if (m_host && m_host->channelReadRunning())
        return true;
    return std::any_of(m_peers.begin(), m_peers.end(), [](const SignallingPeer *p) { return p && p->readRunning(); });
}

bool RadioLink::ackAwaited() const
{
    if (m_host && m_host->channelWriteRunning())
        return true;
    return std::any_of(m_peers.begin(), m_peers.end(), [](const SignallingPeer *p) { return p && p->writeRunning(); });
}

void RadioLink::clearReceiveState()
{
    m_partial.clear();
    m_tailLeft = 0;
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
    QByteArrayView burst(buffer, length);

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
            if (m_partial.size() < kAnswerLength) {
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
    if (expected && startsDataFrame(burst) && burst.size() < kAnswerLength) {
        m_partial = burst.toByteArray();
        m_partialAge.start();
        return;
    }
    dispatchFrame(burst.toByteArray(), expected);
}

void RadioLink::dispatchFrame(const QByteArray &chunk, bool expected)
{
    // An answer that stops short of its checksum may still send those bytes; they are no frame.
    if (expected && static_cast<std::uint8_t>(chunk[0]) == kData && chunk.size() >= kAnswerLength
        && chunk.size() < kFrameLength) {
        m_tailLeft = kFrameLength - static_cast<int>(chunk.size());
        m_tailAge.start();
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

    for (SignallingPeer *peer : std::as_const(m_peers)) {
        if (!peer)
            continue;
        if (b0 == kAck && peer->writeRunning())
            peer->SendNextBlock();
        if (b0 == kData && peer->readRunning() && b1 == peer->blockType())
            peer->ReceiveBlock();
    }

    if (m_host && b0 == kAck && m_host->channelReadRunning()) {
        // The handshake's acknowledge byte: ask for channel 1; the resend timer keeps running.
        sendRequest(kChannelBlock, 1);
    }
    if (m_host && b0 == kData && m_host->channelReadRunning())
        channelReadStep();
    if (b0 == kData && m_receiveBuffer[kAckWantedOffset] == kAckWanted) {
        // From a byte of its own: the frame in the transfer buffer stays whole for its resend.
        static constexpr std::uint8_t kAckByte[] = {kAck};
        sendBytes(kAckByte, 1);
    }
    if (m_host && b0 == kAck && m_host->channelWriteRunning())
        channelWriteStep();

    m_receiveBuffer[0] = 0;
    m_receiveArea[0] = 0;
}

void RadioLink::channelReadStep()
{
    stopResend();
    if (m_observer)
        m_observer->blockReceived(lastAnswer());
    m_host->DecodeMemoryBlock();
    if (m_receiveBuffer[1] == kSettingsBlock)
        return; // the read is complete; the decoder ended it

    const int next = m_receiveBuffer[2] + 1;
    m_readBlockCounter = next;
    if (next <= kChannelCount) {
        putRequest(kChannelBlock, static_cast<std::uint8_t>(next));
        m_comm.WriteData(m_transfer.data(), kRequestLength); // a refusal is not reported here
        m_host->stepProgress();
    } else if (next == kChannelCount + 1) {
        pause(kSettingsRequestPauseMs);
        m_readBlockCounter = 0;
        sendRequest(kSettingsBlock, 0);
        m_host->hideProgressBar();
    }
    enableResend();
}

void RadioLink::channelWriteStep()
{
    stopResend();
    ++m_writeBlockCounter;
    // The frame is queued before the bar repaints, so the line does not wait for the screen.
    if (m_writeBlockCounter >= 1 && m_writeBlockCounter <= kChannelCount + 1) {
        const bool settings = m_writeBlockCounter > kChannelCount;
        const int type = settings ? kSettingsBlock : kChannelBlock;
        const int number = settings ? 0 : m_writeBlockCounter;
        if (const QByteArray stored = m_observer ? m_observer->storedPayload(type, number) : QByteArray();
            stored.size() == kPayloadLength) {
            writeHeader(m_transfer.data(), kData, type, number);
            std::memcpy(m_transfer.data() + kHeaderLength, stored.constData(), kPayloadLength);
        } else if (settings) {
            m_host->EncodeSettingsRecord();
        } else {
            m_host->EncodeChannelRecord(m_writeBlockCounter);
        }
        FillChecksum();
        if (m_observer)
            m_observer->blockSent(QByteArrayView(m_transfer.data(), kAnswerLength));
        SendData(kFrameLength);
        // The settings frame too: its lost acknowledgement would otherwise leave the write waiting.
        enableResend();
        m_host->stepProgress();
    } else {
        m_host->stepProgress();
        if (m_writeBlockCounter == kChannelCount + 2) {
            m_writeBlockCounter = 0;
            m_host->finishChannelWrite();
        }
    }
}
