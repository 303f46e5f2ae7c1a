// Checks that open the device itself: the line settings take, and a shorted plug echoes.
#pragma once

#include "ports/portcheck.h"

constexpr int kEchoTimeoutMs = 1000;

QString lineCheckTitle();
QString echoCheckTitle();
// Opens the device as the program does, sets 9600 8N1 without flow control with DTR and RTS on,
// reads the settings back, restores what it found and closes. `openError` receives the errno of
// an open that failed, 0 when it opened.
CheckResult checkLineSettings(const QString &device, int *openError = nullptr);
// With TX and RX shorted on the plug, what is sent must come back unchanged: a cable that
// enumerates but passes no data fails here.
CheckResult runEchoTest(const QString &device, int timeoutMs = kEchoTimeoutMs, int *openError = nullptr);
