// One finding of the port doctor: what was checked, what was found, and the exact fix.
#pragma once

#include <QList>
#include <QString>

enum class CheckStatus { Pass, Warn, Fail, Skipped };

struct CheckResult {
    QString id;     // "device", "access", "holders", "brltty", "modemmanager", "line", "echo"
    CheckStatus status = CheckStatus::Pass;
    QString title;  // what was checked
    QString detail; // what was found
    QString fix;    // what to do; commands verbatim, one per line
};
