// Messages for runs that ended early.
#include "protocol/transferreport.h"

#include "frames/frame.h"
#include "image/radioimage.h"

#include <QStringList>

using namespace frame;

namespace {

const QString kReadStopped = QStringLiteral("电台停止应答：读取在第 %1 块（共 %2 块）处中断。");
const QString kWriteStopped = QStringLiteral("电台停止应答：写入在第 %1 块（共 %2 块）处中断。");
const QString kReadCut = QStringLiteral("读取在第 %1 块（共 %2 块）处中断。");
const QString kWriteCut = QStringLiteral("写入在第 %1 块（共 %2 块）处中断。");
const QString kReadCancelled = QStringLiteral("读取已取消（在第 %1 块，共 %2 块）。");
const QString kWriteCancelled = QStringLiteral("写入已取消（在第 %1 块，共 %2 块）。");
const QString kReadAdvice = QStringLiteral("请检查写频线和电台后重新读取。");
const QString kWriteAdvice = QStringLiteral("电台中的设置可能只写入了一部分，请重新写入。");

QString groupName(int type)
{
    const int group = groupOfType(type);
    return group < 0 ? QStringLiteral("数据") : blockGroups().at(group).name;
}

// Block numbers of a signalling memory count from 1 for the user, as the messages do.
int shownNumber(const BlockId &block)
{
    return block.number + 1;
}

bool isChannel(const BlockId &block)
{
    return block.type == kChannelBlock;
}

} // namespace

QString blockName(const BlockId &block)
{
    if (block.type == kSettingsBlock)
        return QStringLiteral("通用设置");
    if (isChannel(block))
        return QStringLiteral("信道 %1").arg(block.number);
    return QStringLiteral("%1 第 %2 块").arg(groupName(block.type)).arg(shownNumber(block));
}

QString blockRun(const QList<BlockId> &blocks, int first, int count)
{
    QStringList parts;
    int at = first;
    const int stop = std::min<int>(first + count, int(blocks.size()));
    while (at < stop) {
        const BlockId start = blocks.at(at);
        int last = at;
        while (last + 1 < stop && blocks.at(last + 1).type == start.type
               && blocks.at(last + 1).number == blocks.at(last).number + 1 && start.type != kSettingsBlock)
            ++last;
        const BlockId end = blocks.at(last);
        if (last == at)
            parts << blockName(start);
        else if (isChannel(start))
            parts << QStringLiteral("信道 %1–%2").arg(start.number).arg(end.number);
        else
            parts << QStringLiteral("%1 第 %2–%3 块").arg(groupName(start.type)).arg(shownNumber(start)).arg(shownNumber(end));
        at = last + 1;
    }
    return parts.join(QStringLiteral("、"));
}

QString interruptionText(const TransferOutcome &outcome, bool advice)
{
    using End = TransferOutcome::End;
    if (outcome.ok())
        return {};
    const int total = int(outcome.blocks.size());
    const int at = std::min(outcome.confirmed + 1, total);
    QStringList lines;
    QString where;
    switch (outcome.end) {
    case End::Silent:
        where = (outcome.write ? kWriteStopped : kReadStopped).arg(at).arg(total);
        break;
    case End::LineLost:
        lines << kLineLost;
        where = (outcome.write ? kWriteCut : kReadCut).arg(at).arg(total);
        break;
    case End::Aborted:
    case End::Completed:
        where = (outcome.write ? kWriteCancelled : kReadCancelled).arg(at).arg(total);
        break;
    }
    if (advice && outcome.end != End::Aborted)
        where += outcome.write ? kWriteAdvice : kReadAdvice;
    lines << where;
    if (outcome.write) {
        if (outcome.confirmed == 0)
            lines << QStringLiteral("电台没有确认收到任何数据块（%1）。").arg(blockRun(outcome.blocks, 0, total));
        else
            lines << QStringLiteral("电台已确认收到：%1；没有确认：%2。")
                         .arg(blockRun(outcome.blocks, 0, outcome.confirmed),
                              blockRun(outcome.blocks, outcome.confirmed, total - outcome.confirmed));
    } else {
        lines << QStringLiteral("读到的数据没有采用，窗口中的内容保持不变。");
    }
    if (outcome.rejectedAnswers > 0)
        lines << QStringLiteral("电台有 %1 个应答有误（数据块不符或校验和错误），已重新请求。").arg(outcome.rejectedAnswers);
    return lines.join(QLatin1Char('\n'));
}
