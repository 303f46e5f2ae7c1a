// Channel and general-settings blocks: texts to frame bytes and back.
#include "channels/channelcodec.h"
#include "channels/channeltable.h"
#include "channels/memorychanneltexts.h"
#include "rtl/exception.h"

#include <QTest>

#include <array>

namespace {

constexpr int kBufferSize = 20001;
constexpr quint8 kFill = 0xA5; // what earlier frames left in the buffer

using Buffer = std::array<quint8, kBufferSize>;

Buffer filledBuffer()
{
    Buffer b;
    b.fill(kFill);
    return b;
}

QByteArray span(const Buffer &b, int from, int to)
{
    return QByteArray(reinterpret_cast<const char *>(b.data()) + from, to - from + 1);
}

// Columns 1–15 of a row.
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

// A received channel frame: header, payload bytes 4–27, then three left-over bytes and 0xFF.
Buffer channelFrame(int channel, const QByteArray &payload)
{
    Buffer b{};
    b[0] = 0x57;
    b[2] = static_cast<quint8>(channel);
    b[3] = 0x20;
    std::copy(payload.begin(), payload.end(), b.begin() + 4);
    b[31] = 0xFF;
    return b;
}

const QString kMarker = QStringLiteral("marker");

} // namespace

class TestChannelCodec : public QObject {
    Q_OBJECT

private slots:
    void channelRecord_data();
    void channelRecord();
    void toneListRoundTrip();
    void keyListRoundTrip();
    void unmatchedCodesLeaveCells_data();
    void unmatchedCodesLeaveCells();
    void unmatchedTextsLeaveBytes();
    void shortToneText_data();
    void shortToneText();
    void emptyChannel_data();
    void emptyChannel();
    void zeroFrequencyEmptiesRow();
    void channelNumberOutsideTable_data();
    void channelNumberOutsideTable();
    void settingsRecord_data();
    void settingsRecord();
    void settingsDecodeOtherValues();
    void settingsFollowChannel16();
    void conversionError_data();
    void conversionError();
    void validatePlan();
};

void TestChannelCodec::channelRecord_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QByteArray>("payload"); // bytes 4–27

    QTest::newRow("145.12500 无 高 宽带 有 25000 DTMF 1 ↔ 88 6E A6 08 … A8 61 …")
        << QStringList{"145.12500", "145.12500", "无", "无", "高", "宽带", "有", "25000",
                       "无", "无", "无", "无", "DTMF", "1", "无"}
        << QByteArray::fromHex("886EA608 886EA608 FFFF FFFF FF FF FF A861 FF FF 00 00 00 00 01");
    QTest::newRow("438.50000/430.02500 88.5 023N 低 窄带 无 12500 D 0 EOT 10 FSK 16 有")
        << QStringList{"438.50000", "430.02500", "88.5", "023N", "低", "窄带", "无", "12500",
                       "D", "0", "EOT", "10", "FSK", "16", "有"}
        << QByteArray::fromHex("A0FA221A 28A9A119 7503 1720 00 00 00 D430 00 0A 03 0A FF 03 10");
    QTest::newRow("136.00000/173.99375 100.0 754I # C BOTH 5TONE 5000")
        << QStringList{"136.00000", "173.99375", "100.0", "754I", "高", "宽带", "有", "5000",
                       "#", "C", "BOTH", "1", "5TONE", "2", "无"}
        << QByteArray::fromHex("00321B08 16EF5E0A E803 F2A2 FF FF FF 8813 0C 0F 01 01 00 02 02");
    QTest::newRow("470.00000/400.01250 67.0 254.1 * A BOT 2TONE 6250")
        << QStringList{"470.00000", "400.01250", "67.0", "254.1", "低", "宽带", "无", "6250",
                       "*", "A", "BOT", "无", "2TONE", "9", "有"}
        << QByteArray::fromHex("80A1031C D4B4D717 9E02 ED09 00 FF 00 6A18 0B 0D 02 00 FF 01 09");
}

void TestChannelCodec::channelRecord()
{
    QFETCH(QStringList, texts);
    QFETCH(QByteArray, payload);
    QCOMPARE(payload.size(), 24);
    const int channel = 7;

    MemoryChannelTexts table;
    setRow(table, channel, texts);
    Buffer tx = filledBuffer();
    EncodeChannelRecord(table, channel, tx.data());
    QCOMPARE(span(tx, 0, 3), QByteArray::fromHex("57000720"));
    QCOMPARE(span(tx, 4, 27), payload);
    QCOMPARE(span(tx, 28, 30), QByteArray(3, char(kFill))); // not part of the record
    QCOMPARE(tx[31], quint8(0xFF));
    QCOMPARE(span(tx, 32, 60), QByteArray(29, char(kFill)));

    MemoryChannelTexts fresh;
    const Buffer rx = channelFrame(channel, payload);
    QCOMPARE(DecodeMemoryBlock(fresh, rx.data()), 0);
    QCOMPARE(rowTexts(fresh, channel), texts);
    QCOMPARE(fresh.cell(ColNumber, channel), QString::number(channel));

    Buffer again = filledBuffer();
    EncodeChannelRecord(fresh, channel, again.data());
    QCOMPARE(span(again, 0, 31), span(tx, 0, 31));
}

void TestChannelCodec::toneListRoundTrip()
{
    QCOMPARE(toneList().size(), 218);
    for (const QString &tone : toneList()) {
        MemoryChannelTexts table;
        setRow(table, 1, {"145.00000", "145.00000", tone, tone, "高", "宽带", "有", "25000",
                          "无", "无", "无", "无", "DTMF", "1", "无"});
        Buffer tx = filledBuffer();
        EncodeChannelRecord(table, 1, tx.data());
        MemoryChannelTexts fresh;
        DecodeMemoryBlock(fresh, tx.data());
        QVERIFY2(fresh.cell(ColRxTone, 1) == tone && fresh.cell(ColTxTone, 1) == tone,
                 qPrintable(tone));
    }
}

void TestChannelCodec::keyListRoundTrip()
{
    QCOMPARE(keyList().size(), 17);
    QSet<quint8> codes;
    for (const QString &key : keyList()) {
        MemoryChannelTexts table;
        setRow(table, 3, {"145.00000", "145.00000", "无", "无", "高", "宽带", "有", "25000",
                          key, key, "无", "无", "DTMF", "1", "无"});
        Buffer tx = filledBuffer();
        EncodeChannelRecord(table, 3, tx.data());
        QCOMPARE(tx[21], tx[22]);
        codes.insert(tx[21]);
        MemoryChannelTexts fresh;
        DecodeMemoryBlock(fresh, tx.data());
        QCOMPARE(fresh.cell(ColKey1, 3), key);
        QCOMPARE(fresh.cell(ColKey2, 3), key);
    }
    QCOMPARE(codes.size(), 17); // every key has a code of its own
}

void TestChannelCodec::unmatchedCodesLeaveCells_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("column");

    QTest::newRow("tone word 0x4000") << 13 << 0x40 << int(ColRxTone);
    QTest::newRow("tone word 0xFFFE") << 15 << 0xFF << int(ColTxTone);
    QTest::newRow("key code 16") << 21 << 16 << int(ColKey1);
    QTest::newRow("key code 0xFE") << 22 << 0xFE << int(ColKey2);
    QTest::newRow("PTTID 4") << 23 << 4 << int(ColPttId);
    QTest::newRow("signalling 4") << 26 << 4 << int(ColSignalling);
}

void TestChannelCodec::unmatchedCodesLeaveCells()
{
    QFETCH(int, byte);
    QFETCH(int, value);
    QFETCH(int, column);

    // A valid channel with one field replaced.
    QByteArray payload =
        QByteArray::fromHex("886EA608 886EA608 0000 0000 FF FF FF A861 FF FF 00 00 00 00 01");
    if (byte == 15)
        payload[10] = char(0xFE);
    payload[byte - 4] = char(value);
    MemoryChannelTexts table;
    for (int col = 1; col < kChannelColumnCount; ++col)
        table.setCell(col, 5, kMarker);
    const Buffer rx = channelFrame(5, payload);
    DecodeMemoryBlock(table, rx.data());
    QCOMPARE(table.cell(column, 5), kMarker);
    QCOMPARE(table.cell(ColRxFrequency, 5), QStringLiteral("145.12500"));
    QCOMPARE(table.cell(ColStep, 5), QStringLiteral("25000"));
}

void TestChannelCodec::unmatchedTextsLeaveBytes()
{
    MemoryChannelTexts table;
    setRow(table, 2, {"145.00000", "145.00000", "无", "无", "高", "宽带", "有", "25000", "E", "无 ",
                      "ALL", "无", "dtmf", "1", "无"});
    Buffer tx = filledBuffer();
    EncodeChannelRecord(table, 2, tx.data());
    QCOMPARE(tx[21], kFill);
    QCOMPARE(tx[22], kFill);
    QCOMPARE(tx[23], kFill);
    QCOMPARE(tx[26], kFill);
    QCOMPARE(tx[24], quint8(0));
}

void TestChannelCodec::shortToneText_data()
{
    QTest::addColumn<QString>("tone");
    QTest::addColumn<QByteArray>("word");
    QTest::addColumn<QString>("decoded");

    QTest::newRow("67") << "67" << QByteArray::fromHex("9E02") << "67.0";
    QTest::newRow("5") << "5" << QByteArray::fromHex("3200") << "5";
    QTest::newRow("254") << "254" << QByteArray::fromHex("EC09") << "254";
}

void TestChannelCodec::shortToneText()
{
    QFETCH(QString, tone);
    QFETCH(QByteArray, word);
    QFETCH(QString, decoded);

    MemoryChannelTexts table;
    setRow(table, 4, {"145.00000", "145.00000", tone, "无", "高", "宽带", "有", "25000", "无",
                      "无", "无", "无", "DTMF", "1", "无"});
    Buffer tx = filledBuffer();
    EncodeChannelRecord(table, 4, tx.data());
    QCOMPARE(span(tx, 12, 13), word);
    MemoryChannelTexts fresh;
    DecodeMemoryBlock(fresh, tx.data());
    QCOMPARE(fresh.cell(ColRxTone, 4), decoded);
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
    setRow(table, 16, {rx, "abc", "x", "y", "低", "窄带", "无", "abc", "1", "2", "EOT", "z",
                       "FSK", "q", "有"});
    Buffer tx = filledBuffer();
    EncodeChannelRecord(table, 16, tx.data());
    QCOMPARE(span(tx, 0, 3), QByteArray::fromHex("57001020"));
    QCOMPARE(span(tx, 4, 30), QByteArray(27, 0));
    QCOMPARE(tx[31], quint8(0xFF));
    QCOMPARE(span(tx, 32, 50), QByteArray(19, 0));
    QCOMPARE(tx[51], kFill);
}

void TestChannelCodec::zeroFrequencyEmptiesRow()
{
    MemoryChannelTexts table;
    for (int col = 1; col < kChannelColumnCount; ++col)
        table.setCell(col, 9, kMarker);
    const Buffer rx = channelFrame(
        9, QByteArray::fromHex("00000000 886EA608 7503 1720 FF FF FF A861 01 02 01 01 FF 01 03"));
    DecodeMemoryBlock(table, rx.data());
    QCOMPARE(rowTexts(table, 9), QStringList(15, QString()));
    QCOMPARE(table.cell(ColNumber, 9), QStringLiteral("9"));
}

void TestChannelCodec::channelNumberOutsideTable_data()
{
    QTest::addColumn<int>("channel");
    QTest::newRow("channel 0") << 0;
    QTest::newRow("channel 17") << 17;
    QTest::newRow("channel 255") << 255;
}

void TestChannelCodec::channelNumberOutsideTable()
{
    QFETCH(int, channel);
    MemoryChannelTexts table;
    const MemoryChannelTexts untouched;
    const Buffer rx = channelFrame(
        channel, QByteArray::fromHex("886EA608 886EA608 FFFF FFFF FF FF FF A861 FF FF 00 00 00 00 01"));
    QCOMPARE(DecodeMemoryBlock(table, rx.data()), 0);
    for (int row = 0; row < kChannelRowCount; ++row)
        for (int col = 0; col < kChannelColumnCount; ++col)
            QCOMPARE(table.cell(col, row), untouched.cell(col, row));
}

void TestChannelCodec::settingsRecord_data()
{
    QTest::addColumn<QStringList>("settings"); // ComboBox1…ComboBox10
    QTest::addColumn<QByteArray>("bytes4to19");

    QTest::newRow("无 1 0 60 中文 无 无 开 开 开 (initial)")
        << QStringList{"无", "1", "0", "60", "中文", "无", "无", "开", "开", "开"}
        << QByteArray::fromHex("01 01 000000000000 00 01 00 3C 01 00 00 01");
    QTest::newRow("10 3 9 180 英文 警报音 警报音 关 关 关")
        << QStringList{"10", "3", "9", "180", "英文", "警报音", "警报音", "关", "关", "关"}
        << QByteArray::fromHex("00 00 000000000000 0A 03 09 B4 02 01 01 00");
    QTest::newRow("5 2 4 关 关 无 警报音 开 关 开")
        << QStringList{"5", "2", "4", "关", "关", "无", "警报音", "开", "关", "开"}
        << QByteArray::fromHex("00 01 000000000000 05 02 04 00 00 00 01 01");
}

void TestChannelCodec::settingsRecord()
{
    QFETCH(QStringList, settings);
    QFETCH(QByteArray, bytes4to19);

    MemoryChannelTexts table;
    for (int i = 1; i <= kSettingCount; ++i)
        table.setSetting(i, settings[i - 1]);
    Buffer tx = filledBuffer();
    EncodeSettingsRecord(table, tx.data());
    QCOMPARE(span(tx, 0, 3), QByteArray::fromHex("57050020"));
    QCOMPARE(span(tx, 4, 19), bytes4to19);
    QCOMPARE(span(tx, 20, 33), QByteArray(14, char(kFill)));

    MemoryChannelTexts fresh;
    for (int i = 1; i <= kSettingCount; ++i)
        fresh.setSetting(i, kMarker);
    QCOMPARE(DecodeMemoryBlock(fresh, tx.data()), 5);
    for (int i = 1; i <= kSettingCount; ++i)
        QCOMPARE(fresh.setting(i), settings[i - 1]);
    QCOMPARE(fresh.cell(ColRxFrequency, 0), QStringLiteral("接收频率")); // no row is filled
}

void TestChannelCodec::settingsDecodeOtherValues()
{
    // Values the encoder never sends: each reads as the drop-down's fallback text.
    Buffer rx{};
    rx[0] = 0x57;
    rx[1] = 5;
    rx[4] = 2;      // power save
    rx[5] = 0xFF;   // alarm
    rx[12] = 0;     // VOX level
    rx[15] = 0;     // time-out
    rx[16] = 7;     // voice prompts
    rx[17] = 2;     // PF1
    rx[18] = 0xFF;  // PF2
    rx[19] = 9;     // scan
    MemoryChannelTexts t;
    DecodeMemoryBlock(t, rx.data());
    QCOMPARE(t.setting(SetPowerSave), QStringLiteral("关"));
    QCOMPARE(t.setting(SetAlarm), QStringLiteral("关"));
    QCOMPARE(t.setting(SetVoxLevel), QStringLiteral("无"));
    QCOMPARE(t.setting(SetTimeOut), QStringLiteral("关"));
    QCOMPARE(t.setting(SetVoicePrompts), QStringLiteral("英文"));
    QCOMPARE(t.setting(SetPf1), QStringLiteral("无"));
    QCOMPARE(t.setting(SetPf2), QStringLiteral("无"));
    QCOMPARE(t.setting(SetScan), QStringLiteral("关"));
}

void TestChannelCodec::settingsFollowChannel16()
{
    MemoryChannelTexts table;
    setRow(table, 16, {"438.50000", "430.02500", "88.5", "023N", "低", "窄带", "无", "12500", "D",
                       "0", "EOT", "10", "FSK", "16", "有"});
    Buffer tx = filledBuffer();
    EncodeChannelRecord(table, 16, tx.data());
    const QByteArray channelTail = span(tx, 20, 31);
    EncodeSettingsRecord(table, tx.data());
    QCOMPARE(span(tx, 20, 31), channelTail);
    QCOMPARE(tx[31], quint8(0xFF));
}

void TestChannelCodec::conversionError_data()
{
    QTest::addColumn<int>("column"); // 0: the setting `index` instead of a cell
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");

    const QString f = QStringLiteral("'%1' is not a valid floating point value");
    const QString i = QStringLiteral("'%1' is not a valid integer value");
    QTest::newRow("RX abc") << 1 << 0 << "abc" << f.arg("abc");
    QTest::newRow("TX empty") << 2 << 0 << "" << f.arg("");
    QTest::newRow("RX 145.1234567") << 1 << 0 << "145.1234567" << i.arg("145123456.7");
    QTest::newRow("RX 5000 (beyond 32 bits)") << 1 << 0 << "5000" << i.arg("5000000000");
    QTest::newRow("tone ab") << 3 << 0 << "ab" << f.arg("ab");
    QTest::newRow("tone 88.55") << 4 << 0 << "88.55" << i.arg("885.5");
    QTest::newRow("tone empty") << 4 << 0 << "" << f.arg("");
    QTest::newRow("step 6.25k") << 8 << 0 << "6.25k" << i.arg("6.25k");
    QTest::newRow("scrambler x") << 12 << 0 << "x" << i.arg("x");
    QTest::newRow("signalling information 无") << 14 << 0 << "无" << i.arg("无");
    QTest::newRow("VOX level x") << 0 << int(SetVoxLevel) << "x" << i.arg("x");
    QTest::newRow("VOX delay empty") << 0 << int(SetVoxDelay) << "" << i.arg("");
    QTest::newRow("squelch 关") << 0 << int(SetSquelch) << "关" << i.arg("关");
    QTest::newRow("time-out 60s") << 0 << int(SetTimeOut) << "60s" << i.arg("60s");
}

void TestChannelCodec::conversionError()
{
    QFETCH(int, column);
    QFETCH(int, index);
    QFETCH(QString, text);
    QFETCH(QString, message);

    MemoryChannelTexts table;
    setRow(table, 16, {"145.00000", "145.00000", "无", "无", "高", "宽带", "有", "25000", "无",
                       "无", "无", "无", "DTMF", "1", "无"});
    if (column > 0)
        table.setCell(column, 16, text);
    else
        table.setSetting(index, text);

    Buffer tx = filledBuffer();
    try {
        if (column > 0)
            EncodeChannelRecord(table, 16, tx.data());
        else
            EncodeSettingsRecord(table, tx.data());
        QFAIL("no conversion error");
    } catch (const EConvertError &e) {
        QCOMPARE(e.message(), message);
    }
    QCOMPARE(span(tx, 0, 60), QByteArray(61, char(kFill))); // not one byte written

    try {
        validateChannelPlan(table);
        QFAIL("the plan was accepted");
    } catch (const EConvertError &e) {
        QCOMPARE(e.message(), message);
    }
}

void TestChannelCodec::validatePlan()
{
    MemoryChannelTexts table;
    validateChannelPlan(table); // the initial plan: empty channels and the initial settings
    setRow(table, 3, {"145.00000", "x", "无", "无", "高", "宽带", "有", "25000", "无", "无", "无",
                      "无", "DTMF", "1", "无"});
    table.setCell(ColRxFrequency, 12, "y");
    table.setSetting(SetSquelch, "z");
    // The first fault in write order is the one reported.
    QVERIFY_THROWS_EXCEPTION(EConvertError, validateChannelPlan(table));
    try {
        validateChannelPlan(table);
    } catch (const EConvertError &e) {
        QCOMPARE(e.message(), QStringLiteral("'x' is not a valid floating point value"));
    }
}

QTEST_GUILESS_MAIN(TestChannelCodec)
#include "tst_channelcodec.moc"
