// The radioprog binary itself, as a script runs it: no display, each exit status, and nothing of
// the windows mapped while a command talks to the radio.
#include "channels/channelplan.h"
#include "channels/memorychanneltexts.h"
#include "cli/exitcodes.h"
#include "tools/radiosim/radiosim.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using radiosim::RadioSim;

class TestRadioprog : public QObject {
    Q_OBJECT

    RadioSim m_sim;
    QTemporaryDir m_dir;
    QString m_plan;

    // A child with no display of any kind and its own data folder.
    void prepare(QProcess &program)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.filePath(QStringLiteral("data")));
        program.setProcessEnvironment(environment);
    }
    int run(const QStringList &arguments, QByteArray *out = nullptr)
    {
        QProcess program;
        prepare(program);
        program.start(QStringLiteral(RADIOPROG_BINARY), arguments);
        if (!program.waitForFinished(120000) || program.exitStatus() != QProcess::NormalExit)
            return -1;
        if (out)
            *out = program.readAllStandardOutput();
        return program.exitCode();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        MemoryChannelTexts plan;
        const QStringList cells{"438.50000", "438.50000", "88.5", "88.5", "高", "宽带", "有", "25000",
                                "无", "无", "无", "无", "DTMF", "1", "无"};
        for (int c = 1; c <= 15; ++c)
            plan.setCell(c, 1, cells[c - 1]);
        m_plan = m_dir.filePath(QStringLiteral("plan.zq"));
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

    // While a write waits on the radio, the child has QtCore mapped and no widgets or GUI.
    void noWindowLibrariesMapped()
    {
        m_sim.holdAnswers(true);
        QProcess program;
        prepare(program);
        program.start(QStringLiteral(RADIOPROG_BINARY),
                      {QStringLiteral("write"), m_plan, QStringLiteral("--port"), m_sim.portPath()});
        QVERIFY(program.waitForStarted());
        // The handshake on the line: the command is under way.
        QTRY_VERIFY_WITH_TIMEOUT(m_sim.received().startsWith("PROGRAM"), 30000);
        QFile maps(QStringLiteral("/proc/%1/maps").arg(program.processId()));
        QVERIFY(maps.open(QIODevice::ReadOnly));
        const QByteArray mapped = maps.readAll();
        QVERIFY(mapped.contains("libQt6Core"));
        QVERIFY(!mapped.contains("libQt6Widgets") && !mapped.contains("libQt6Gui"));
        m_sim.holdAnswers(false);
        m_sim.releaseAnswers(1000);
        QVERIFY(program.waitForFinished(120000));
        QCOMPARE(program.exitCode(), int(cli::kDone));
    }

    // Every status, through the real binary.
    void exitStatus_data()
    {
        QTest::addColumn<QStringList>("arguments"); // PLAN and PORT stand for the test's own
        QTest::addColumn<int>("fault");             // 1: a silent radio, 2: channel 1 not kept
        QTest::addColumn<int>("status");
        QTest::newRow("--version") << QStringList{"--version"} << 0 << 0;
        QTest::newRow("write") << QStringList{"write", "PLAN", "--port", "PORT", "--json"} << 0 << 0;
        QTest::newRow("verify an empty radio") << QStringList{"verify", "PLAN", "--port", "PORT"} << 0 << 5;
        QTest::newRow("usage") << QStringList{"write", "PLAN"} << 0 << 1;
        QTest::newRow("refused") << QStringList{"restore", "PLAN", "--port", "PORT"} << 0 << 2;
        QTest::newRow("port error") << QStringList{"backup", "-o", "x.rimg", "--port", "/dev/nonexistent-radio"} << 0
                                    << 3;
        QTest::newRow("silent") << QStringList{"read", "-o", "x.zq", "--port", "PORT"} << 1 << 4;
        QTest::newRow("not kept") << QStringList{"write", "PLAN", "--port", "PORT", "--no-backup"} << 2 << 5;
    }
    void exitStatus()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, fault);
        QFETCH(int, status);
        for (QString &a : arguments) {
            if (a == QStringLiteral("PLAN"))
                a = m_plan;
            else if (a == QStringLiteral("PORT"))
                a = m_sim.portPath();
            else if (a.startsWith(QStringLiteral("x.")))
                a = m_dir.filePath(a);
        }
        if (fault == 1)
            m_sim.holdAnswers(true);
        if (fault == 2)
            m_sim.alterWrites(0, 1, 0, 0x01);
        QByteArray out;
        QCOMPARE(run(arguments, &out), status);
        if (arguments.contains(QStringLiteral("--json"))) {
            const QJsonObject json = QJsonDocument::fromJson(out).object();
            QCOMPARE(json.value(QStringLiteral("exitCode")).toInt(), status);
            QVERIFY(QFileInfo::exists(json.value(QStringLiteral("backup")).toString()));
            QCOMPARE(json.value(QStringLiteral("sha256")).toString().size(), 64);
        }
    }
};

QTEST_GUILESS_MAIN(TestRadioprog)
#include "tst_radioprog.moc"
