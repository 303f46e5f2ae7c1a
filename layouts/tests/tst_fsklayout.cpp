// The FSK queue-sync blocks: bytes to texts and back.
#include "layouts/fsklayout.h"
#include "testsupport/layoutrows.h"

#include <QTest>

namespace {

const QStringList kInitial{"ed1=100", "ed2=1000", "cb1=2400", "ed3=400", "ed4=10", "CheckBox1=1"};

QStringList decode(int block, const QString &hex, SignallingTexts &texts)
{
    const QByteArray bytes = payloadOf(hex);
    return decodeFields(fsk::blockLayout()[block], reinterpret_cast<const std::uint8_t *>(bytes.constData()), texts);
}

} // namespace

class TestFskLayout : public QObject {
    Q_OBJECT

private slots:
    void roundTrip_data()
    {
        addRoundTripColumns();

        QTest::newRow("64 00 E8 03 18 90 01 0A FF: the initial window")
            << 0 << "6400 E803 18 9001 0A FF 0000000000000000000000 00000000 00000000"
            << kInitial + QStringList{"xg1:1:1=", "xg1:2:1=", "xg1:1:2=", "xg1:2:2="};
        QTest::newRow("00 00 FF FF 0C: own queue 0, 1200 bps, side tone off, rows 1–2")
            << 0 << "0000 FFFF 0C 0000 FF 00 0000000000000000000000 0100 0000 0000 2C01"
            << QStringList{"ed1=0", "ed2=65535", "cb1=1200", "ed3=0", "ed4=255", "CheckBox1=0", "xg1:1:1=1",
                           "xg1:2:1=", "xg1:1:2=", "xg1:2:2=300"};
        QTest::newRow("block 1: row 3 in entry 0, row 9 in entry 6")
            << 1 << "0300 1E00 00000000 00000000 00000000 00000000 00000000 0900 5A00"
            << QStringList{"xg1:1:3=3", "xg1:2:3=30", "xg1:1:4=", "xg1:2:8=", "xg1:1:9=9", "xg1:2:9=90"};
        QTest::newRow("block 2: row 10 in entry 0, row 16 in entry 6")
            << 2 << "0A00 6400 00000000 00000000 00000000 00000000 00000000 1000 A000"
            << QStringList{"xg1:1:10=10", "xg1:2:10=100", "xg1:1:15=", "xg1:1:16=16", "xg1:2:16=160"};
    }

    void roundTrip()
    {
        QFETCH(int, block);
        QFETCH(QString, payload);
        QFETCH(QStringList, texts);
        MemorySignallingTexts decoded;
        QVERIFY(decode(block, payload, decoded).isEmpty());
        checkRoundTrip(fsk::blockLayout()[block], payload, texts, texts);
    }

    void oneWayRules()
    {
        MemorySignallingTexts t;
        setTexts(t, kInitial);
        // Values wider than their field keep their low bits: 70000 is 4464, 266 is 10.
        setTexts(t, {"xg1:1:1=70000", "ed4=266"});
        QCOMPARE(encodeBlock(fsk::blockLayout()[0], t).toHex(' '),
                 payloadOf("6400 E803 18 9001 0A FF 0000000000000000000000 7011").toHex(' '));

        // Only 0xFF is a side tone; a rate off the list leaves cb1 and tells once.
        const QStringList notes = decode(0, "6400 E803 30 9001 0A 01", t);
        QCOMPARE(textsOf(t, {"cb1", "CheckBox1"}), QStringList({"cb1=2400", "CheckBox1=0"}));
        QCOMPARE(notes.size(), 1);
        QVERIFY(notes[0].contains(QLatin1String(" 48 ")));
    }
};

QTEST_GUILESS_MAIN(TestFskLayout)
#include "tst_fsklayout.moc"
