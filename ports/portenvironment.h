// What the port listing and the port checks read of the machine: a root directory (a fake
// tree in tests), who the user is, and the serial devices the system reports.
#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <optional>

// One serial device as the system describes it.
struct SerialDevice {
    QString systemLocation; // "/dev/ttyUSB0"
    QString description;    // "USB Serial"
    QString manufacturer;
    QString serialNumber;
    std::optional<quint16> vendorId;
    std::optional<quint16> productId;
};

// The serial devices QSerialPortInfo finds on this machine.
QList<SerialDevice> systemSerialDevices();

// The user the checks judge: effective uid, every group the process has, login name.
struct UserIdentity {
    uint uid = 0;
    QList<uint> groups;
    QString name;
    static UserIdentity current();
};

struct PortEnvironment {
    QString root = QStringLiteral("/");
    UserIdentity user;
    qint64 ownPid = 0; // this program, whose own hold on a port is no fault
    std::function<QList<SerialDevice>()> listDevices;

    // This machine, this process, QSerialPortInfo.
    static PortEnvironment system();
    bool isRealRoot() const;
    // An absolute path of the machine as found under root.
    QString path(const QString &absolute) const;
    // The reverse: a path under root as the machine would name it.
    QString unrooted(const QString &rooted) const;
    // The device a port name opens: TComm's mapping, judged under root.
    QString deviceFor(const QString &portName) const;
    QList<SerialDevice> devices() const { return listDevices ? listDevices() : QList<SerialDevice>(); }
    // The reported device at `device` (any link to it counts), if any.
    std::optional<SerialDevice> deviceInfo(const QString &device) const;
};

// "1a86:7523" for display and udev rules.
QString usbIdText(quint16 vendorId, quint16 productId);
