// The two-tone blocks: bytes to texts and back.
#include "testsupport/layoutrows.h"
#include "layouts/twotonelayout.h"

#include <QTest>

namespace {

const QStringList kSettings{"ed1=1981", "ed2=1124", "ed3=1197", "ed4=1275", "ed5=6000", "cb1=500", "cb2=500", "cb3=500"};

// The twelve cells of decode row `row`, from "解码1" on.
QStringList decodeRow(int row, const QStringList &cells)
{
    QStringList out;
    for (int col = 1; col <= 12; ++col)
        out << QStringLiteral("xg2:%1:%2=%3").arg(col).arg(row).arg(cells.value(col - 1));
    return out;
}

const std::uint8_t *data(const QByteArray &bytes)
{
    return reinterpret_cast<const std::uint8_t *>(bytes.constData());
}

} // namespace

class TestTwoToneLayout : public QObject {
    Q_OBJECT

private slots:
    void roundTrip_data()
    {
        addRoundTripColumns();

        QTest::newRow("block 0: reset 4464, encode rows 1 and 2")
            << 0 << "0100 0200 0300 FFFF 7011 3200 E803 6400 00000000 E803 D007 FFFF 0000"
            << QStringList{"ed1=1", "ed2=2", "ed3=3", "ed4=65535", "ed5=4464", "cb1=50", "cb2=1000", "cb3=100",
                           "xg1:1:1=1000", "xg1:2:1=2000", "xg1:1:2=65535", "xg1:2:2="};
        QTest::newRow("block 1: row 3 entry 0, row 9 entry 6")
            << 1 << "2C010000 00000000 00000000 00000000 00000000 00000000 DC05C409"
            << QStringList{"xg1:1:3=300", "xg1:2:3=", "xg1:1:8=", "xg1:1:9=1500", "xg1:2:9=2500"};
        QTest::newRow("block 2: row 10 entry 0, row 16 entry 6")
            << 2 << "E8034C04 00000000 00000000 00000000 00000000 00000000 B80BFFFF"
            << QStringList{"xg1:1:10=1000", "xg1:2:10=1100", "xg1:1:11=", "xg1:1:16=3000", "xg1:2:16=65535"};
        QTest::newRow("block 3: row 1 AB DC BA CD, row 2 unused")
            << 3 << "AB0001 DC0310 BA0105 CD0209 000000000000000000000000"
            << decodeRow(1, {"AB", "无", "1", "DC", "提醒并回复", "16", "BA", "提醒", "5", "CD", "回复", "9"})
                   + decodeRow(2, {});
        QTest::newRow("block 10: rows 15 and 16")
            << 10 << "DA0202 AC0001 BD010C DB0303 CA0010 CB0001 AD0207 BC0104"
            << decodeRow(15, {"DA", "回复", "2", "AC", "无", "1", "BD", "提醒", "12", "DB", "提醒并回复", "3"})
                   + decodeRow(16, {"CA", "无", "16", "CB", "无", "1", "AD", "回复", "7", "BC", "提醒", "4"});
    }

    void roundTrip()
    {
        QFETCH(int, block);
        QFETCH(QString, payload);
        QFETCH(QStringList, texts);
        checkRoundTrip(twotone::blockLayout()[block], payload, texts, texts,
                       {"xg1:1:8=9", "xg1:1:11=9", "xg1:1:3=9", "xg1:2:3=9", "xg1:2:2=9"});
    }

    void writeOnly_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<int>("block");
        QTest::addColumn<QString>("payload");

        QTest::newRow("reset 70000 cut to 4464, tone 1981.0")
            << kSettings + QStringList{"ed5=70000", "ed1=1981.0"} << 0
            << "BD07 6404 AD04 FB04 7011 F401 F401 F401";
        QTest::newRow("row without 解码1 is zeros")
            << decodeRow(1, {"", "提醒", "3", "AB", "回复", "4", "AB", "无", "1", "AB", "无", "1"}) << 3 << "";
    }

    void writeOnly()
    {
        QFETCH(QStringList, texts);
        QFETCH(int, block);
        QFETCH(QString, payload);
        MemorySignallingTexts t;
        setTexts(t, texts);
        QCOMPARE(encodeBlock(twotone::blockLayout()[block], t).toHex(' '), payloadOf(payload).toHex(' '));
    }

    // A pair code outside A–D loses its letter, 0 empties only the pair, an unknown response
    // code leaves its cell.
    void readOnlyRules()
    {
        MemorySignallingTexts t;
        setTexts(t, decodeRow(1, {"CD", "回复", "3", "CD", "回复", "3", "CD", "回复", "3", "CD", "回复", "3"}));
        decodeFields(twotone::blockLayout()[3], data(payloadOf("1A0105 000309 AB0702 AB0001")), t);
        QCOMPARE(textsOf(t, decodeRow(1, {})),
                 decodeRow(1, {"A", "提醒", "5", "", "回复", "3", "AB", "回复", "2", "AB", "无", "1"}));
    }

    void encodeErrors_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<int>("block");
        QTest::addColumn<QString>("message");

        const QStringList used = decodeRow(1, {"AB", "无", "1", "AB", "无", "1", "AB", "无", "1", "AB", "无", "1"});
        QTest::newRow("ed1 x") << QStringList{"ed1=x"} << 0 << "'x' is not a valid floating point value\n2TONE「A音（HZ）」";
        QTest::newRow("ed2 1124.5") << QStringList{"ed2=1124.5"} << 0
                                    << "'1124.5' is not a valid integer value\n2TONE「B音（HZ）」";
        QTest::newRow("解码2 empty") << used + QStringList{"xg2:4:1="} << 3
                                     << "'$' is not a valid integer value\n2TONE 解码表 第 1 行「解码2」";
        QTest::newRow("解码4 XY") << used + QStringList{"xg2:10:1=XY"} << 3
                                  << "'$XY' is not a valid integer value\n2TONE 解码表 第 1 行「解码4」";
        // Each decode has a 提示: the one meant is named by its decode.
        QTest::newRow("解码3 提示 x") << used + QStringList{"xg2:9:1=x"} << 3
                                      << "'x' is not a valid integer value\n2TONE 解码表 第 1 行「解码3」的「提示」";
    }

    void encodeErrors()
    {
        QFETCH(QStringList, texts);
        QFETCH(int, block);
        QFETCH(QString, message);
        MemorySignallingTexts t;
        setTexts(t, kSettings);
        setTexts(t, texts);
        QCOMPARE(encodeError(twotone::blockLayout()[block], t), message);
    }
};

QTEST_GUILESS_MAIN(TestTwoToneLayout)
#include "tst_twotonelayout.moc"
