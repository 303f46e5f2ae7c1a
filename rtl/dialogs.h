// Every message box of the program goes through here, so tests can record instead of blocking.
#pragma once

#include <QList>
#include <QString>
#include <functional>

namespace rtl {

// The application title: task bar, "写入成功" box and the standard error box.
inline const QString kAppTitle = QStringLiteral("对讲机写频软件");

namespace dialogs {

enum class Kind {
    Error,     // caption "Error", error icon, a single Yes button ("发送失败!")
    Info,      // caption = application title, OK button ("写入成功")
    Exception, // the standard error box for an exception, caption = application title
};

// A further button that leads on from a message (串口诊断 from a port error, 重试 after a write
// that stopped); `run` runs after the box when it is chosen.
struct Action {
    QString label;
    std::function<void()> run;
};

struct Shown {
    Kind kind;
    QString caption;
    QString text;
    QList<Action> actions;
    // The first further button, if any.
    QString actionLabel() const { return actions.isEmpty() ? QString() : actions.first().label; }
    // Runs the further button labelled `label`; false when there is none.
    bool choose(const QString &label) const;
};

using Recorder = std::function<void(const Shown &)>;

// Shows a box for real; the program installs one at start (the boxes need widgets, this module
// does not). Without one a box's text goes to the warning log.
void setPresenter(Recorder presenter);

// With a recorder installed no box is shown; the recorder receives each box instead.
void setRecorder(Recorder recorder);
bool hasRecorder();

void errorBox(const QString &text);
void infoBox(const QString &text);
void exceptionBox(const QString &text);
// The standard error box with a further button; `action` runs after the box when it is chosen.
void exceptionBox(const QString &text, const QString &actionLabel, std::function<void()> action);
// The standard error box with further buttons, in the order given.
void exceptionBox(const QString &text, const QList<Action> &actions);

// Test helper: records every box while it lives.
class Recording {
public:
    Recording();
    ~Recording();
    Recording(const Recording &) = delete;
    Recording &operator=(const Recording &) = delete;

    const QList<Shown> &shown() const { return m_shown; }
    QStringList texts() const;
    void clear() { m_shown.clear(); }

private:
    QList<Shown> m_shown;
};

} // namespace dialogs
} // namespace rtl
