// Field tables of the five-tone blocks.
#include "layouts/fivetonelayout.h"

namespace fivetone {

namespace {

const QString kEncodeTable = QStringLiteral("xg2");
const QString kDecodeTable = QStringLiteral("xg3");
constexpr int kRowBytes = 14; // two rows a block: offsets 0 and 14

QList<Choice> choicesOf(const QStringList &names, int firstCode)
{
    QList<Choice> choices;
    for (int i = 0; i < names.size(); ++i)
        choices << Choice{names[i], firstCode + i};
    return choices;
}

// A tone code of a row; a row not in use (first cell empty) sends its empty codes as zeros.
Field toneCode(int offset, const QString &table, int col, int row)
{
    Field f = cellField(offset, FieldKind::ToneCode, table, col, row);
    f.rowKey = TextRef::cell(table, 1, row);
    f.rowRule = RowRule::EmptyIsZeroWhenUnused;
    return f;
}

// "使用标准": empty sends 0, a text off the list stops the write; a code off the list leaves it.
Field standard(int offset, Nibble nibble, const QString &table, int col, int row)
{
    Field f = cellField(offset, FieldKind::Choice, table, col, row);
    f.choices = choicesOf(standardNames(), 1);
    f.nibble = nibble;
    f.emptyIsZero = true;
    f.refuseOther = true;
    return f;
}

// A function: a text off the list sends 0, a code off the list shows "通话".
Field function(int offset, Nibble nibble, int col, int row)
{
    Field f = cellField(offset, FieldKind::Choice, kDecodeTable, col, row);
    f.choices = choicesOf(functionNames(), 0);
    f.nibble = nibble;
    f.readOther = functionNames().first();
    return f;
}

void encodeRow(QList<Field> &fields, int r, int row)
{
    for (int code = 0; code < 4; ++code)
        fields << toneCode(r + 3 * code, kEncodeTable, code + 1, row);
    fields << standard(r + 12, Nibble::Whole, kEncodeTable, 5, row);
    // The byte after the standard is the radio's own: sent back as the last read found it.
    Field kept = cellField(r + 13, FieldKind::Byte, kEncodeTable, kKeptCol, row);
    kept.emptyIsZero = true;
    fields << kept;
}

// The standard goes in before the first function takes the high nibble of its byte, and the
// second function before the third.
void decodeRow(QList<Field> &fields, int r, int row)
{
    fields << standard(r, Nibble::Low, kDecodeTable, 1, row)
           << function(r, Nibble::High, 3, row) << toneCode(r + 1, kDecodeTable, 2, row)
           << toneCode(r + 4, kDecodeTable, 4, row) << function(r + 7, Nibble::Low, 5, row)
           << function(r + 7, Nibble::High, 7, row) << toneCode(r + 8, kDecodeTable, 6, row)
           << toneCode(r + 11, kDecodeTable, 8, row);
}

} // namespace

const WindowCaptions &captions()
{
    static const WindowCaptions shown = [] {
        const QString function = QStringLiteral("功   能");
        return WindowCaptions{
            QStringLiteral("5TONE"),
            {{QStringLiteral("cb1"), QStringLiteral("发送第一帧编码的延迟时间（MS）")},
             {QStringLiteral("cb2"), QStringLiteral("发送第二帧编码的延迟时间（MS）")},
             {QStringLiteral("cb3"), QStringLiteral("发送第三帧编码的延迟时间（MS）")},
             {QStringLiteral("cb4"), QStringLiteral("各组码第一个音的扩展时长")}},
            {{QStringLiteral("xg1"),
              {QStringLiteral("标准表"),
               {QStringLiteral("5 TONE 标准"), QStringLiteral("发射时长（MS）"), QStringLiteral("群呼码"),
                QStringLiteral("重复码")}}},
             {kEncodeTable,
              {QStringLiteral("编码表"),
               {QStringLiteral("信息码"), QStringLiteral("第一帧编码"), QStringLiteral("第二帧编码"),
                QStringLiteral("第三帧编码"), QStringLiteral("确认码"), QStringLiteral("使用标准"),
                QStringLiteral("保留字节")}}}, // kKeptCol, not shown
             {kDecodeTable,
              {QStringLiteral("解码表"),
               {QStringLiteral("信息码"), QStringLiteral("使用标准"), QStringLiteral("第一帧解码"), function,
                QStringLiteral("第二帧解码"), function, QStringLiteral("第三帧解码"), function,
                QStringLiteral("回复码")}}}}};
    }();
    return shown;
}

QStringList standardNames() { return {"CCIR", "EIA", "EEA", "ZVEI1", "ZVEI2"}; }

QStringList functionNames()
{
    return {QStringLiteral("通话"), QStringLiteral("主叫"), QStringLiteral("被叫"),
            QStringLiteral("监听"), QStringLiteral("巡查"), QStringLiteral("报警"),
            QStringLiteral("遥毙"), QStringLiteral("遥晕"), QStringLiteral("唤醒")};
}

QStringList codeDigits()
{
    QStringList digits;
    for (int d = 0; d < kDigits; ++d)
        digits << QString::number(d, 16).toUpper();
    return digits;
}

QStringList delayItems()
{
    QStringList items;
    for (int ms = 50; ms <= 1000; ms += 50)
        items << QString::number(ms);
    return items;
}

std::optional<QList<int>> toneFrequencies(const QString &standard)
{
    // Columns CCIR, EIA, EEA, ZVEI1, ZVEI2; rows digits 0–F.
    static const int kTable[kDigits][kStandardCount] = {
        {1981, 600, 1981, 2400, 2400}, {1124, 741, 1124, 1060, 1060}, {1197, 882, 1197, 1160, 1160},
        {1275, 1023, 1275, 1270, 1270}, {1358, 1164, 1358, 1400, 1400}, {1446, 1305, 1446, 1530, 1530},
        {1540, 1446, 1540, 1670, 1670}, {1640, 1587, 1640, 1830, 1830}, {1747, 1728, 1747, 2000, 2000},
        {1860, 1869, 1860, 2200, 2200}, {2400, 2151, 1055, 2800, 885},  {930, 2433, 930, 810, 810},
        {2247, 2010, 2400, 970, 740},   {991, 2292, 991, 885, 680},     {2110, 459, 2110, 2600, 970},
        {1055, 1091, 2247, 680, 2600}};
    const int s = int(standardNames().indexOf(standard));
    if (s < 0)
        return std::nullopt;
    QList<int> hz;
    for (const auto &digit : kTable)
        hz << digit[s];
    return hz;
}

namespace {

BlockLayout build()
{
    BlockLayout blocks(kBlockCount);
    QList<Field> &timing = blocks[0];
    for (int s = 1; s <= kStandardCount; ++s) {
        const int t = 3 * (s - 1);
        timing << cellField(t, FieldKind::Byte, QStringLiteral("xg1"), 1, s)
               << cellField(t + 1, FieldKind::HexDigit, QStringLiteral("xg1"), 2, s)
               << cellField(t + 2, FieldKind::HexDigit, QStringLiteral("xg1"), 3, s);
    }
    for (int d = 0; d < 4; ++d) {
        Field delay = controlField(20 + d, FieldKind::Byte, QStringLiteral("cb%1").arg(d + 1));
        delay.divisor = 10;
        timing << delay;
    }

    const int half = kRows / 2;
    for (int block = 1; block <= half; ++block) {
        encodeRow(blocks[block], 0, 2 * block - 1);
        encodeRow(blocks[block], kRowBytes, 2 * block);
        decodeRow(blocks[block + half], 0, 2 * block - 1);
        decodeRow(blocks[block + half], kRowBytes, 2 * block);
    }
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

} // namespace fivetone
