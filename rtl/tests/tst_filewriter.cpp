// The checked file writer against what may stand at the target, and the private folders.
#include "rtl/filewriter.h"
#include "testsupport/restricted.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray readFile(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

bool writeFile(const QString &name, const QByteArray &bytes)
{
    QFile f(name);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

mode_t typeOf(const QString &name)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(name).constData(), &st) == 0 ? st.st_mode & S_IFMT : 0;
}

} // namespace

class TestFileWriter : public QObject {
    Q_OBJECT

private slots:
    void targets_data();
    void targets();
    void privateFolder_data();
    void privateFolder();
};

void TestFileWriter::targets_data()
{
    QTest::addColumn<QString>("at");     // what stands at out.txt: nothing, file, dir, device or link
    QTest::addColumn<QString>("linked"); // what the link points at
    QTest::addColumn<QString>("reason"); // empty when written; %1 = what is pointed at, %2 = its kind

    const QString viaLink = QStringLiteral("它是指向 %1 的链接，%1 不是普通文件（而是%2），不会被覆盖。");
    QTest::newRow("nothing") << "" << "" << "";
    QTest::newRow("regular file") << "file" << "" << "";
    QTest::newRow("link to a regular file") << "link" << "file" << "";
    QTest::newRow("dangling link") << "link" << "" << "";
    QTest::newRow("link to a device") << "link" << "device" << viaLink;
    QTest::newRow("device") << "device" << "" << "它不是普通文件（而是%2），不会被覆盖。";
    QTest::newRow("link to a FIFO") << "link" << "fifo" << viaLink;
    QTest::newRow("link to a directory") << "link" << "dir" << viaLink;
    QTest::newRow("directory") << "dir" << "" << "Is a directory";
}

void TestFileWriter::targets()
{
    QFETCH(QString, at);
    QFETCH(QString, linked);
    QFETCH(QString, reason);

    QTemporaryDir dir;
    const QString out = dir.filePath("out.txt");
    const QString thing = dir.filePath("thing");
    const auto make = [](const QString &kind, const QString &path) {
        if (kind == QLatin1String("file"))
            return writeFile(path, "old");
        if (kind == QLatin1String("dir"))
            return QDir().mkdir(path);
        if (kind == QLatin1String("fifo"))
            return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
        if (kind == QLatin1String("device"))
            return restricted::makeDevice(path);
        return true;
    };
    QVERIFY(make(linked, thing));
    QVERIFY(at == QLatin1String("link") ? QFile::link(thing, out) : make(at, out));
    const mode_t outType = typeOf(out);
    const mode_t thingType = typeOf(thing);
    const QStringList entries = QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden);

    try {
        rtl::writeFileChecked(out, "new");
        QVERIFY2(reason.isEmpty(), "written");
    } catch (const rtl::EFileWriteError &e) {
        const mode_t kind = at == QLatin1String("link") ? thingType : outType;
        const QString kindName = S_ISCHR(kind) ? "字符设备" : S_ISDIR(kind) ? "目录" : "管道";
        QCOMPARE(e.reason(), QString(reason).replace("%1", thing).replace("%2", kindName));
        QCOMPARE(e.message(), QStringLiteral("Cannot create file \"%1\". %2").arg(out, e.reason()));
    }
    if (reason.isEmpty()) {
        // A link stays a link, and what it points at gets the new content.
        QCOMPARE(readFile(out), QByteArray("new"));
        QCOMPARE(typeOf(out), mode_t(at == QLatin1String("link") ? S_IFLNK : S_IFREG));
        if (at == QLatin1String("link"))
            QCOMPARE(typeOf(thing), mode_t(S_IFREG));
    } else {
        QCOMPARE(typeOf(out), outType);
        QCOMPARE(typeOf(thing), thingType);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden), entries); // no temporary
    }
}

void TestFileWriter::privateFolder_data()
{
    QTest::addColumn<QString>("planted"); // what stands at the folder a/b or its parent a
    QTest::addColumn<QString>("why");     // empty when fine; %1 = the temporary folder

    QTest::newRow("missing parts") << "" << "";
    QTest::newRow("own folder") << "folder" << "";
    QTest::newRow("link to a folder") << "link" << "%1/a/b 是符号链接，不是真正的文件夹";
    QTest::newRow("parent is a link") << "parent link" << "%1/a 是符号链接，不是真正的文件夹";
    QTest::newRow("regular file") << "file" << "%1/a/b 不是文件夹";
    QTest::newRow("someone else's folder") << "foreign" << "%1/a/b 不属于当前用户";
}

void TestFileWriter::privateFolder()
{
    QFETCH(QString, planted);
    QFETCH(QString, why);

    QTemporaryDir dir;
    const QString elsewhere = dir.filePath("elsewhere");
    QVERIFY(QDir().mkdir(elsewhere));
    QString folder = dir.filePath("a/b");
    if (planted == QLatin1String("parent link")) {
        QVERIFY(QFile::link(elsewhere, dir.filePath("a")));
    } else if (!planted.isEmpty()) {
        QVERIFY(QDir().mkdir(dir.filePath("a")));
        if (planted == QLatin1String("link"))
            QVERIFY(QFile::link(elsewhere, folder));
        else if (planted == QLatin1String("file"))
            QVERIFY(writeFile(folder, "x"));
        else
            QVERIFY(QDir().mkdir(folder));
    }
    QString expected = QString(why).replace("%1", dir.path());
    if (planted == QLatin1String("foreign")) {
        // Root hands the folder to nobody; a user cannot give one away, so asks for one in root's.
        if (::geteuid() == 0) {
            QCOMPARE(::chown(QFile::encodeName(folder).constData(), 65534, 65534), 0);
        } else {
            folder = QStringLiteral("/usr/share/radioprog-test");
            expected = QStringLiteral("/usr/share 不属于当前用户");
        }
    }

    QString got;
    const bool made = rtl::makePrivateFolder(folder, &got);
    QCOMPARE(got, expected);
    QCOMPARE(made, why.isEmpty());
    QVERIFY(QDir(elsewhere).isEmpty()); // nothing made where a link points
    if (planted.isEmpty()) {
        for (const QString &part : {dir.filePath("a"), folder}) {
            struct stat st {};
            QCOMPARE(::lstat(QFile::encodeName(part).constData(), &st), 0);
            QVERIFY(S_ISDIR(st.st_mode));
            QCOMPARE(st.st_mode & 07777, mode_t(0700));
        }
    }
}

QTEST_GUILESS_MAIN(TestFileWriter)
#include "tst_filewriter.moc"
