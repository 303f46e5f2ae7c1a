// Program start: the application, its six windows in order, the main window shown.
#include "app/Unit1.h"
#include "app/commandline.h"
#include "app/forms.h"
#include "app/messagebox.h"
#include "radioprog/version.h"
#include "app/backup/radiobackup.h"
#include "app/compare/plancomparison.h"
#include "rtl/dialogs.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(rtl::kAppTitle);
    QCoreApplication::setApplicationVersion(QStringLiteral(RADIOPROG_VERSION));
    // --help and --version print and end without opening the display: a terminal over ssh has none.
    if (asksOnlyForText(argc, argv)) {
        QCoreApplication app(argc, argv);
        installQtTranslation(app);
        planFromCommandLine(QCoreApplication::arguments());
    }

    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(kDesktopName);
    QApplication::setWindowIcon(QIcon::fromTheme(kDesktopName));
    installQtTranslation(app); // before the command line, so its messages are Chinese too
    const QString plan = planFromCommandLine(QApplication::arguments());
    rtl::dialogs::setPresenter(showMessageBox);
    // Closing the main window ends the program even while a signalling window is open.
    QApplication::setQuitOnLastWindowClosed(false);
    createForms();
    if (auto *backup = Form1->findChild<RadioBackup *>())
        backup->loadPreferences();
    if (auto *comparison = Form1->findChild<PlanComparison *>())
        comparison->loadPreferences();
    QObject::connect(Form1, &TForm1::closed, &app, &QApplication::quit);
    Form1->keepBetweenRuns();
    Form1->show();
    // Once the loop runs, so that a refusal appears over the shown window.
    if (!plan.isEmpty())
        QTimer::singleShot(0, Form1, [plan] { openPlanFile(*Form1, plan); });
    const int result = app.exec();
    destroyForms();
    return result;
}
