// Cell editor base classes: grid attachment, the in-place control and the keys that end an edit.
#include "grid/celleditor.h"

#include "grid/cellgrid.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>

namespace {
const QString kNoControl = QStringLiteral("Cell Editor not of type TCellEditor");
}

TCellEditor::TCellEditor(QObject *parent) : QObject(parent) {}

TCellEditor::~TCellEditor()
{
    forgetGrid();
}

void TCellEditor::forgetGrid()
{
    if (TCellGrid *grid = std::exchange(m_grid, nullptr))
        grid->editorGone(this);
    m_refCount = 0;
}

void TCellEditor::attach(TCellGrid *grid)
{
    if (m_grid && m_grid != grid)
        throw ECellEditorError(
            QStringLiteral("%1 is allready assigned to %2").arg(objectName(), m_grid->objectName()));
    m_grid = grid;
    ++m_refCount;
}

void TCellEditor::detach()
{
    if (m_refCount > 0 && --m_refCount > 0)
        return;
    releaseControl();
    m_grid = nullptr;
}

void TCellEditor::releaseControl() {}

void TCellEditor::createControl()
{
    throw ECellEditorError(kNoControl);
}

void TCellEditor::startEdit() {}

void TCellEditor::endEdit() {}

void TCellEditor::setCellText(const QString &text)
{
    if (m_grid)
        m_grid->commitEditText(text);
}

void TCellEditor::showControl(const QRect &) {}

void TCellEditor::hideControl() {}

QWidget *TCellEditor::newControl(QWidget *)
{
    return nullptr;
}

QWidget *TCellEditor::control() const
{
    return nullptr;
}

bool TCellEditor::controlHasFocus() const
{
    const QWidget *own = control();
    // Parents, not isAncestorOf(): that one stops at the popup's window border.
    for (const QWidget *w = QApplication::focusWidget(); own && w; w = w->parentWidget()) {
        if (w == own)
            return true;
    }
    return false;
}

TControlCellEditor::TControlCellEditor(QObject *parent) : TCellEditor(parent) {}

TControlCellEditor::~TControlCellEditor()
{
    // Leave the grid first: it must not reach the control or this editor any more.
    forgetGrid();
    unhook();
    delete m_control.data();
}

void TControlCellEditor::unhook()
{
    if (!m_control)
        return;
    m_control->removeEventFilter(this);
    for (QWidget *child : m_control->findChildren<QWidget *>())
        child->removeEventFilter(this);
}

void TControlCellEditor::releaseControl()
{
    unhook();
    delete m_control.data();
}

void TControlCellEditor::createControl()
{
    if (m_control)
        return;
    TCellGrid *grid = Grid();
    QWidget *control = grid ? newControl(grid->viewport()) : nullptr;
    if (!control)
        throw ECellEditorError(kNoControl);
    control->hide();
    control->setFocusPolicy(Qt::ClickFocus); // not a tab stop
    control->installEventFilter(this);
    // Composite controls (an editable combo box) take keys and focus in their children too; a
    // drop-down's list is a window of its own whose keys (Enter picks an entry) are the list's.
    for (QWidget *child : control->findChildren<QWidget *>()) {
        if (child->window() == control->window())
            child->installEventFilter(this);
    }
    m_control = control;
}

QString TControlCellEditor::controlText() const
{
    return {};
}

bool TControlCellEditor::isLeavingKey(const QKeyEvent &) const
{
    return false;
}

bool TControlCellEditor::leavesLine(const QLineEdit &line, int key)
{
    if (line.hasSelectedText())
        return false;
    return key == Qt::Key_Left ? line.cursorPosition() == 0 : line.cursorPosition() == line.text().size();
}

void TControlCellEditor::endEdit()
{
    QPointer<TControlCellEditor> self(this);
    setCellText(controlText());
    if (self) // the window's handler may have destroyed this editor
        hideControl();
}

void TControlCellEditor::showControl(const QRect &rect)
{
    if (!m_control)
        return;
    TCellGrid *grid = Grid();
    if (grid && grid->EditCol() >= 0) {
        const TCellGridColumn *column = grid->Columns()->Items(grid->EditCol());
        if (column && column->EditorInheritsCellProps()) {
            m_control->setFont(column->Font());
            QPalette palette = m_control->palette();
            palette.setColor(QPalette::Base, column->Color());
            palette.setColor(QPalette::Button, column->Color());
            m_control->setPalette(palette);
        } else {
            // A control shared with an inheriting column goes back to the grid's look.
            m_control->setFont(QFont());
            m_control->setPalette(QPalette());
        }
    }
    m_control->setGeometry(rect);
    m_control->show();
    m_control->raise();
    m_control->setFocus(Qt::OtherFocusReason);
}

void TControlCellEditor::hideControl()
{
    if (m_control)
        m_control->hide();
}

bool TControlCellEditor::isEditing() const
{
    return Grid() && Grid()->activeEditor() == this;
}

bool TControlCellEditor::eventFilter(QObject *watched, QEvent *event)
{
    if (!isEditing())
        return TCellEditor::eventFilter(watched, event);
    TCellGrid *grid = Grid();
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto *key = static_cast<QKeyEvent *>(event);
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            grid->endEdit();
            return true;
        case Qt::Key_Escape:
            return true; // nothing cancels an edit
        default:
            break;
        }
        if ((key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && isLeavingKey(*key)) {
            QKeyEvent copy(key->type(), key->key(), key->modifiers(), key->text());
            grid->endEdit();
            QCoreApplication::sendEvent(grid, &copy);
            return true;
        }
        break;
    }
    case QEvent::FocusOut: {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        // An open drop-down list keeps the edit; so does a window losing activation, which also
        // happens while the window is torn down, when nobody must hear about the edit any more.
        if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason)
            break;
        // The first opening of a drop-down's list moves the focus into the list with an ordinary
        // reason; the edit goes on there.
        if (controlHasFocus())
            break;
        grid->endEdit();
        break;
    }
    default:
        break;
    }
    return TCellEditor::eventFilter(watched, event);
}
