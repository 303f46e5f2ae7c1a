// Field tables of the DTMF blocks.
#include "layouts/dtmflayout.h"

namespace dtmf {

namespace {

QStringList numbers(int from, int to, int step = 1)
{
    QStringList list;
    for (int n = from; n <= to; n += step)
        list << QString::number(n);
    return list;
}

QStringList texts(const QList<Choice> &choices)
{
    QStringList list;
    for (const Choice &c : choices)
        list << c.text;
    return list;
}

// Key codes as the channel records use them too: D 0, * 11, # 12, A–C 13–15, none 0xFF.
const QList<Choice> kGroupCall{{QStringLiteral("关"), 0xFF}, {"A", 0x0D}, {"B", 0x0E}, {"C", 0x0F},
                               {"D", 0x00},                  {"*", 0x0B}, {"#", 0x0C}};
const QList<Choice> kCallAlarm{{QStringLiteral("常规"), 1}, {QStringLiteral("连续"), 2}, {QStringLiteral("关"), 0}};
const QList<Choice> kAutoAnswer{{QStringLiteral("关"), 0}, {QStringLiteral("告警"), 1}, {QStringLiteral("ID码"), 2}};

Field scaled(int offset, const QString &name, int divisor, const QString &zeroText = {})
{
    Field f = controlField(offset, FieldKind::Byte, name);
    f.divisor = divisor;
    f.zeroText = zeroText;
    return f;
}

Field choice(int offset, const QString &name, const QList<Choice> &choices)
{
    Field f = controlField(offset, FieldKind::Choice, name);
    f.choices = choices;
    f.refuseOther = true; // a mistyped choice has no byte; a code off the list leaves the box
    return f;
}

Field memory(int offset, FieldKind kind, int row)
{
    Field f;
    f.offset = offset;
    f.kind = kind;
    f.ref = TextRef::cell(QStringLiteral("xg2"), 1, row);
    f.emptyIsZero = true;
    return f;
}

} // namespace

const WindowCaptions &captions()
{
    static const WindowCaptions shown{
        QStringLiteral("DTMF"),
        {{QStringLiteral("cb1"), QStringLiteral("DTMF速率")},
         {QStringLiteral("cb2"), QStringLiteral("首位数码时间（毫秒）")},
         {QStringLiteral("cb3"), QStringLiteral("首位数码延迟（毫秒）")},
         {QStringLiteral("cb4"), QStringLiteral("*和#音时间（毫秒）")},
         {QStringLiteral("cb5"), QStringLiteral("D键设定(毫秒)")},
         {QStringLiteral("CheckB1"), QStringLiteral("DTMF侧音")},
         {QStringLiteral("Edit1"), QStringLiteral("ID码")},
         {QStringLiteral("cb6"), QStringLiteral("组呼码")},
         {QStringLiteral("cb7"), QStringLiteral("自动复位定时器（秒）")},
         {QStringLiteral("cb8"), QStringLiteral("呼叫告警")},
         {QStringLiteral("cb9"), QStringLiteral("自动应答")},
         {QStringLiteral("CheckB2"), QStringLiteral("清除自动应答")}},
        {{QStringLiteral("xg2"), {{}, {QStringLiteral("信息码"), QStringLiteral("自动拨号存储器")}}}}};
    return shown;
}

QStringList rateItems() { return {"6", "8", "10", "15"}; }
QStringList firstDigitTimeItems() { return {"100", "500", "1000"}; }
QStringList firstDigitDelayItems() { return numbers(100, 1000, 50); }
QStringList starHashTimeItems() { return {"0", "100", "500", "1000"}; }
QStringList dKeyItems() { return QStringList{QStringLiteral("D码")} + numbers(1000, 10000, 1000); }
QStringList groupCallItems() { return texts(kGroupCall); }
QStringList autoResetItems() { return QStringList{QStringLiteral("关")} + numbers(1, 15); }
QStringList callAlarmItems() { return texts(kCallAlarm); }
QStringList autoAnswerItems() { return texts(kAutoAnswer); }

namespace {

BlockLayout build()
{
    BlockLayout blocks(kBlockCount);
    QList<Field> &settings = blocks[0];
    settings << controlField(0, FieldKind::Byte, QStringLiteral("cb1"))
             << scaled(1, QStringLiteral("cb2"), 10) << scaled(2, QStringLiteral("cb3"), 10)
             << scaled(3, QStringLiteral("cb4"), 10) << scaled(4, QStringLiteral("cb5"), 100, QStringLiteral("D码"))
             << controlField(5, FieldKind::Switch, QStringLiteral("CheckB1"))
             << controlField(10, FieldKind::Long, QStringLiteral("Edit1"))
             << choice(14, QStringLiteral("cb6"), kGroupCall)
             << scaled(15, QStringLiteral("cb7"), 1, QStringLiteral("关"))
             << choice(16, QStringLiteral("cb8"), kCallAlarm) << choice(17, QStringLiteral("cb9"), kAutoAnswer)
             << controlField(18, FieldKind::Switch, QStringLiteral("CheckB2"))
             << controlField(19, FieldKind::Length, QStringLiteral("Edit1"));
    for (int row = 1; row <= kCountedRows; ++row)
        settings << memory(19 + row, FieldKind::Length, row);

    // Block n holds rows 6(n−1)+1 … 6n; block 3's last two entries are the hidden rows 17, 18.
    for (int block = 1; block < kBlockCount; ++block)
        for (int entry = 0; entry < kMemoriesPerBlock; ++entry)
            blocks[block] << memory(4 * entry, FieldKind::Long, kMemoriesPerBlock * (block - 1) + entry + 1);
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

} // namespace dtmf
