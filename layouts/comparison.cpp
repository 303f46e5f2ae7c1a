// Two sets of blocks compared field by field over the field spans of every block type.
#include "layouts/comparison.h"

#include "frames/frame.h"
#include "image/radioimage.h"
#include "layouts/blockspans.h"

using namespace frame;

namespace {

bool holds(const QMap<int, QByteArray> &side, int key)
{
    return side.value(key).size() == kPayloadLength;
}

QString blockCount(int blocks)
{
    return blocks == 0 ? QStringLiteral("没有") : QStringLiteral("%1 块").arg(blocks);
}

QString had(bool present)
{
    return present ? QStringLiteral("有") : QStringLiteral("没有");
}

} // namespace

QString shownText(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("（空）") : text;
}

QString FieldDifference::line() const
{
    return QStringLiteral("%1 %2: %3 → %4").arg(where, field, shownText(before), shownText(after));
}

QList<FieldDifference> compareBlocks(const QMap<int, QByteArray> &a, const QMap<int, QByteArray> &b)
{
    return compareBlocks(a, b, CompareOptions{});
}

QList<FieldDifference> compareBlocks(const QMap<int, QByteArray> &a, const QMap<int, QByteArray> &b,
                                     const CompareOptions &options)
{
    QList<FieldDifference> fields;
    QList<FieldDifference> unread;
    for (const BlockGroup &group : blockGroups()) {
        int inA = 0;
        int inB = 0;
        for (int key : group.keys) {
            inA += holds(a, key) ? 1 : 0;
            inB += holds(b, key) ? 1 : 0;
        }
        if (inA == 0 && inB == 0)
            continue;
        if (inA == 0 || inB == 0) {
            fields << FieldDifference{group.name, kWholeGroup, blockCount(inA), blockCount(inB)};
            continue;
        }
        for (int key : group.keys) {
            const bool hereA = holds(a, key);
            const bool hereB = holds(b, key);
            if (hereA != hereB) {
                fields << FieldDifference{blockPlace(key), kWholeBlock, had(hereA), had(hereB)};
                continue;
            }
            if (!hereA)
                continue;
            const QByteArray &pa = a[key];
            const QByteArray &pb = b[key];
            for (const SpanChange &change : changedSpans(key, pa, pb))
                fields << FieldDifference{change.span->where, change.span->name, change.before, change.after};
            if (!options.unreadBytes)
                continue;
            const QByteArray mask = unreadBits(key);
            const QString before = unreadText(mask, pa, pb, pa);
            if (!before.isEmpty())
                unread << FieldDifference{blockPlace(key), kUnreadBytes, before, unreadText(mask, pa, pb, pb)};
        }
    }
    return fields + unread;
}
