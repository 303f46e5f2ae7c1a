// Port listing and the port doctor's checks against fake /dev, /sys, /proc and /etc trees; the
// checks that open a device run on a pty.
#include "ports/linecheck.h"
#include "ports/portaccess.h"
#include "ports/portdoctor.h"
#include "ports/portlisting.h"

#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

// A fake machine: entries "path" (empty file), "path=text", "path->target" (symlink).
struct FakeRoot {
    QTemporaryDir dir;
    PortEnvironment env;

    explicit FakeRoot(const QStringList &entries)
    {
        env.root = dir.path();
        env.user = {::getuid() + 1, {}, QStringLiteral("wang")}; // not the owner of the fake files
        env.ownPid = 4242;
        env.listDevices = [] {
            return QList<SerialDevice>{{QStringLiteral("/dev/ttyUSB0"), QStringLiteral("USB Serial"), QString(),
                                        QStringLiteral("0001"), 0x1a86, 0x7523}};
        };
        add(QStringLiteral("etc/group=dialout:x:%1:\n").arg(::getgid()));
        for (const QString &e : entries)
            add(e);
    }
    void add(const QString &entry)
    {
        const int link = entry.indexOf(QStringLiteral("->")), eq = entry.indexOf(QLatin1Char('='));
        const QString path = dir.filePath(entry.left(link >= 0 ? link : eq >= 0 ? eq : entry.size()));
        QDir().mkpath(QFileInfo(path).path());
        if (link >= 0) {
            QVERIFY(::symlink(entry.mid(link + 2).toLocal8Bit().constData(), path.toLocal8Bit().constData()) == 0);
            return;
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(eq >= 0 ? entry.mid(eq + 1).toLocal8Bit() : QByteArray());
        file.close();
        QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup));
    }
};

CheckResult resultOf(const QList<CheckResult> &results, const QString &id)
{
    for (const CheckResult &r : results)
        if (r.id == id)
            return r;
    return {};
}

// The far end of a pty whose slave the checks open; `reply` turns what arrives into the answer.
class PtyEnd {
public:
    explicit PtyEnd(std::function<QByteArray(QByteArray)> reply = {})
    {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_master >= 0 && ::grantpt(m_master) == 0 && ::unlockpt(m_master) == 0)
            path = QString::fromLocal8Bit(::ptsname(m_master));
        // The slave must stay open on this side too, or the master sees a hang-up between opens.
        m_slave = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (reply)
            m_thread = std::thread([this, reply] {
                while (!m_stop) {
                    pollfd p{m_master, POLLIN, 0};
                    if (::poll(&p, 1, 50) <= 0 || !(p.revents & POLLIN))
                        continue;
                    char buf[256];
                    const ssize_t n = ::read(m_master, buf, sizeof buf);
                    const QByteArray answer = n > 0 ? reply(QByteArray(buf, n)) : QByteArray();
                    if (!answer.isEmpty() && ::write(m_master, answer.constData(), size_t(answer.size())) < 0)
                        break;
                }
            });
    }
    ~PtyEnd()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        ::close(m_slave);
        ::close(m_master);
    }
    QString path;

private:
    int m_master = -1, m_slave = -1;
    std::atomic<bool> m_stop = false;
    std::thread m_thread;
};

} // namespace

class TestPorts : public QObject {
    Q_OBJECT

private slots:
    void listingOrdersDescribesAndExplains()
    {
        FakeRoot fake({QStringLiteral("dev/ttyUSB0"), QStringLiteral("dev/ttyUSB2"), QStringLiteral("dev/ttyUSB10"),
                       QStringLiteral("dev/ttyS0"),
                       QStringLiteral("dev/serial/by-id/usb-1a86_USB_Serial-if00-port0->../../ttyUSB0")});
        fake.env.user.groups = {::getgid()};
        fake.env.listDevices = [] {
            return QList<SerialDevice>{{QStringLiteral("/dev/ttyUSB10"), {}, {}, {}, {}, {}},
                                       {QStringLiteral("/dev/ttyUSB2"), {}, {}, {}, {}, {}},
                                       {QStringLiteral("/dev/ttyS0"), {}, {}, {}, {}, {}},
                                       {QStringLiteral("/dev/ttyUSB0"), QStringLiteral("USB Serial"), QString(),
                                        QStringLiteral("0001"), 0x1a86, 0x7523}};
        };
        QVERIFY(QFile::setPermissions(fake.dir.filePath(QStringLiteral("dev/ttyS0")), QFile::ReadOwner | QFile::WriteOwner));
        const QList<PortEntry> ports = listPorts(fake.env);
        QStringList got;
        for (const PortEntry &p : ports)
            got << p.path + QStringLiteral(" | ") + p.label();
        QCOMPARE(got, QStringList({
            QStringLiteral("/dev/ttyS0 | 无法打开: /dev/ttyS0 只允许其所有者读写 (权限 600)"),
            QStringLiteral("/dev/serial/by-id/usb-1a86_USB_Serial-if00-port0 | ttyUSB0 — USB Serial · 1a86:7523 · SN 0001"),
            QStringLiteral("/dev/ttyUSB2 | "),
            QStringLiteral("/dev/ttyUSB10 | "),
        }));
    }

    void access_data()
    {
        QTest::addColumn<bool>("inGroup");
        QTest::addColumn<QString>("members"); // of dialout in etc/group
        QTest::addColumn<QString>("expected"); // reason and fix, empty when granted
        QTest::newRow("in dialout") << true << "" << "";
        QTest::newRow("not in dialout") << false << "" << "wang 不在 dialout 组，不能读写 /dev/ttyUSB0 | "
                                                          "sudo usermod -aG dialout $USER\n然后注销并重新登录";
        QTest::newRow("added, not logged in again") << false << "root,wang"
                                                    << "wang 已加入 dialout 组，但本次登录还没有生效 | 注销后重新登录 (或重启电脑)";
    }
    void access()
    {
        QFETCH(bool, inGroup);
        QFETCH(QString, members);
        QFETCH(QString, expected);
        FakeRoot fake({QStringLiteral("dev/ttyUSB0"), QStringLiteral("etc/group=dialout:x:%1:%2\n").arg(::getgid()).arg(members)});
        if (inGroup)
            fake.env.user.groups = {::getgid()};
        const AccessVerdict v = checkAccess(fake.env, QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(v.granted, expected.isEmpty());
        QCOMPARE(v.granted ? QString() : v.reason + QStringLiteral(" | ") + v.fix, expected);
    }

    void doctor_data()
    {
        QTest::addColumn<QStringList>("tree");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("check");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says"); // in the detail or the fix

        const QString dev = QStringLiteral("dev/ttyUSB0");
        const QString brltty = QStringLiteral("lib/udev/rules.d/85-brltty.rules=# Device: 1A86:7523\n"
                                              "ENV{PRODUCT}==\"1a86/7523/*\", ENV{BRLTTY_BRAILLE_DRIVER}=\"bm\", GOTO=\"brltty_usb_run\"\n");
        const QStringList plugged{QStringLiteral("sys/bus/usb/devices/1-1/idVendor=1a86\n"),
                                  QStringLiteral("sys/bus/usb/devices/1-1/idProduct=7523\n")};
        const QString mm = QStringLiteral("proc/377/comm=ModemManager\n");
        QTest::newRow("wrong ttyUSB") << QStringList{dev} << "/dev/ttyUSB1" << "device" << int(CheckStatus::Fail)
                                      << "/dev/ttyUSB0 (USB Serial, 1a86:7523)";
        QTest::newRow("COM1 is ttyUSB0") << QStringList{dev} << "COM1" << "device" << int(CheckStatus::Pass)
                                         << "COM1 即 /dev/ttyUSB0 存在";
        QTest::newRow("not a USB cable") << QStringList{dev, QStringLiteral("dev/ttyS3")} << "/dev/ttyS3" << "device"
                                         << int(CheckStatus::Warn) << "写频线多半是: /dev/ttyUSB0";
        QTest::newRow("missing device skips the line") << QStringList{} << "/dev/ttyUSB0" << "line"
                                                       << int(CheckStatus::Skipped) << "先解决上面的问题";
        QTest::newRow("held by a monitor") << QStringList{dev, QStringLiteral("proc/812/comm=rxmonitor\n"),
                                                          QStringLiteral("proc/812/fd/3->/dev/ttyUSB0")}
                                           << "/dev/serial/by-id/x" << "holders" << int(CheckStatus::Fail) << "rxmonitor (pid 812)";
        QTest::newRow("held by this program") << QStringList{dev, QStringLiteral("proc/4242/fd/9->/dev/ttyUSB0")}
                                              << "/dev/ttyUSB0" << "holders" << int(CheckStatus::Pass) << "本程序正在使用";
        QTest::newRow("brltty claims the plugged cable") << QStringList{brltty} + plugged << "/dev/ttyUSB0" << "brltty"
                                                         << int(CheckStatus::Fail)
                                                         << "sudo ln -s /dev/null /etc/udev/rules.d/85-brltty.rules";
        QTest::newRow("brltty by ATTRS") << QStringList{dev, QStringLiteral("usr/lib/udev/rules.d/90-brltty-usb.rules="
                                                                             "SUBSYSTEM==\"usb\", ATTRS{idVendor}==\"1a86\", "
                                                                             "ATTRS{idProduct}==\"7523\", GOTO=\"run\"\n")}
                                         << "/dev/ttyUSB0" << "brltty" << int(CheckStatus::Fail) << "sudo apt-get remove brltty";
        QTest::newRow("brltty masked in /etc") << QStringList{brltty, QStringLiteral("etc/udev/rules.d/85-brltty.rules->/dev/null")} + plugged
                                               << "/dev/ttyUSB0" << "brltty" << int(CheckStatus::Pass) << "已被屏蔽";
        QTest::newRow("brltty for other devices") << QStringList{QStringLiteral("lib/udev/rules.d/85-brltty.rules="
                                                                                "ENV{PRODUCT}==\"10c4/ea60/*\"\n")} + plugged
                                                  << "/dev/ttyUSB0" << "brltty" << int(CheckStatus::Pass) << "不涉及";
        QTest::newRow("ModemManager probes") << QStringList{dev, mm} << "/dev/ttyUSB0" << "modemmanager" << int(CheckStatus::Warn)
                                             << "ATTRS{idVendor}==\"1a86\", ATTRS{idProduct}==\"7523\", ENV{ID_MM_DEVICE_IGNORE}=\"1\"";
        QTest::newRow("ModemManager told to keep off")
            << QStringList{dev, mm, QStringLiteral("sys/class/tty/ttyUSB0/dev=188:0\n"),
                           QStringLiteral("run/udev/data/c188:0=E:ID_VENDOR=1a86\nE:ID_MM_DEVICE_IGNORE=1\n")}
            << "/dev/ttyUSB0" << "modemmanager" << int(CheckStatus::Pass) << "已设为不碰 ttyUSB0";
    }
    void doctor()
    {
        QFETCH(QStringList, tree);
        QFETCH(QString, port);
        QFETCH(QString, check);
        QFETCH(int, status);
        QFETCH(QString, says);
        FakeRoot fake(tree);
        fake.add(QStringLiteral("dev/serial/by-id/x->../../ttyUSB0"));
        fake.env.user.groups = {::getgid()};
        const QList<CheckResult> results = diagnosePort(fake.env, port);
        QCOMPARE(results.size(), 7);
        const CheckResult r = resultOf(results, check);
        QCOMPARE(int(r.status), status);
        QVERIFY2((r.detail + r.fix).contains(says), qPrintable(r.detail + QLatin1Char('\n') + r.fix));
    }

    // No USB serial device at all says so first, with what to check; the device finding does not
    // say it again.
    void cable_data()
    {
        QTest::addColumn<bool>("plugged");
        QTest::addColumn<QString>("port");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says");
        QTest::newRow("cable plugged") << true << "/dev/ttyUSB0" << int(CheckStatus::Pass)
                                       << "USB 串口设备: /dev/ttyUSB0 (USB Serial, 1a86:7523)";
        QTest::newRow("no cable, no port") << false << "/dev/ttyUSB0" << int(CheckStatus::Fail) << "没有找到写频线";
        // A built-in port may still carry a cable of the old kind.
        QTest::newRow("no cable, built-in port") << false << "/dev/ttyS0" << int(CheckStatus::Warn) << "自动重新检查";
    }
    void cable()
    {
        QFETCH(bool, plugged);
        QFETCH(QString, port);
        QFETCH(int, status);
        QFETCH(QString, says);
        FakeRoot fake(plugged ? QStringList{QStringLiteral("dev/ttyUSB0")} : QStringList{QStringLiteral("dev/ttyS0")});
        if (!plugged)
            fake.env.listDevices = [] { return QList<SerialDevice>{{QStringLiteral("/dev/ttyS0"), {}, {}, {}, {}, {}}}; };
        const QList<CheckResult> results = diagnosePort(fake.env, port);
        QCOMPARE(results.first().id, QStringLiteral("cable"));
        QCOMPARE(int(results.first().status), status);
        QVERIFY2((results.first().detail + results.first().fix).contains(says), qPrintable(results.first().fix));
        QVERIFY(!resultOf(results, QStringLiteral("device")).fix.contains(QStringLiteral("dmesg")));
    }

    // A port another program holds is one finding, "held", whether this user can see the holder
    // or not (another user's, a service's): never "free" beside a line check that found it busy.
    void busyPortIsOneFinding_data()
    {
        QTest::addColumn<bool>("holderSeen"); // in the fake proc tree
        QTest::addColumn<QString>("says");
        QTest::newRow("holder unseen") << false << "sudo fuser -v /dev/ttyUSB0";
        QTest::newRow("holder seen") << true << "rxmonitor (pid 812)";
    }
    void busyPortIsOneFinding()
    {
        QFETCH(bool, holderSeen);
        QFETCH(QString, says);
        PtyEnd pty;
        // The other program holds the device as this one does, exclusively.
        const int held = ::open(pty.path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        QVERIFY(held >= 0);
        QVERIFY(::flock(held, LOCK_EX | LOCK_NB) == 0);
        QStringList tree{QStringLiteral("dev/ttyUSB0->") + pty.path};
        if (holderSeen)
            tree << QStringLiteral("proc/812/comm=rxmonitor\n") << QStringLiteral("proc/812/fd/3->") + pty.path;
        FakeRoot fake(tree);
        fake.env.user.uid = ::getuid(); // the pty is this user's
        for (const bool echo : {false, true}) {
            const QList<CheckResult> results = echo ? diagnoseWithEcho(fake.env, QStringLiteral("/dev/ttyUSB0"), 200)
                                                    : diagnosePort(fake.env, QStringLiteral("/dev/ttyUSB0"));
            QStringList ids;
            for (const CheckResult &r : results)
                ids << r.id;
            QCOMPARE(ids.removeDuplicates(), 0);
            const CheckResult holders = resultOf(results, QStringLiteral("holders"));
            QCOMPARE(int(holders.status), int(CheckStatus::Fail));
            QVERIFY2((holders.detail + holders.fix).contains(says), qPrintable(holders.detail + holders.fix));
            QCOMPARE(int(resultOf(results, QStringLiteral("line")).status), int(CheckStatus::Skipped));
            if (echo)
                QCOMPARE(int(resultOf(results, QStringLiteral("echo")).status), int(CheckStatus::Skipped));
        }
        ::close(held);
    }

    void lineSettings()
    {
        PtyEnd pty;
        termios before{};
        const int slave = ::open(pty.path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        ::tcgetattr(slave, &before);
        ::cfsetospeed(&before, B4800);
        ::tcsetattr(slave, TCSANOW, &before);
        const CheckResult r = checkLineSettings(pty.path);
        QCOMPARE(int(r.status), int(CheckStatus::Pass));
        QCOMPARE(r.detail, QStringLiteral("9600 8N1 已生效；这个设备没有 DTR/RTS 线 (虚拟串口常见)"));
        termios after{};
        ::tcgetattr(slave, &after);
        ::close(slave);
        QCOMPARE(int(::cfgetospeed(&after)), int(B4800)); // what the device had is put back
    }

    void echo_data()
    {
        QTest::addColumn<int>("mode"); // 0 shorted, 1 silent, 2 a byte changed
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says");
        QTest::newRow("shorted plug") << 0 << int(CheckStatus::Pass) << "原样收回";
        QTest::newRow("counterfeit, no data") << 1 << int(CheckStatus::Fail) << "一个字节也没有收回";
        QTest::newRow("garbled") << 2 << int(CheckStatus::Fail) << "收回的数据不对";
    }
    void echo()
    {
        QFETCH(int, mode);
        QFETCH(int, status);
        QFETCH(QString, says);
        PtyEnd pty([mode](QByteArray in) {
            if (mode == 2)
                in[0] = char(in[0] ^ 0x01);
            return mode == 1 ? QByteArray() : in;
        });
        const CheckResult r = runEchoTest(pty.path, 3000);
        QCOMPARE(int(r.status), status);
        QVERIFY2(r.detail.contains(says), qPrintable(r.detail));
    }
};

QTEST_GUILESS_MAIN(TestPorts)
#include "tst_ports.moc"
