// The field spans of every block, built once from the channel, settings and signalling field tables.
#include "layouts/blockspans.h"

#include "channels/channelcodec.h"
#include "channels/channellayout.h"
#include "channels/channeltable.h"
#include "channels/memorychanneltexts.h"
#include "frames/frame.h"
#include "image/radioimage.h"
#include "layouts/dtmflayout.h"
#include "layouts/fivetonelayout.h"
#include "layouts/fsklayout.h"
#include "layouts/twotonelayout.h"

#include <QHash>

using namespace frame;

namespace {

QString hexBytes(const QByteArray &payload, int offset, int length)
{
    return QString::fromLatin1(payload.mid(offset, length).toHex(' ').toUpper());
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

QList<BlockSpan> channelSpans(int number)
{
    QList<BlockSpan> spans;
    for (const RecordField &field : channelRecord()) {
        BlockSpan span{field.offset, field.width(), 0xFF, QStringLiteral("信道 %1").arg(number), field.name,
                       field.name, {}};
        if (field.ref >= 0)
            span.text = [number, col = field.ref](const QByteArray &p) -> std::optional<QString> {
                return decoded(kChannelBlock, number, p).cell(col, number);
            };
        spans << span;
    }
    return spans;
}

QList<BlockSpan> settingsSpans()
{
    QList<BlockSpan> spans;
    for (const RecordField &field : settingsRecord())
        spans << BlockSpan{field.offset, field.width(), 0xFF, QStringLiteral("通用设置"), settingName(field.ref),
                           field.name, [index = field.ref](const QByteArray &p) -> std::optional<QString> {
                               return decoded(kSettingsBlock, 0, p).setting(index);
                           }};
    return spans;
}

const WindowCaptions &captionsOf(int type)
{
    switch (type) {
    case kDtmfBlock:
        return dtmf::captions();
    case kFskBlock:
        return fsk::captions();
    case kTwoToneBlock:
        return twotone::captions();
    }
    return fivetone::captions();
}

BlockLayout layoutOf(int type)
{
    switch (type) {
    case kDtmfBlock:
        return dtmf::blockLayout();
    case kFskBlock:
        return fsk::blockLayout();
    case kTwoToneBlock:
        return twotone::blockLayout();
    case kFiveToneBlock:
        return fivetone::blockLayout();
    }
    return {};
}

// A column by its caption; one the table shows more than once by the nearest column before it
// whose caption is its own: "解码2的响应方式".
QString columnName(const QStringList &captions, int col)
{
    const auto own = [&](int c) { return captions.count(captions.value(c)) == 1; };
    if (own(col))
        return captions.value(col);
    for (int c = col - 1; c >= 0; --c)
        if (own(c))
            return QStringLiteral("%1的%2").arg(captions[c], captions.value(col));
    return captions.value(col);
}

QString checkName(const Field &field)
{
    QString name = field.label;
    if (name.isEmpty())
        name = field.ref.isCell()
                   ? QStringLiteral("%1 第 %2 行 第 %3 列").arg(field.ref.name).arg(field.ref.row).arg(field.ref.col)
                   : field.ref.name;
    return name;
}

// A check box shows as ticked or not; a length as its number; anything else as the window shows it.
std::optional<QString> signallingText(const Field &field, const QByteArray &payload)
{
    const auto *p = reinterpret_cast<const std::uint8_t *>(payload.constData());
    if (field.kind == FieldKind::Length)
        return QString::number(p[field.offset]);
    const std::optional<QString> text = fieldText(field, p);
    if (text && field.kind == FieldKind::Switch)
        return *text == kChecked ? QStringLiteral("勾选") : QStringLiteral("不勾选");
    return text;
}

QList<BlockSpan> signallingSpans(int type, int number)
{
    QList<BlockSpan> spans;
    const BlockLayout layout = layoutOf(type);
    if (number < 0 || number >= layout.size())
        return spans;
    const WindowCaptions &captions = captionsOf(type);
    for (const Field &field : layout.at(number)) {
        BlockSpan span;
        span.offset = field.offset;
        span.length = fieldWidth(field.kind);
        span.bits = fieldBits(field);
        span.checkName = checkName(field);
        if (field.ref.isCell()) {
            const TableCaptions table = captions.tables.value(field.ref.name);
            span.where = table.name.isEmpty() ? captions.window : captions.window + QLatin1Char(' ') + table.name;
            span.where += QStringLiteral(" 第 %1 行").arg(field.ref.row);
            span.name = columnName(table.columns, field.ref.col);
        } else {
            span.where = captions.window;
            span.name = captions.control(field.ref.name);
        }
        // A text's length travels apart from the text itself.
        if (field.kind == FieldKind::Length) {
            span.name += QStringLiteral("的位数");
            span.checkName += QStringLiteral("的位数");
        }
        span.text = [field](const QByteArray &p) { return signallingText(field, p); };
        span.checkShowsText = false;
        spans << span;
    }
    return spans;
}

bool sameBits(const QByteArray &a, const QByteArray &b, const BlockSpan &span)
{
    for (int i = span.offset; i < span.offset + span.length; ++i)
        if ((a[i] ^ b[i]) & span.bits)
            return false;
    return true;
}

} // namespace

const QList<BlockSpan> &blockSpans(int key)
{
    // Built whole before the first look-up, so that references into it stay good.
    static const QHash<int, QList<BlockSpan>> built = [] {
        QHash<int, QList<BlockSpan>> all;
        for (const BlockGroup &group : blockGroups()) {
            for (int k : group.keys) {
                const int type = keyType(k);
                const int number = keyNumber(k);
                all.insert(k, type == kChannelBlock    ? channelSpans(number)
                              : type == kSettingsBlock ? settingsSpans()
                                                       : signallingSpans(type, number));
            }
        }
        return all;
    }();
    static const QList<BlockSpan> none;
    const auto it = built.constFind(key);
    return it == built.cend() ? none : *it;
}

QString blockPlace(int key)
{
    const int type = keyType(key);
    const int number = keyNumber(key);
    if (type == kChannelBlock)
        return QStringLiteral("信道 %1").arg(number);
    if (type == kSettingsBlock)
        return QStringLiteral("通用设置");
    const int group = groupOfType(type);
    const QString name = group >= 0 ? blockGroups().at(group).name : QStringLiteral("类型 %1").arg(type);
    return QStringLiteral("%1 第 %2 块").arg(name).arg(number + 1);
}

QList<SpanChange> changedSpans(int key, const QByteArray &a, const QByteArray &b, SpanTexts texts)
{
    QList<SpanChange> out;
    for (const BlockSpan &span : blockSpans(key)) {
        if (sameBits(a, b, span))
            continue;
        const bool shown = span.text && (texts == SpanTexts::Shown || span.checkShowsText);
        const std::optional<QString> ta = shown ? span.text(a) : std::nullopt;
        const std::optional<QString> tb = shown ? span.text(b) : std::nullopt;
        // Bytes that read alike (or as no text) are shown as bytes.
        if (!ta || !tb || *ta == *tb)
            out << SpanChange{&span, hexBytes(a, span.offset, span.length), hexBytes(b, span.offset, span.length)};
        else
            out << SpanChange{&span, *ta, *tb};
    }
    return out;
}

QByteArray unreadBits(int key)
{
    QByteArray mask(kPayloadLength, char(0xFF));
    for (const BlockSpan &span : blockSpans(key))
        for (int i = span.offset; i < span.offset + span.length; ++i)
            mask[i] = char(mask[i] & ~span.bits);
    return mask;
}

QString unreadText(const QByteArray &mask, const QByteArray &a, const QByteArray &b, const QByteArray &side)
{
    QStringList runs;
    int i = 0;
    while (i < kPayloadLength) {
        if (!((a[i] ^ b[i]) & mask[i])) {
            ++i;
            continue;
        }
        int end = i + 1;
        while (end < kPayloadLength && ((a[end] ^ b[end]) & mask[end]))
            ++end;
        // Frame bytes, as the radio's documentation counts them.
        const int first = i + kHeaderLength;
        const int last = end - 1 + kHeaderLength;
        const QString range = first == last ? QString::number(first) : QStringLiteral("%1–%2").arg(first).arg(last);
        runs << range + QLatin1Char(' ') + hexBytes(side, i, end - i);
        i = end;
    }
    return runs.join(QStringLiteral("，"));
}
