// The port doctor's checks for the port named in the port box. They read the machine under the
// environment's root and change nothing.
#pragma once

#include "ports/portcheck.h"
#include "ports/portenvironment.h"

// Every check in order: device, access, holders, brltty, modemmanager, line. A check that an
// earlier failure makes pointless is Skipped.
QList<CheckResult> diagnosePort(const PortEnvironment &env, const QString &portName);

CheckResult checkDeviceExists(const PortEnvironment &env, const QString &portName, const QString &device);
CheckResult checkUserAccess(const PortEnvironment &env, const QString &device);
CheckResult checkHolders(const PortEnvironment &env, const QString &device);
// brltty's udev rules (after /etc overrides) against the device's USB id and every USB device plugged in.
CheckResult checkBrltty(const PortEnvironment &env, const QString &device);
CheckResult checkModemManager(const PortEnvironment &env, const QString &device);
