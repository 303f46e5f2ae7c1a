// Device permissions in the user's words: which group is missing and the command that adds it.
#include "ports/portaccess.h"

#include <QFile>
#include <QStringList>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct GroupEntry {
    QString name;
    QStringList members;
};

// The group `gid` as etc/group under root lists it; the number alone when it is not there.
GroupEntry groupEntry(const PortEnvironment &env, uint gid)
{
    QFile file(env.path(QStringLiteral("/etc/group")));
    if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        while (!file.atEnd()) {
            const QStringList fields = QString::fromLocal8Bit(file.readLine()).trimmed().split(QLatin1Char(':'));
            if (fields.size() >= 4 && fields[2].toUInt() == gid && !fields[2].isEmpty())
                return {fields[0], fields[3].split(QLatin1Char(','), Qt::SkipEmptyParts)};
        }
    }
    if (env.isRealRoot()) {
        if (const group *g = ::getgrgid(gid)) // groups from other sources than the file
            return {QString::fromLocal8Bit(g->gr_name), {}};
    }
    return {QString::number(gid), {}};
}

bool modeAllows(const PortEnvironment &env, const struct stat &st)
{
    if (env.user.uid == 0)
        return true;
    // The most specific class decides: an owner without rights is refused even if others have them.
    if (st.st_uid == env.user.uid)
        return (st.st_mode & (S_IRUSR | S_IWUSR)) == (S_IRUSR | S_IWUSR);
    if (env.user.groups.contains(uint(st.st_gid)))
        return (st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    return (st.st_mode & (S_IROTH | S_IWOTH)) == (S_IROTH | S_IWOTH);
}

} // namespace

AccessVerdict checkAccess(const PortEnvironment &env, const QString &device)
{
    const QByteArray path = QFile::encodeName(env.path(device));
    struct stat st {};
    if (::stat(path.constData(), &st) != 0)
        return {false, QStringLiteral("无法读取 %1 的信息: %2").arg(device, qt_error_string(errno)), {}};
    const bool granted = env.isRealRoot() ? ::faccessat(AT_FDCWD, path.constData(), R_OK | W_OK, AT_EACCESS) == 0
                                          : modeAllows(env, st);
    if (granted)
        return {};

    const QString user = env.user.name.isEmpty() ? QStringLiteral("当前用户") : env.user.name;
    const GroupEntry group = groupEntry(env, uint(st.st_gid));
    // Joining root's group is no fix to offer.
    const bool groupMayUse = (st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP) && group.name != QStringLiteral("root");
    if (groupMayUse && group.members.contains(env.user.name))
        return {false,
                QStringLiteral("%1 已加入 %2 组，但本次登录还没有生效").arg(user, group.name),
                QStringLiteral("注销后重新登录 (或重启电脑)")};
    if (groupMayUse)
        return {false, QStringLiteral("%1 不在 %2 组，不能读写 %3").arg(user, group.name, device),
                QStringLiteral("sudo usermod -aG %1 $USER\n然后注销并重新登录").arg(group.name)};
    return {false,
            QStringLiteral("%1 只允许其所有者读写 (权限 %2)").arg(device).arg(st.st_mode & 0777, 3, 8, QLatin1Char('0')),
            QStringLiteral("用 udev 规则把设备交给 dialout 组 (GROUP=\"dialout\", MODE=\"0660\")，"
                           "或交给坐在电脑前的用户 (TAG+=\"uaccess\")，然后重新插拔写频线")};
}
