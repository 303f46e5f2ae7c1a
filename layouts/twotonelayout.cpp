// Field tables of the two-tone blocks and the decode table's edit rules.
#include "layouts/twotonelayout.h"

namespace twotone {

namespace {

const QString kEncodeTable = QStringLiteral("xg1");
const QString kDecodeTable = QStringLiteral("xg2");

constexpr int kEncodeRowsInBlock0 = 2;
constexpr int kEncodeRowsPerBlock = 7;
constexpr int kEncodeRowBytes = 4;
constexpr int kFirstDecodeBlock = 3;
constexpr int kDecodeRowBytes = 3 * kDecodes; // 12
constexpr int kEncodeRowsOffset = 20;          // block 0: after the eight settings and 4 spare bytes

const QList<Choice> kResponses{{QStringLiteral("无"), 0},
                               {QStringLiteral("提醒"), 1},
                               {QStringLiteral("回复"), 2},
                               {QStringLiteral("提醒并回复"), 3}};

// Encode row `row` at `offset`: first and second frequency, an empty cell being 0.
QList<Field> encodeRow(int offset, int row)
{
    QList<Field> fields;
    for (int col = 1; col <= 2; ++col) {
        Field f;
        f.offset = offset + 2 * (col - 1);
        f.kind = FieldKind::Word;
        f.ref = TextRef::cell(kEncodeTable, col, row);
        f.emptyIsZero = true;
        fields << f;
    }
    return fields;
}

// Decode row `row` at `offset`: pair, response and prompt of each decode. A row without "解码1"
// is twelve zero bytes; a decode whose pair is 0 leaves its response and prompt as they are.
QList<Field> decodeRow(int offset, int row)
{
    QList<Field> fields;
    for (int d = 0; d < kDecodes; ++d) {
        const int at = offset + 3 * d;
        Field pair;
        pair.offset = at;
        pair.kind = FieldKind::PairCode;
        pair.ref = TextRef::cell(kDecodeTable, pairColumn(d), row);

        Field response = pair;
        response.offset = at + 1;
        response.kind = FieldKind::Choice;
        response.ref = TextRef::cell(kDecodeTable, responseColumn(d), row);
        response.choices = kResponses; // any other text is "无"; any other code leaves the cell
        response.readIf = at;

        Field prompt = pair;
        prompt.offset = at + 2;
        prompt.kind = FieldKind::Byte;
        prompt.ref = TextRef::cell(kDecodeTable, promptColumn(d), row);
        prompt.readIf = at;

        for (Field *f : {&pair, &response, &prompt}) {
            f->rowKey = TextRef::cell(kDecodeTable, pairColumn(0), row);
            f->rowRule = RowRule::ZeroWhenUnused;
            fields << *f;
        }
    }
    return fields;
}

QStringList numbers(int from, int to, int step = 1)
{
    QStringList list;
    for (int n = from; n <= to; n += step)
        list << QString::number(n);
    return list;
}

} // namespace

const WindowCaptions &captions()
{
    static const WindowCaptions shown = [] {
        QStringList decode{QStringLiteral("信息码")};
        for (int d = 0; d < kDecodes; ++d)
            decode << QStringLiteral("解码%1").arg(d + 1) << QStringLiteral("响应方式") << QStringLiteral("提示");
        return WindowCaptions{
            QStringLiteral("2TONE"),
            {{QStringLiteral("cb1"), QStringLiteral("第一个频率时间长（MS）")},
             {QStringLiteral("cb2"), QStringLiteral("第二个频率时间长（MS）")},
             {QStringLiteral("cb3"), QStringLiteral("前后两个频率的间隔时间长（MS）")},
             {QStringLiteral("ed1"), QStringLiteral("A音（HZ）")},
             {QStringLiteral("ed2"), QStringLiteral("B音（HZ）")},
             {QStringLiteral("ed3"), QStringLiteral("C音（HZ）")},
             {QStringLiteral("ed4"), QStringLiteral("D音（HZ）")},
             {QStringLiteral("ed5"), QStringLiteral("复位时间（MS）")}},
            {{kEncodeTable,
              {QStringLiteral("编码表"),
               {QStringLiteral("信息码"), QStringLiteral("第一个频率（HZ）"), QStringLiteral("第二个频率（HZ）")}}},
             {kDecodeTable, {QStringLiteral("解码表"), decode}}}};
    }();
    return shown;
}

QStringList toneTimeItems() { return numbers(50, 1000, 50); }
QStringList pairItems() { return {"AB", "AC", "AD", "BA", "BC", "BD", "CA", "CB", "CD", "DA", "DC", "DB"}; }
QStringList responseItems()
{
    QStringList list;
    for (const Choice &c : kResponses)
        list << c.text;
    return list;
}
QStringList promptItems() { return numbers(1, kRows); }

namespace {

BlockLayout build()
{
    BlockLayout blocks(kBlockCount);
    QList<Field> &settings = blocks[0];
    // The tone edits go through floating point: "1981.0" is 1981.
    const char *const tones[] = {"ed1", "ed2", "ed3", "ed4"};
    for (int i = 0; i < 4; ++i)
        settings << controlField(2 * i, FieldKind::WholeWord, QString::fromLatin1(tones[i]));
    const char *const times[] = {"ed5", "cb1", "cb2", "cb3"};
    for (int i = 0; i < 4; ++i)
        settings << controlField(8 + 2 * i, FieldKind::Word, QString::fromLatin1(times[i]));
    for (int row = 1; row <= kEncodeRowsInBlock0; ++row)
        settings << encodeRow(kEncodeRowsOffset + kEncodeRowBytes * (row - 1), row);

    // Block n (1, 2) holds encode rows 7(n−1)+3 … 7(n−1)+9.
    for (int block = 1; block < kFirstDecodeBlock; ++block)
        for (int entry = 0; entry < kEncodeRowsPerBlock; ++entry)
            blocks[block] << encodeRow(kEncodeRowBytes * entry,
                                       kEncodeRowsPerBlock * (block - 1) + kEncodeRowsInBlock0 + 1 + entry);

    // Block n (3–10) holds decode rows 2n−5 and 2n−4.
    for (int block = kFirstDecodeBlock; block < kBlockCount; ++block) {
        const int first = 2 * block - 5;
        blocks[block] << decodeRow(0, first) << decodeRow(kDecodeRowBytes, first + 1);
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

void decodeRowRules(SignallingTexts &texts, int col, int row)
{
    if (texts.text(TextRef::cell(kDecodeTable, pairColumn(0), row)).isEmpty()) {
        texts.setText(TextRef::cell(kDecodeTable, col, row), QString());
        return;
    }
    if (col != pairColumn(0))
        return;
    // Every commit of "解码1" starts the row afresh.
    for (int d = 0; d < kDecodes; ++d) {
        if (d > 0)
            texts.setText(TextRef::cell(kDecodeTable, pairColumn(d), row), pairItems().first());
        texts.setText(TextRef::cell(kDecodeTable, responseColumn(d), row), responseItems().first());
        texts.setText(TextRef::cell(kDecodeTable, promptColumn(d), row), promptItems().first());
    }
}

} // namespace twotone
