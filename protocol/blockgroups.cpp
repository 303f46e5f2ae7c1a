// The transfer plans and layouts of the block groups.
#include "protocol/blockgroups.h"

#include "frames/frame.h"
#include "layouts/dtmflayout.h"
#include "layouts/fivetonelayout.h"
#include "layouts/fsklayout.h"
#include "layouts/twotonelayout.h"
#include "protocol/channeltransfer.h"

using namespace frame;

namespace groups {

namespace {

TransferPlan signallingPlan(std::uint8_t type, int blocks, int readMaximum, int writeMaximum)
{
    TransferPlan plan;
    for (int n = 0; n < blocks; ++n)
        plan.blocks << BlockId{type, std::uint8_t(n)};
    plan.readProgressMaximum = readMaximum;
    plan.writeProgressMaximum = writeMaximum;
    plan.progressStart = 1;
    return plan;
}

} // namespace

TransferPlan plan(int group)
{
    switch (group) {
    case kDtmf:
        return signallingPlan(kDtmfBlock, kDtmfBlockCount, 5, 4);
    case kFsk: {
        TransferPlan p = signallingPlan(kFskBlock, kFskBlockCount, 4, 4);
        // FSK frames go out as 4 header bytes, then 28 payload bytes, without checksum. The buffer
        // then holds only the payload, so a resend would send it headless: the write sends each
        // block once and the watchdog ends it when an acknowledgement does not come.
        p.splitFrames = true;
        p.resendOnWrite = false;
        return p;
    }
    case kTwoTone: {
        TransferPlan p = signallingPlan(kTwoToneBlock, kTwoToneBlockCount, kTwoToneBlockCount, kTwoToneBlockCount);
        p.counter = TransferPlan::Counter::LinkRead; // the main window's read block counter
        return p;
    }
    case kFiveTone: {
        TransferPlan p = signallingPlan(kFiveToneBlock, kFiveToneBlockCount, 16, 17);
        p.counter = TransferPlan::Counter::LinkRead;
        return p;
    }
    default:
        return ChannelTransfer::plan();
    }
}

const BlockLayout &layout(int group)
{
    static const BlockLayout none;
    static const BlockLayout layouts[] = {none, dtmf::blockLayout(), fsk::blockLayout(), twotone::blockLayout(),
                                          fivetone::blockLayout()};
    return group > 0 && group < kCount ? layouts[group] : none;
}

QList<QByteArray> encode(int group, const SignallingTexts &texts)
{
    QList<QByteArray> payloads;
    for (const QList<Field> &fields : layout(group)) {
        QByteArray payload(kPayloadLength, '\0');
        encodeFields(fields, texts, reinterpret_cast<std::uint8_t *>(payload.data()));
        payloads << payload;
    }
    return payloads;
}

QStringList decode(int group, const QList<QByteArray> &payloads, SignallingTexts &texts)
{
    const BlockLayout &blocks = layout(group);
    QStringList notes;
    for (int n = 0; n < payloads.size() && n < blocks.size(); ++n)
        if (payloads[n].size() == kPayloadLength)
            notes << decodeFields(blocks.at(n), reinterpret_cast<const std::uint8_t *>(payloads[n].constData()), texts);
    return notes;
}

} // namespace groups
