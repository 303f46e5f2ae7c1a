// The serial devices offered in the port box, each with what a person needs to tell them apart.
#pragma once

#include "ports/portenvironment.h"

struct PortEntry {
    QString path;        // what goes into the port box: the stable by-id link where there is one
    QString device;      // "/dev/ttyUSB0"
    QString description; // "USB Serial · 1a86:7523 · SN 0001"
    QString problem;     // why this user cannot open it; empty when they can
    // What the list shows beside the path: the device behind a link, its description, the problem.
    QString label() const;
};

// Every device the system reports, by name (ttyUSB2 before ttyUSB10); none is left out because
// the user cannot open it.
QList<PortEntry> listPorts(const PortEnvironment &env);

// The /dev/serial/by-id link to `device`, or an empty text.
QString stableLinkFor(const PortEnvironment &env, const QString &device);
