// The comparison of written and read-back blocks over the field tables of every block type.
#include "layouts/readbackcheck.h"

#include "channels/channelcodec.h"
#include "channels/channellayout.h"
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

// The bytes of one field in the 28-byte payload, the bits of them it owns, and how to show its
// value. Bytes no field takes are spare or left-overs of earlier frames: the radio need not keep
// them.
struct Span {
    int offset = 0;
    int length = 1;
    quint8 bits = 0xFF;
    QString name;
    std::function<QString(const QByteArray &payload)> text; // null: the bytes in hex
};

QString hexBytes(const QByteArray &payload, const Span &span)
{
    return QString::fromLatin1(payload.mid(span.offset, span.length).toHex(' ').toUpper());
}

bool sameBits(const QByteArray &a, const QByteArray &b, const Span &span)
{
    for (int i = span.offset; i < span.offset + span.length; ++i)
        if ((a[i] ^ b[i]) & span.bits)
            return false;
    return true;
}

// The texts a channel or settings payload decodes to, through the program's own decoder, so that
// a field shows as the whole record reads (every field of a channel without frequency is empty).
MemoryChannelTexts decoded(int type, int number, const QByteArray &payload)
{
    MemoryChannelTexts texts;
    QByteArray frame(kFrameLength, '\0');
    writeHeader(reinterpret_cast<std::uint8_t *>(frame.data()), kData, type, number);
    frame.replace(kHeaderLength, kPayloadLength, payload);
    DecodeMemoryBlock(texts, reinterpret_cast<const quint8 *>(frame.constData()));
    return texts;
}

QList<Span> channelSpans(int number)
{
    QList<Span> spans;
    for (const RecordField &field : channelRecord()) {
        Span span{field.offset, field.width(), 0xFF, field.name, {}};
        if (field.ref >= 0)
            span.text = [number, col = field.ref](const QByteArray &p) {
                return decoded(kChannelBlock, number, p).cell(col, number);
            };
        spans << span;
    }
    return spans;
}

QList<Span> settingsSpans()
{
    QList<Span> spans;
    for (const RecordField &field : settingsRecord())
        spans << Span{field.offset, field.width(), 0xFF, field.name, [index = field.ref](const QByteArray &p) {
                          return decoded(kSettingsBlock, 0, p).setting(index);
                      }};
    return spans;
}

QString fieldName(const Field &field)
{
    QString name = field.label;
    if (name.isEmpty())
        name = field.ref.isCell()
                   ? QStringLiteral("%1 第 %2 行 第 %3 列").arg(field.ref.name).arg(field.ref.row).arg(field.ref.col)
                   : field.ref.name;
    // A text's length travels apart from the text itself.
    if (field.kind == FieldKind::Length)
        name += QStringLiteral("的位数");
    return name;
}

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
        spans << Span{field.offset, fieldWidth(field.kind), fieldBits(field), fieldName(field), {}};
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
            if (sameBits(wrote, got, span))
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
