// The port doctor's checks for the port named in the port box. They read the machine under the
// environment's root and change nothing.
#pragma once

#include "ports/portcheck.h"
#include "ports/portenvironment.h"

// Every check in order: cable, device, access, holders, brltty, modemmanager, line; each once. A
// check that an earlier failure makes pointless is Skipped. A port found busy on opening is the
// holders' finding, also when the holder is a process this user cannot see.
QList<CheckResult> diagnosePort(const PortEnvironment &env, const QString &portName);
// diagnosePort, then the loopback test ("echo") for a plug with TX and RX shorted; the loopback
// is Skipped when the checks before it rule it out.
QList<CheckResult> diagnoseWithEcho(const PortEnvironment &env, const QString &portName, int timeoutMs);

// Whether any USB serial device is plugged in at all: no cable is the commonest fault.
CheckResult checkCable(const PortEnvironment &env, const QString &device);
CheckResult checkDeviceExists(const PortEnvironment &env, const QString &portName, const QString &device);
CheckResult checkUserAccess(const PortEnvironment &env, const QString &device);
CheckResult checkHolders(const PortEnvironment &env, const QString &device);
// brltty's udev rules (after /etc overrides) against the device's USB id and every USB device plugged in.
CheckResult checkBrltty(const PortEnvironment &env, const QString &device);
CheckResult checkModemManager(const PortEnvironment &env, const QString &device);
