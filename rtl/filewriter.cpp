// The checked file writer and the private folders: QSaveFile written unbuffered, with the
// target looked at first, and folders checked part by part with lstat.
#include "rtl/filewriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace rtl {

namespace {

QString kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("目录");
    if (S_ISCHR(mode))
        return QStringLiteral("字符设备");
    if (S_ISBLK(mode))
        return QStringLiteral("块设备");
    if (S_ISFIFO(mode))
        return QStringLiteral("管道");
    if (S_ISSOCK(mode))
        return QStringLiteral("套接字");
    return QStringLiteral("特殊文件");
}

// Why `fileName` must not be written, or empty when it may be: a missing file is created, a
// regular file replaced, and a link stands for its final target as QSaveFile resolves it.
QString refusal(const QString &fileName)
{
    const QByteArray name = QFile::encodeName(fileName);
    struct stat st {};
    if (::lstat(name.constData(), &st) != 0)
        return QString(); // missing, or unreachable: the open says why
    if (!S_ISLNK(st.st_mode)) {
        if (S_ISDIR(st.st_mode))
            return qt_error_string(EISDIR);
        if (!S_ISREG(st.st_mode))
            return QStringLiteral("它不是普通文件（而是%1），不会被覆盖。").arg(kindOf(st.st_mode));
        return QString();
    }
    if (::stat(name.constData(), &st) != 0)
        return errno == ENOENT ? QString() : qt_error_string(errno); // a dangling link makes its target
    if (S_ISREG(st.st_mode))
        return QString();
    const QString target = QFileInfo(fileName).canonicalFilePath();
    return QStringLiteral("它是指向 %1 的链接，%1 不是普通文件（而是%2），不会被覆盖。").arg(target, kindOf(st.st_mode));
}

// The reason for a failure that left `error` in errno. Qt's own text where it has one; where
// it has none ("Unknown error"), the system's, else what was being done.
QString reasonOf(const QFileDevice &file, int error, const QString &doing)
{
    const QString text = file.errorString();
    if (!text.isEmpty() && text != QFile().errorString())
        return text;
    return error != 0 ? qt_error_string(error) : doing;
}

} // namespace

EFileWriteError::EFileWriteError(const QString &fileName, const QString &reason)
    : Exception(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, reason)), m_reason(reason)
{
}

void writeFileChecked(const QString &fileName, QByteArrayView bytes)
{
    // Renaming over a device as root would put a regular file in its place.
    const QString refused = refusal(fileName);
    if (!refused.isEmpty())
        throw EFileWriteError(fileName, refused);

    QSaveFile file(fileName);
    file.setDirectWriteFallback(true);
    // Unbuffered, so a full disk shows in write() here: commit() would put a short temporary
    // file in place of the old one without a word.
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw EFileWriteError(fileName, reasonOf(file, errno, QStringLiteral("无法打开文件写入。")));
    // Written in place, the descriptor is the target's own: it must still be a regular file.
    struct stat st {};
    if (::fstat(file.handle(), &st) != 0 || !S_ISREG(st.st_mode)) {
        file.cancelWriting();
        throw EFileWriteError(fileName, QStringLiteral("它不是普通文件，不会被覆盖。"));
    }
    // A short write is no error yet; writing the rest again makes the system say why it stops.
    qint64 written = 0;
    while (written < bytes.size()) {
        errno = 0;
        const qint64 n = file.write(bytes.data() + written, bytes.size() - written);
        if (n <= 0 || file.error() != QFileDevice::NoError) {
            const EFileWriteError error(fileName, reasonOf(file, errno, QStringLiteral("写入没有完成。")));
            file.cancelWriting(); // the temporary file goes, the old file stays as it was
            throw error;
        }
        written += n;
    }
    errno = 0;
    if (!file.commit())
        throw EFileWriteError(fileName, reasonOf(file, errno, QStringLiteral("新文件没能替换旧文件。")));
}

bool makePrivateFolder(const QString &folder, QString *why)
{
    const auto fail = [why](const QString &reason) {
        *why = reason;
        return false;
    };
    const QStringList parts = QDir::cleanPath(QDir(folder).absolutePath()).split(u'/', Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return fail(QStringLiteral("/ 不能用作自己的文件夹"));
    QString at;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        at += u'/' + parts[i];
        const QByteArray name = QFile::encodeName(at);
        struct stat st {};
        if (::lstat(name.constData(), &st) != 0) {
            if (errno != ENOENT)
                return fail(QStringLiteral("%1：%2").arg(at, qt_error_string(errno)));
            // Another program may make it at the same moment; what is there is checked below.
            if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
                return fail(QStringLiteral("无法建立 %1：%2").arg(at, qt_error_string(errno)));
            if (::lstat(name.constData(), &st) != 0)
                return fail(QStringLiteral("%1：%2").arg(at, qt_error_string(errno)));
        }
        // Further up, a link is the user's own choice (a home on another disk); the folder and
        // its parent are where someone else could plant one.
        const bool own = i >= parts.size() - 2;
        if (S_ISLNK(st.st_mode)) {
            if (own)
                return fail(QStringLiteral("%1 是符号链接，不是真正的文件夹").arg(at));
            if (::stat(name.constData(), &st) != 0)
                return fail(QStringLiteral("%1：%2").arg(at, qt_error_string(errno)));
        }
        if (!S_ISDIR(st.st_mode))
            return fail(QStringLiteral("%1 不是文件夹").arg(at));
        if (own && st.st_uid != ::geteuid())
            return fail(QStringLiteral("%1 不属于当前用户").arg(at));
    }
    return true;
}

} // namespace rtl
