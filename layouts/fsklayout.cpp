// Field tables of the FSK queue-sync blocks.
#include "layouts/fsklayout.h"

namespace fsk {

namespace {

constexpr int kRowsInBlock0 = 2;
constexpr int kFirstRowOffset = 20; // block 0: rows 1 and 2 follow the settings
constexpr int kRowsPerBlock = 7;    // blocks 1 and 2
constexpr int kEntryLength = 4;     // queue word, then ID word
constexpr int kQueueCol = 1;
constexpr int kIdCol = 2;

// The radio keeps the rate in hundreds of bit/s.
const QList<Choice> kBaud{{QStringLiteral("1200"), 12}, {QStringLiteral("2400"), 24}};

Field baud()
{
    Field f = controlField(4, FieldKind::Choice, QStringLiteral("cb1"));
    f.choices = kBaud;
    f.refuseOther = true;
    // A rate the list cannot show leaves the user's choice standing; the read says so.
    f.note = QStringLiteral("电台中的队列同步波特率代码 %1 不是 1200 或 2400，「队列同步波特率[bps]」保持原来的选择。");
    return f;
}

Field sideTone()
{
    Field f = controlField(8, FieldKind::Switch, QStringLiteral("CheckBox1"));
    f.onlyFFIsOn = true;
    return f;
}

// A queue or ID cell: an empty cell is 0 and 0 reads back empty.
Field cell(int offset, int col, int row)
{
    Field f = cellField(offset, FieldKind::Word, QStringLiteral("xg1"), col, row);
    f.emptyIsZero = true;
    return f;
}

void addRows(QList<Field> &fields, int offset, int firstRow, int rows)
{
    for (int k = 0; k < rows; ++k) {
        fields << cell(offset + kEntryLength * k, kQueueCol, firstRow + k)
               << cell(offset + kEntryLength * k + 2, kIdCol, firstRow + k);
    }
}

} // namespace

const WindowCaptions &captions()
{
    static const WindowCaptions shown{
        QStringLiteral("FSK 队列同步"),
        {{QStringLiteral("ed1"), QStringLiteral("队列（自身）")},
         {QStringLiteral("ed2"), QStringLiteral("ID（自身）")},
         {QStringLiteral("cb1"), QStringLiteral("队列同步波特率[bps]")},
         {QStringLiteral("ed3"), QStringLiteral("数据发射延迟时间[MS]")},
         {QStringLiteral("ed4"), QStringLiteral("信息模式定时器[S]")},
         {QStringLiteral("CheckBox1"), QStringLiteral("PTT ID侧音")}},
        {{QStringLiteral("xg1"), {{}, {QStringLiteral("编号"), QStringLiteral("队列"), QStringLiteral("ID")}}}}};
    return shown;
}

QStringList baudItems()
{
    QStringList items;
    for (const Choice &c : kBaud)
        items << c.text;
    return items;
}

namespace {

BlockLayout build()
{
    BlockLayout blocks(kBlockCount);
    blocks[0] << controlField(0, FieldKind::Word, QStringLiteral("ed1")) << controlField(2, FieldKind::Word, QStringLiteral("ed2"))
              << baud() << controlField(5, FieldKind::Word, QStringLiteral("ed3"))
              << controlField(7, FieldKind::Byte, QStringLiteral("ed4")) << sideTone();
    addRows(blocks[0], kFirstRowOffset, 1, kRowsInBlock0);
    // Block n holds rows 7(n−1)+3 … 7(n−1)+9.
    for (int block = 1; block < kBlockCount; ++block)
        addRows(blocks[block], 0, kRowsPerBlock * (block - 1) + kRowsInBlock0 + 1, kRowsPerBlock);
    nameFields(blocks, captions());
    return blocks;
}

} // namespace

BlockLayout blockLayout()
{
    // Built once: a read asks for it with every block it receives.
    static const BlockLayout layout = build();
    return layout;
}

} // namespace fsk
