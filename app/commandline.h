// What the program takes from its start: Qt's own texts in Chinese, the command line and a plan
// named on it.
#pragma once

#include <QString>
#include <QStringList>

class QCoreApplication;
class TForm1;

// The desktop entry's and the icon's name, RADIOPROG_APP_ID in CMakeLists.txt; Wayland matches the
// window to the entry by it.
inline const QString kDesktopName = QStringLiteral("org.example.radioprog");

// Installs Qt's own Chinese translation (dialog buttons, file dialogs, --help); false when it is
// not installed, and Qt's own texts stay English.
bool installQtTranslation(QCoreApplication &app);

// Whether the command line asks for --help or --version only, which need no display.
bool asksOnlyForText(int argc, char *argv[]);

// The plan file named on the command line, or empty. --help and --version print and end the
// process, and so does a command line that is not understood, with a message and status 1.
QString planFromCommandLine(const QStringList &arguments);

// Loads `file` into the main window's table and settings as 文件 → 打开 does, with the same
// message for a file that is not a plan.
void openPlanFile(TForm1 &window, const QString &file);
