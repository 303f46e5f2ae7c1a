// Modal message boxes over the active window, or over a window that stays on top.
#include "app/messagebox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {

constexpr char kActionIndex[] = "radioprogActionIndex";

bool isChinese(const QString &text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF; });
}

// A visible window that stays on top would cover a box parented elsewhere.
QWidget *stayingOnTop()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && (w->windowFlags() & Qt::WindowStaysOnTopHint) && w->windowType() != Qt::ToolTip)
            return w;
    return nullptr;
}

} // namespace

std::unique_ptr<QMessageBox> buildMessageBox(const rtl::dialogs::Shown &box)
{
    using rtl::dialogs::Kind;
    QWidget *onTop = stayingOnTop();
    const QMessageBox::StandardButton button = box.kind == Kind::Error ? QMessageBox::Yes : QMessageBox::Ok;
    auto message = std::make_unique<QMessageBox>(box.kind == Kind::Info ? QMessageBox::NoIcon : QMessageBox::Critical,
                                                 box.caption, box.text, button,
                                                 onTop ? onTop : QApplication::activeWindow());
    if (onTop)
        message->setWindowFlag(Qt::WindowStaysOnTopHint);
    // The fixed "Error" box keeps its Yes; our own Chinese texts get Chinese buttons.
    if (isChinese(box.text))
        message->button(button)->setText(button == QMessageBox::Yes ? QStringLiteral("是(&Y)") : QStringLiteral("确定"));
    for (int i = 0; i < box.actions.size(); ++i)
        message->addButton(box.actions[i].label, QMessageBox::ActionRole)->setProperty(kActionIndex, i);
    message->setDefaultButton(button);
    message->setEscapeButton(button);
    return message;
}

void showMessageBox(const rtl::dialogs::Shown &box)
{
    const std::unique_ptr<QMessageBox> message = buildMessageBox(box);
    message->exec();
    // The index, not the text: a style may add a mnemonic to a button's text.
    const QAbstractButton *clicked = message->clickedButton();
    bool isAction = false;
    const int index = clicked ? clicked->property(kActionIndex).toInt(&isAction) : -1;
    if (isAction && index >= 0 && index < box.actions.size() && box.actions[index].run)
        box.actions[index].run();
}
