// Program start: the application, its six windows in order, the main window shown.
#include "app/Unit1.h"
#include "app/forms.h"
#include "app/messagebox.h"
#include "app/radiobackup.h"
#include "rtl/dialogs.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(rtl::kAppTitle);
    rtl::dialogs::setPresenter(showMessageBox);
    // Closing the main window ends the program even while a signalling window is open.
    QApplication::setQuitOnLastWindowClosed(false);
    createForms();
    if (auto *backup = Form1->findChild<RadioBackup *>())
        backup->loadPreferences();
    QObject::connect(Form1, &TForm1::closed, &app, &QApplication::quit);
    Form1->show();
    const int result = app.exec();
    destroyForms();
    return result;
}
