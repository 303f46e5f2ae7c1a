// The radio-sim executable: --link keeping a stable name for its pty.
#include <QElapsedTimer>
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

    // --delay answers late, --repeat-acks twice: the faults a person tries the program with.
    void slowRadioThatRepeatsItself()
    {
        QProcess sim;
        sim.start(QStringLiteral(RADIO_SIM_BINARY), {QStringLiteral("--delay"), QStringLiteral("400"),
                                                     QStringLiteral("--repeat-acks")});
        QTRY_VERIFY_WITH_TIMEOUT(sim.canReadLine(), 30000);
        const QByteArray path = sim.readLine().trimmed().mid(int(sizeof "radio-sim: serving on ") - 1);
        const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY);
        QVERIFY(fd >= 0);
        QElapsedTimer answeredAfter;
        answeredAfter.start();
        QCOMPARE(::write(fd, "PROGRAM", 7), ssize_t(7));
        QByteArray answer;
        pollfd p{fd, POLLIN, 0};
        while (answer.size() < 2 && ::poll(&p, 1, 10000) == 1) {
            char buf[8];
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0)
                break;
            answer.append(buf, n);
        }
        ::close(fd);
        QCOMPARE(answer, QByteArray(2, 0x06));
        QVERIFY(answeredAfter.elapsed() >= 400);
        sim.terminate();
        QVERIFY(sim.waitForFinished(30000));

        QProcess bad;
        bad.start(QStringLiteral(RADIO_SIM_BINARY), {QStringLiteral("--delay"), QStringLiteral("soon")});
        QVERIFY(bad.waitForFinished(30000));
        QCOMPARE(bad.exitCode(), 1);
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
