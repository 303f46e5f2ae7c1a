// The radio-sim executable: --link keeping a stable name for its pty.
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

class TestRadioSimCommand : public QObject {
    Q_OBJECT

private slots:
    // A stale link from a killed run is replaced; the radio answers through the link; the link
    // goes with the process.
    void linkNamesThePtyWhileServing()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString link = dir.filePath("radio");
        QVERIFY(QFile::link(QStringLiteral("/dev/pts/stale"), link));
        QProcess sim;
        sim.start(QStringLiteral(RADIO_SIM_BINARY), {QStringLiteral("--link"), link});
        QTRY_VERIFY_WITH_TIMEOUT(sim.canReadLine(), 30000);
        const QByteArray line = sim.readLine().trimmed();
        const QByteArray prefix("radio-sim: serving on ");
        QVERIFY2(line.startsWith(prefix), line.constData());
        QCOMPARE(QFileInfo(link).symLinkTarget(), QString::fromLocal8Bit(line.mid(prefix.size())));

        const int fd = ::open(QFile::encodeName(link).constData(), O_RDWR | O_NOCTTY);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, "PROGRAM", 7), ssize_t(7));
        pollfd p{fd, POLLIN, 0};
        char answer = 0;
        const bool answered = ::poll(&p, 1, 10000) == 1 && ::read(fd, &answer, 1) == 1;
        ::close(fd);
        QVERIFY(answered);
        QCOMPARE(answer, char(0x06));

        sim.terminate();
        QVERIFY(sim.waitForFinished(30000));
        QCOMPARE(sim.exitCode(), 0);
        QVERIFY(!QFileInfo(link).isSymLink());
    }

    void linkLeavesAFileAlone()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QFile file(dir.filePath("radio"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("notes") == 5);
        file.close();
        QProcess sim;
        sim.start(QStringLiteral(RADIO_SIM_BINARY), {QStringLiteral("--link"), file.fileName()});
        QVERIFY(sim.waitForFinished(30000));
        QCOMPARE(sim.exitCode(), 1);
        QVERIFY(sim.readAllStandardError().contains("not a symbolic link"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("notes"));
    }
};

QTEST_GUILESS_MAIN(TestRadioSimCommand)
#include "tst_radiosimcommand.moc"
