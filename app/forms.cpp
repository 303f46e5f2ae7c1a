// Window references and their creation order.
#include "app/forms.h"

#include "app/Unit1.h"
#include "app/Unit3.h"
#include "app/sheet/plansheet.h"
#include "app/backup/radiobackup.h"
#include "app/compare/plancomparison.h"
#include "signalling/Unit2.h"
#include "signalling/Unit4.h"
#include "signalling/Unit5.h"
#include "signalling/Unit6.h"

TForm1 *Form1 = nullptr;
TForm2 *Form2 = nullptr;
TForm4 *Form4 = nullptr;
TForm5 *Form5 = nullptr;
TForm6 *Form6 = nullptr;
TForm3 *Form3 = nullptr;

QList<SignallingWindow *> signallingWindows()
{
    return {Form2, Form6, Form4, Form5};
}

void createForms()
{
    Form1 = new TForm1;
    Form2 = new TForm2(Form1->session());
    Form4 = new TForm4(Form1->session());
    Form5 = new TForm5(Form1->session());
    Form6 = new TForm6(Form1->session());
    Form3 = new TForm3;
    // The features, each wired to the windows here: undo, clipboard, CSV and printing of the
    // plan; backup, restore and the read-back check.
    new PlanSheet(*Form1);
    // A signalling exchange started while the port is closed opens it, as the menu does.
    for (SignallingWindow *window : signallingWindows())
        window->ensurePortOpen = [] { Form1->openPortFromBox(); };
    new RadioBackup(*Form1, *Form3, signallingWindows());
    // The comparison and the preview before a write, which reads the radio through the backup.
    new PlanComparison(*Form1);
}

void destroyForms()
{
    if (Form1) {
        delete Form1->findChild<PlanComparison *>();
        delete Form1->findChild<RadioBackup *>(); // before the windows it drives
        delete Form1->sheet();                    // before the table it edits
    }
    delete Form3;
    Form3 = nullptr;
    delete Form6;
    Form6 = nullptr;
    delete Form5;
    Form5 = nullptr;
    delete Form4;
    Form4 = nullptr;
    delete Form2;
    Form2 = nullptr;
    delete Form1;
    Form1 = nullptr;
}
