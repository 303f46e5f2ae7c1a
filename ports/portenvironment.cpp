// The machine as the port listing and checks see it.
#include "ports/portenvironment.h"

#include "serial/serialcomm.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <pwd.h>
#include <unistd.h>

QList<SerialDevice> systemSerialDevices()
{
    QList<SerialDevice> out;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        SerialDevice d{info.systemLocation(), info.description(), info.manufacturer(), info.serialNumber(), {}, {}};
        if (info.hasVendorIdentifier())
            d.vendorId = info.vendorIdentifier();
        if (info.hasProductIdentifier())
            d.productId = info.productIdentifier();
        out << d;
    }
    return out;
}

UserIdentity UserIdentity::current()
{
    UserIdentity id;
    id.uid = ::geteuid();
    id.groups << ::getegid();
    const int count = ::getgroups(0, nullptr);
    if (count > 0) {
        QList<gid_t> groups(count);
        const int got = ::getgroups(count, groups.data());
        for (int i = 0; i < got; ++i)
            id.groups << groups[i];
    }
    passwd entry{};
    passwd *found = nullptr;
    QByteArray buffer(16384, '\0');
    if (::getpwuid_r(id.uid, &entry, buffer.data(), size_t(buffer.size()), &found) == 0 && found)
        id.name = QString::fromLocal8Bit(found->pw_name);
    return id;
}

PortEnvironment PortEnvironment::system()
{
    return {QStringLiteral("/"), UserIdentity::current(), QCoreApplication::applicationPid(), systemSerialDevices};
}

bool PortEnvironment::isRealRoot() const
{
    return QDir(root).canonicalPath() == QStringLiteral("/");
}

QString PortEnvironment::path(const QString &absolute) const
{
    return isRealRoot() ? absolute : QDir::cleanPath(root + QLatin1Char('/') + absolute);
}

QString PortEnvironment::unrooted(const QString &rooted) const
{
    if (isRealRoot())
        return rooted;
    const QString base = QDir(root).canonicalPath();
    return rooted.startsWith(base + QLatin1Char('/')) ? rooted.mid(base.size()) : rooted;
}

QString PortEnvironment::deviceFor(const QString &portName) const
{
    return TComm::devicePath(portName.trimmed(), root);
}

std::optional<SerialDevice> PortEnvironment::deviceInfo(const QString &device) const
{
    const QString real = QFileInfo(path(device)).canonicalFilePath();
    for (const SerialDevice &d : devices()) {
        if (d.systemLocation == device || (!real.isEmpty() && QFileInfo(path(d.systemLocation)).canonicalFilePath() == real))
            return d;
    }
    return std::nullopt;
}

QString usbIdText(quint16 vendorId, quint16 productId)
{
    return QStringLiteral("%1:%2").arg(vendorId, 4, 16, QLatin1Char('0')).arg(productId, 4, 16, QLatin1Char('0'));
}
