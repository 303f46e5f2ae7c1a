// Whether the user may open a serial device for reading and writing, and if not, why and the fix.
#pragma once

#include "ports/portenvironment.h"

struct AccessVerdict {
    bool granted = true;
    QString reason; // "wang 不在 dialout 组"
    QString fix;    // the command to run, or what to do
};

// Judged from the device's owner, group and mode against the user's groups; on the real
// machine the kernel's own answer decides, so access lists (uaccess) count too.
AccessVerdict checkAccess(const PortEnvironment &env, const QString &device);
