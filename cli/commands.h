// The command line for scripts and servers: read, write, backup, restore, verify, diff and ports,
// each a run of the radio session without windows.
#pragma once

#include "cli/console.h"

#include <QStringList>

namespace cli {

// Whether `word` (the first argument) names a command.
bool isCommand(const QString &word);
// The commands, their options and the exit codes, for --help.
QString helpText();
// Runs `arguments` (the program, the command, its arguments) and returns the exit status.
int runCommand(const QStringList &arguments, const Console &console);

} // namespace cli
