// The five-tone blocks: bytes to texts and back, and what a write refuses.
#include "signalling/fivetonelayout.h"
#include "signalling/tests/layoutrows.h"

#include <QTest>

namespace {

// Block 0 of a new window.
const QStringList kTiming{"xg1:1:1=100", "xg1:2:1=A", "xg1:3:1=E", "xg1:1:2=100", "xg1:2:2=A", "xg1:3:2=E",
                          "xg1:1:3=100", "xg1:2:3=A", "xg1:3:3=E", "xg1:1:4=100", "xg1:2:4=A", "xg1:3:4=E",
                          "xg1:1:5=100", "xg1:2:5=A", "xg1:3:5=E", "cb1=500",     "cb2=500",   "cb3=500",
                          "cb4=500"};

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
        QTest::addColumn<int>("block");
        QTest::addColumn<QString>("payload");
        QTest::addColumn<QStringList>("texts");

        QTest::newRow("64 0A 0E x5, 32 x4: a new window")
            << 0 << "640A0E 640A0E 640A0E 640A0E 640A0E 0000000000 32323232" << kTiming;
        QTest::newRow("FF 00 0F ... 64 05 FF 00: lengths, digits, delay 1000 <-> 100")
            << 0 << "FF000F 000102 5A0304 140506 FA0B0C 0000000000 6405FF00"
            << QStringList{"xg1:1:1=255", "xg1:2:1=0", "xg1:3:1=F", "xg1:1:2=0",   "xg1:2:2=1",
                           "xg1:3:2=2",   "xg1:1:3=90", "xg1:2:3=3", "xg1:3:3=4",  "xg1:1:4=20",
                           "xg1:2:4=5",   "xg1:3:4=6",  "xg1:1:5=250", "xg1:2:5=B", "xg1:3:5=C",
                           "cb1=1000",    "cb2=50",     "cb3=2550",  "cb4=0"};
        QTest::newRow("block 2: row 3 12345 -> 45 23 01, row 4 keeps byte 27")
            << 2 << "452301 230100 FFFF0F 0A0000 02 00  CBED0F 000000 010000 000000 05 5A"
            << QStringList{"xg2:1:3=12345", "xg2:2:3=00123", "xg2:3:3=FFFFF", "xg2:4:3=0000A", "xg2:5:3=EIA",
                           "xg2:6:3=",      "xg2:1:4=FEDCB", "xg2:2:4=00000", "xg2:3:4=00001", "xg2:4:4=00000",
                           "xg2:5:4=ZVEI2", "xg2:6:4=90"};
        QTest::newRow("block 8: rows 15, 16, kept byte 13")
            << 8 << "010000 000000 000000 000000 03 07  020000 000000 000000 000000 04 00"
            << QStringList{"xg2:1:15=00001", "xg2:2:15=00000", "xg2:3:15=00000", "xg2:4:15=00000", "xg2:5:15=EEA",
                           "xg2:6:15=7",     "xg2:1:16=00002", "xg2:2:16=00000", "xg2:3:16=00000", "xg2:4:16=00000",
                           "xg2:5:16=ZVEI1"};
        QTest::newRow("block 9: EIA+监听 0x32, 主叫/唤醒 0x81; 74, 54")
            << 9 << "32 452301 DEBC0A 81 000000 896705  74 010000 020000 54 030000 040000"
            << QStringList{"xg3:1:1=EIA",   "xg3:2:1=12345", "xg3:3:1=监听",  "xg3:4:1=ABCDE", "xg3:5:1=主叫",
                           "xg3:6:1=00000", "xg3:7:1=唤醒",  "xg3:8:1=56789", "xg3:1:2=ZVEI1", "xg3:2:2=00001",
                           "xg3:3:2=遥晕",  "xg3:4:2=00002", "xg3:5:2=巡查",  "xg3:6:2=00003", "xg3:7:2=报警",
                           "xg3:8:2=00004"};
        QTest::newRow("block 16: rows 15, 16")
            << 16 << "05 000000 000000 00 000000 000000  21 010000 000000 00 000000 000000"
            << QStringList{"xg3:1:15=ZVEI2", "xg3:2:15=00000", "xg3:3:15=通话", "xg3:4:15=00000",
                           "xg3:6:15=00000", "xg3:8:15=00000", "xg3:1:16=CCIR",  "xg3:2:16=00001",
                           "xg3:3:16=被叫",  "xg3:4:16=00000", "xg3:6:16=00000", "xg3:8:16=00000"};
    }

    void roundTrip()
    {
        QFETCH(int, block);
        QFETCH(QString, payload);
        QFETCH(QStringList, texts);
        const BlockLayout layout = fivetone::blockLayout();
        QCOMPARE(layout.size(), 17);
        const QByteArray bytes = payloadOf(payload);

        MemorySignallingTexts decoded;
        decodeFields(layout[block], bytesOf(bytes), decoded);
        QCOMPARE(textsOf(decoded, texts), texts);

        MemorySignallingTexts typed;
        setTexts(typed, texts);
        QCOMPARE(encodeBlock(layout[block], typed).toHex(' '), bytes.toHex(' '));
    }

    // Texts that do not come back as typed.
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
            << 1 << QStringList{"xg2:1:1=123", "xg2:2:1=1234567", "xg2:3:1=ab", "xg2:4:1=0", "xg2:5:1=CCIR"}
            << "230100 674523 AB0000 000000 01"
            << QStringList{"xg2:1:1=00123", "xg2:2:1=34567", "xg2:3:1=000AB", "xg2:4:1=00000", "xg2:5:1=CCIR"};
        QTest::newRow("rows not in use send zeros; empty standard sends 0")
            << 1 << QStringList{"xg2:5:1=CCIR", "xg2:1:2=12345", "xg2:2:2=1", "xg2:3:2=2", "xg2:4:2=3"}
            << "0000000000000000000000000100 452301 010000 020000 030000 00"
            << QStringList{"xg2:1:1=00000", "xg2:5:1=CCIR", "xg2:6:1=", "xg2:1:2=12345"};
        QTest::newRow("a function off the list sends 0")
            << 9 << QStringList{"xg3:1:1=EEA", "xg3:2:1=1", "xg3:3:1=呼叫", "xg3:4:1=2", "xg3:6:1=3", "xg3:8:1=4"}
            << "03 010000 020000 00 030000 040000"
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
        setTexts(t, {"xg2:5:1=EIA", "xg2:5:2=EEA", "xg3:1:1=ZVEI2"});
        decodeFields(layout[1], bytesOf(payloadOf("0000000000000000000000000600 0000000000000000000000000000")), t);
        decodeFields(layout[9], bytesOf(payloadOf("97 000000 000000 FA")), t);
        decodeFields(layout[0], bytesOf(payloadOf("00 3B 10")), t);
        const QStringList expected{"xg2:5:1=EIA", "xg2:1:1=00000", "xg2:5:2=EEA", "xg3:1:1=ZVEI2",
                                   "xg3:3:1=通话", "xg3:5:1=通话", "xg3:7:1=通话", "xg1:2:1=B", "xg1:3:1=0"};
        QCOMPARE(textsOf(t, expected), expected);
    }

    void encodeErrors_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<int>("block");
        QTest::addColumn<QString>("message");

        QTest::newRow("cb1 55") << kTiming + QStringList{"cb1=55"} << 0 << "'5.5' is not a valid integer value";
        QTest::newRow("group code G") << kTiming + QStringList{"xg1:2:3=G"} << 0
                                      << "'$G' is not a valid integer value";
        QTest::newRow("encode row 5 in use, code empty") << QStringList{"xg2:1:5=12345"} << 3
                                                         << "'$' is not a valid integer value";
        QTest::newRow("decode row 2 in use, code empty")
            << QStringList{"xg3:1:2=CCIR", "xg3:2:2=1", "xg3:4:2=2", "xg3:6:2=3"} << 9
            << "'$' is not a valid integer value";
        QTest::newRow("code wider than 32 bits") << QStringList{"xg2:1:7=123456789"} << 4
                                                 << "'$123456789' is not a valid integer value";
        QTest::newRow("encode standard CCIR1")
            << QStringList{"xg2:1:3=1", "xg2:2:3=1", "xg2:3:3=1", "xg2:4:3=1", "xg2:5:3=CCIR1"} << 2
            << "编码表 第 3 行「使用标准」: 'CCIR1' 不是可选值";
        QTest::newRow("decode standard eia") << QStringList{"xg3:1:16=eia"} << 16
                                             << "解码表 第 16 行「使用标准」: 'eia' 不是可选值";
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
