// Field spans of every block kind and the comparison over them.
#include "app/readbackcheck.h"

#include "channels/channelcodec.h"
#include "channels/channeltable.h"
#include "channels/memorychanneltexts.h"
#include "frames/frame.h"
#include "image/radioimage.h"
#include "layouts/dtmflayout.h"
#include "layouts/fivetonelayout.h"
#include "layouts/fsklayout.h"
#include "layouts/twotonelayout.h"

#include <functional>

using namespace frame;

namespace {

// Bytes of one field in the 28-byte payload, and how to show its value.
struct Span {
    int offset = 0;
    int length = 1;
    QString name;
    std::function<QString(const QByteArray &payload)> text; // null: the bytes in hex
};

QString hexBytes(const QByteArray &payload, const Span &span)
{
    return QString::fromLatin1(payload.mid(span.offset, span.length).toHex(' ').toUpper());
}

// The texts a channel or settings payload decodes to, through the program's own decoder.
MemoryChannelTexts decoded(int type, int number, const QByteArray &payload)
{
    MemoryChannelTexts texts;
    QByteArray frame(kFrameLength, '\0');
    writeHeader(reinterpret_cast<std::uint8_t *>(frame.data()), kData, type, number);
    frame.replace(kHeaderLength, kPayloadLength, payload);
    DecodeMemoryBlock(texts, reinterpret_cast<const quint8 *>(frame.constData()));
    return texts;
}

// Bytes 28–30 of a channel frame carry what earlier frames left: the radio need not keep them.
QList<Span> channelSpans(int number)
{
    static const int columnAt[][3] = {{ColRxFrequency, 0, 4}, {ColTxFrequency, 4, 4}, {ColRxTone, 8, 2},
                                      {ColTxTone, 10, 2},     {ColPower, 12, 1},      {ColBandwidth, 13, 1},
                                      {ColScanAdd, 14, 1},    {ColStep, 15, 2},       {ColKey1, 17, 1},
                                      {ColKey2, 18, 1},       {ColPttId, 19, 1},      {ColScrambler, 20, 1},
                                      {ColCompander, 21, 1},  {ColSignalling, 22, 1}, {ColSignallingInfo, 23, 1}};
    QList<Span> spans;
    for (const auto &[col, offset, length] : columnAt)
        spans << Span{offset, length, channelColumns().at(col).caption, [number, col = col](const QByteArray &p) {
                          return decoded(kChannelBlock, number, p).cell(col, number);
                      }};
    spans << Span{27, 1, QStringLiteral("结束字节"), {}};
    return spans;
}

// Bytes 6–11 are ignored by the radio and 20–31 are left-overs of the channel 16 frame.
QList<Span> settingsSpans()
{
    static const int settingAt[][2] = {{SetPowerSave, 0}, {SetAlarm, 1}, {SetVoxLevel, 8}, {SetVoxDelay, 9},
                                       {SetSquelch, 10},  {SetTimeOut, 11}, {SetVoicePrompts, 12},
                                       {SetPf1, 13},      {SetPf2, 14},   {SetScan, 15}};
    QList<Span> spans;
    for (const auto &[index, offset] : settingAt)
        spans << Span{offset, 1, settingDefs().at(index).label, [index = index](const QByteArray &p) {
                          return decoded(kSettingsBlock, 0, p).setting(index);
                      }};
    return spans;
}

int fieldLength(FieldKind kind)
{
    switch (kind) {
    case FieldKind::Word:
    case FieldKind::WholeWord:
        return 2;
    case FieldKind::Long:
        return 4;
    case FieldKind::ToneCode:
        return 3;
    default:
        return 1;
    }
}

QString fieldName(const Field &field)
{
    if (!field.label.isEmpty())
        return field.label;
    if (field.ref.isCell())
        return QStringLiteral("%1 第 %2 行 第 %3 列").arg(field.ref.name).arg(field.ref.row).arg(field.ref.col);
    return field.ref.name;
}

// Bytes no field writes are spare: the radio need not keep them.
QList<Span> signallingSpans(int type, int number)
{
    static const QMap<int, BlockLayout> layouts{{kDtmfBlock, dtmf::blockLayout()},
                                                {kFskBlock, fsk::blockLayout()},
                                                {kTwoToneBlock, twotone::blockLayout()},
                                                {kFiveToneBlock, fivetone::blockLayout()}};
    QList<Span> spans;
    const BlockLayout layout = layouts.value(type);
    if (number < 0 || number >= layout.size())
        return spans;
    for (const Field &field : layout.at(number))
        spans << Span{field.offset, fieldLength(field.kind), fieldName(field), {}};
    return spans;
}

QString blockName(int type, int number)
{
    if (type == kChannelBlock)
        return QStringLiteral("信道 %1").arg(number);
    if (type == kSettingsBlock)
        return QStringLiteral("通用设置");
    return QStringLiteral("%1 第 %2 块").arg(blockGroups().at(groupOfType(type)).name).arg(number + 1);
}

} // namespace

QList<ReadBackDifference> compareReadBack(const QMap<int, QByteArray> &sent, const QMap<int, QByteArray> &readBack)
{
    QList<ReadBackDifference> out;
    for (auto it = sent.cbegin(); it != sent.cend(); ++it) {
        const int type = keyType(it.key());
        const int number = keyNumber(it.key());
        const QByteArray &wrote = it.value();
        const QByteArray got = readBack.value(it.key());
        if (got.size() != kPayloadLength || wrote.size() != kPayloadLength) {
            out << ReadBackDifference{blockName(type, number), QStringLiteral("整块"), QStringLiteral("已写入"),
                                      QStringLiteral("未读回")};
            continue;
        }
        const QList<Span> spans = type == kChannelBlock    ? channelSpans(number)
                                  : type == kSettingsBlock ? settingsSpans()
                                                           : signallingSpans(type, number);
        for (const Span &span : spans) {
            if (wrote.mid(span.offset, span.length) == got.mid(span.offset, span.length))
                continue;
            QString a = span.text ? span.text(wrote) : QString();
            QString b = span.text ? span.text(got) : QString();
            // Bytes that decode alike (or to nothing) are shown as bytes.
            if (a == b) {
                a = hexBytes(wrote, span);
                b = hexBytes(got, span);
            }
            out << ReadBackDifference{blockName(type, number), span.name, a, b};
        }
    }
    return out;
}
