// The pty's stable name, made with an atomic rename so the path never names nothing or a half link.
#include "tools/radiosim/ptylink.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace radiosim {

namespace {

QString errnoText(const QString &what)
{
    return QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

bool PtyLink::create(const QString &target, const QString &linkPath)
{
    remove();
    const QByteArray path = QFile::encodeName(linkPath);
    struct stat st {};
    if (::lstat(path.constData(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        m_error = QStringLiteral("%1 exists and is not a symbolic link; not replacing it").arg(linkPath);
        return false;
    }
    const QByteArray temporary = path + ".radio-sim-" + QByteArray::number(::getpid());
    ::unlink(temporary.constData());
    if (::symlink(QFile::encodeName(target).constData(), temporary.constData()) != 0) {
        m_error = errnoText(QStringLiteral("cannot make a link beside %1").arg(linkPath));
        return false;
    }
    if (::rename(temporary.constData(), path.constData()) != 0) {
        m_error = errnoText(QStringLiteral("cannot link %1").arg(linkPath));
        ::unlink(temporary.constData());
        return false;
    }
    m_target = target;
    m_path = linkPath;
    return true;
}

void PtyLink::remove()
{
    if (m_path.isEmpty())
        return;
    const QByteArray path = QFile::encodeName(m_path);
    char target[4096];
    const ssize_t length = ::readlink(path.constData(), target, sizeof target);
    if (length >= 0 && QByteArray(target, length) == QFile::encodeName(m_target))
        ::unlink(path.constData());
    m_path.clear();
    m_target.clear();
}

} // namespace radiosim
