// The DTMF blocks: bytes to texts and back.
#include "layouts/dtmflayout.h"
#include "testsupport/layoutrows.h"

#include <QRegularExpression>
#include <QTest>

namespace {

const QStringList kInitial{"cb1=6", "cb2=0", "cb3=100", "cb4=0", "cb5=D码", "CheckB1=1", "Edit1=12345678",
                           "cb6=关", "cb7=10", "cb8=常规", "cb9=关", "CheckB2=0"};

} // namespace

class TestDtmfLayout : public QObject {
    Q_OBJECT

private slots:
    void roundTrip_data()
    {
        addRoundTripColumns();

        QTest::newRow("06 00 0A 00 00 FF: the initial window")
            << 0 << "06 00 0A 00 00 FF 00000000 4E61BC00 FF 0A 01 00 00 08 0000000000000000" << kInitial;
        QTest::newRow("0F 0A 64 64 1E 00: D key 3000, group D, timer 关, alarm off")
            << 0 << "0F 0A 64 64 1E 00 00000000 E7030000 00 00 00 02 FF 03 0000000000000000"
            << QStringList{"cb1=15", "cb2=100", "cb3=1000", "cb4=1000", "cb5=3000", "CheckB1=0", "Edit1=999",
                           "cb6=D", "cb7=关", "cb8=关", "cb9=ID码", "CheckB2=1"};
        QTest::newRow("block 0 counts the digits of rows 1–8")
            << 0 << "06 00 0A 00 00 FF 00000000 4E61BC00 FF 0A 01 00 00 08 0301000000000009"
            << kInitial + QStringList{"xg2:1:1=123", "xg2:1:2=7", "xg2:1:3=", "xg2:1:8=123456789",
                                      "xg2:1:9=55"};
        QTest::newRow("block 1: rows 1–6, 0 for an empty cell")
            << 1 << "7B000000 00000000 15CD5B07 01000000 FFFFFF7F 00000000"
            << QStringList{"xg2:1:1=123", "xg2:1:2=", "xg2:1:3=123456789", "xg2:1:4=1", "xg2:1:5=2147483647",
                           "xg2:1:6="};
        QTest::newRow("block 3: rows 13–16 and the hidden rows 17, 18")
            << 3 << "0D000000 0E000000 0F000000 10000000 11000000 12000000"
            << QStringList{"xg2:1:13=13", "xg2:1:14=14", "xg2:1:15=15", "xg2:1:16=16", "xg2:1:17=17",
                           "xg2:1:18=18"};
    }

    void roundTrip()
    {
        QFETCH(int, block);
        QFETCH(QString, payload);
        QFETCH(QStringList, texts);
        // Block 0's digit counts are not read back.
        const QStringList shown = block == 0 ? texts.filter(QRegularExpression(QStringLiteral("^[^x]"))) : texts;
        checkRoundTrip(dtmf::blockLayout()[block], payload, texts, shown);
    }

    void readOnlyRules()
    {
        const BlockLayout layout = dtmf::blockLayout();
        MemorySignallingTexts t;
        setTexts(t, kInitial);
        setTexts(t, {"cb6=A", "cb8=连续", "cb9=告警", "xg2:1:1=00123"});
        // A leading zero is lost in the value but kept in the digit count.
        const QByteArray block0 = encodeBlock(layout[0], t);
        QCOMPARE(int(block0[20]), 5);
        QCOMPARE(encodeBlock(layout[1], t).left(4).toHex(' '), QByteArray("7b 00 00 00"));

        // Codes off the lists leave the boxes; any non-zero switch byte reads as checked.
        const QByteArray odd = payloadOf("06 00 0A 00 00 01 00000000 4E61BC00 0A 0A 07 09 02");
        decodeFields(layout[0], reinterpret_cast<const std::uint8_t *>(odd.constData()), t);
        QCOMPARE(textsOf(t, {"cb6", "cb8", "cb9", "CheckB1", "CheckB2"}),
                 QStringList({"cb6=A", "cb8=连续", "cb9=告警", "CheckB1=1", "CheckB2=1"}));
    }

    void encodeErrors_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<int>("block");
        QTest::addColumn<QString>("message");

        // The conversion's own text, then the window and the field.
        QTest::newRow("cb2 105") << QStringList{"cb2=105"} << 0
                                 << "'10.5' is not a valid integer value\nDTMF「首位数码时间（毫秒）」";
        QTest::newRow("cb5 2550") << QStringList{"cb5=2550"} << 0
                                  << "'25.5' is not a valid integer value\nDTMF「D键设定(毫秒)」";
        QTest::newRow("cb1 empty") << QStringList{"cb1="} << 0 << "'' is not a valid integer value\nDTMF「DTMF速率」";
        QTest::newRow("Edit1 1e3") << QStringList{"Edit1=1e3"} << 0 << "'1e3' is not a valid integer value\nDTMF「ID码」";
        QTest::newRow("cb6 E") << QStringList{"cb6=E"} << 0 << "DTMF「组呼码」: 'E' 不是可选值";
        QTest::newRow("cb8 typed") << QStringList{"cb8=常"} << 0 << "DTMF「呼叫告警」: '常' 不是可选值";
        QTest::newRow("row 10 abc") << QStringList{"xg2:1:10=abc"} << 2
                                    << "'abc' is not a valid integer value\nDTMF 第 10 行「自动拨号存储器」";
    }

    void encodeErrors()
    {
        QFETCH(QStringList, texts);
        QFETCH(int, block);
        QFETCH(QString, message);
        MemorySignallingTexts t;
        setTexts(t, kInitial);
        setTexts(t, texts);
        QCOMPARE(encodeError(dtmf::blockLayout()[block], t), message);
    }
};

QTEST_GUILESS_MAIN(TestDtmfLayout)
#include "tst_dtmflayout.moc"
