// TComm against a real pty: open failures, line settings, queued writes, receive bursts, hang-up.
#include "serial/commevent.h"
#include "serial/inputfilter.h"
#include "serial/portfailure.h"
#include "serial/portholders.h"
#include "serial/posixport.h"
#include "serial/serialcomm.h"

#include "rtl/dialogs.h"
#include "testsupport/restricted.h"

#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtTest>
#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text));
}

// The radio's end of the line: the master side of a pty whose slave TComm opens.
class Pty {
public:
    Pty()
    {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_master >= 0 && ::grantpt(m_master) == 0 && ::unlockpt(m_master) == 0)
            path = QString::fromLocal8Bit(::ptsname(m_master));
    }
    ~Pty() { hangUp(); }
    void hangUp()
    {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }
    void send(const QByteArray &bytes) const
    {
        QCOMPARE(::write(m_master, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
    }
    // Reads until `count` bytes came or 20 s passed with nothing more.
    QByteArray take(int count) const
    {
        QByteArray got;
        while (got.size() < count) {
            pollfd p{m_master, POLLIN, 0};
            if (::poll(&p, 1, 20000) <= 0)
                break;
            char buf[4096];
            const ssize_t n = ::read(m_master, buf, std::min<size_t>(sizeof buf, size_t(count - got.size())));
            if (n <= 0)
                break;
            got.append(buf, n);
        }
        return got;
    }
    // The slave's line settings: asked through the master, as the slave may be held exclusively.
    termios line() const
    {
        termios t{};
        ::tcgetattr(m_master, &t);
        return t;
    }
    QString path;

private:
    int m_master = -1;
};

// A component with the main window's settings and recorders on every event.
struct Port {
    TComm comm;
    QList<QByteArray> bursts;
    int hangups = 0;
    int sendEmpty = 0;
    bool terminated = true;

    explicit Port(const QString &path)
    {
        comm.CommName = path;
        comm.setOutx_XonXoffFlow(false);
        comm.setInx_XonXoffFlow(false);
        comm.setReadIntervalTimeout(20);
        comm.OnReceiveData = [this](TComm *, const char *buffer, std::uint16_t length) {
            bursts.append(QByteArray(buffer, length));
            terminated = terminated && buffer[length] == '\0';
        };
        comm.OnRequestHangup = [this](TComm *) { ++hangups; };
        comm.OnSendDataEmpty = [this](TComm *) { ++sendEmpty; };
    }
    QByteArray received() const { return bursts.join(); }
};

QString openError(TComm &comm)
{
    try {
        comm.OpenPort();
    } catch (const ECommsError &e) {
        return e.message();
    }
    return QString();
}

using restricted::unprivileged;

// The name `unprivileged` runs as.
QString unprivilegedUser()
{
    const passwd *pw = ::geteuid() == 0 ? ::getpwnam("nobody") : ::getpwuid(::getuid());
    return pw ? QString::fromLocal8Bit(pw->pw_name) : QString();
}

QByteArray openErrno(const QString &path)
{
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return ::strerrorname_np(errno);
    ::close(fd);
    return "opened";
}

} // namespace

class TestSerialComm : public QObject {
    Q_OBJECT
private slots:
    void inputFilter_data()
    {
        QTest::addColumn<QByteArray>("chunks"); // hex, reads separated by '|'
        QTest::addColumn<bool>("ignoreNull");
        QTest::addColumn<bool>("replace");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<int>("errors");
        QTest::newRow("41 FF FF 42") << QByteArray("41ffff42") << false << false << hex("41ff42") << 0;
        QTest::newRow("41 FF | FF 42") << QByteArray("41ff|ff42") << false << false << hex("41ff42") << 0;
        QTest::newRow("FF 00 55 kept") << QByteArray("ff0055") << false << false << hex("55") << 1;
        QTest::newRow("FF 00 55 replaced") << QByteArray("ff0055") << false << true << hex("3f") << 1;
        QTest::newRow("FF | 00 | 55 replaced") << QByteArray("ff|00|55") << false << true << hex("3f") << 1;
        QTest::newRow("FF 00 00 break") << QByteArray("ff0000") << true << false << hex("00") << 1;
        QTest::newRow("00 41 00 nulls dropped") << QByteArray("004100") << true << false << hex("41") << 0;
        QTest::newRow("00 41 00 nulls kept") << QByteArray("004100") << false << false << hex("004100") << 0;
        QTest::newRow("FF 41 stray mark") << QByteArray("ff41") << false << false << hex("ff41") << 0;
    }
    void inputFilter()
    {
        QFETCH(QByteArray, chunks);
        QFETCH(bool, ignoreNull);
        QFETCH(bool, replace);
        QFETCH(QByteArray, expected);
        QFETCH(int, errors);
        InputFilter filter;
        const InputFilter::Options options{ignoreNull, replace, 0x3f};
        QByteArray out;
        int counted = 0;
        for (const QByteArray &chunk : chunks.split('|')) {
            const QByteArray raw = QByteArray::fromHex(chunk);
            counted += filter.feed(raw.constData(), size_t(raw.size()), options, out);
        }
        QCOMPARE(out.toHex(' '), expected.toHex(' '));
        QCOMPARE(counted, errors);
    }

    void devicePath_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("path");
        QTest::newRow("/dev/pts/7") << "/dev/pts/7" << "/dev/pts/7";
        QTest::newRow("COM250") << "COM250" << "/dev/ttyS249";
        QTest::newRow("com250") << "com250" << "/dev/ttyS249";
        QTest::newRow("COM0") << "COM0" << "/dev/COM0";
        QTest::newRow("ttyACM0") << "ttyACM0" << "/dev/ttyACM0";
        QTest::newRow("empty") << "" << "";
    }
    void devicePath()
    {
        QFETCH(QString, name);
        QFETCH(QString, path);
        QCOMPARE(TComm::devicePath(name), path);
    }

    void openFailures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTemporaryFile *file = new QTemporaryFile(this);
        QVERIFY(file->open());
        QTest::newRow("missing device") << "/dev/no-such-port"
                                        << "Error opening serial port\n/dev/no-such-port 不存在 — 写频线是否已插好?";
        QTest::newRow("empty name") << ""
                                    << "Error opening serial port\n未指定串口 — 请在端口框中选择写频线所在的串口";
        QTest::newRow("directory") << "/tmp/" << "Error opening serial port\n/tmp/ 是目录，不是串口";
        QTest::newRow("regular file") << file->fileName()
                                      << "File handle is not a comm handle \n" + file->fileName() + " 不是串口设备";
        QTest::newRow("/dev/null") << "/dev/null" << "File handle is not a comm handle \n/dev/null 不是串口设备";
    }
    void openFailures()
    {
        QFETCH(QString, name);
        QFETCH(QString, message);
        TComm comm;
        comm.CommName = name;
        QCOMPARE(openError(comm), message);
        QVERIFY(!comm.isOpen());
        QVERIFY(!comm.WriteData("x", 1));
        // Left closed, so the next open is not refused as a second one.
        Pty pty;
        comm.CommName = pty.path;
        QCOMPARE(openError(comm), QString());
        QVERIFY(comm.isOpen());
    }

    // What is not a character device is refused unopened: opening a FIFO may block or wake its
    // writer, opening a disk or another device may act on it.
    void nonDevicesAreNotOpened_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason"); // %1 = the path
        QTest::newRow("FIFO") << "fifo" << "%1 是管道（FIFO），不是串口设备";
        QTest::newRow("regular file") << "file" << "%1 不是串口设备";
        QTest::newRow("block device") << "block" << "%1 是块设备（磁盘之类），不是串口设备";
    }
    void nonDevicesAreNotOpened()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath(kind);
        const QByteArray name = QFile::encodeName(path);
        if (kind == QLatin1String("fifo"))
            QCOMPARE(::mkfifo(name.constData(), 0666), 0);
        else if (kind == QLatin1String("file"))
            QVERIFY(QFile(path).open(QIODevice::WriteOnly));
        else if (::mknod(name.constData(), S_IFBLK | 0666, makedev(7, 0)) != 0) // a loop device
            QSKIP("only root can make a device node");
        const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        QVERIFY(watch >= 0 && ::inotify_add_watch(watch, name.constData(), IN_OPEN) >= 0);

        TComm comm;
        comm.CommName = path;
        QCOMPARE(openError(comm), "File handle is not a comm handle \n" + reason.arg(path));
        char event[sizeof(inotify_event) + 256];
        QCOMPARE(::read(watch, event, sizeof event), ssize_t(-1)); // no open was seen
        QCOMPARE(errno, EAGAIN);
        ::close(watch);
    }

    // A device swapped in between the look at the path and the open is not taken for it.
    void openedDescriptorMustBeTheDeviceLookedAt()
    {
        Pty looked, opened;
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(looked.path).constData(), &st), 0);
        const int fd = ::open(QFile::encodeName(opened.path).constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        QVERIFY(fd >= 0);
        QVERIFY(!posixport::isSameDevice(fd, st));
        QCOMPARE(::fstat(fd, &st), 0);
        QVERIFY(posixport::isSameDevice(fd, st));
        ::close(fd);
    }

    void permissionDeniedNamesTheFix()
    {
        QTemporaryDir dir;
        const QString device = dir.filePath("ttyLOCKED");
        QFile(device).open(QIODevice::WriteOnly);
        QCOMPARE(::chmod(QFile::encodeName(device).constData(), 0), 0);
        QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0); // nobody may look in
        const QByteArray got = unprivileged([&] {
            TComm comm;
            comm.CommName = device;
            return openError(comm).toUtf8();
        });
        QCOMPARE(QString::fromUtf8(got), "Error opening serial port\n没有权限打开 " + device
                                             + " — 请把用户加入 dialout 组后重新登录: sudo usermod -aG dialout "
                                             + unprivilegedUser());
    }

    // Another program cannot open the port while it is ours, whether it asks for the lock or not.
    void exclusiveAgainstOtherOpeners()
    {
        Pty pty;
        QCOMPARE(::chmod(QFile::encodeName(pty.path).constData(), 0666), 0); // nobody may open it
        Port port(pty.path);
        port.comm.OpenPort();
        QCOMPARE(unprivileged([&] { return openErrno(pty.path); }), QByteArray("EBUSY"));
        port.comm.ClosePort();
        QCOMPARE(unprivileged([&] { return openErrno(pty.path); }), QByteArray("opened"));

        // Nor does it take a port another program holds exclusively, though root could open it.
        const int other = ::open(QFile::encodeName(pty.path).constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        QVERIFY(other >= 0);
        QCOMPARE(::ioctl(other, TIOCEXCL), 0);
        QVERIFY(openError(port.comm).startsWith("Error opening serial port\n" + pty.path + " 正被其他程序占用"));
        QVERIFY(!port.comm.isOpen());
        ::close(other);
    }

    void portHolders_data()
    {
        QTest::addColumn<QString>("device"); // relative names live in the fake tree's dev folder
        QTest::addColumn<QString>("reason");
        QTest::newRow("two holders, one with two descriptors")
            << "ttyUSB0" << "%1/ttyUSB0 正被其他程序占用: rxmonitor (pid 812)、? (pid 4711) — 请先关闭它再试";
        QTest::newRow("through a link") << "by-id" << "%1/by-id 正被其他程序占用: dialer (pid 90) — 请先关闭它再试";
        QTest::newRow("no holder seen") << "ttyUSB9" << "%1/ttyUSB9 正被其他程序占用 — 请先关闭使用它的程序再试";
    }
    void portHolders()
    {
        QFETCH(QString, device);
        QFETCH(QString, reason);
        // A proc tree as the kernel shows it: fd links to device paths, comm with a newline.
        QTemporaryDir root;
        const QString dev = root.filePath("dev");
        QDir(root.path()).mkpath("dev");
        QFile(dev + "/ttyACM3").open(QIODevice::WriteOnly);
        QFile::link(dev + "/ttyACM3", dev + "/by-id");
        const auto process = [&](const QString &pid, const QByteArray &comm, const QStringList &targets) {
            QDir(root.path()).mkpath("proc/" + pid + "/fd");
            if (!comm.isNull()) {
                QFile f(root.filePath("proc/" + pid + "/comm"));
                QVERIFY(f.open(QIODevice::WriteOnly) && f.write(comm + "\n") > 0);
            }
            for (int fd = 0; fd < targets.size(); ++fd)
                QVERIFY(QFile::link(targets[fd], root.filePath(QStringLiteral("proc/%1/fd/%2").arg(pid).arg(fd))));
        };
        process("812", "rxmonitor", {"/dev/pts/0", dev + "/ttyUSB0"});
        process("90", "dialer", {"pipe:[31337]", dev + "/ttyACM3"});
        process("4711", QByteArray(), {dev + "/ttyUSB0", dev + "/ttyUSB0"});
        process("self", "fake", {dev + "/ttyUSB0"}); // not a pid
        process("77", "other", {dev + "/ttyUSB1"});
        QCOMPARE(portFailureReason(dev + "/" + device, EBUSY, root.path()), reason.arg(dev));
    }

    void openTwiceAndSharing()
    {
        Pty pty;
        Port a(pty.path), b(pty.path);
        a.comm.OpenPort();
        QCOMPARE(openError(a.comm), "This serial port already opened\n" + pty.path + " 已由本程序打开，请先关闭它");
        // Held by this very process, which the port's holders name.
        QCOMPARE(openError(b.comm), QStringLiteral("Error opening serial port\n%1 正被其他程序占用: %2 (pid %3) — "
                                                   "请先关闭它再试")
                                        .arg(pty.path, QCoreApplication::applicationName())
                                        .arg(QCoreApplication::applicationPid()));
        QVERIFY(a.comm.WriteData("ok", 2));
        QCOMPARE(pty.take(2), QByteArray("ok"));
        a.comm.ClosePort();
        QCOMPARE(openError(b.comm), QString());
    }

    void refusedWrites()
    {
        Pty pty;
        Port port(pty.path);
        QVERIFY(!port.comm.WriteData("a", 1));
        port.comm.ClosePort(); // closed: nothing happens
        port.comm.OpenPort();
        QVERIFY(!port.comm.WriteData("b", 0));
        QVERIFY(!port.comm.WriteData(nullptr, 3));
        QVERIFY(port.comm.WriteData("c", 1));
        // Nothing of the refused calls went out ahead of the accepted byte.
        QCOMPARE(pty.take(1), QByteArray("c"));
        port.comm.ClosePort();
        QVERIFY(!port.comm.WriteData("d", 1));
    }

    void writesKeepOrder()
    {
        Pty pty;
        Port port(pty.path);
        port.comm.OpenPort();
        const QByteArray frame = hex("5700012000000000000000000000000000000000000000000000000000000000ab12");
        for (char c : frame)
            QVERIFY(port.comm.WriteData(&c, 1));
        QVERIFY(port.comm.WriteData(frame.constData(), std::uint16_t(frame.size())));
        QVERIFY(port.comm.WriteData("\x52\x00\x02\x20", 4));
        QCOMPARE(pty.take(72).toHex(' '), (frame + frame + hex("52000220")).toHex(' '));

        QByteArray many;
        for (int i = 0; i < 3000; ++i)
            many.append(char(i * 7));
        for (char c : many)
            QVERIFY(port.comm.WriteData(&c, 1));
        QCOMPARE(pty.take(many.size()), many);
    }

    void sendQueueEmptyAfterEachDrain()
    {
        Pty pty;
        Port port(pty.path);
        port.comm.OpenPort();
        QTRY_COMPARE_WITH_TIMEOUT(port.sendEmpty, 1, 20000); // found empty at start
        for (int round = 2; round <= 3; ++round) {
            QVERIFY(port.comm.WriteData("abc", 3));
            QCOMPARE(pty.take(3), QByteArray("abc"));
            QTRY_COMPARE_WITH_TIMEOUT(port.sendEmpty, round, 20000);
        }
    }

    // With no handler a drained queue posts nothing: a frame sent a byte at a time would
    // otherwise wake the GUI thread once per byte.
    void sendQueueEmptyOnlyWithHandler()
    {
        Pty pty;
        Port port(pty.path);
        port.comm.OnSendDataEmpty = nullptr;
        port.comm.OpenPort();
        for (char c : QByteArray(34, 'W')) {
            QVERIFY(port.comm.WriteData(&c, 1));
            QCOMPARE(pty.take(1), QByteArray("W")); // drained after each byte
        }
        // Events posted for those drains would still be queued and reach the handler set now,
        // ahead of the one drain it is owed.
        port.comm.OnSendDataEmpty = [&port](TComm *) { ++port.sendEmpty; };
        QVERIFY(port.comm.WriteData("!", 1));
        QCOMPARE(pty.take(1), QByteArray("!"));
        QTRY_VERIFY_WITH_TIMEOUT(port.sendEmpty > 0, 20000);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(port.sendEmpty, 1);
    }

    void lineSettings_data()
    {
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("stopBits");
        QTest::addColumn<bool>("ctsFlow");
        QTest::addColumn<bool>("xonXoff");
        QTest::addColumn<speed_t>("speed");
        QTest::newRow("9600 1 stop, no flow") << 9600 << int(TStopBits::_1) << false << false << speed_t(B9600);
        QTest::newRow("19200 2 stop") << 19200 << int(TStopBits::_2) << false << false << speed_t(B19200);
        QTest::newRow("115200 1.5 stop, CTS") << 115200 << int(TStopBits::_1_5) << true << false << speed_t(B115200);
        QTest::newRow("4800 XON/XOFF") << 4800 << int(TStopBits::_1) << false << true << speed_t(B4800);
    }
    void lineSettings()
    {
        QFETCH(int, baud);
        QFETCH(int, stopBits);
        QFETCH(bool, ctsFlow);
        QFETCH(bool, xonXoff);
        QFETCH(speed_t, speed);
        Pty pty;
        Port port(pty.path);
        port.comm.OpenPort();
        termios t = pty.line();
        QCOMPARE(cfgetospeed(&t), speed_t(B9600));
        QCOMPARE(t.c_lflag & (ICANON | ECHO | ISIG), tcflag_t(0));
        QCOMPARE(t.c_oflag & OPOST, tcflag_t(0));
        QCOMPARE(t.c_iflag & (IXON | IXOFF | ICRNL), tcflag_t(0));

        // Changed while open: the whole line state is applied again at once.
        port.comm.setBaudRate(baud);
        port.comm.setStopBits(TStopBits(stopBits));
        port.comm.setOutx_CtsFlow(ctsFlow);
        port.comm.setOutx_XonXoffFlow(xonXoff);
        port.comm.setInx_XonXoffFlow(xonXoff);
        port.comm.setXonChar(0x21);
        t = pty.line();
        QCOMPARE(cfgetospeed(&t), speed);
        QCOMPARE(bool(t.c_cflag & CSTOPB), stopBits != int(TStopBits::_1));
        QCOMPARE(bool(t.c_cflag & CRTSCTS), ctsFlow);
        QCOMPARE(bool(t.c_iflag & IXON), xonXoff);
        QCOMPARE(bool(t.c_iflag & IXOFF), xonXoff);
        QCOMPARE(int(t.c_cc[VSTART]), 0x21);
        QCOMPARE(int(t.c_cc[VSTOP]), 0x13);
    }

    void reopenWithChangedSettings()
    {
        Pty pty;
        Port port(pty.path);
        port.comm.OpenPort();
        port.comm.ClosePort();
        QVERIFY(!port.comm.isOpen());
        port.comm.setBaudRate(57600);
        port.comm.OpenPort();
        termios t = pty.line();
        QCOMPARE(cfgetospeed(&t), speed_t(B57600));
        pty.send("after");
        QTRY_COMPARE_WITH_TIMEOUT(port.received(), QByteArray("after"), 20000);
    }

    void burstWithShortGapsIsOneEvent()
    {
        Pty pty;
        Port port(pty.path);
        port.comm.setReadIntervalTimeout(3000); // far above any gap between the writes below
        port.comm.OpenPort();
        pty.send(hex("06"));
        pty.send(hex("5700"));
        pty.send(hex("0120"));
        QTRY_COMPARE_WITH_TIMEOUT(port.received(), hex("0657000120"), 20000);
        QCOMPARE(port.bursts.size(), 1);
        QVERIFY(port.terminated);
    }

    void gapLongerThanIntervalSplits()
    {
        Pty pty;
        Port port(pty.path);
        port.comm.OpenPort();
        pty.send("ab");
        QTRY_COMPARE_WITH_TIMEOUT(port.bursts.size(), 1, 20000);
        pty.send("cd");
        QTRY_COMPARE_WITH_TIMEOUT(port.bursts.size(), 2, 20000);
        QCOMPARE(port.bursts, (QList<QByteArray>{"ab", "cd"}));
    }

    void longBurstSplitsAtBufferSize()
    {
        Pty pty;
        Port port(pty.path);
        port.comm.setReadIntervalTimeout(2000);
        port.comm.OpenPort();
        QByteArray data;
        for (int i = 0; i < 5000; ++i)
            data.append(char(i % 251));
        pty.send(data);
        QTRY_COMPARE_WITH_TIMEOUT(port.received().size(), data.size(), 30000);
        QCOMPARE(port.received(), data);
        QVERIFY(port.bursts.size() >= 3);
        for (const QByteArray &burst : port.bursts)
            QVERIFY(burst.size() <= TComm::kReadBufferSize);
        QVERIFY(port.terminated);
    }

    void everyByteValuePassesThrough()
    {
        Pty pty;
        Port port(pty.path);
        port.comm.OpenPort();
        QByteArray all;
        for (int i = 0; i < 256; ++i)
            all.append(char(i));
        all.append("\xff\xff\x00\r\n", 5);
        pty.send(all);
        QTRY_COMPARE_WITH_TIMEOUT(port.received().size(), all.size(), 20000);
        QCOMPARE(port.received().toHex(' '), all.toHex(' '));
    }

    void nullBytesDroppedWhenAsked()
    {
        Pty pty;
        Port port(pty.path);
        port.comm.setIgnoreNullChar(true);
        port.comm.OpenPort();
        pty.send(QByteArray("\x00" "A\x00\x00" "B", 5));
        QTRY_COMPARE_WITH_TIMEOUT(port.received(), QByteArray("AB"), 20000);
    }

    void hangupIsReportedAndCloseReturns()
    {
        Pty pty;
        Port port(pty.path);
        port.comm.OpenPort();
        pty.hangUp();
        QTRY_VERIFY_WITH_TIMEOUT(port.hangups >= 1, 20000);
        port.comm.ClosePort();
        QVERIFY(!port.comm.isOpen());
    }

    void stalledLineRefusesAndStillCloses()
    {
        Pty pty; // never read: the driver queue fills, then the block queue
        Port port(pty.path);
        port.comm.OpenPort();
        bool refused = false;
        for (int i = 0; i < 2000000 && !refused; ++i)
            refused = !port.comm.WriteData("z", 1);
        QVERIFY(refused);
        port.comm.ClosePort(); // must not wait for the stuck write
        QVERIFY(!port.comm.isOpen());
    }

    void destroyingOpenComponentReleasesPort()
    {
        Pty pty;
        auto *first = new Port(pty.path);
        first->comm.OpenPort();
        QVERIFY(first->comm.WriteData("bye", 3));
        QCOMPARE(pty.take(3), QByteArray("bye"));
        delete first;
        Port second(pty.path);
        QCOMPARE(openError(second.comm), QString());
    }

    void closeDropsUndeliveredBursts()
    {
        Pty pty;
        Port port(pty.path);
        port.comm.OpenPort();
        QObject *notifier = port.comm.findChild<QObject *>();
        QVERIFY(notifier);
        // A burst the receive thread posted but the event loop has not reached yet.
        QVERIFY(postCommEvent(notifier, TComm::kReceiveDataEvent, QByteArray("stale")));
        port.comm.ClosePort();
        QCoreApplication::sendPostedEvents();
        QVERIFY(port.bursts.isEmpty());

        port.comm.OpenPort();
        QVERIFY(postCommEvent(notifier, TComm::kReceiveDataEvent, QByteArray("live")));
        QCoreApplication::sendPostedEvents();
        QCOMPARE(port.bursts, QList<QByteArray>{"live"});
    }

    void throwingHandlerIsShownNotFatal()
    {
        rtl::dialogs::Recording boxes;
        Pty pty;
        Port port(pty.path);
        port.comm.OnReceiveData = [](TComm *, const char *, std::uint16_t) {
            throw ECommsError(QStringLiteral("handler failed"));
        };
        port.comm.OpenPort();
        pty.send("x");
        QTRY_COMPARE_WITH_TIMEOUT(boxes.texts(), QStringList{QStringLiteral("handler failed")}, 20000);
        QVERIFY(port.comm.isOpen());
    }
};

QTEST_MAIN(TestSerialComm)
#include "tst_serialcomm.moc"
