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

void RadioLink::setSignalling(SignallingPeer *fiveTone, SignallingPeer *twoTone, SignallingPeer *fsk,
                              SignallingPeer *dtmf)
{
    m_peers = {fiveTone, twoTone, fsk, dtmf};
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

    static constexpr std::uint8_t kPeerBlockTypes[] = {kFiveToneBlock, kTwoToneBlock, kFskBlock, kDtmfBlock};
    for (std::size_t i = 0; i < m_peers.size(); ++i) {
        SignallingPeer *peer = m_peers[i];
        if (!peer)
            continue;
        if (b0 == kAck && peer->writeRunning())
            peer->SendNextBlock();
        if (b0 == kData && peer->readRunning() && b1 == kPeerBlockTypes[i])
            peer->ReceiveBlock();
    }

    if (m_host && b0 == kAck && m_host->channelReadRunning()) {
        // The handshake's acknowledge byte: ask for channel 1; the resend timer keeps running.
        putRequest(kChannelBlock, 1);
        SendData(kRequestLength);
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
    m_host->DecodeMemoryBlock();
    if (m_receiveBuffer[1] == kSettingsBlock)
        return; // the read is complete; the decoder ended it

    const int next = m_receiveBuffer[2] + 1;
    readBlockCounter = next;
    if (next <= kChannelCount) {
        putRequest(kChannelBlock, static_cast<std::uint8_t>(next));
        m_comm.WriteData(m_transfer.data(), kRequestLength); // a refusal is not reported here
        m_host->stepProgress();
    } else if (next == kChannelCount + 1) {
        pause(kSettingsRequestPauseMs);
        readBlockCounter = 0;
        putRequest(kSettingsBlock, 0);
        SendData(kRequestLength);
        m_host->hideProgressBar();
    }
    enableResend();
}

void RadioLink::channelWriteStep()
{
    stopResend();
    ++writeBlockCounter;
    // The frame is queued before the bar repaints, so the line does not wait for the screen.
    if (writeBlockCounter >= 1 && writeBlockCounter <= kChannelCount + 1) {
        if (writeBlockCounter <= kChannelCount)
            m_host->EncodeChannelRecord(writeBlockCounter);
        else
            m_host->EncodeSettingsRecord();
        FillChecksum();
        SendData(kFrameLength);
        // The settings frame too: its lost acknowledgement would otherwise leave the write waiting.
        enableResend();
        m_host->stepProgress();
    } else {
        m_host->stepProgress();
        if (writeBlockCounter == kChannelCount + 2) {
            writeBlockCounter = 0;
            m_host->finishChannelWrite();
        }
    }
}
