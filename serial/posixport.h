// The posix layer under TComm: opening a tty for exclusive use, speeds, modem lines, error counters.
#pragma once

#include <QString>
#include <cerrno>
#include <cstdint>
#include <sys/stat.h>
#include <termios.h>

namespace posixport {

// Runs a system call again for as long as a signal interrupts it; returns its last result.
template <typename Call>
auto retryOnEintr(Call call)
{
    decltype(call()) rc;
    do {
        rc = call();
    } while (rc < 0 && errno == EINTR);
    return rc;
}

// Opens `path` read/write, non-blocking, not as controlling terminal, takes an exclusive flock
// and sets TIOCEXCL, so that a second opener fails whether it asks for the lock or not (root
// passes TIOCEXCL, so a port already held exclusively is refused too). -1 with errno set when
// it fails: EBUSY when another holds the lock or the port. Only a character device is opened:
// anything else is refused unopened with ENOTTY (EISDIR for a directory, EACCES for a file the
// user may not open, as open() would say), and `kind` gets its st_mode. The opened descriptor
// must be the very device that was looked at, else ESTALE, and a tty, else ENOTTY.
int openExclusive(const QString &path, mode_t *kind = nullptr);
// The descriptor is the file `checked` describes, and a character device.
bool isSameDevice(int fd, const struct stat &checked);
// A character device that answers tty requests.
bool isCommDevice(int fd);
// The termios speed for a baud rate; false for a rate the tty layer has no constant for.
bool speedFor(int baudRate, speed_t *speed);
// Raises or drops one modem line (TIOCM_DTR, TIOCM_RTS); a tty without modem lines is fine.
void setModemLine(int fd, int line, bool on);
// Discards what waits in the given queue (TCIFLUSH, TCOFLUSH, TCIOFLUSH).
void purge(int fd, int queue);
// Clears TIOCEXCL, which a pty keeps after the close, and closes.
void closeDevice(int fd);

// Line-error counts kept by the driver; a pty keeps none.
struct ErrorCounts {
    std::uint32_t frame = 0, overrun = 0, parity = 0, brk = 0, bufOverrun = 0;
};
bool readErrorCounts(int fd, ErrorCounts *counts);
// OnReceiveError flags for what the counters gained since `before`.
std::uint32_t errorFlags(const ErrorCounts &before, const ErrorCounts &now);

} // namespace posixport
