// The comparison of two sets of blocks: every field of every block is told once by its own name
// in the window's words, bytes no field carries are listed apart, and what one side lacks is said.
#include "layouts/comparison.h"

#include "frames/frame.h"
#include "image/radioimage.h"
#include "layouts/blockspans.h"

#include <QSet>
#include <QTest>

namespace {

// A payload whose bytes all differ and none is zero, with a channel frequency that is in use.
QByteArray basePayload()
{
    QByteArray p(frame::kPayloadLength, '\0');
    for (int i = 0; i < p.size(); ++i)
        p[i] = char(0x11 + 37 * i);
    return p;
}

QMap<int, QByteArray> wholeRadio(const QList<int> &groups = {0, 1, 2, 3, 4})
{
    QMap<int, QByteArray> blocks;
    for (int g : groups)
        for (int key : blockGroups().at(g).keys)
            blocks.insert(key, basePayload());
    return blocks;
}

QStringList linesOf(const QList<FieldDifference> &differences)
{
    QStringList lines;
    for (const FieldDifference &d : differences)
        lines << d.line();
    return lines;
}

QByteArray hex(const char *bytes)
{
    return QByteArray::fromHex(bytes);
}

} // namespace

class TestComparison : public QObject {
    Q_OBJECT

private slots:
    void identicalSidesDiffer()
    {
        QCOMPARE(linesOf(compareBlocks(wholeRadio(), wholeRadio())), QStringList());
        QCOMPARE(linesOf(compareBlocks({}, {})), QStringList());
    }

    // Each field of each block, its bits flipped alone: one row, named apart from every other
    // field of its group, never taken for a byte no field carries.
    void everyFieldOnce_data()
    {
        QTest::addColumn<int>("group");
        for (int g = 0; g < blockGroups().size(); ++g)
            QTest::newRow(qPrintable(blockGroups()[g].name)) << g;
    }
    void everyFieldOnce()
    {
        QFETCH(int, group);
        QSet<QString> names;
        int fields = 0;
        for (int key : blockGroups().at(group).keys) {
            QVERIFY(!blockSpans(key).isEmpty());
            for (const BlockSpan &span : blockSpans(key)) {
                QMap<int, QByteArray> a = wholeRadio({group});
                QMap<int, QByteArray> b = a;
                for (int i = span.offset; i < span.offset + span.length; ++i)
                    b[key][i] = char(b[key][i] ^ span.bits);
                const QList<FieldDifference> differences = compareBlocks(a, b);
                QVERIFY2(differences.size() == 1, qPrintable(linesOf(differences).join(u'\n')));
                const FieldDifference &d = differences[0];
                QVERIFY2(!d.where.isEmpty() && !d.field.isEmpty() && d.field != kUnreadBytes, qPrintable(d.line()));
                QVERIFY2(d.before != d.after, qPrintable(d.line()));
                const QString name = d.where + u'|' + d.field;
                QVERIFY2(!names.contains(name), qPrintable(d.line()));
                names.insert(name);
                ++fields;
            }
        }
        // Each record's own count of fields: 16 channels of 16 with 10 settings, and so on.
        const QList<int> expected{16 * 16 + 10, 13 + 8 + 18, 6 + 2 * 16, 8 + 2 * 16 + 8 * 2 * 12,
                                  5 * 3 + 4 + 8 * 2 * 6 + 8 * 2 * 8};
        QCOMPARE(fields, expected[group]);
    }

    // The names and texts as the windows show them.
    void wording_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("offset");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QString>("line");
        // 438.5 and 438.525 MHz in Hz, little-endian.
        QTest::newRow("channel frequency") << blockKey(frame::kChannelBlock, 3) << 0 << hex("a0fa221a")
                                           << hex("485c231a") << "信道 3 接收频率: 438.50000 → 438.52500";
        QTest::newRow("channel tone") << blockKey(frame::kChannelBlock, 16) << 10 << hex("7503") << hex("1720")
                                      << "信道 16 QT/DQT编码: 88.5 → 023N";
        QTest::newRow("setting") << blockKey(frame::kSettingsBlock, 0) << 8 << hex("00") << hex("03")
                                 << "通用设置 VOX等级: 无 → 3";
        QTest::newRow("PF key") << blockKey(frame::kSettingsBlock, 0) << 13 << hex("00") << hex("01")
                                << "通用设置 PF1: 无 → 警报音";
        QTest::newRow("DTMF control") << blockKey(frame::kDtmfBlock, 0) << 14 << hex("ff") << hex("0d")
                                      << "DTMF 组呼码: 关 → A";
        QTest::newRow("DTMF length") << blockKey(frame::kDtmfBlock, 0) << 22 << hex("00") << hex("05")
                                     << "DTMF 第 3 行 自动拨号存储器的位数: 0 → 5";
        QTest::newRow("FSK check box") << blockKey(frame::kFskBlock, 0) << 8 << hex("00") << hex("ff")
                                       << "FSK 队列同步 PTT ID侧音: 不勾选 → 勾选";
        QTest::newRow("2TONE repeated caption") << blockKey(frame::kTwoToneBlock, 4) << 4 << hex("00") << hex("02")
                                                << "2TONE 解码表 第 3 行 解码2的响应方式: 无 → 回复";
        QTest::newRow("5TONE table cell") << blockKey(frame::kFiveToneBlock, 2) << 12 << hex("01") << hex("02")
                                          << "5TONE 编码表 第 3 行 使用标准: CCIR → EIA";
        QTest::newRow("same text, other bytes") << blockKey(frame::kDtmfBlock, 0) << 5 << hex("01") << hex("ff")
                                                << "DTMF DTMF侧音: 01 → FF";
        QTest::newRow("emptied text") << blockKey(frame::kFskBlock, 1) << 0 << hex("0500") << hex("0000")
                                      << "FSK 队列同步 第 3 行 队列: 5 → （空）";
    }
    void wording()
    {
        QFETCH(int, key);
        QFETCH(int, offset);
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QFETCH(QString, line);
        QByteArray a = basePayload();
        QByteArray b = a;
        a.replace(offset, before.size(), before);
        b.replace(offset, after.size(), after);
        QCOMPARE(linesOf(compareBlocks({{key, a}}, {{key, b}}, CompareOptions{false})), QStringList{line});
    }

    // Bytes no field carries: one row per block after every field row, or none when a side has
    // no such bytes of its own.
    void unreadBytesApart()
    {
        const int channel = blockKey(frame::kChannelBlock, 2);
        const int settings = blockKey(frame::kSettingsBlock, 0);
        const int fiveTone = blockKey(frame::kFiveToneBlock, 0); // bytes 15–19 carry no field
        QMap<int, QByteArray> a = wholeRadio({0, 4});
        QMap<int, QByteArray> b = a;
        a[channel].replace(24, 3, hex("000000"));
        b[channel].replace(24, 3, hex("0102ff"));
        b[channel][23] = char(0x09); // 信令信息
        a[settings].replace(2, 1, hex("00"));
        a[settings].replace(20, 2, hex("0000"));
        b[settings].replace(2, 1, hex("aa"));
        b[settings].replace(20, 2, hex("bbcc"));
        b[fiveTone][16] = char(b[fiveTone][16] ^ 0x40);
        const QStringList lines = linesOf(compareBlocks(a, b));
        QCOMPARE(lines, (QStringList{"信道 2 信令信息: " + QString::number(quint8(basePayload()[23])) + " → 9",
                                     "信道 2 未解读的字节: 28–30 00 00 00 → 28–30 01 02 FF",
                                     "通用设置 未解读的字节: 6 00，24–25 00 00 → 6 AA，24–25 BB CC",
                                     QStringLiteral("5TONE 第 1 块 未解读的字节: 20 %1 → 20 %2")
                                         .arg(QString::number(quint8(a[fiveTone][16]), 16).toUpper(),
                                              QString::number(quint8(b[fiveTone][16]), 16).toUpper())}));
        QCOMPARE(compareBlocks(a, b, CompareOptions{false}).size(), 1);
    }

    // A group only one side holds is said once; a block missing from a group is said on its own.
    void oneSideOnly()
    {
        const QMap<int, QByteArray> plan = wholeRadio({0});
        QMap<int, QByteArray> radio = wholeRadio();
        QCOMPARE(linesOf(compareBlocks(plan, radio)),
                 (QStringList{"DTMF 整组: 没有 → 4 块", "FSK 队列同步 整组: 没有 → 3 块", "2TONE 整组: 没有 → 11 块",
                              "5TONE 整组: 没有 → 17 块"}));
        radio.remove(blockKey(frame::kChannelBlock, 7));
        radio[blockKey(frame::kSettingsBlock, 0)].chop(1); // cut short: not a block
        QCOMPARE(linesOf(compareBlocks(radio, plan)).mid(0, 2),
                 (QStringList{"信道 7 整块: 没有 → 有", "通用设置 整块: 没有 → 有"}));
        QCOMPARE(linesOf(compareBlocks(radio, plan)).size(), 6);
    }
};

QTEST_GUILESS_MAIN(TestComparison)
#include "tst_comparison.moc"
