// The channel plan file: exact bytes on save, the line and field reader, refused files.
#include "channels/channelplan.h"
#include "channels/channeltable.h"
#include "channels/memorychanneltexts.h"
#include "testsupport/restricted.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <optional>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>

namespace {

QByteArray readFile(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void writeFile(const QString &name, const QByteArray &bytes)
{
    QFile f(name);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}

QByteArray gbk(const QString &text)
{
    return QStringEncoder("GBK").encode(text);
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
    return bytes + gbk(QStringLiteral("无\r\n1\r\n0\r\n60\r\n中文\r\n无\r\n无\r\n开\r\n开\r\n"));
}

using restricted::inChild;
using restricted::unprivileged;

// Saves `t` over `file` (holding `old`) and describes the outcome: the error or "saved", then
// whether the file still holds `old`, then the folder's entries.
QByteArray saveOutcome(const ChannelTexts &t, const QString &file, const QByteArray &old)
{
    QByteArray out;
    try {
        SaveChannelPlan(t, file);
        out = "saved";
    } catch (const EChannelPlanError &e) {
        out = e.message().toUtf8();
    }
    out += readFile(file) == old ? "\nold file intact\n" : "\nfile replaced\n";
    const QDir folder = QFileInfo(file).absoluteDir();
    return out + folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).join(' ').toUtf8();
}

} // namespace

class TestChannelPlan : public QObject {
    Q_OBJECT

private slots:
    void initialWindowSaves();
    void saveLoadSave();
    void fields_data();
    void fields();
    void refusedFiles_data();
    void refusedFiles();
    void failedSave_data();
    void failedSave();
    void fullDiskKeepsOldPlan_data();
    void fullDiskKeepsOldPlan();
    void saveWithoutTemporaryFile_data();
    void saveWithoutTemporaryFile();

private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }
};

void TestChannelPlan::initialWindowSaves()
{
    SaveChannelPlan(MemoryChannelTexts(), path("initial.zq"));
    const QByteArray bytes = readFile(path("initial.zq"));
    QCOMPARE(bytes, planWith("1,,,,,,,,,,,,,,,"));
    // GBK bytes and line ends checked against an independent code table.
    QVERIFY(bytes.startsWith(QByteArray::fromHex("D0C5B5C0B1E0BAC52C")));
    QVERIFY(bytes.endsWith(QByteArray::fromHex("CEDE0D0A 310D0A 300D0A 36300D0A D6D0CEC40D0A "
                                               "CEDE0D0A CEDE0D0A BFAA0D0A BFAA0D0A")));
    QCOMPARE(bytes.count('\n'), 26);
}

void TestChannelPlan::saveLoadSave()
{
    MemoryChannelTexts t;
    const QStringList texts{"145.12500", "a,b", "say \"hi\"", "\"", "tab\there", "x y", "无,有",
                            "", "扫描+暂时删除"};
    for (int i = 0; i < texts.size(); ++i)
        t.setCell(i + 1, 1, texts[i]);
    t.setSetting(SetPf2, QStringLiteral("扫描+暂时删除"));
    SaveChannelPlan(t, path("a.zq"));
    QVERIFY(readFile(path("a.zq"))
                .contains(R"(1,145.12500,"a,b","say ""hi""","""","tab)" "\t" R"(here","x y",)"));

    MemoryChannelTexts loaded;
    loaded.setSetting(SetAlarm, QStringLiteral("关")); // the alarm is not in the file
    LoadChannelPlan(loaded, path("a.zq"));
    for (int i = 0; i < texts.size(); ++i)
        QCOMPARE(loaded.cell(i + 1, 1), texts[i].isEmpty() ? QStringLiteral(" ") : texts[i]);
    QCOMPARE(loaded.cell(1, 2), QStringLiteral(" ")); // empty fields come back as blanks
    QCOMPARE(loaded.setting(SetPf2), QStringLiteral("扫描+暂时删除"));
    QCOMPARE(loaded.setting(SetAlarm), QStringLiteral("关"));

    SaveChannelPlan(loaded, path("b.zq"));
    const QByteArray second = readFile(path("b.zq"));
    QVERIFY(second.contains("\r\n16" + QByteArray(R"(," ")").repeated(15) + "\r\n"));
    MemoryChannelTexts again;
    again.setSetting(SetAlarm, QStringLiteral("关"));
    LoadChannelPlan(again, path("b.zq"));
    QCOMPARE(snapshot(again), snapshot(loaded));
    SaveChannelPlan(again, path("c.zq"));
    QCOMPARE(readFile(path("c.zq")), second);
}

void TestChannelPlan::fields_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("cells"); // row 1 from column 0; the rest must be empty

    QTest::newRow("1,145.12500 (short line)") << planWith("1,145.12500")
                                              << QStringList{"1", "145.12500"};
    QTest::newRow("empty line") << planWith("") << QStringList{};
    QTest::newRow(",,") << planWith(",,") << QStringList{" ", " ", " "};
    QTest::newRow("a, (trailing comma)") << planWith("a,") << QStringList{"a", " "};
    QTest::newRow("a,<blank>") << planWith("a, ") << QStringList{"a"};
    QTest::newRow("<tab> a b <tab>, c") << planWith("\t a b \t, c") << QStringList{"a", "b", "c"};
    QTest::newRow("\"x\"\"y\",\"\",\"a, b\"c") << planWith(R"("x""y","","a, b"c)")
                                               << QStringList{"x\"y", " ", "a, b", "c"};
    QTest::newRow("\"unterminated, quote") << planWith("\"unterminated, quote")
                                           << QStringList{"unterminated, quote"};
    QTest::newRow("18 fields") << planWith("0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17")
                               << QString("0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15").split(' ');
    const QByteArray plan = planWith("1,145.12500");
    QTest::newRow("LF") << QByteArray(plan).replace("\r\n", "\n") << QStringList{"1", "145.12500"};
    QTest::newRow("CR") << QByteArray(plan).replace("\r\n", "\r") << QStringList{"1", "145.12500"};
    QTest::newRow("no break after the last line") << plan.chopped(2)
                                                  << QStringList{"1", "145.12500"};
    QTest::newRow("empty lines and NUL behind the plan")
        << plan + QByteArray("\r\n\n\0junk\r\n", 10) << QStringList{"1", "145.12500"};
}

void TestChannelPlan::fields()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, cells);

    writeFile(path("fields.zq"), file);
    MemoryChannelTexts t;
    for (int col = 0; col < kChannelColumnCount; ++col)
        t.setCell(col, 1, QStringLiteral("old"));
    t.setSetting(SetPowerSave, QStringLiteral("old"));
    LoadChannelPlan(t, path("fields.zq"));
    for (int col = 0; col < kChannelColumnCount; ++col)
        QCOMPARE(t.cell(col, 1), cells.value(col));
    QCOMPARE(t.cell(0, 16), QStringLiteral("16"));
    QCOMPARE(t.setting(SetPowerSave), QStringLiteral("开")); // line 26
}

void TestChannelPlan::refusedFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes"); // not written when null
    QTest::addColumn<QString>("message");  // %1 = the file name

    const QByteArray plan = planWith("1,145.12500");
    const QString lines = QStringLiteral("File \"%1\" is not a channel plan: it has %2 lines, a "
                                         "channel plan has 26.");
    const QString notGbk = QStringLiteral("File \"%1\" is not a channel plan: it is not GBK text.");
    qsizetype end = 0;
    for (int n = 0; n < 20; ++n)
        end = plan.indexOf('\n', end) + 1;
    QTest::newRow("20 lines") << "short.zq" << plan.left(end)
                              << lines.arg("%1", "20");
    QTest::newRow("27 lines") << "long.zq" << plan + "x\r\n" << lines.arg("%1", "27");
    QTest::newRow("empty file") << "empty.zq" << QByteArray("") << lines.arg("%1", "0");
    QTest::newRow("NUL in line 5") << "nul.zq" << QByteArray(plan).replace("\r\n4,", "\r\n\0"_qba)
                                   << lines.arg("%1", "4");
    QTest::newRow("binary 81 30 FE 7F") << "binary.zq" << QByteArray(plan).replace("1,1", "\x81\x30\xFE\x7F")
                                        << notGbk;
    QTest::newRow("GBK lead byte cut off at the end") << "cut.zq" << plan + "\xB6" << notGbk;
    QTest::newRow("missing") << "missing.zq" << QByteArray()
                             << "Cannot open file \"%1\". No such file or directory";
    QTest::newRow("directory") << "dir.zq" << QByteArray() << "Cannot open file \"%1\". Is a directory";
    const QString notRegular = QStringLiteral("Cannot open file \"%1\". 它不是普通文件（而是管道、设备或套接字），"
                                              "不能作为写频文件读取。");
    QTest::newRow("FIFO") << "fifo.zq" << QByteArray() << notRegular;
    QTest::newRow("/dev/zero") << "/dev/zero" << QByteArray() << notRegular;
    QTest::newRow("1 MB + 1 byte") << "big.zq" << QByteArray(1024 * 1024 + 1, 'a')
                                   << "Cannot open file \"%1\". 文件有 1048577 字节，超过 1 MB：写频文件只有约 "
                                      "0.5 KB，这不是写频文件。";
    QTest::newRow("1 MB is read") << "mb.zq" << QByteArray(1024 * 1024, 'a') << lines.arg("%1", "1");
}

void TestChannelPlan::refusedFiles()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);

    const QString file = name.startsWith(u'/') ? name : path(name);
    if (name == QLatin1String("dir.zq"))
        QVERIFY(QDir(m_dir.path()).mkdir(name));
    else if (name == QLatin1String("fifo.zq"))
        QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
    else if (!bytes.isNull())
        writeFile(file, bytes);
    MemoryChannelTexts t;
    t.setCell(1, 1, QStringLiteral("438.50000"));
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

    QTest::newRow("target is a directory") << "adir" << "1"
                                           << "Cannot create file \"%1\". Is a directory";
    QTest::newRow("link to a device") << "link.zq" << "1" << "Cannot create file \"%1\". 它是指向 ";
    const QString notStorable = QStringLiteral("Cannot save \"%1\": the text \"%2\" cannot be "
                                               "stored in a channel plan file.");
    QTest::newRow("text outside GBK") << "plan.zq" << QStringLiteral("1 😀")
                                      << notStorable.arg("%1", QStringLiteral("1 😀"));
    QTest::newRow("line break") << "plan.zq" << "1\n2" << notStorable.arg("%1", "1\n2");
}

void TestChannelPlan::failedSave()
{
    QFETCH(QString, target);
    QFETCH(QString, cellText);
    QFETCH(QString, messageStart);

    const QString file = path(target);
    const QByteArray old = planWith("1,old");
    QDir(m_dir.path()).mkpath(QFileInfo(target).path());
    const QString device = path("device");
    if (target == QLatin1String("adir"))
        QVERIFY(QDir(m_dir.path()).mkdir(target));
    else if (target == QLatin1String("link.zq"))
        QVERIFY(restricted::makeDevice(device) && QFile::link(device, file));
    else
        writeFile(file, old);
    const QString folder = QFileInfo(file).absolutePath();
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    const QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden);

    MemoryChannelTexts t;
    t.setCell(1, 1, cellText);
    try {
        SaveChannelPlan(t, file);
        QFAIL("the save succeeded");
    } catch (const EChannelPlanError &e) {
        QVERIFY2(e.message().startsWith(messageStart.arg(file)), qPrintable(e.message()));
    }
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden), entries); // no temporary
    if (target == QLatin1String("link.zq"))
        QVERIFY(QFileInfo(file).isSymLink() && !QFileInfo(device).isFile());
    else if (target != QLatin1String("adir"))
        QCOMPARE(readFile(file), old);
}

void TestChannelPlan::fullDiskKeepsOldPlan_data()
{
    QTest::addColumn<bool>("tmpfs");
    QTest::addColumn<QString>("reason");
    // The file size limit fails a write the way a full disk does, for root too.
    QTest::newRow("file size limit") << false << "File too large";
    QTest::newRow("full one-page tmpfs") << true << "No space left on device";
}

void TestChannelPlan::fullDiskKeepsOldPlan()
{
    QFETCH(bool, tmpfs);
    QFETCH(QString, reason);

    QTemporaryDir dir;
    const QString file = dir.filePath("plan.zq");
    const QByteArray old = planWith("1,old");
    // In a child, where the mount has a namespace of its own and the limit ends with it.
    const QByteArray outcome = inChild([&]() -> QByteArray {
        if (tmpfs
            && (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
                || ::mount("tmpfs", QFile::encodeName(dir.path()).constData(), "tmpfs", 0, "size=4k") != 0))
            return "SKIP " + QByteArray(std::strerror(errno));
        writeFile(file, old);
        std::optional<restricted::FileSizeLimit> limit;
        if (!tmpfs && !limit.emplace(64).ok()) // a fraction of the plan
            return "cannot limit the file size";
        MemoryChannelTexts t;
        t.setCell(1, 1, QStringLiteral("145.12500"));
        return saveOutcome(t, file, old);
    });
    if (outcome.startsWith("SKIP "))
        QSKIP(qPrintable("no tmpfs can be mounted here: " + outcome.mid(5)));
    QCOMPARE(QString::fromUtf8(outcome),
             QStringLiteral("Cannot create file \"%1\". %2\nold file intact\nplan.zq").arg(file, reason));
}

void TestChannelPlan::saveWithoutTemporaryFile_data()
{
    QTest::addColumn<bool>("planWritable");
    QTest::addColumn<QString>("outcome"); // %1 = the plan

    QTest::newRow("writable plan") << true << "saved\nfile replaced\nplan.zq";
    QTest::newRow("read-only plan")
        << false << "Cannot create file \"%1\". Existing file %1 is not writable\nold file intact\nplan.zq";
}

// A folder the user may not create files in, holding a plan the user may write.
void TestChannelPlan::saveWithoutTemporaryFile()
{
    QFETCH(bool, planWritable);
    QFETCH(QString, outcome);

    QTemporaryDir dir;
    const QString file = dir.filePath("plan.zq");
    const QByteArray old = planWith("1,old");
    writeFile(file, old);
    // Others (nobody, when root runs the test) may enter the folder and maybe write the plan.
    QCOMPARE(::chmod(QFile::encodeName(file).constData(), planWritable ? 0666 : 0444), 0);
    QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), 0555), 0);
    MemoryChannelTexts t;
    t.setCell(1, 1, QStringLiteral("145.12500"));
    const QByteArray got = unprivileged([&] { return saveOutcome(t, file, old); });
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);

    QCOMPARE(QString::fromUtf8(got), outcome.replace(QStringLiteral("%1"), file));
}

QTEST_GUILESS_MAIN(TestChannelPlan)
#include "tst_channelplan.moc"
