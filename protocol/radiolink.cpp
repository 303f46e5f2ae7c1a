// Radio dialogue: sending, resending and the receive dispatcher.
#include "protocol/radiolink.h"

#include "rtl/dialogs.h"
#include "serial/serialcomm.h"

#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstring>

using namespace frame;

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

void RadioLink::FillChecksum()
{
    frame::FillChecksum(m_transfer.data());
}

void RadioLink::SendData(int count)
{
    bool refused = false;
    for (int i = 0; i < count; ++i) {
        if (!m_comm.WriteData(&m_transfer[i], 1))
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

void RadioLink::Comm1ReceiveData(const char *buffer, std::uint16_t length)
{
    if (length == 0 || buffer == nullptr)
        return;
    QByteArray chunk(buffer, length);

    // A data frame split over two bursts is joined before it is dispatched, so it is never
    // decoded with bytes an earlier frame left in the receive buffer.
    if (!m_partial.isEmpty()) {
        const bool stale = m_partialAge.elapsed() > kReassemblyWindowMs;
        const bool wholeFrame = static_cast<std::uint8_t>(chunk[0]) == kData && chunk.size() >= kAnswerLength;
        if (!stale && !wholeFrame)
            chunk.prepend(m_partial);
        m_partial.clear();
    }
    if (static_cast<std::uint8_t>(chunk[0]) == kData && chunk.size() < kAnswerLength) {
        m_partial = chunk;
        m_partialAge.start();
        return;
    }
    dispatch(chunk);
}

void RadioLink::dispatch(const QByteArray &chunk)
{
    const auto n = std::min<qsizetype>(chunk.size(), static_cast<qsizetype>(kBufferSize));
    std::memcpy(m_receiveBuffer.data(), chunk.constData(), n);
    std::memcpy(m_receiveArea.data(), chunk.constData(), n);
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
        m_transfer[0] = kAck;
        SendData(1);
    }
    if (m_host && b0 == kAck && m_host->channelWriteRunning())
        channelWriteStep();

    m_receiveBuffer[0] = 0;
    m_receiveArea[0] = 0;
}

void RadioLink::channelReadStep()
{
    stopResend();
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
    m_host->stepProgress();
    if (m_writeBlockCounter >= 1 && m_writeBlockCounter <= kChannelCount) {
        m_host->EncodeChannelRecord(m_writeBlockCounter);
        FillChecksum();
        SendData(kFrameLength);
        enableResend();
    } else if (m_writeBlockCounter == kChannelCount + 1) {
        // The settings frame goes out once: no resend after it.
        m_host->EncodeSettingsRecord();
        FillChecksum();
        SendData(kFrameLength);
    } else if (m_writeBlockCounter == kChannelCount + 2) {
        m_writeBlockCounter = 0;
        m_host->finishChannelWrite();
    }
}
