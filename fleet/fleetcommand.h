// The fleet run as a command: template file, radio table, cables and report in, an exit status
// out (0 only when every radio passed). The program's command line hands its options here.
#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

struct FleetCommandOptions {
    QString templateFile; // a .rimg
    QString radiosFile;   // the radio table as CSV
    QStringList ports;    // the cables of the rows marked 下一台
    QString reportFile;   // CSV; none: the report goes to `out`
    QString backupFolder; // none: "backups" beside the report, or the program's data folder
};

// Checks first (nothing is written when they find a blocking issue: exit status 2, as for a file
// that cannot be read or a report that cannot be written), then runs the fleet in an event loop
// of its own, a line per radio as it ends. Exit status 4 when a radio did not pass.
int runFleetCommand(const FleetCommandOptions &options, QTextStream &out, QTextStream &err);
