// Channel and general-settings blocks: texts to frame bytes and back.
#include "channels/channelcodec.h"
#include "channels/channeltable.h"
#include "channels/memorychanneltexts.h"
#include "rtl/exception.h"

#include <QTest>

#include <array>
#include <functional>

namespace {

constexpr quint8 kFill = 0xA5; // what earlier frames left in the transfer buffer
using Buffer = std::array<quint8, 20001>;

Buffer filled()
{
    Buffer b;
    b.fill(kFill);
    return b;
}

QByteArray span(const Buffer &b, int from, int to)
{
    return QByteArray(reinterpret_cast<const char *>(b.data()) + from, to - from + 1);
}

QStringList rowTexts(const ChannelTexts &t, int row)
{
    QStringList list;
    for (int col = 1; col < kChannelColumnCount; ++col)
        list << t.cell(col, row);
    return list;
}

void setRow(ChannelTexts &t, int row, const QStringList &texts)
{
    for (int col = 1; col < kChannelColumnCount; ++col)
        t.setCell(col, row, texts.value(col - 1));
}

// A received channel frame with payload bytes 4–27.
Buffer channelFrame(int channel, const QByteArray &payload)
{
    Buffer b{};
    const QByteArray frame = QByteArray::fromHex("570000 20") + payload;
    std::copy(frame.begin(), frame.end(), b.begin());
    b[2] = static_cast<quint8>(channel);
    b[31] = 0xFF;
    return b;
}

const QStringList kChannel{"145.12500", "145.12500", "无", "无", "高", "宽带", "有", "25000",
                           "无", "无", "无", "无", "DTMF", "1", "无"};
const QByteArray kChannelBytes =
    QByteArray::fromHex("886EA608 886EA608 FFFF FFFF FF FF FF A861 FF FF 00 00 00 00 01");

} // namespace

class TestChannelCodec : public QObject {
    Q_OBJECT

private slots:
    void channelRecord_data();
    void channelRecord();
    void listItemsRoundTrip();
    void unmatchedCodesLeaveCells_data();
    void unmatchedCodesLeaveCells();
    void unmatchedListTextsAreRefused_data();
    void unmatchedListTextsAreRefused();
    void emptyChannel_data();
    void emptyChannel();
    void zeroFrequencyEmptiesRow();
    void channelNumberOutsideTable();
    void settingsRecord_data();
    void settingsRecord();
    void settingsFollowChannel16();
    void conversionError_data();
    void conversionError();
};

void TestChannelCodec::channelRecord_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QByteArray>("payload"); // bytes 4–27

    QTest::newRow("145.12500 无 高 宽带 有 25000 DTMF 1 ↔ 88 6E A6 08 … A8 61 …")
        << kChannel << kChannelBytes;
    QTest::newRow("438.50000/430.02500 88.5 023N 低 窄带 无 12500 D 0 EOT 10 FSK 16 有")
        << QStringList{"438.50000", "430.02500", "88.5", "023N", "低", "窄带", "无", "12500",
                       "D", "0", "EOT", "10", "FSK", "16", "有"}
        << QByteArray::fromHex("A0FA221A 28A9A119 7503 1720 00 00 00 D430 00 0A 03 0A FF 03 10");
    QTest::newRow("136.00000/173.99375 100.0 754I # C BOTH 5TONE 5000")
        << QStringList{"136.00000", "173.99375", "100.0", "754I", "高", "宽带", "有", "5000",
                       "#", "C", "BOTH", "1", "5TONE", "2", "无"}
        << QByteArray::fromHex("00321B08 16EF5E0A E803 F2A2 FF FF FF 8813 0C 0F 01 01 00 02 02");
}

void TestChannelCodec::channelRecord()
{
    QFETCH(QStringList, texts);
    QFETCH(QByteArray, payload);

    MemoryChannelTexts table;
    setRow(table, 7, texts);
    Buffer tx = filled();
    EncodeChannelRecord(table, 7, tx.data());
    QCOMPARE(span(tx, 0, 27), QByteArray::fromHex("57000720") + payload);
    QCOMPARE(span(tx, 28, 30), QByteArray(3, char(kFill))); // not part of the record
    QCOMPARE(tx[31], quint8(0xFF));
    QCOMPARE(span(tx, 32, 60), QByteArray(29, char(kFill)));

    MemoryChannelTexts fresh;
    QCOMPARE(DecodeMemoryBlock(fresh, channelFrame(7, payload).data()), 0);
    QCOMPARE(rowTexts(fresh, 7), texts);
    QCOMPARE(fresh.cell(ColNumber, 7), QStringLiteral("7"));
    Buffer again = filled();
    EncodeChannelRecord(fresh, 7, again.data());
    QCOMPARE(span(again, 0, 31), span(tx, 0, 31));
}

void TestChannelCodec::listItemsRoundTrip()
{
    // Every drop-down item of a coded column comes back as itself, and distinct items get
    // distinct codes.
    for (int col : {int(ColRxTone), int(ColKey1), int(ColPttId), int(ColSignalling)}) {
        QSet<QByteArray> codes;
        for (const QString &item : channelColumns()[col].items) {
            MemoryChannelTexts table;
            setRow(table, 3, kChannel);
            table.setCell(col, 3, item);
            Buffer tx = filled();
            EncodeChannelRecord(table, 3, tx.data());
            codes.insert(span(tx, 4, 27));
            MemoryChannelTexts fresh;
            DecodeMemoryBlock(fresh, tx.data());
            QCOMPARE(fresh.cell(col, 3), item);
        }
        QCOMPARE(codes.size(), channelColumns()[col].items.size());
    }
}

void TestChannelCodec::unmatchedCodesLeaveCells_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("column");

    QTest::newRow("tone word 0x4000") << 13 << 0x40 << int(ColRxTone);
    QTest::newRow("tone word 0x2FFF: DCS beyond three digits") << 13 << 0x2F << int(ColRxTone);
    QTest::newRow("key code 16") << 21 << 16 << int(ColKey1);
    QTest::newRow("PTTID 4") << 23 << 4 << int(ColPttId);
    QTest::newRow("signalling 4") << 26 << 4 << int(ColSignalling);
}

void TestChannelCodec::unmatchedCodesLeaveCells()
{
    QFETCH(int, byte);
    QFETCH(int, value);
    QFETCH(int, column);

    Buffer rx = channelFrame(5, kChannelBytes);
    rx[byte] = static_cast<quint8>(value);
    MemoryChannelTexts table;
    setRow(table, 5, QStringList(15, QStringLiteral("old")));
    DecodeMemoryBlock(table, rx.data());
    QCOMPARE(table.cell(column, 5), QStringLiteral("old"));
    QCOMPARE(table.cell(ColStep, 5), QStringLiteral("25000"));
}

void TestChannelCodec::unmatchedListTextsAreRefused_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");

    QTest::newRow("key 1 E") << int(ColKey1) << "E" << "信道 2「DTMF键1」: 'E' 不是可选值";
    QTest::newRow("key 2 emptied") << int(ColKey2) << "" << "信道 2「DTMF键2」: '' 不是可选值";
    QTest::newRow("PTTID ALL") << int(ColPttId) << "ALL" << "信道 2「PTTID」: 'ALL' 不是可选值";
    QTest::newRow("signalling dtmf") << int(ColSignalling) << "dtmf" << "信道 2「可选信令」: 'dtmf' 不是可选值";
}

void TestChannelCodec::unmatchedListTextsAreRefused()
{
    QFETCH(int, column);
    QFETCH(QString, text);
    QFETCH(QString, message);

    MemoryChannelTexts table;
    setRow(table, 2, kChannel);
    table.setCell(column, 2, text);
    Buffer tx = filled();
    for (const auto &run : {std::function<void()>([&] { EncodeChannelRecord(table, 2, tx.data()); }),
                            std::function<void()>([&] { validateChannelPlan(table); })}) {
        try {
            run();
            QFAIL("no refusal");
        } catch (const EChannelValueError &e) {
            QCOMPARE(e.message(), message);
        }
    }
    // Nothing of the frame is written, so no stale byte can reach the radio.
    QCOMPARE(span(tx, 0, 60), QByteArray(61, char(kFill)));
}

void TestChannelCodec::emptyChannel_data()
{
    QTest::addColumn<QString>("rx");
    QTest::newRow("empty") << QString();
    QTest::newRow("single blank") << QStringLiteral(" ");
}

void TestChannelCodec::emptyChannel()
{
    QFETCH(QString, rx);
    MemoryChannelTexts table;
    // The other columns are not read, so texts that cannot be encoded do no harm.
    setRow(table, 16, {rx, "abc", "x", "y", "低", "窄带", "无", "abc", "1", "2", "EOT", "z"});
    Buffer tx = filled();
    EncodeChannelRecord(table, 16, tx.data());
    QCOMPARE(span(tx, 0, 51), QByteArray::fromHex("57001020") + QByteArray(27, 0) + '\xFF'
                                  + QByteArray(19, 0) + char(kFill));
}

void TestChannelCodec::zeroFrequencyEmptiesRow()
{
    MemoryChannelTexts table;
    setRow(table, 9, QStringList(15, QStringLiteral("old")));
    DecodeMemoryBlock(table, channelFrame(9, QByteArray(4, 0) + kChannelBytes.mid(4)).data());
    QCOMPARE(rowTexts(table, 9), QStringList(15, QString()));
    QCOMPARE(table.cell(ColNumber, 9), QStringLiteral("9"));
}

void TestChannelCodec::channelNumberOutsideTable()
{
    const MemoryChannelTexts untouched;
    for (int channel : {0, 17, 255}) {
        MemoryChannelTexts table;
        QCOMPARE(DecodeMemoryBlock(table, channelFrame(channel, kChannelBytes).data()), 0);
        for (int row = 0; row < kChannelRowCount; ++row)
            QCOMPARE(rowTexts(table, row), rowTexts(untouched, row));
    }
}

void TestChannelCodec::settingsRecord_data()
{
    QTest::addColumn<QStringList>("settings"); // ComboBox1…ComboBox10
    QTest::addColumn<QByteArray>("bytes");     // 4–19
    QTest::addColumn<QStringList>("decoded");  // when the bytes are not what the texts give

    QTest::newRow("无 1 0 60 中文 无 无 开 开 开 (initial)")
        << QStringList{"无", "1", "0", "60", "中文", "无", "无", "开", "开", "开"}
        << QByteArray::fromHex("01 01 000000000000 00 01 00 3C 01 00 00 01") << QStringList();
    QTest::newRow("10 3 9 180 英文 警报音 警报音 关 关 关")
        << QStringList{"10", "3", "9", "180", "英文", "警报音", "警报音", "关", "关", "关"}
        << QByteArray::fromHex("00 00 000000000000 0A 03 09 B4 02 01 01 00") << QStringList();
    QTest::newRow("5 2 4 关 关 监听 扫描 x 关 开 (other texts)")
        << QStringList{"5", "2", "4", "关", "关", "监听", "扫描", "x", "关", "开"}
        << QByteArray::fromHex("00 01 000000000000 05 02 04 00 00 00 00 00")
        << QStringList{"5", "2", "4", "关", "关", "无", "无", "关", "关", "开"};
    QTest::newRow("02 FF … 00 01 02 00 07 02 FF 09 (other values)")
        << QStringList() << QByteArray::fromHex("02 FF 000000000000 00 01 02 00 07 02 FF 09")
        << QStringList{"无", "1", "2", "关", "英文", "无", "无", "关", "关", "关"};
}

void TestChannelCodec::settingsRecord()
{
    QFETCH(QStringList, settings);
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, decoded);

    Buffer frame{};
    const QByteArray header = QByteArray::fromHex("57050020");
    if (!settings.isEmpty()) {
        MemoryChannelTexts table;
        for (int i = 1; i <= kSettingCount; ++i)
            table.setSetting(i, settings[i - 1]);
        frame = filled();
        EncodeSettingsRecord(table, frame.data());
        QCOMPARE(span(frame, 0, 19), header + bytes);
        QCOMPARE(span(frame, 20, 33), QByteArray(14, char(kFill)));
    } else {
        const QByteArray given = header + bytes;
        std::copy(given.begin(), given.end(), frame.begin());
    }
    MemoryChannelTexts fresh;
    QCOMPARE(DecodeMemoryBlock(fresh, frame.data()), 5);
    QStringList texts;
    for (int i = 1; i <= kSettingCount; ++i)
        texts << fresh.setting(i);
    QCOMPARE(texts, decoded.isEmpty() ? settings : decoded);
    QCOMPARE(rowTexts(fresh, 0), rowTexts(MemoryChannelTexts(), 0)); // no row is filled
}

void TestChannelCodec::settingsFollowChannel16()
{
    MemoryChannelTexts table;
    setRow(table, 16, kChannel);
    table.setCell(ColSignallingInfo, 16, QStringLiteral("16"));
    Buffer tx = filled();
    EncodeChannelRecord(table, 16, tx.data());
    const QByteArray channelTail = span(tx, 20, 31);
    EncodeSettingsRecord(table, tx.data());
    QCOMPARE(span(tx, 20, 31), channelTail);
}

void TestChannelCodec::conversionError_data()
{
    QTest::addColumn<int>("column"); // 0: setting `index` instead of a cell
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");

    // The conversion's own text, then the cell or the setting on a second line.
    const QString f = QStringLiteral("'%1' is not a valid floating point value\n%2");
    const QString i = QStringLiteral("'%1' is not a valid integer value\n%2");
    QTest::newRow("RX abc") << 1 << 0 << "abc" << f.arg("abc", "信道 16「接收频率」");
    QTest::newRow("RX 145.1234567") << 1 << 0 << "145.1234567" << i.arg("145123456.7", "信道 16「接收频率」");
    QTest::newRow("RX 5000 (beyond 32 bits)") << 1 << 0 << "5000" << i.arg("5000000000", "信道 16「接收频率」");
    QTest::newRow("tone ab (short)") << 3 << 0 << "ab" << f.arg("ab", "信道 16「QT/DQT解码」");
    QTest::newRow("tone 88.55") << 4 << 0 << "88.55" << i.arg("885.5", "信道 16「QT/DQT编码」");
    QTest::newRow("step 6.25k") << 8 << 0 << "6.25k" << i.arg("6.25k", "信道 16「步进频率」");
    QTest::newRow("scrambler x") << 12 << 0 << "x" << i.arg("x", "信道 16「扰频」");
    QTest::newRow("signalling information 无") << 14 << 0 << "无" << i.arg("无", "信道 16「信令信息」");
    QTest::newRow("VOX level x") << 0 << int(SetVoxLevel) << "x" << i.arg("x", "「VOX等级」");
    QTest::newRow("VOX delay 关") << 0 << int(SetVoxDelay) << "关" << i.arg("关", "「VOX延迟时间」");
    QTest::newRow("time-out 60s") << 0 << int(SetTimeOut) << "60s" << i.arg("60s", "「超时定时器」");
}

void TestChannelCodec::conversionError()
{
    QFETCH(int, column);
    QFETCH(int, index);
    QFETCH(QString, text);
    QFETCH(QString, message);

    MemoryChannelTexts table;
    setRow(table, 16, kChannel);
    setRow(table, 2, kChannel); // a good row before the bad one
    table.setCell(ColTxFrequency, 9, QStringLiteral("bad")); // an empty row is not read
    if (column > 0)
        table.setCell(column, 16, text);
    else
        table.setSetting(index, text);

    Buffer tx = filled();
    const auto encode = [&] {
        if (column > 0)
            EncodeChannelRecord(table, 16, tx.data());
        else
            EncodeSettingsRecord(table, tx.data());
    };
    for (const auto &run : {std::function<void()>(encode),
                            std::function<void()>([&] { validateChannelPlan(table); })}) {
        try {
            run();
            QFAIL("no conversion error");
        } catch (const EConvertError &e) {
            QCOMPARE(e.message(), message);
        }
    }
    QCOMPARE(span(tx, 0, 60), QByteArray(61, char(kFill))); // not one byte written
    validateChannelPlan(MemoryChannelTexts()); // the initial plan can be written
}

QTEST_GUILESS_MAIN(TestChannelCodec)
#include "tst_channelcodec.moc"
