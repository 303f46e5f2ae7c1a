// Line settings and loopback echo on the real device, through the same posix layer as TComm.
#include "ports/linecheck.h"

#include "serial/portfailure.h"
#include "serial/posixport.h"

#include <QElapsedTimer>
#include <QStringList>
#include <cerrno>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// The open device with the radio's line settings; restores the settings it found when it goes.
class CheckedLine {
public:
    explicit CheckedLine(const QString &device)
    {
        m_fd = posixport::openExclusive(device);
        if (m_fd < 0) {
            m_error = errno;
            m_problem = portFailureReason(device, m_error);
            return;
        }
        if (!posixport::isCommDevice(m_fd) || ::tcgetattr(m_fd, &m_saved) != 0) {
            m_error = ENOTTY;
            m_problem = portFailureReason(device, m_error);
            posixport::closeDevice(m_fd);
            m_fd = -1;
            return;
        }
        termios t = m_saved;
        ::cfmakeraw(&t);
        ::cfsetispeed(&t, B9600);
        ::cfsetospeed(&t, B9600);
        t.c_cflag &= ~tcflag_t(CSIZE | PARENB | CSTOPB | CRTSCTS);
        t.c_cflag |= CS8 | CLOCAL | CREAD;
        t.c_iflag &= ~tcflag_t(IXON | IXOFF | IXANY);
        ::tcsetattr(m_fd, TCSANOW, &t);
        posixport::setModemLine(m_fd, TIOCM_DTR, true);
        posixport::setModemLine(m_fd, TIOCM_RTS, true);
        posixport::purge(m_fd, TCIOFLUSH);
    }
    ~CheckedLine()
    {
        if (m_fd < 0)
            return;
        ::tcsetattr(m_fd, TCSANOW, &m_saved);
        posixport::closeDevice(m_fd);
    }
    CheckedLine(const CheckedLine &) = delete;
    CheckedLine &operator=(const CheckedLine &) = delete;

    int fd() const { return m_fd; }
    // The errno of an open that failed, 0 when it opened.
    int error() const { return m_error; }
    const QString &problem() const { return m_problem; }

private:
    int m_fd = -1;
    int m_error = 0;
    termios m_saved{};
    QString m_problem;
};

} // namespace

QString lineCheckTitle()
{
    return QStringLiteral("线路设置 (9600 8N1, DTR/RTS)");
}

QString echoCheckTitle()
{
    return QStringLiteral("回环测试 (短接 TX 与 RX)");
}

CheckResult checkLineSettings(const QString &device, int *openError)
{
    const CheckedLine line(device);
    if (openError)
        *openError = line.error();
    if (line.fd() < 0)
        return {QStringLiteral("line"), CheckStatus::Fail, lineCheckTitle(), line.problem(), {}};
    termios now{};
    ::tcgetattr(line.fd(), &now);
    QStringList wrong;
    if (::cfgetospeed(&now) != B9600 || (::cfgetispeed(&now) != B9600 && ::cfgetispeed(&now) != B0))
        wrong << QStringLiteral("速率不是 9600");
    if ((now.c_cflag & CSIZE) != CS8)
        wrong << QStringLiteral("数据位不是 8");
    if (now.c_cflag & (PARENB | CSTOPB))
        wrong << QStringLiteral("校验或停止位不对");
    if ((now.c_cflag & CRTSCTS) || (now.c_iflag & (IXON | IXOFF)))
        wrong << QStringLiteral("流控没有关掉");
    if (!wrong.isEmpty())
        return {QStringLiteral("line"), CheckStatus::Fail, lineCheckTitle(),
                QStringLiteral("驱动没有接受线路设置: ") + wrong.join(QStringLiteral("、")),
                QStringLiteral("换一根写频线，或检查它的驱动 (sudo dmesg | tail)")};

    int lines = 0;
    if (::ioctl(line.fd(), TIOCMGET, &lines) != 0)
        return {QStringLiteral("line"), CheckStatus::Pass, lineCheckTitle(),
                QStringLiteral("9600 8N1 已生效；这个设备没有 DTR/RTS 线 (虚拟串口常见)"), {}};
    if ((lines & (TIOCM_DTR | TIOCM_RTS)) != (TIOCM_DTR | TIOCM_RTS))
        return {QStringLiteral("line"), CheckStatus::Warn, lineCheckTitle(),
                QStringLiteral("9600 8N1 已生效，但 DTR/RTS 没能拉高"),
                QStringLiteral("靠 DTR/RTS 供电的写频线可能不工作；换一根写频线试试")};
    return {QStringLiteral("line"), CheckStatus::Pass, lineCheckTitle(), QStringLiteral("9600 8N1、DTR 与 RTS 已生效"), {}};
}

CheckResult runEchoTest(const QString &device, int timeoutMs, int *openError)
{
    static const QByteArray kPattern = QByteArray::fromHex("55aa00ff") + QByteArray("LOOPBACK-0123456789");
    const QString title = echoCheckTitle();
    const CheckedLine line(device);
    if (openError)
        *openError = line.error();
    if (line.fd() < 0)
        return {QStringLiteral("echo"), CheckStatus::Fail, title, line.problem(), {}};
    if (posixport::retryOnEintr([&] { return ::write(line.fd(), kPattern.constData(), size_t(kPattern.size())); })
        != kPattern.size())
        return {QStringLiteral("echo"), CheckStatus::Fail, title,
                QStringLiteral("写不出数据: ") + qt_error_string(errno), {}};

    QByteArray got;
    QElapsedTimer clock;
    clock.start();
    while (got.size() < kPattern.size() && clock.elapsed() < timeoutMs) {
        pollfd p{line.fd(), POLLIN, 0};
        if (posixport::retryOnEintr([&] { return ::poll(&p, 1, std::max(0, int(timeoutMs - clock.elapsed()))); }) <= 0)
            break;
        char buffer[64];
        const ssize_t n = ::read(line.fd(), buffer, std::min<size_t>(sizeof buffer, size_t(kPattern.size() - got.size())));
        if (n <= 0)
            break;
        got.append(buffer, n);
    }
    if (got == kPattern)
        return {QStringLiteral("echo"), CheckStatus::Pass, title,
                QStringLiteral("发出的 %1 个字节原样收回，写频线能收发数据").arg(kPattern.size()), {}};
    if (got.isEmpty())
        return {QStringLiteral("echo"), CheckStatus::Fail, title, QStringLiteral("发出的数据一个字节也没有收回"),
                QStringLiteral("确认插头的 TX 与 RX 已短接且电台已拔下；确已短接仍收不回时，"
                               "这根写频线不能传数据 (常见于仿冒芯片)，请换一根")};
    return {QStringLiteral("echo"), CheckStatus::Fail, title,
            QStringLiteral("收回的数据不对: 发出 %1，收到 %2").arg(QString::fromLatin1(kPattern.toHex(' ')),
                                                          QString::fromLatin1(got.toHex(' '))),
            QStringLiteral("短接不牢或写频线有故障；换一根写频线再试")};
}
