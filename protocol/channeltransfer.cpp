// Channel read and write.
#include "protocol/channeltransfer.h"

#include "channels/channelcodec.h"
#include "rtl/guard.h"

#include <cstring>

using namespace frame;

ChannelTransfer::ChannelTransfer(RadioLink &link) : m_link(link), m_transfer(link, plan())
{
}

TransferPlan ChannelTransfer::plan()
{
    TransferPlan plan;
    for (int n = 1; n <= kChannelCount; ++n)
        plan.blocks << BlockId{kChannelBlock, std::uint8_t(n)};
    plan.blocks << BlockId{kSettingsBlock, 0};
    plan.handshake = true;
    plan.counter = TransferPlan::Counter::Link;
    plan.readProgressMaximum = kChannelCount;
    plan.writeProgressMaximum = kBlockCount;
    plan.lastRequestPauseMs = RadioLink::kSettingsRequestPauseMs;
    plan.hideBarAtLastRequest = true;
    return plan;
}

QList<QByteArray> ChannelTransfer::encode(const ChannelTexts &texts, const RadioLink::Buffer &transferBuffer)
{
    RadioLink::Buffer scratch = transferBuffer;
    // What the handshake leaves in the buffer before the first channel is built over it.
    std::memcpy(scratch.data(), kHandshake, kHandshakeLength);
    FillChecksum(scratch.data());
    QList<QByteArray> payloads;
    const auto take = [&] {
        FillChecksum(scratch.data());
        payloads << QByteArray(reinterpret_cast<const char *>(scratch.data()) + kHeaderLength, kPayloadLength);
    };
    for (int channel = 1; channel <= kChannelCount; ++channel) {
        ::EncodeChannelRecord(texts, channel, scratch.data());
        take();
    }
    ::EncodeSettingsRecord(texts, scratch.data());
    take();
    return payloads;
}

void ChannelTransfer::decode(const QList<QByteArray> &frames, ChannelTexts &texts)
{
    for (const QByteArray &frame : frames) {
        if (frame.size() < kAnswerLength)
            continue;
        ::DecodeMemoryBlock(texts, reinterpret_cast<const quint8 *>(frame.constData()));
    }
}

void ChannelTransfer::startRead(BlockTransfer::EndHandler ended, BlockTransfer::ProgressHandler progress)
{
    m_link.clearReceiveState();
    m_transfer.startRead(std::move(ended), std::move(progress));
}

void ChannelTransfer::startWrite(const ChannelTexts &texts, BlockTransfer::EndHandler ended,
                                 BlockTransfer::ProgressHandler progress)
{
    startWrite(encode(texts, m_link.transferBuffer()), std::move(ended), std::move(progress));
}

void ChannelTransfer::startWrite(const QList<QByteArray> &payloads, BlockTransfer::EndHandler ended,
                                 BlockTransfer::ProgressHandler progress)
{
    m_link.clearReceiveState();
    m_transfer.startWrite(payloads, std::move(ended), std::move(progress));
}
