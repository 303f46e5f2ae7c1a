// Message boxes: shown by the program's presenter, recorded in tests.
#include "rtl/dialogs.h"

#include <QDebug>
#include <QStringList>

namespace rtl::dialogs {

namespace {

Recorder &recorder()
{
    static Recorder r;
    return r;
}

Recorder &presenter()
{
    static Recorder p;
    return p;
}

void show(const Shown &box)
{
    if (recorder())
        recorder()(box);
    else if (presenter())
        presenter()(box);
    else
        qWarning().noquote() << box.caption << ":" << box.text;
}

} // namespace

void setPresenter(Recorder p)
{
    presenter() = std::move(p);
}

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
    show({Kind::Error, QStringLiteral("Error"), text, {}});
}

void infoBox(const QString &text)
{
    show({Kind::Info, kAppTitle, text, {}});
}

void exceptionBox(const QString &text)
{
    show({Kind::Exception, kAppTitle, text, {}});
}

void exceptionBox(const QString &text, const QString &actionLabel, std::function<void()> action)
{
    show({Kind::Exception, kAppTitle, text, {Action{actionLabel, std::move(action)}}});
}

void exceptionBox(const QString &text, const QList<Action> &actions)
{
    show({Kind::Exception, kAppTitle, text, actions});
}

bool Shown::choose(const QString &label) const
{
    for (const Action &a : actions) {
        if (a.label == label) {
            if (a.run)
                a.run();
            return true;
        }
    }
    return false;
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
