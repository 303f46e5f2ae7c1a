// The channel table in the CSV layout radio programming tools exchange, both ways.
#include "channels/channelcodec.h"
#include "channels/channelcsv.h"
#include "channels/channellint.h"
#include "channels/channeltable.h"
#include "channels/memorychanneltexts.h"
#include "channels/plansnapshot.h"
#include "testsupport/restricted.h"

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

// The generic example list: Locations 25–149, 25 kHz apart from 145 MHz.
QByteArray genericList()
{
    QByteArray csv = "Location,Name,Frequency,Duplex,Offset,Tone,rToneFreq,cToneFreq,Mode,TStep\r\n";
    for (int location = 25; location <= 149; ++location)
        csv += QStringLiteral("%1,CH%1,%2,,0.000000,,88.5,88.5,FM,25.00\r\n")
                   .arg(location)
                   .arg(QString::number(145.0 + (location - 25) * 0.025, 'f', 6))
                   .toLatin1();
    return csv;
}

QString genericFrequency(int location)
{
    return QString::number(145.0 + (location - 25) * 0.025, 'f', 5);
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

    // One channel as spreadsheets in different locales save it.
    void fileLayouts_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<QString>("separator");
        const QByteArray comma = "Location,Name,Frequency,Duplex,Offset,Tone,rToneFreq,Mode,TStep\r\n"
                                 "3,\"North, hill\",145.125000,-,0.600000,Tone,88.5,NFM,12.50\r\n";
        QTest::newRow(", UTF-8") << comma << "UTF-8" << ",";
        QTest::newRow("; with decimal commas")
            << QByteArray("Location;Name;Frequency;Duplex;Offset;Tone;rToneFreq;Mode;TStep\r\n"
                          "3;\"Nord; Berg\";145,125000;-;0,600000;Tone;88,5;NFM;12,50\r\n")
            << "UTF-8" << ";";
        QTest::newRow("tab, quoted , and ; in the header")
            << QByteArray("Location\tName\tFrequency\tDuplex\tOffset\tTone\trToneFreq\tMode\tTStep\t\"Note, a; b, c\"\n"
                          "3\tNorth\t145.125000\t-\t0.600000\tTone\t88.5\tNFM\t12.50\t\n")
            << "UTF-8" << "\t";
        const QString named = QStringLiteral("Location,Name,Frequency,Duplex,Offset,Tone,rToneFreq,Mode,TStep\r\n"
                                             "3,北山中继,145.125000,-,0.600000,Tone,88.5,NFM,12.50\r\n");
        QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF") + named.toUtf8() << "UTF-8" << ",";
        // 对讲机 in GBK, which is not UTF-8.
        QTest::newRow("GBK")
            << QByteArray("Location,Name,Frequency,Duplex,Offset,Tone,rToneFreq,Mode,TStep\r\n"
                          "3,\xB6\xD4\xBD\xB2\xBB\xFA,145.125000,-,0.600000,Tone,88.5,NFM,12.50\r\n")
            << "GBK" << ",";
    }
    void fileLayouts()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, encoding);
        QFETCH(QString, separator);
        std::optional<ChannelCsvFile> file;
        QVERIFY_THROWS_NO_EXCEPTION(file.emplace(bytes));
        QCOMPARE(file->encoding(), encoding);
        QCOMPARE(QString(file->separator()), separator);
        MemoryChannelTexts t;
        const CsvReport report = file->importInto(t);
        QCOMPARE(report.skipped, QStringList());
        QCOMPARE(report.channels, 1);
        QCOMPARE(row(t, 3, 8), (QStringList{"145.12500", "144.52500", "无", "88.5", "高", "窄带", "有", "12500"}));
    }

    // Where the rows of the generic list land: by Location nothing fits; a chosen first row and
    // channel move the rows after it along (the first row into channel 1 is tst_plansheet's).
    void placement_data()
    {
        QTest::addColumn<int>("firstRow"); // -1: by Location
        QTest::addColumn<int>("channel");
        QTest::addColumn<QStringList>("frequencies"); // channels 1–16
        QTest::addColumn<int>("skipped");
        QTest::addColumn<QString>("firstSkipped");
        QTest::newRow("by Location") << -1 << 0 << QStringList(16) << 125
                                     << "第 2 行（Location 25）：本机只有位置 1–16";
        QStringList tail(4);
        for (int location = 100; location <= 111; ++location)
            tail << genericFrequency(location);
        QTest::newRow("Location 100 into channel 5") << 75 << 5 << tail << 38
                                                     << "第 89 行（Location 112）：落在信道 17，本机只有信道 1–16";
    }
    void placement()
    {
        QFETCH(int, firstRow);
        QFETCH(int, channel);
        QFETCH(QStringList, frequencies);
        QFETCH(int, skipped);
        QFETCH(QString, firstSkipped);
        const ChannelCsvFile file(genericList());
        QCOMPARE(file.rows().size(), 125);
        const std::optional<CsvPlacement> placement =
            firstRow < 0 ? std::optional(CsvPlacement{}) : file.placing(firstRow, channel);
        QVERIFY(placement);
        MemoryChannelTexts t;
        const CsvReport report = file.importInto(t, *placement);
        QStringList got;
        for (int r = 1; r <= kChannelCount; ++r)
            got << t.cell(ColRxFrequency, r);
        QCOMPARE(got, frequencies);
        QCOMPARE(report.channels, kChannelCount - int(frequencies.count(QString())));
        QCOMPARE(report.skipped.size(), skipped);
        QCOMPARE(report.skipped.value(0), firstSkipped);
    }

    // One rule for frequencies: typing keeps any number, the write's warnings name what is
    // outside 136–174 and 400–480 MHz, the encoder refuses what the record cannot hold, and a CSV
    // row fares the same way.
    void bandRule_data()
    {
        QTest::addColumn<QString>("frequency");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("inBand");
        QTest::addColumn<bool>("holdable");
        QTest::newRow("52.525") << "52.525" << "52.52500" << false << true;
        QTest::newRow("223.5") << "223.5" << "223.50000" << false << true;
        QTest::newRow("904.5") << "904.5" << "904.50000" << false << true;
        QTest::newRow("1294.5") << "1294.5" << "1294.50000" << false << true;
        QTest::newRow("2305.2") << "2305.2" << "2305.20000" << false << false;
        QTest::newRow("145.5") << "145.5" << "145.50000" << true << true;
        QTest::newRow("440.0") << "440.0" << "440.00000" << true << true;
    }
    void bandRule()
    {
        QFETCH(QString, frequency);
        QFETCH(QString, typed);
        QFETCH(bool, inBand);
        QFETCH(bool, holdable);
        const QString outOfBand = QStringLiteral("不在 136–174 MHz 或 400–480 MHz 频段内");
        const auto lint = [](const ChannelTexts &t) {
            QStringList out;
            for (const PlanWarning &w : lintChannelPlan(t))
                out << QStringLiteral("%1|%2|%3").arg(w.column, w.value, w.message);
            return out;
        };

        MemoryChannelTexts typing;
        typing.setCell(ColRxFrequency, 1, frequency);
        xgSetEditText(typing, ColRxFrequency, 1);
        QCOMPARE(typing.cell(ColRxFrequency, 1), typed);
        const QStringList warnings = lint(typing);
        if (inBand || !holdable)
            QCOMPARE(warnings, QStringList());
        else
            QCOMPARE(warnings, (QStringList{"接收频率|" + typed + '|' + outOfBand, "发射频率|" + typed + '|' + outOfBand}));
        bool refused = false;
        try {
            validateChannelPlan(typing);
        } catch (const rtl::Exception &) {
            refused = true;
        }
        QCOMPARE(refused, !holdable);

        MemoryChannelTexts imported;
        const CsvReport report = importChannelCsv(imported, "Location,Frequency\n1," + frequency.toLatin1() + '\n');
        if (!holdable) {
            QCOMPARE(report.channels, 0);
            QCOMPARE(report.skipped, QStringList{"第 2 行（Location 1）：接收频率 " + frequency + "00000 MHz 超出本机范围"});
            QCOMPARE(imported.cell(ColRxFrequency, 1), QString());
            return;
        }
        QCOMPARE(report.channels, 1);
        QCOMPARE(report.skipped, QStringList());
        QCOMPARE(row(imported, 1), row(typing, 1));
        QCOMPARE(lint(imported), warnings);
        if (inBand)
            QCOMPARE(report.outOfBand, QStringList());
        else
            QCOMPARE(report.outOfBand, (QStringList{"第 2 行（Location 1）：信道 1「接收频率」" + typed + ' ' + outOfBand,
                                                    "第 2 行（Location 1）：信道 1「发射频率」" + typed + ' ' + outOfBand}));
    }

    // Export and import read a frequency as the encoder does: a text finer than 1 Hz is not
    // rounded into a channel the radio was never sent.
    void frequenciesReadAsTheEncoderReadsThem_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("exported"); // Frequency, or why the channel is left out
        QTest::addColumn<QString>("imported"); // the cell, or why the row is left out
        QTest::newRow("145.125") << "145.125" << "145.125000" << "145.12500";
        QTest::newRow("145.1234567") << "145.1234567" << "信道 1：「接收频率」'145.1234567' 不是可用的频率"
                                     << "第 2 行（Location 1）：频率 145.1234567 MHz 比 1 Hz 还细";
    }
    void frequenciesReadAsTheEncoderReadsThem()
    {
        QFETCH(QString, text);
        QFETCH(QString, exported);
        QFETCH(QString, imported);
        MemoryChannelTexts t;
        setRow(t, 1, {text, text, "无", "无", "高", "宽带", "有", "25000", "无", "无", "无", "无", "DTMF", "1", "无"});
        CsvReport written;
        const QByteArray csv = channelCsv(t, &written);
        QCOMPARE(written.skipped.isEmpty() ? field(csv, 1, "Frequency") : written.skipped.value(0), exported);
        bool refused = false;
        try {
            validateChannelPlan(t);
        } catch (const rtl::Exception &) {
            refused = true;
        }
        QCOMPARE(refused, !written.skipped.isEmpty());

        MemoryChannelTexts back;
        const CsvReport read = importChannelCsv(back, "Location,Frequency\n1," + text.toLatin1() + '\n');
        QCOMPARE(read.skipped.isEmpty() ? back.cell(ColRxFrequency, 1) : read.skipped.value(0), imported);
    }

    void refusedFilesChangeNothing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("neither UTF-8 nor GBK") << QByteArray("Location,Frequency\n1,145.125,\xB6\xD4\xFF\n");
        QTest::newRow("UTF-16") << QByteArray("\xFF\xFEL\0o\0c\0a\0t\0i\0o\0n\0", 18);
        QTest::newRow("no Location column, ;") << QByteArray("Loc;Frequency\n1;145.125\n");
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
