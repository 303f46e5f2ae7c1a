// The channel read and write: the handshake, channels 1–16, then the general settings, run by a
// BlockTransfer over texts the caller holds.
#pragma once

#include "channels/channeltexts.h"
#include "protocol/blocktransfer.h"
#include "protocol/radiolink.h"

#include <QList>
#include <QTimer>

class TransferView;

class ChannelTransfer {
public:
    static constexpr int kBlockCount = frame::kChannelCount + 1;

    explicit ChannelTransfer(RadioLink &link);

    static TransferPlan plan();
    // The 17 payloads of a write of `texts`, encoded in a copy of the transfer buffer in the order
    // the write sends them: every frame is what encoding into the buffer itself sends, bytes a
    // record leaves alone keeping what the frame before left. Throws the first text that does not
    // encode; nothing is sent then.
    static QList<QByteArray> encode(const ChannelTexts &texts, const RadioLink::Buffer &transferBuffer);
    // The answers of a completed read into the table and the settings.
    static void decode(const QList<QByteArray> &frames, ChannelTexts &texts);

    BlockTransfer &transfer() { return m_transfer; }
    QTimer &watchdog() { return m_transfer.watchdog(); }
    bool running() const { return m_transfer.running(); }

    void startRead(BlockTransfer::EndHandler ended, BlockTransfer::ProgressHandler progress = {});
    // Encodes every block first (a text that does not encode throws before the radio hears anything).
    void startWrite(const ChannelTexts &texts, BlockTransfer::EndHandler ended,
                    BlockTransfer::ProgressHandler progress = {});
    // Blocks kept from the radio (a restore): sent as they are.
    void startWrite(const QList<QByteArray> &payloads, BlockTransfer::EndHandler ended,
                    BlockTransfer::ProgressHandler progress = {});

private:
    RadioLink &m_link;
    BlockTransfer m_transfer;
};
