// Message boxes: modal Qt boxes in the program, a recorder in tests.
#include "rtl/dialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QStringList>

namespace rtl::dialogs {

namespace {

Recorder &recorder()
{
    static Recorder r;
    return r;
}

void show(Kind kind, const QString &caption, const QString &text)
{
    if (recorder()) {
        recorder()({kind, caption, text});
        return;
    }
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return; // no widgets to show a box with: nothing sensible to do
    QMessageBox box(kind == Kind::Info ? QMessageBox::NoIcon : QMessageBox::Critical, caption, text,
                    kind == Kind::Error ? QMessageBox::Yes : QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

} // namespace

void setRecorder(Recorder r)
{
    recorder() = std::move(r);
}

bool hasRecorder()
{
    return static_cast<bool>(recorder());
}

void errorBox(const QString &text)
{
    show(Kind::Error, QStringLiteral("Error"), text);
}

void infoBox(const QString &text)
{
    show(Kind::Info, kAppTitle, text);
}

void exceptionBox(const QString &text)
{
    show(Kind::Exception, kAppTitle, text);
}

Recording::Recording()
{
    setRecorder([this](const Shown &s) { m_shown.append(s); });
}

Recording::~Recording()
{
    setRecorder({});
}

QStringList Recording::texts() const
{
    QStringList out;
    for (const Shown &s : m_shown)
        out << s.text;
    return out;
}

} // namespace rtl::dialogs
