// Modal message boxes over the active window.
#include "app/messagebox.h"

#include <QApplication>
#include <QMessageBox>

void showMessageBox(const rtl::dialogs::Shown &box)
{
    using rtl::dialogs::Kind;
    QMessageBox message(box.kind == Kind::Info ? QMessageBox::NoIcon : QMessageBox::Critical, box.caption,
                        box.text, box.kind == Kind::Error ? QMessageBox::Yes : QMessageBox::Ok,
                        QApplication::activeWindow());
    message.exec();
}
