// Which processes hold a device open: the "fuser" way, by reading every /proc/<pid>/fd link.
#include "serial/portholders.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>

QList<PortHolder> findPortHolders(const QString &device, const QString &root)
{
    // A descriptor's link names the device's real path, not the link the user chose.
    const QString wanted = QFileInfo(device).canonicalFilePath();
    const auto isDevice = [&](const QString &target) {
        return !target.isEmpty() && (target == device || target == wanted);
    };

    QList<PortHolder> holders;
    const QDir proc(QDir(root).filePath(QStringLiteral("proc")));
    for (const QString &entry : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (!numeric)
            continue;
        QDirIterator fds(proc.filePath(entry + QStringLiteral("/fd")), QDir::AllEntries | QDir::System);
        bool holds = false;
        while (!holds && fds.hasNext())
            holds = isDevice(QFile::symLinkTarget(fds.next()));
        if (!holds)
            continue;
        QFile comm(proc.filePath(entry + QStringLiteral("/comm")));
        QString name = comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readLine(256)).trimmed()
                                                      : QString();
        holders.append({pid, name.isEmpty() ? QStringLiteral("?") : name});
    }
    std::sort(holders.begin(), holders.end(),
              [](const PortHolder &a, const PortHolder &b) { return a.pid < b.pid; });
    return holders;
}

QString describeHolders(const QList<PortHolder> &holders)
{
    QStringList parts;
    for (const PortHolder &h : holders)
        parts << QStringLiteral("%1 (pid %2)").arg(h.name).arg(h.pid);
    return parts.join(QStringLiteral("、"));
}
