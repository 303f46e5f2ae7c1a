// Test code under restrictions, for the tests of everything that opens or writes files: in a
// child process, without root's rights, with writes failing as on a full disk, against a device.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

namespace restricted {

// Runs `work` in a forked child and returns what it wrote back; the child ends with _exit so
// none of this process's teardown runs twice.
inline QByteArray inChild(const std::function<QByteArray()> &work)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return "pipe failed";
    const pid_t pid = ::fork();
    if (pid == 0) {
        const QByteArray out = work();
        ::_exit(::write(fds[1], out.constData(), size_t(out.size())) == out.size() ? 0 : 1);
    }
    ::close(fds[1]);
    QFile pipe;
    pipe.open(fds[0], QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    const QByteArray got = pipe.readAll(); // until the child ends
    if (pid > 0)
        ::waitpid(pid, nullptr, 0);
    return got;
}

// Runs `work` without root's rights (file modes, TIOCEXCL): as nobody in a child when root,
// else here.
inline QByteArray unprivileged(const std::function<QByteArray()> &work)
{
    if (::geteuid() != 0)
        return work();
    const passwd *nobody = ::getpwnam("nobody");
    if (!nobody)
        return "no user nobody";
    const uid_t uid = nobody->pw_uid;
    const gid_t gid = nobody->pw_gid;
    return inChild([&]() -> QByteArray {
        if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
            return "cannot become nobody";
        return work();
    });
}

// While it lives, a write past `bytes` into any file of this process fails with EFBIG ("File
// too large"), the way a full disk fails it, for root too.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        m_handler = std::signal(SIGXFSZ, SIG_IGN); // else the write kills the process
        m_ok = m_handler != SIG_ERR && ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        if (m_handler != SIG_ERR)
            std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    bool ok() const { return m_ok; }

private:
    rlimit m_saved{};
    void (*m_handler)(int) = SIG_ERR;
    bool m_ok = false;
};

// Makes at `path` something that must never become a regular file: a node of /dev/full's
// character device where the test may make one (root), else a FIFO. Never the real /dev/full,
// which a faulty save would replace for every program on the machine. False when neither works.
inline bool makeDevice(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    return ::mknod(name.constData(), S_IFCHR | 0666, makedev(1, 7)) == 0 || ::mkfifo(name.constData(), 0666) == 0;
}

} // namespace restricted
