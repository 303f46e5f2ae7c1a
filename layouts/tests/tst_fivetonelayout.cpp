// The five-tone blocks: bytes to texts and back, and what a write refuses.
#include "layouts/fivetonelayout.h"
#include "testsupport/layoutrows.h"

#include <QTest>

namespace {

// "table:col:row=text" for columns 1, 2, ... of one row; an empty text is not set.
QStringList cells(const QString &table, int row, const QStringList &texts)
{
    QStringList out;
    for (int c = 0; c < texts.size(); ++c)
        out << QStringLiteral("%1:%2:%3=%4").arg(table).arg(c + 1).arg(row).arg(texts[c]);
    return out;
}

QStringList initialTiming()
{
    QStringList texts{"cb1=500", "cb2=500", "cb3=500", "cb4=500"};
    for (int s = 1; s <= 5; ++s)
        texts << cells("xg1", s, {"100", "A", "E"});
    return texts;
}
const QStringList kTiming = initialTiming();

const std::uint8_t *bytesOf(const QByteArray &payload)
{
    return reinterpret_cast<const std::uint8_t *>(payload.constData());
}

} // namespace

class TestFiveToneLayout : public QObject {
    Q_OBJECT

private slots:
    void roundTrip_data()
    {
        addRoundTripColumns();

        QTest::newRow("64 0A 0E x5, 32 x4: a new window")
            << 0 << "640A0E 640A0E 640A0E 640A0E 640A0E 0000000000 32323232" << kTiming;
        QTest::newRow("FF 00 0F ... 64 05 FF 00: lengths, digits, delay 1000 <-> 100")
            << 0 << "FF000F 000102 5A0304 140506 FA0B0C 0000000000 6405FF00"
            << cells("xg1", 1, {"255", "0", "F"}) + cells("xg1", 2, {"0", "1", "2"}) + cells("xg1", 3, {"90", "3", "4"})
                   + cells("xg1", 4, {"20", "5", "6"}) + cells("xg1", 5, {"250", "B", "C"})
                   + QStringList{"cb1=1000", "cb2=50", "cb3=2550", "cb4=0"};
        QTest::newRow("block 2: row 3 12345 -> 45 23 01, kept bytes 13 and 27")
            << 2 << "452301 230100 FFFF0F 0A0000 02 07  CBED0F 000000 010000 000000 05 5A"
            << cells("xg2", 3, {"12345", "00123", "FFFFF", "0000A", "EIA", "7"})
                   + cells("xg2", 4, {"FEDCB", "00000", "00001", "00000", "ZVEI2", "90"});
        QTest::newRow("block 9: EIA+监听 0x32, 主叫/唤醒 0x81; 74, 54")
            << 9 << "32 452301 DEBC0A 81 000000 896705  74 010000 020000 54 030000 040000"
            << cells("xg3", 1, {"EIA", "12345", "监听", "ABCDE", "主叫", "00000", "唤醒", "56789"})
                   + cells("xg3", 2, {"ZVEI1", "00001", "遥晕", "00002", "巡查", "00003", "报警", "00004"});
    }

    void roundTrip()
    {
        QFETCH(int, block);
        QFETCH(QString, payload);
        QFETCH(QStringList, texts);
        QCOMPARE(fivetone::blockLayout().size(), 17);
        checkRoundTrip(fivetone::blockLayout()[block], payload, texts, texts);
    }

    // Texts that do not come back as typed, and bytes that do not come back as read.
    void writeThenRead_data()
    {
        QTest::addColumn<int>("block");
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QString>("payload");
        QTest::addColumn<QStringList>("shown");

        QTest::newRow("transmit length 300 -> 2C")
            << 0 << kTiming + QStringList{"xg1:1:2=300"} << "640A0E 2C0A0E 640A0E 640A0E 640A0E 0000000000 32323232"
            << QStringList{"xg1:1:2=44"};
        QTest::newRow("123, 1234567, ab, 0 -> 00123, 34567, 000AB, 00000")
            << 1 << cells("xg2", 1, {"123", "1234567", "ab", "0", "CCIR"}) << "230100 674523 AB0000 000000 01"
            << cells("xg2", 1, {"00123", "34567", "000AB", "00000", "CCIR"});
        QTest::newRow("rows not in use send zeros; empty standard sends 0")
            << 1 << QStringList{"xg2:5:1=CCIR"} + cells("xg2", 2, {"12345", "1", "2", "3"})
            << "0000000000000000000000000100 452301 010000 020000 030000 00"
            << QStringList{"xg2:1:1=00000", "xg2:5:1=CCIR", "xg2:6:1=", "xg2:1:2=12345"};
        QTest::newRow("a function off the list sends 0")
            << 9 << cells("xg3", 1, {"EEA", "1", "呼叫", "2", "", "3", "", "4"}) << "03 010000 020000 00 030000 040000"
            << QStringList{"xg3:3:1=通话", "xg3:5:1=通话", "xg3:7:1=通话"};
    }

    void writeThenRead()
    {
        QFETCH(int, block);
        QFETCH(QStringList, typed);
        QFETCH(QString, payload);
        QFETCH(QStringList, shown);
        const BlockLayout layout = fivetone::blockLayout();
        MemorySignallingTexts t;
        setTexts(t, typed);
        const QByteArray bytes = encodeBlock(layout[block], t);
        QCOMPARE(bytes.toHex(' '), payloadOf(payload).toHex(' '));
        decodeFields(layout[block], bytesOf(bytes), t);
        QCOMPARE(textsOf(t, shown), shown);
    }

    // Codes off the lists: a standard stays as it was, a function reads as "通话".
    void readOffTheLists()
    {
        const BlockLayout layout = fivetone::blockLayout();
        MemorySignallingTexts t;
        setTexts(t, {"xg2:5:1=EIA", "xg3:1:1=ZVEI2"});
        decodeFields(layout[1], bytesOf(payloadOf("000000 000000 000000 000000 06")), t);
        decodeFields(layout[9], bytesOf(payloadOf("97 000000 000000 FA")), t);
        decodeFields(layout[0], bytesOf(payloadOf("00 3B 10")), t);
        const QStringList expected{"xg2:5:1=EIA", "xg2:1:1=00000", "xg3:1:1=ZVEI2", "xg3:3:1=通话",
                                   "xg3:5:1=通话", "xg3:7:1=通话", "xg1:2:1=B",     "xg1:3:1=0"};
        QCOMPARE(textsOf(t, expected), expected);
    }

    void encodeErrors_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<int>("block");
        QTest::addColumn<QString>("message");

        QTest::newRow("cb1 55") << kTiming + QStringList{"cb1=55"} << 0
                                << "'5.5' is not a valid integer value\n5TONE「发送第一帧编码的延迟时间（MS）」";
        QTest::newRow("standard 2 time x") << kTiming + QStringList{"xg1:1:2=x"} << 0
                                           << "'x' is not a valid integer value\n5TONE 标准表 第 2 行「发射时长（MS）」";
        QTest::newRow("row 5 in use, a code empty")
            << QStringList{"xg2:1:5=12345"} << 3 << "'$' is not a valid integer value\n5TONE 编码表 第 5 行「第二帧编码」";
        QTest::newRow("encode standard CCIR1") << cells("xg2", 3, {"1", "1", "1", "1", "CCIR1"}) << 2
                                               << "5TONE 编码表 第 3 行「使用标准」: 'CCIR1' 不是可选值";
        QTest::newRow("decode standard eia")
            << QStringList{"xg3:1:16=eia"} << 16 << "5TONE 解码表 第 16 行「使用标准」: 'eia' 不是可选值";
    }

    void encodeErrors()
    {
        QFETCH(QStringList, texts);
        QFETCH(int, block);
        QFETCH(QString, message);
        MemorySignallingTexts t;
        setTexts(t, texts);
        QCOMPARE(encodeError(fivetone::blockLayout()[block], t), message);
    }
};

QTEST_GUILESS_MAIN(TestFiveToneLayout)
#include "tst_fivetonelayout.moc"
