// The channel table in the CSV layout radio programming tools exchange, both ways.
#include "channels/channelcsv.h"
#include "channels/channeltable.h"
#include "channels/memorychanneltexts.h"
#include "channels/plansnapshot.h"
#include "rtl/tests/restricted.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

namespace {

QStringList row(const ChannelTexts &t, int r, int last = 15)
{
    QStringList cells;
    for (int c = 1; c <= last; ++c)
        cells << t.cell(c, r);
    return cells;
}

void setRow(ChannelTexts &t, int r, const QStringList &cells)
{
    for (int c = 1; c <= 15; ++c)
        t.setCell(c, r, cells.value(c - 1));
}

// The fields of line `line` of exported CSV, by column name.
QString field(const QByteArray &csv, int line, const QString &column)
{
    const QList<QByteArray> lines = csv.split('\n');
    const int at = int(csvColumns().indexOf(column));
    return QString::fromUtf8(lines.value(line).trimmed().split(',').value(at));
}

} // namespace

class TestChannelCsv : public QObject {
    Q_OBJECT

private slots:
    // Receive and transmit tone cells against the tone fields, written and read back.
    void tones_data()
    {
        QTest::addColumn<QString>("rxTone");
        QTest::addColumn<QString>("txTone");
        QTest::addColumn<QString>("fields"); // Tone rToneFreq cToneFreq DtcsCode DtcsPolarity RxDtcsCode CrossMode
        QTest::newRow("none") << "无" << "无" << " 88.5 88.5 023 NN 023 Tone->Tone";
        QTest::newRow("tone out") << "无" << "67.0" << "Tone 67.0 88.5 023 NN 023 Tone->Tone";
        QTest::newRow("tone squelch") << "100.0" << "100.0" << "TSQL 100.0 100.0 023 NN 023 Tone->Tone";
        QTest::newRow("DCS, reversed in") << "023I" << "023N" << "DTCS 88.5 88.5 023 NR 023 Tone->Tone";
        QTest::newRow("two tones") << "88.5" << "254.1" << "Cross 254.1 88.5 023 NN 023 Tone->Tone";
        QTest::newRow("DCS in only") << "754I" << "无" << "Cross 88.5 88.5 023 NR 754 ->DTCS";
        QTest::newRow("DCS out only") << "无" << "754I" << "Cross 88.5 88.5 754 RN 023 DTCS->";
        QTest::newRow("tone in only") << "71.9" << "无" << "Cross 88.5 71.9 023 NN 023 ->Tone";
        QTest::newRow("tone out, DCS in") << "025N" << "62.5" << "Cross 62.5 88.5 023 NN 025 Tone->DTCS";
        QTest::newRow("DCS out, tone in") << "62.5" << "025I" << "Cross 88.5 62.5 025 RN 023 DTCS->Tone";
        QTest::newRow("two DCS codes") << "023N" << "754N" << "Cross 88.5 88.5 754 NN 023 DTCS->DTCS";
    }
    void tones()
    {
        QFETCH(QString, rxTone);
        QFETCH(QString, txTone);
        QFETCH(QString, fields);
        MemoryChannelTexts t;
        setRow(t, 4, {"145.12500", "145.12500", rxTone, txTone, "高", "宽带", "有", "25000", "无", "无", "无",
                      "无", "DTMF", "1", "无"});
        CsvReport written;
        const QByteArray csv = channelCsv(t, &written);
        QStringList got;
        for (const char *c : {"Tone", "rToneFreq", "cToneFreq", "DtcsCode", "DtcsPolarity", "RxDtcsCode", "CrossMode"})
            got << field(csv, 1, QString::fromLatin1(c));
        QCOMPARE(got.join(u' '), fields);

        MemoryChannelTexts back;
        QCOMPARE(importChannelCsv(back, csv).channels, 1);
        QCOMPARE(row(back, 4, 4), row(t, 4, 4));
    }

    // Export and import give the same table for every field CSV carries; the others of a new
    // channel take the completion defaults.
    void roundTrip()
    {
        MemoryChannelTexts t;
        setRow(t, 1, {"145.12500", "145.72500", "88.5", "88.5", "低", "窄带", "无", "12500", "D", "0", "EOT", "10",
                      "FSK", "16", "有"});
        setRow(t, 2, {"438.50000", "430.90000", "无", "754I", "高", "宽带", "有", "6250", "1", "#", "BOTH", "3",
                      "2TONE", "5", "无"});
        setRow(t, 9, {"446.00625", "146.52000", "023N", "023I", "低", "宽带", "有", "5000", "无", "无", "无", "无",
                      "DTMF", "1", "无"});
        setRow(t, 16, {"1200.00010", "1200.00010", "无", "无", "高", "窄带", "无", "10000", "无", "无", "无", "无",
                       "DTMF", "1", "无"});
        CsvReport written;
        const QByteArray csv = channelCsv(t, &written);
        QCOMPARE(written.channels, 4);
        const auto fields = [&](int line, const QStringList &columns) {
            QStringList out;
            for (const QString &column : columns)
                out << field(csv, line, column);
            return out.join(u' ');
        };
        QCOMPARE(fields(1, {"Duplex", "Offset", "Mode", "TStep", "Skip", "Power"}),
                 QStringLiteral("+ 0.600000 NFM 12.50 S 1.0W"));
        QCOMPARE(fields(2, {"Duplex", "Offset"}), QStringLiteral("- 7.600000"));
        QCOMPARE(fields(3, {"Duplex", "Offset"}), QStringLiteral("split 146.520000"));

        MemoryChannelTexts back;
        importChannelCsv(back, csv);
        const QStringList defaults{"无", "无", "无", "无", "DTMF", "1", "无"};
        for (int r : {1, 2, 9, 16})
            QCOMPARE(row(back, r), row(t, r, 8) + defaults);
        // Into the table it came from, nothing changes.
        const PlanSnapshot before = PlanSnapshot::capture(t);
        importChannelCsv(t, csv);
        QVERIFY(PlanSnapshot::capture(t) == before);
    }

    // A file as another tool writes it: LF line ends, quoted names, no Power column, rows the
    // radio cannot hold.
    void fileFromAnotherTool()
    {
        const QByteArray csv =
            "Location,Name,Frequency,Duplex,Offset,Tone,rToneFreq,cToneFreq,DtcsCode,DtcsPolarity,Mode,TStep,Skip,"
            "Comment\n"
            "1,\"Repeater, town\",439.975000,-,5.000000,Tone,88.5,88.5,023,NN,NFM,12.50,,\n"
            "2,Simplex,446.006250,,0.000000,TSQL,88.5,94.8,023,NN,FM,6.25,S,\n"
            "3,DCS,446.018750,,0.000000,DTCS,88.5,88.5,754,RN,FM,25.00,,\n"
            "17,Beyond,446.100000,,0.000000,,88.5,88.5,023,NN,FM,12.50,,\n"
            "4,Air,118.100000,,0.000000,,88.5,88.5,023,NN,AM,25.00,,\n"
            "5,Odd tone,446.025000,,0.000000,Tone,69.4,88.5,023,NN,FM,12.50,,\n";
        MemoryChannelTexts t;
        setRow(t, 1, {"145.12500", "145.12500", "无", "无", "低", "宽带", "有", "25000", "5", "无", "无", "无", "DTMF",
                      "1", "有"});
        setRow(t, 4, {"145.50000", "145.50000", "无", "无", "高", "宽带", "有", "25000", "无", "无", "无", "无", "DTMF",
                      "1", "无"});
        const CsvReport report = importChannelCsv(t, csv);
        QCOMPARE(report.channels, 3);
        // Channel 1 keeps its power, DTMF key and compander, which the file does not carry.
        QCOMPARE(row(t, 1), (QStringList{"439.97500", "434.97500", "无", "88.5", "低", "窄带", "有", "12500", "5",
                                         "无", "无", "无", "DTMF", "1", "有"}));
        QCOMPARE(row(t, 2, 8), (QStringList{"446.00625", "446.00625", "94.8", "94.8", "高", "宽带", "无", "6250"}));
        QCOMPARE(row(t, 3, 4), (QStringList{"446.01875", "446.01875", "754N", "754I"}));
        QCOMPARE(t.cell(1, 4), QStringLiteral("145.50000"));
        QCOMPARE(t.cell(1, 5), QString());
        QCOMPARE(report.skipped, (QStringList{QStringLiteral("第 5 行（Location 17）：本机只有位置 1–16"),
                                              QStringLiteral("第 6 行（Location 4）：模式「AM」本机不支持，只有 FM 和 NFM"),
                                              QStringLiteral("第 7 行（Location 5）：亚音 69.4 Hz 本机没有")}));
    }

    void refusedFilesChangeNothing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("GBK text") << QByteArray("Location,Frequency\n1,145.125,\xB6\xD4\n");
        QTest::newRow("no Frequency column") << QByteArray("Location,Name\n1,x\n");
        QTest::newRow("a channel plan file") << QByteArray("信道编号,接收频率\r\n1,145.12500\r\n");
    }
    void refusedFilesChangeNothing()
    {
        QFETCH(QByteArray, bytes);
        MemoryChannelTexts t;
        const PlanSnapshot before = PlanSnapshot::capture(t);
        QVERIFY_THROWS_EXCEPTION(EChannelCsvError, importChannelCsv(t, bytes));
        QVERIFY(PlanSnapshot::capture(t) == before);
    }

    // An export that cannot be written says why and leaves what was there as it was.
    void failedExportKeepsTheFile_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("reason"); // %1 = the device
        QTest::newRow("full disk") << "old.csv" << "File too large";
        QTest::newRow("link to a device") << "link.csv" << "它是指向 %1 的链接，%1 不是普通文件（而是";
    }
    void failedExportKeepsTheFile()
    {
        QFETCH(QString, target);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString file = dir.filePath(target);
        const QString device = dir.filePath("device");
        const QByteArray old = "Location,Frequency\r\n1,145.125\r\n";
        if (target == QLatin1String("link.csv")) {
            QVERIFY(restricted::makeDevice(device) && QFile::link(device, file));
        } else {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(old) == old.size());
        }
        MemoryChannelTexts t;
        t.setCell(ColRxFrequency, 1, QStringLiteral("145.12500"));
        t.setCell(ColRxFrequency, 2, QStringLiteral("438.50000"));
        try {
            std::optional<restricted::FileSizeLimit> fullDisk;
            if (target == QLatin1String("old.csv"))
                QVERIFY(fullDisk.emplace(old.size() + 1).ok());
            saveChannelCsv(t, file);
            QFAIL("the export succeeded");
        } catch (const EChannelCsvError &e) {
            const QString start = QStringLiteral("Cannot create file \"%1\". ").arg(file);
            QVERIFY2(e.message().startsWith(start + QString(reason).replace("%1", device)), qPrintable(e.message()));
        }
        if (target == QLatin1String("link.csv")) {
            QVERIFY(QFileInfo(file).isSymLink() && !QFileInfo(device).isFile());
        } else {
            QFile f(file);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), old);
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::System | QDir::Hidden).size(),
                 target == QLatin1String("link.csv") ? 2 : 1); // no temporary file left behind
    }
};

QTEST_GUILESS_MAIN(TestChannelCsv)
#include "tst_channelcsv.moc"
