// The channel plan file: exact bytes on save, the line and field reader, refused files.
#include "channels/channelplan.h"
#include "channels/channeltable.h"
#include "channels/memorychanneltexts.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

QByteArray readFile(const QString &name)
{
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return f.readAll();
}

void writeFile(const QString &name, const QByteArray &bytes)
{
    QFile f(name);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray gbk(const QString &text)
{
    QStringEncoder encoder("GBK");
    return encoder.encode(text);
}

// Every cell and every setting, to see that a refused load changed nothing.
QStringList snapshot(const ChannelTexts &t)
{
    QStringList all{QString::number(t.rowCount())};
    for (int row = 0; row < t.rowCount(); ++row)
        for (int col = 0; col < kChannelColumnCount; ++col)
            all << t.cell(col, row);
    for (int i = 1; i <= kSettingCount; ++i)
        all << t.setting(i);
    return all;
}

// A well-formed file whose row 1 line is `row1`, all else as the initial window saves it.
QByteArray planWith(const QByteArray &row1)
{
    QByteArray bytes = gbk(QStringLiteral("信道编号,接收频率,发射频率,QT/DQT解码,QT/DQT编码,"
                                          "发射功率,宽/窄,扫描添加,步进频率,DTMF键1,DTMF键2,"
                                          "PTTID,扰频,可选信令,信令信息,压扩\r\n"));
    bytes += row1 + "\r\n";
    for (int n = 2; n <= 16; ++n)
        bytes += QByteArray::number(n) + QByteArray(15, ',') + "\r\n";
    bytes += gbk(QStringLiteral("无\r\n1\r\n0\r\n60\r\n中文\r\n无\r\n无\r\n开\r\n开\r\n"));
    return bytes;
}

} // namespace

class TestChannelPlan : public QObject {
    Q_OBJECT

private slots:
    void init();
    void initialWindowSaves();
    void saveLoadSave();
    void specialTextsSurvive();
    void fields_data();
    void fields();
    void lineBreaks_data();
    void lineBreaks();
    void refusedFiles_data();
    void refusedFiles();
    void failedSave_data();
    void failedSave();

private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }
};

void TestChannelPlan::init()
{
    QVERIFY(m_dir.isValid());
}

void TestChannelPlan::initialWindowSaves()
{
    MemoryChannelTexts t;
    SaveChannelPlan(t, path("initial.zq"));
    const QByteArray bytes = readFile(path("initial.zq"));
    QCOMPARE(bytes, planWith("1,,,,,,,,,,,,,,,"));
    // GBK bytes and line ends checked against an independent code table.
    QVERIFY(bytes.startsWith(QByteArray::fromHex("D0C5B5C0B1E0BAC52C")));
    QVERIFY(bytes.endsWith(QByteArray::fromHex("CEDE0D0A 310D0A 300D0A 36300D0A D6D0CEC40D0A "
                                               "CEDE0D0A CEDE0D0A BFAA0D0A BFAA0D0A")));
    QCOMPARE(bytes.count("\r\n"), 26);
    QCOMPARE(bytes.count('\n'), 26);
}

void TestChannelPlan::saveLoadSave()
{
    MemoryChannelTexts t;
    const QStringList channel{"145.12500", "145.12500", "无", "无", "高", "宽带", "有", "25000",
                              "无", "无", "无", "无", "DTMF", "1", "无"};
    for (int col = 1; col < kChannelColumnCount; ++col)
        t.setCell(col, 1, channel[col - 1]);
    t.setSetting(SetTimeOut, QStringLiteral("关"));
    t.setSetting(SetPf2, QStringLiteral("扫描+暂时删除"));
    SaveChannelPlan(t, path("a.zq"));

    MemoryChannelTexts loaded;
    loaded.setSetting(SetAlarm, QStringLiteral("关"));
    LoadChannelPlan(loaded, path("a.zq"));
    for (int col = 1; col < kChannelColumnCount; ++col) {
        QCOMPARE(loaded.cell(col, 1), channel[col - 1]);
        QCOMPARE(loaded.cell(col, 2), QStringLiteral(" ")); // empty fields come back as blanks
    }
    QCOMPARE(loaded.setting(SetTimeOut), QStringLiteral("关"));
    QCOMPARE(loaded.setting(SetPf2), QStringLiteral("扫描+暂时删除"));
    QCOMPARE(loaded.setting(SetAlarm), QStringLiteral("关")); // the alarm is not in the file

    SaveChannelPlan(loaded, path("b.zq"));
    const QByteArray second = readFile(path("b.zq"));
    const QByteArray blanks = QByteArray(R"(," ")").repeated(15);
    QVERIFY(second.contains("\r\n2" + blanks + "\r\n"));
    QVERIFY(second.contains("\r\n16" + blanks + "\r\n"));

    MemoryChannelTexts again;
    again.setSetting(SetAlarm, QStringLiteral("关"));
    LoadChannelPlan(again, path("b.zq"));
    QCOMPARE(snapshot(again), snapshot(loaded));
    SaveChannelPlan(again, path("c.zq"));
    QCOMPARE(readFile(path("c.zq")), second);
}

void TestChannelPlan::specialTextsSurvive()
{
    MemoryChannelTexts t;
    const QStringList texts{"a,b", "say \"hi\"", "\"", "tab\there", "x y", "无,有", "", "plain"};
    for (int i = 0; i < texts.size(); ++i)
        t.setCell(i + 1, 5, texts[i]);
    SaveChannelPlan(t, path("special.zq"));
    const QByteArray bytes = readFile(path("special.zq"));
    QVERIFY(bytes.contains("5,\"a,b\",\"say \"\"hi\"\"\",\"\"\"\",\"tab\there\",\"x y\","));

    MemoryChannelTexts loaded;
    LoadChannelPlan(loaded, path("special.zq"));
    for (int i = 0; i < texts.size(); ++i)
        QCOMPARE(loaded.cell(i + 1, 5), texts[i].isEmpty() ? QStringLiteral(" ") : texts[i]);
}

void TestChannelPlan::fields_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QStringList>("cells"); // columns 0 onwards; the rest must be empty

    QTest::newRow("1,145.12500 (short line)") << QByteArray("1,145.12500")
                                              << QStringList{"1", "145.12500"};
    QTest::newRow("empty line") << QByteArray() << QStringList{};
    QTest::newRow(",,") << QByteArray(",,") << QStringList{" ", " ", " "};
    QTest::newRow("a, (trailing comma)") << QByteArray("a,") << QStringList{"a", " "};
    QTest::newRow("a,<blank> (not a trailing comma)") << QByteArray("a, ") << QStringList{"a"};
    QTest::newRow("a b,c (blank separates)") << QByteArray("a b,c") << QStringList{"a", "b", "c"};
    QTest::newRow("<tab> a <tab>, b") << QByteArray("\t a \t, b") << QStringList{"a", "b"};
    QTest::newRow("\"x\"\"y\",\"\",z") << QByteArray("\"x\"\"y\",\"\",z")
                                       << QStringList{"x\"y", " ", "z"};
    QTest::newRow("\"a, b\"c") << QByteArray("\"a, b\"c") << QStringList{"a, b", "c"};
    QTest::newRow("\"unterminated, quote") << QByteArray("\"unterminated, quote")
                                           << QStringList{"unterminated, quote"};
    QTest::newRow("18 fields") << QByteArray("0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17")
                               << QStringList{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9",
                                              "10", "11", "12", "13", "14", "15"};
    QTest::newRow("GBK 无,有") << gbk(QStringLiteral("无,有")) << QStringList{"无", "有"};
}

void TestChannelPlan::fields()
{
    QFETCH(QByteArray, line);
    QFETCH(QStringList, cells);

    writeFile(path("fields.zq"), planWith(line));
    MemoryChannelTexts t;
    for (int col = 0; col < kChannelColumnCount; ++col)
        t.setCell(col, 1, QStringLiteral("old"));
    LoadChannelPlan(t, path("fields.zq"));
    for (int col = 0; col < kChannelColumnCount; ++col)
        QCOMPARE(t.cell(col, 1), cells.value(col));
    QCOMPARE(t.cell(0, 2), QStringLiteral("2"));
    QCOMPARE(t.cell(1, 2), QStringLiteral(" "));
}

void TestChannelPlan::lineBreaks_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("powerSave"); // ComboBox9, the last line

    const QByteArray plan = planWith("1,145.12500");
    QByteArray lf = plan;
    lf.replace("\r\n", "\n");
    QByteArray cr = plan;
    cr.replace("\r\n", "\r");
    QByteArray mixed = plan;
    mixed.replace("\r\n2,", "\r2,").replace("\r\n3,", "\n3,");
    QByteArray noFinalBreak = plan;
    noFinalBreak.chop(2);
    QByteArray emptyLastSetting = plan;
    emptyLastSetting.chop(gbk(QStringLiteral("开\r\n")).size());
    emptyLastSetting += "\r\n";

    QTest::newRow("CR LF") << plan << "开";
    QTest::newRow("LF") << lf << "开";
    QTest::newRow("CR") << cr << "开";
    QTest::newRow("CR, LF and CR LF mixed") << mixed << "开";
    QTest::newRow("no break after the last line") << noFinalBreak << "开";
    QTest::newRow("empty lines behind the plan") << plan + "\r\n\r\n\n" << "开";
    QTest::newRow("empty power-save line") << emptyLastSetting << "";
    QTest::newRow("NUL behind the plan") << plan + QByteArray("\0junk\r\nmore\r\n", 13) << "开";
}

void TestChannelPlan::lineBreaks()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, powerSave);

    writeFile(path("breaks.zq"), bytes);
    MemoryChannelTexts t;
    t.setSetting(SetPowerSave, QStringLiteral("old"));
    LoadChannelPlan(t, path("breaks.zq"));
    QCOMPARE(t.rowCount(), 17);
    QCOMPARE(t.cell(1, 1), QStringLiteral("145.12500"));
    QCOMPARE(t.cell(0, 3), QStringLiteral("3"));
    QCOMPARE(t.cell(0, 16), QStringLiteral("16"));
    QCOMPARE(t.setting(SetVoxLevel), QStringLiteral("无"));
    QCOMPARE(t.setting(SetPowerSave), powerSave);
}

void TestChannelPlan::refusedFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes"); // not written when null
    QTest::addColumn<QString>("message");  // %1 = the file name

    const QByteArray plan = planWith("1,145.12500");
    const QList<QByteArray> lines = plan.split('\n');
    QByteArray twenty;
    for (int i = 0; i < 20; ++i)
        twenty += lines[i] + '\n';
    const QString notPlan = QStringLiteral("File \"%1\" is not a channel plan: ");

    QTest::newRow("20 lines") << "short.zq" << twenty
                              << notPlan + "it has 20 lines, a channel plan has 26.";
    QTest::newRow("27 lines") << "long.zq" << plan + "extra\r\n"
                              << notPlan + "it has 27 lines, a channel plan has 26.";
    QTest::newRow("empty file") << "empty.zq" << QByteArray("")
                                << notPlan + "it has 0 lines, a channel plan has 26.";
    QTest::newRow("NUL in line 5") << "nul.zq" << QByteArray(plan).insert(plan.indexOf("\n4,"), '\0')
                                   << notPlan + "it has 4 lines, a channel plan has 26.";
    QTest::newRow("binary (81 30 is no GBK character)")
        << "binary.zq" << QByteArray(plan).replace("145.12500", "\x81\x30\xFE\x7F")
        << notPlan + "it is not GBK text.";
    QTest::newRow("GBK lead byte cut off at the end") << "cut.zq" << plan + "\xB6"
                                                      << notPlan + "it is not GBK text.";
    QTest::newRow("missing") << "missing.zq" << QByteArray()
                             << "Cannot open file \"%1\". No such file or directory";
    QTest::newRow("directory") << "dir.zq" << QByteArray()
                               << "Cannot open file \"%1\". Is a directory";
}

void TestChannelPlan::refusedFiles()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);

    const QString file = path(name);
    if (name == QLatin1String("dir.zq"))
        QVERIFY(QDir(m_dir.path()).mkdir(name));
    else if (!bytes.isNull())
        writeFile(file, bytes);

    MemoryChannelTexts t;
    t.setCell(1, 1, QStringLiteral("438.50000"));
    t.setCell(0, 3, QStringLiteral("x"));
    t.setSetting(SetVoxLevel, QStringLiteral("5"));
    const QStringList before = snapshot(t);
    try {
        LoadChannelPlan(t, file);
        QFAIL("the file was accepted");
    } catch (const EChannelPlanError &e) {
        QCOMPARE(e.message(), message.arg(file));
    }
    QCOMPARE(snapshot(t), before);
}

void TestChannelPlan::failedSave_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("cellText");
    QTest::addColumn<QString>("messageStart"); // %1 = the target

    QTest::newRow("target is a directory") << "adir" << "145.12500"
                                           << "Cannot create file \"%1\". Is a directory";
    QTest::newRow("directory missing") << "nodir/plan.zq" << "145.12500"
                                       << "Cannot create file \"%1\". ";
    QTest::newRow("text outside GBK") << "plan.zq" << QStringLiteral("145.12500 😀")
                                      << "Cannot save \"%1\": the text ";
    if (geteuid() != 0) // root writes anywhere
        QTest::newRow("directory read-only") << "ro/plan.zq" << "145.12500"
                                             << "Cannot create file \"%1\". ";
}

void TestChannelPlan::failedSave()
{
    QFETCH(QString, target);
    QFETCH(QString, cellText);
    QFETCH(QString, messageStart);

    const QString file = path(target);
    const QByteArray old = planWith("1,old");
    if (target == QLatin1String("adir")) {
        QVERIFY(QDir(m_dir.path()).mkdir(target));
    } else if (target.startsWith(QLatin1String("ro/"))) {
        QVERIFY(QDir(m_dir.path()).mkdir("ro"));
        writeFile(file, old);
        QVERIFY(QFile::setPermissions(path("ro"), QFile::ReadOwner | QFile::ExeOwner));
    } else if (!target.contains('/')) {
        writeFile(file, old);
    }

    const QString folder = QFileInfo(file).absolutePath();
    const QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden);
    MemoryChannelTexts t;
    t.setCell(1, 1, cellText);
    try {
        SaveChannelPlan(t, file);
        QFAIL("the save succeeded");
    } catch (const EChannelPlanError &e) {
        QVERIFY2(e.message().startsWith(messageStart.arg(file)), qPrintable(e.message()));
    }
    if (target == QLatin1String("adir"))
        QVERIFY(QFileInfo(file).isDir());
    else if (!target.startsWith(QLatin1String("nodir")))
        QCOMPARE(readFile(file), old);
    if (target.startsWith(QLatin1String("ro/")))
        QFile::setPermissions(path("ro"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // No temporary file is left behind.
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden), entries);
}

QTEST_GUILESS_MAIN(TestChannelPlan)
#include "tst_channelplan.moc"
