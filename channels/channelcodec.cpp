// The channel and general-settings blocks of the radio's memory: table texts to frame bytes and
// back.
#include "channels/channelcodec.h"

#include "channels/channellayout.h"
#include "channels/channeltable.h"
#include "frames/frame.h"

#include <QList>

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

using namespace frame;

namespace {

constexpr int kSettingsClearedEnd = 11; // settings bytes 4–11 start out zero

// The place a conversion error or a refusal names: "信道 3「DTMF键1」", "「VOX等级」".
QString channelPlace(int channel, int col)
{
    return QStringLiteral("信道 %1「%2」").arg(channel).arg(channelColumns()[col].caption);
}

QString settingPlace(int index)
{
    return QStringLiteral("「%1」").arg(settingName(index));
}

// Writes one field's text; a text that does not convert keeps the conversion's own message and
// names the place() on a second line, one the field has no bytes for is refused.
template <typename Place>
void encodeText(const RecordField &field, const QString &text, Place place, quint8 *payload)
{
    bool written = false;
    try {
        written = encodeRecordField(field, text, payload);
    } catch (const EConvertError &e) {
        throw EConvertError(e.message() + QLatin1Char('\n') + place());
    }
    if (!written)
        throw EChannelValueError(QStringLiteral("%1: '%2' 不是可选值").arg(place(), text));
}

void encodeChannel(const ChannelTexts &t, int channel, quint8 *f)
{
    writeHeader(f, kData, kChannelBlock, channel);
    quint8 *payload = f + kHeaderLength;
    // An unused channel is zeros up to the end of what a frame builder may touch, and its end mark.
    const bool unused = isBlankCell(t.cell(ColRxFrequency, channel));
    if (unused)
        std::memset(payload, 0, kEncoderSpan - kHeaderLength);
    for (const RecordField &field : channelRecord()) {
        if (field.ref < 0)
            encodeRecordField(field, QString(), payload);
        else if (!unused)
            encodeText(field, t.cell(field.ref, channel), [&] { return channelPlace(channel, field.ref); }, payload);
    }
}

void encodeSettings(const ChannelTexts &t, quint8 *f)
{
    writeHeader(f, kData, kSettingsBlock, 0);
    std::memset(f + kHeaderLength, 0, kSettingsClearedEnd + 1 - kHeaderLength);
    for (const RecordField &field : settingsRecord())
        encodeText(field, t.setting(field.ref), [&] { return settingPlace(field.ref); }, f + kHeaderLength);
}

// Runs an encoder on a copy of the bytes it may touch and commits them only when it succeeds, so
// a text that cannot be encoded leaves the transfer buffer as it was.
template <typename Encoder>
void encodeInScratch(quint8 *tx, Encoder encode)
{
    std::array<quint8, kEncoderSpan> scratch;
    std::memcpy(scratch.data(), tx, kEncoderSpan);
    encode(scratch.data());
    std::memcpy(tx, scratch.data(), kEncoderSpan);
}

void decodeSettings(ChannelTexts &t, const quint8 *payload)
{
    for (const RecordField &field : settingsRecord())
        t.setSetting(field.ref, decodeRecordField(field, payload));
}

void decodeChannel(ChannelTexts &t, int row, const quint8 *payload)
{
    QList<std::pair<int, QString>> cells;
    for (const RecordField &field : channelRecord())
        if (field.ref >= 0)
            cells << std::pair{field.ref, decodeRecordField(field, payload)};
    const bool unused = std::any_of(cells.cbegin(), cells.cend(), [](const auto &cell) {
        return cell.first == ColRxFrequency && cell.second == frequencyText(0);
    });
    for (const auto &[col, text] : cells) {
        if (unused) // an unused channel: its row is emptied
            t.setCell(col, row, QString());
        else if (!text.isNull()) // a code of no known kind leaves the cell as it was
            t.setCell(col, row, text);
    }
}

} // namespace

void EncodeChannelRecord(const ChannelTexts &texts, int channel, quint8 *tx)
{
    encodeInScratch(tx, [&](quint8 *f) { encodeChannel(texts, channel, f); });
}

void EncodeSettingsRecord(const ChannelTexts &texts, quint8 *tx)
{
    encodeInScratch(tx, [&](quint8 *f) { encodeSettings(texts, f); });
}

int DecodeMemoryBlock(ChannelTexts &texts, const quint8 *rx)
{
    const int blockType = rx[1];
    if (blockType == kSettingsBlock) {
        decodeSettings(texts, rx + kHeaderLength);
    } else {
        // Row 0 holds the captions: only channels 1–16 have a row.
        const int channel = rx[2];
        if (channel >= 1 && channel <= kChannelCount)
            decodeChannel(texts, channel, rx + kHeaderLength);
    }
    return blockType;
}

void validateChannelPlan(const ChannelTexts &texts)
{
    std::array<quint8, kEncoderSpan> scratch{};
    for (int channel = 1; channel <= kChannelCount; ++channel)
        encodeChannel(texts, channel, scratch.data());
    encodeSettings(texts, scratch.data());
}
