// Which processes hold a device open, found through their /proc/<pid>/fd links.
#pragma once

#include <QList>
#include <QString>

struct PortHolder {
    qint64 pid = 0;
    QString name; // the process's command name, "?" when it cannot be read
    bool operator==(const PortHolder &) const = default;
};

// The processes with a descriptor on `device` (or on what it links to), by pid. `root` holds
// the proc tree to search, so a fake tree can stand in. Processes whose descriptors this user
// may not see are not found.
QList<PortHolder> findPortHolders(const QString &device, const QString &root = QStringLiteral("/"));

// "rxmonitor (pid 812)、dialer (pid 90)" for a message.
QString describeHolders(const QList<PortHolder> &holders);
