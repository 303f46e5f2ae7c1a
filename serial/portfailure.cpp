// Port failure reasons: missing cable, missing group membership, a port held by another program.
#include "serial/portfailure.h"

#include "serial/portholders.h"

#include <QByteArray>
#include <cerrno>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString userName()
{
    passwd entry{};
    passwd *found = nullptr;
    QByteArray buffer(16384, '\0');
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), size_t(buffer.size()), &found) == 0 && found)
        return QString::fromLocal8Bit(found->pw_name);
    return QStringLiteral("$USER");
}

} // namespace

QString portFailureReason(const QString &device, int error, const QString &procRoot)
{
    if (device.isEmpty())
        return QStringLiteral("未指定串口 — 请在端口框中选择写频线所在的串口");
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("%1 不存在 — 写频线是否已插好?").arg(device);
    case EACCES:
    case EPERM:
        return QStringLiteral("没有权限打开 %1 — 请把用户加入 dialout 组后重新登录: sudo usermod -aG dialout %2")
            .arg(device, userName());
    case EBUSY: {
        const QList<PortHolder> holders = findPortHolders(device, procRoot);
        if (holders.isEmpty())
            return QStringLiteral("%1 正被其他程序占用 — 请先关闭使用它的程序再试").arg(device);
        return QStringLiteral("%1 正被其他程序占用: %2 — 请先关闭它再试").arg(device, describeHolders(holders));
    }
    case EISDIR:
        return QStringLiteral("%1 是目录，不是串口").arg(device);
    case ENOTTY:
        return QStringLiteral("%1 不是串口设备").arg(device);
    case ESTALE:
        return QStringLiteral("%1 在检查之后、打开之前被换成了别的文件，没有使用它").arg(device);
    case ENXIO:
    case ENODEV:
        return QStringLiteral("%1 没有对应的设备 — 写频线是否已拔出，或驱动未加载?").arg(device);
    default:
        return QStringLiteral("%1 出错: %2").arg(device, qt_error_string(error));
    }
}

QString notACommDevice(const QString &device, mode_t kind)
{
    if (S_ISFIFO(kind))
        return QStringLiteral("%1 是管道（FIFO），不是串口设备").arg(device);
    if (S_ISSOCK(kind))
        return QStringLiteral("%1 是套接字，不是串口设备").arg(device);
    if (S_ISBLK(kind))
        return QStringLiteral("%1 是块设备（磁盘之类），不是串口设备").arg(device);
    return QStringLiteral("%1 不是串口设备").arg(device);
}
