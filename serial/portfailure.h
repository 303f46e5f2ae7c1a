// Why a port would not open, in the user's words: the line that follows an ECommsError's text.
#pragma once

#include <QString>
#include <sys/types.h>

// The device and the reason for `error` (an errno value), with the fix where one is known;
// a busy port names the processes holding it, looked up under `procRoot`.
QString portFailureReason(const QString &device, int error, const QString &procRoot = QStringLiteral("/"));

// The device and what it is instead of a serial port, from its st_mode.
QString notACommDevice(const QString &device, mode_t kind);
