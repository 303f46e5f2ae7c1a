// The commands against the simulated radio over a pty: what each leaves in the radio and in its
// files, its exit status and its JSON.
#include "channels/channelplan.h"
#include "channels/memorychanneltexts.h"
#include "cli/commands.h"
#include "cli/exitcodes.h"
#include "image/radioimage.h"
#include "testsupport/radioblocks.h"
#include "tools/radiosim/radiosim.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <QtTest>

using radiosim::RadioSim;

namespace {

struct Ran {
    int exit = -1;
    QString out, err;
    QJsonObject json() const { return QJsonDocument::fromJson(out.toUtf8()).object(); }
};

Ran command(const QStringList &args)
{
    QBuffer out, err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    Ran ran;
    ran.exit = cli::runCommand(QStringList{QStringLiteral("radioprog")} + args, cli::Console{&out, &err, false});
    ran.out = QString::fromUtf8(out.data());
    ran.err = QString::fromUtf8(err.data());
    return ran;
}

void putChannel(MemoryChannelTexts &texts, int row, const QString &rx)
{
    const QStringList cells{rx, rx, "88.5", "023N", "高", "宽带", "有", "25000", "1", "#", "BOTH", "3", "DTMF", "1", "无"};
    for (int c = 1; c <= 15; ++c)
        texts.setCell(c, row, cells[c - 1]);
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT

    RadioSim m_sim;
    QTemporaryDir m_dir;
    QString m_plan;

    QString path(const QString &name) const { return m_dir.filePath(name); }
    QStringList port() const { return {QStringLiteral("--port"), m_sim.portPath()}; }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // The automatic backups land here, not in the user's own folder.
        qputenv("XDG_DATA_HOME", path(QStringLiteral("data")).toLocal8Bit());
        QCoreApplication::setApplicationName(QStringLiteral("radioprog-test"));
        MemoryChannelTexts plan;
        putChannel(plan, 1, QStringLiteral("145.12500"));
        putChannel(plan, 3, QStringLiteral("438.50000"));
        m_plan = path(QStringLiteral("plan.zq"));
        SaveChannelPlan(plan, m_plan);
    }
    void init()
    {
        QVERIFY(m_sim.start());
        m_sim.clearImage();
        m_sim.clearFaults();
        m_sim.clearLogs();
    }
    void cleanup() { m_sim.stop(); }

    // write: a backup first, then the plan, read back; the JSON names the backup and hashes what
    // the radio now holds. verify agrees until the radio changes, and names the field.
    void writeThenVerify()
    {
        m_sim.setBlock(5, 0, QByteArray::fromHex("0100")); // power save on, alarm off
        const Ran write = command(QStringList{"write", m_plan, "--json"} + port());
        QCOMPARE(write.exit, int(cli::kDone));
        const QJsonObject json = write.json();
        QCOMPARE(json.value("result").toString(), QStringLiteral("done"));
        QCOMPARE(json.value("message").toString(), QStringLiteral("写入成功\n读回校验通过"));
        const QString backup = json.value("backup").toString();
        QVERIFY(backup.startsWith(path("data")));
        QCOMPARE(loadRadioImage(backup).frames.size(), 17);
        QVERIFY(QDateTime::fromString(json.value("time").toString(), Qt::ISODateWithMs).isValid());
        QVERIFY(QDateTime::fromString(json.value("imageTime").toString(), Qt::ISODateWithMs).isValid());
        QByteArray held;
        for (int ch = 1; ch <= 16; ++ch)
            held += m_sim.block(0, ch);
        held += m_sim.block(5, 0);
        QCOMPARE(json.value("sha256").toString(),
                 QString::fromLatin1(QCryptographicHash::hash(held, QCryptographicHash::Sha256).toHex()));
        QCOMPARE(m_sim.block(0, 3).left(4).toHex(), QByteArray("a0fa221a")); // 438.50000 MHz
        // The plan file holds no alarm: the radio keeps its own.
        QCOMPARE(m_sim.block(5, 0).at(1), char(0));

        QCOMPARE(command(QStringList{"verify", m_plan} + port()).exit, int(cli::kDone));
        QByteArray changed = m_sim.block(0, 3);
        changed.replace(0, 4, QByteArray::fromHex("485c231a")); // 438.52500 MHz
        m_sim.setBlock(0, 3, changed);
        m_sim.clearLogs();
        const Ran verify = command(QStringList{"verify", m_plan} + port());
        QCOMPARE(verify.exit, int(cli::kDifferences));
        QVERIFY2(verify.out.contains("信道 3 接收频率: 438.50000 → 438.52500"), qPrintable(verify.out));
        QVERIFY(!m_sim.received().contains(char(0x57))); // verify writes nothing
    }

    // read, then the same plan back: the file read is the plan written.
    void readSavesThePlan()
    {
        QCOMPARE(command(QStringList{"write", m_plan, "--no-backup", "--no-verify"} + port()).exit, int(cli::kDone));
        const QString read = path("read.zq");
        const Ran ran = command(QStringList{"read", "-o", read} + port());
        QCOMPARE(ran.exit, int(cli::kDone));
        MemoryChannelTexts a, b;
        LoadChannelPlan(a, m_plan);
        LoadChannelPlan(b, read);
        for (int row = 1; row <= 16; ++row)
            for (int col = 1; col <= 15; ++col)
                QCOMPARE(b.cell(col, row).trimmed(), a.cell(col, row).trimmed());
    }

    // A backup is all 52 blocks; restored over a changed radio it puts every one back.
    void backupThenRestore()
    {
        const QMap<int, QByteArray> original = fillRadio(m_sim, 7);
        const QString image = path("radio.rimg");
        const Ran backup = command(QStringList{"backup", "-o", image, "--json"} + port());
        QCOMPARE(backup.exit, int(cli::kDone));
        QCOMPARE(backup.json().value("blocks").toInt(), 52);
        QFile file(image);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(backup.json().value("fileSha256").toString(),
                 QString::fromLatin1(QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex()));
        m_sim.clearImage();
        const Ran restore = command(QStringList{"restore", image} + port());
        QCOMPARE(restore.exit, int(cli::kDone));
        QCOMPARE(restore.out.trimmed(), QStringLiteral("恢复完成，校验通过"));
        for (auto it = original.cbegin(); it != original.cend(); ++it)
            QCOMPARE(m_sim.block(keyType(it.key()), keyNumber(it.key())), it.value());
    }

    // fleet: the table checked before any byte (duplicate IDs: 2, the radio hears nothing), then
    // each radio backed up, written with its own ID and read back; the report names it passed.
    void fleetProgramsTheTable()
    {
        // The template: a radio holding the plan, backed up.
        const QString image = path("template.rimg");
        QCOMPARE(command(QStringList{"write", m_plan, "--yes", "--no-backup", "--no-verify"} + port()).exit, int(cli::kDone));
        QCOMPARE(command(QStringList{"backup", "-o", image} + port()).exit, int(cli::kDone));
        m_sim.clearLogs();
        const QString radios = path("radios.csv");
        const auto table = [&](const QString &secondId) {
            QFile file(radios);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(QStringLiteral("标签,端口,ID码,队列（自身）,ID（自身）\n电台 1,%1,1001,100,1\n电台 2,%1,%2,100,2\n").arg(m_sim.portPath(), secondId).toUtf8());
        };
        table(QStringLiteral("1001"));
        const Ran refused = command({"fleet", image, "--radios", radios, "--json"});
        QCOMPARE(refused.exit, int(cli::kRefused));
        QVERIFY(refused.json().value("message").toString().contains(QStringLiteral("相同")));
        QVERIFY(m_sim.received().isEmpty());

        QCOMPARE(command({"fleet", image}).exit, int(cli::kUsage));

        QFile::remove(radios);
        QFile file(radios);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("标签,端口,ID码,队列（自身）,ID（自身）\n电台 1,%1,1001,100,1\n").arg(m_sim.portPath()).toUtf8());
        file.close();
        const QString report = path("report.csv");
        const Ran ran = command({"fleet", image, "--radios", radios, "--report", report});
        QVERIFY2(ran.exit == cli::kDone, qPrintable(ran.err + ran.out));
        QVERIFY(ran.out.contains(QStringLiteral("通过 1 / 1")));
        QFile written(report);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(written.readAll()).contains(QStringLiteral(",1001,")));
    }

    // Each failure its own status, and the radio untouched where the command stops before it.
    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("args"); // PLAN, IMAGE and PORT stand for the test's own
        QTest::addColumn<int>("fault");        // 0 none, 1 silent radio, 2 a channel not kept
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("says");
        QTest::newRow("unknown command") << QStringList{"flash"} << 0 << 1 << "未知的命令：flash";
        QTest::newRow("no port") << QStringList{"read", "-o", "x.zq"} << 0 << 1 << "缺少 --port";
        QTest::newRow("no output") << QStringList{"backup", "--port", "PORT"} << 0 << 1 << "缺少 -o";
        QTest::newRow("unknown option") << QStringList{"verify", "PLAN", "--port", "PORT", "--force"} << 0 << 1
                                        << "force";
        QTest::newRow("not a plan") << QStringList{"write", "IMAGE", "--port", "PORT"} << 0 << 2 << "";
        QTest::newRow("not an image") << QStringList{"restore", "PLAN", "--port", "PORT"} << 0 << 2 << "";
        QTest::newRow("warnings without --yes") << QStringList{"write", "WARN", "--port", "PORT"} << 0 << 2
                                                << "写入前请检查以下可能的问题：";
        QTest::newRow("no such port") << QStringList{"read", "-o", "x.zq", "--port", "/dev/nonexistent-radio"} << 0
                                      << 3 << "/dev/nonexistent-radio";
        QTest::newRow("doctor on a missing port") << QStringList{"ports", "--port", "/dev/nonexistent-radio"} << 0
                                                  << 3 << "✘";
        QTest::newRow("silent radio") << QStringList{"write", "PLAN", "--port", "PORT", "--no-backup"} << 1 << 4
                                      << "电台停止应答";
        QTest::newRow("radio does not keep a write") << QStringList{"write", "PLAN", "--port", "PORT"} << 2 << 5
                                                     << "写入后读回校验发现电台中的数据与写入的不同：";
    }
    void exitCodes()
    {
        QFETCH(QStringList, args);
        QFETCH(int, fault);
        QFETCH(int, exit);
        QFETCH(QString, says);
        MemoryChannelTexts warned;
        putChannel(warned, 1, QStringLiteral("145.13000")); // off the 25 kHz step
        const QString warn = path("warn.zq");
        SaveChannelPlan(warned, warn);
        QFile image(path("bad.rimg"));
        QVERIFY(image.open(QIODevice::WriteOnly));
        image.write("not an image");
        image.close();
        for (QString &a : args) {
            a.replace(QStringLiteral("PLAN"), m_plan)
                .replace(QStringLiteral("IMAGE"), image.fileName())
                .replace(QStringLiteral("WARN"), warn)
                .replace(QStringLiteral("PORT"), m_sim.portPath())
                .replace(QStringLiteral("x.zq"), path("x.zq"));
        }
        if (fault == 1)
            m_sim.holdAnswers(true);
        if (fault == 2)
            m_sim.alterWrites(0, 3, 0, 0x01);
        const Ran ran = command(args);
        QCOMPARE(ran.exit, exit);
        QVERIFY2((ran.out + ran.err).contains(says), qPrintable(ran.out + ran.err));
        if (exit == cli::kRefused)
            QVERIFY(m_sim.received().isEmpty());
        // --json: the same end as one object on stdout, nothing on stderr.
        if (fault == 0) {
            const Ran json = command(args << "--json");
            QCOMPARE(json.exit, exit);
            QCOMPARE(json.json().value("exitCode").toInt(), exit);
            QVERIFY(json.err.isEmpty());
        }
    }

    // diff: two plans field by field in the window's words; a plan and the radio written from
    // it agree; a side that cannot be had stops with its own status.
    void diffSides()
    {
        MemoryChannelTexts other;
        LoadChannelPlan(other, m_plan);
        other.setCell(1, 3, QStringLiteral("438.52500"));
        const QString changed = path("changed.zq");
        SaveChannelPlan(other, changed);
        const Ran two = command({"diff", m_plan, changed, "--json"});
        QCOMPARE(two.exit, int(cli::kDifferences));
        const QJsonArray differences = two.json().value("differences").toArray();
        QCOMPARE(differences.size(), 1);
        QCOMPARE(differences.at(0).toObject().value("line").toString(),
                 QStringLiteral("信道 3 接收频率: 438.50000 → 438.52500"));

        QCOMPARE(command(QStringList{"write", m_plan, "--no-backup"} + port()).exit, int(cli::kDone));
        const Ran radio = command({"diff", m_plan, "radio:" + m_sim.portPath()});
        QVERIFY2(radio.exit == cli::kDone, qPrintable(radio.out + radio.err));
        QCOMPARE(command({"diff", m_plan, path("none.zq")}).exit, int(cli::kRefused));
        QCOMPARE(command({"diff", "radio:/dev/nonexistent-radio", m_plan}).exit, int(cli::kPortError));
        QCOMPARE(command({"diff", m_plan}).exit, int(cli::kUsage));
    }

    // --yes lets the warnings through; they are still listed.
    void yesWritesDespiteWarnings()
    {
        MemoryChannelTexts warned;
        putChannel(warned, 1, QStringLiteral("145.13000"));
        const QString warn = path("warn.zq");
        SaveChannelPlan(warned, warn);
        const Ran ran = command(QStringList{"write", warn, "--yes", "--json"} + port());
        QCOMPARE(ran.exit, int(cli::kDone));
        QCOMPARE(ran.json().value("warnings").toArray().size(), 2); // receive and transmit
        QCOMPARE(m_sim.block(0, 1).left(4).toHex(), QByteArray("1082a608")); // 145.13000 MHz
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
