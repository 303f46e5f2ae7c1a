// The comparison of written and read-back blocks over the field spans of every block type.
#include "layouts/readbackcheck.h"

#include "frames/frame.h"
#include "layouts/blockspans.h"

using namespace frame;

QList<ReadBackDifference> compareReadBack(const QMap<int, QByteArray> &sent, const QMap<int, QByteArray> &readBack)
{
    QList<ReadBackDifference> out;
    for (auto it = sent.cbegin(); it != sent.cend(); ++it) {
        const QByteArray &wrote = it.value();
        const QByteArray got = readBack.value(it.key());
        if (got.size() != kPayloadLength || wrote.size() != kPayloadLength) {
            out << ReadBackDifference{blockPlace(it.key()), QStringLiteral("整块"), QStringLiteral("已写入"),
                                      QStringLiteral("未读回")};
            continue;
        }
        // Bytes no field carries are spare or left-overs of earlier frames: the radio need not keep them.
        for (const SpanChange &change : changedSpans(it.key(), wrote, got, SpanTexts::ReadBack))
            out << ReadBackDifference{blockPlace(it.key()), change.span->checkName, change.before, change.after};
    }
    return out;
}
