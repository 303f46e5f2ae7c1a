// What makes the program a desktop program: Qt's own texts in Chinese, the command line, a plan
// named on it, where the file dialogs start, and the About box.
#pragma once

#include <QFileDialog>
#include <QString>
#include <QStringList>
#include <memory>

class QCoreApplication;
class QWidget;
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

// Where the plan dialogs start: the folder of the last plan chosen in one, else the documents
// folder, else home. Never the working directory, which a desktop launch leaves anywhere.
QString planDialogFolder();
void notePlanFolder(const QString &file);

// A file dialog for `filter` ("CSV (*.csv)") that starts where the plan dialogs do and remembers
// the folder chosen; the file chosen, or empty. `title` replaces Qt's own caption; `fileName`
// is offered (in the start folder, or where an absolute one lies).
QString runFileDialog(QWidget *parent, QFileDialog::AcceptMode mode, const QString &filter, const QString &suffix,
                      QFileDialog::Options options = {}, const QString &title = {}, const QString &fileName = {});
// The same dialog, set up and not yet shown, and how it is run.
QString runFileDialog(QFileDialog &dialog);
std::unique_ptr<QFileDialog> makeFileDialog(QWidget *parent, QFileDialog::AcceptMode mode, const QString &filter,
                                            const QString &suffix, QFileDialog::Options options = {},
                                            const QString &title = {}, const QString &fileName = {});

// 帮助 → 关于: version, Qt version and licence. The box is window-modal and returns at once.
void showAboutBox(QWidget *parent);
