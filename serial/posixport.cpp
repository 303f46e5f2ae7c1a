// The posix layer under TComm.
#include "serial/posixport.h"

#include "serial/serialcomm.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace posixport {

int openExclusive(const QString &path, mode_t *kind)
{
    const QByteArray name = path.toLocal8Bit();
    if (name.isEmpty()) {
        errno = ENOENT;
        return -1;
    }
    // Opening is not harmless: a FIFO may block or wake a writer, a disk or another device may
    // act on it. The path is looked at first (following links, as by-id names are links).
    struct stat checked {};
    if (::stat(name.constData(), &checked) != 0)
        return -1;
    if (kind)
        *kind = checked.st_mode;
    if (!S_ISCHR(checked.st_mode)) {
        if (S_ISDIR(checked.st_mode))
            errno = EISDIR;
        else if (::faccessat(AT_FDCWD, name.constData(), R_OK | W_OK, AT_EACCESS) != 0)
            errno = EACCES;
        else
            errno = ENOTTY;
        return -1;
    }
    const int fd =
        retryOnEintr([&] { return ::open(name.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC); });
    if (fd < 0)
        return -1;
    const auto refuse = [fd](int error) {
        ::close(fd);
        errno = error;
        return -1;
    };
    // Swapped between the look and the open: nothing further reaches a device nobody chose.
    if (!isSameDevice(fd, checked))
        return refuse(ESTALE);
    if (::isatty(fd) != 1)
        return refuse(ENOTTY);
    if (retryOnEintr([fd] { return ::flock(fd, LOCK_EX | LOCK_NB); }) < 0)
        return refuse(errno == EWOULDBLOCK ? EBUSY : errno);
    // Root opens a port another program holds exclusively; it must not take it over either.
    int taken = 0;
    if (::ioctl(fd, TIOCGEXCL, &taken) == 0 && taken)
        return refuse(EBUSY);
    ::ioctl(fd, TIOCEXCL);
    return fd;
}

bool isSameDevice(int fd, const struct stat &checked)
{
    struct stat st {};
    return ::fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && st.st_dev == checked.st_dev && st.st_ino == checked.st_ino;
}

bool isCommDevice(int fd)
{
    struct stat st {};
    return ::fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && ::isatty(fd) == 1;
}

bool speedFor(int baudRate, speed_t *speed)
{
    static constexpr struct {
        int baud;
        speed_t speed;
    } kSpeeds[] = {
        {50, B50}, {75, B75}, {110, B110}, {134, B134}, {150, B150}, {200, B200},
        {300, B300}, {600, B600}, {1200, B1200}, {1800, B1800}, {2400, B2400},
        {4800, B4800}, {9600, B9600}, {19200, B19200}, {38400, B38400}, {57600, B57600},
        {115200, B115200}, {230400, B230400}, {460800, B460800}, {500000, B500000},
        {576000, B576000}, {921600, B921600}, {1000000, B1000000}, {1152000, B1152000},
        {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
        {3500000, B3500000}, {4000000, B4000000},
    };
    for (const auto &entry : kSpeeds) {
        if (entry.baud == baudRate) {
            *speed = entry.speed;
            return true;
        }
    }
    return false;
}

void setModemLine(int fd, int line, bool on)
{
    // ENOTTY/EINVAL from a pty means it has no such line; nothing else is worth reporting
    // either, as a line state that does not take is ignored.
    retryOnEintr([&] { return ::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line); });
}

void purge(int fd, int queue)
{
    ::tcflush(fd, queue);
}

void closeDevice(int fd)
{
    ::ioctl(fd, TIOCNXCL);
    // Linux releases the descriptor even when close reports EINTR, so it is never retried.
    ::close(fd);
}

bool readErrorCounts(int fd, ErrorCounts *counts)
{
    serial_icounter_struct ic {};
    if (::ioctl(fd, TIOCGICOUNT, &ic) < 0)
        return false;
    counts->frame = std::uint32_t(ic.frame);
    counts->overrun = std::uint32_t(ic.overrun);
    counts->parity = std::uint32_t(ic.parity);
    counts->brk = std::uint32_t(ic.brk);
    counts->bufOverrun = std::uint32_t(ic.buf_overrun);
    return true;
}

std::uint32_t errorFlags(const ErrorCounts &before, const ErrorCounts &now)
{
    std::uint32_t flags = 0;
    if (now.bufOverrun != before.bufOverrun)
        flags |= TComm::kErrRxOver;
    if (now.overrun != before.overrun)
        flags |= TComm::kErrOverrun;
    if (now.parity != before.parity)
        flags |= TComm::kErrParity;
    if (now.frame != before.frame)
        flags |= TComm::kErrFrame;
    if (now.brk != before.brk)
        flags |= TComm::kErrBreak;
    return flags;
}

} // namespace posixport
