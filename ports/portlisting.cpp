// Port listing: QSerialPortInfo's devices (through the environment), by-id links and access.
#include "ports/portlisting.h"

#include "ports/portaccess.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>

namespace {

// ttyUSB2 before ttyUSB10: a trailing number counts as a number. (QCollator's numeric mode
// depends on the locale's collation and is not there in every one.)
std::pair<QString, qint64> sortKey(const QString &path)
{
    qsizetype digits = path.size();
    while (digits > 0 && path[digits - 1].isDigit())
        --digits;
    return {path.left(digits), path.mid(digits).toLongLong()};
}

} // namespace

QString PortEntry::label() const
{
    // The device's own name matters when the path is a by-id link.
    QStringList parts;
    if (path != device)
        parts << QFileInfo(device).fileName();
    if (!description.isEmpty())
        parts << description;
    if (!problem.isEmpty())
        parts << QStringLiteral("无法打开: ") + problem;
    return parts.join(QStringLiteral(" — "));
}

QString stableLinkFor(const PortEnvironment &env, const QString &device)
{
    const QString real = QFileInfo(env.path(device)).canonicalFilePath();
    const QDir byId(env.path(QStringLiteral("/dev/serial/by-id")));
    if (real.isEmpty())
        return {};
    for (const QString &name : byId.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        if (QFileInfo(byId.filePath(name)).canonicalFilePath() == real)
            return QStringLiteral("/dev/serial/by-id/") + name;
    }
    return {};
}

QList<PortEntry> listPorts(const PortEnvironment &env)
{
    QList<SerialDevice> devices = env.devices();
    std::sort(devices.begin(), devices.end(), [](const SerialDevice &a, const SerialDevice &b) {
        return sortKey(a.systemLocation) < sortKey(b.systemLocation);
    });

    QList<PortEntry> out;
    for (const SerialDevice &d : devices) {
        QStringList about;
        if (!d.description.isEmpty())
            about << d.description;
        if (d.vendorId && d.productId)
            about << usbIdText(*d.vendorId, *d.productId);
        if (!d.serialNumber.isEmpty())
            about << QStringLiteral("SN ") + d.serialNumber;
        const QString link = stableLinkFor(env, d.systemLocation);
        const AccessVerdict access = checkAccess(env, d.systemLocation);
        out << PortEntry{link.isEmpty() ? d.systemLocation : link, d.systemLocation,
                         about.join(QStringLiteral(" · ")), access.granted ? QString() : access.reason};
    }
    return out;
}
