// The drop-down cell editor: loads its list on each edit; Up and Down move in the list, never out.
#include "grid/combocelleditor.h"

#include "grid/cellgrid.h"

#include <QKeyEvent>
#include <QLineEdit>

TInplaceCombo::TInplaceCombo(QWidget *parent) : QComboBox(parent)
{
    setFrame(false);
    setInsertPolicy(QComboBox::NoInsert);
    setMaxVisibleItems(12);
}

TComboCellEditor::TComboCellEditor(QObject *parent) : TControlCellEditor(parent) {}

void TComboCellEditor::setStyle(TComboStyle style)
{
    m_style = style;
    // The control's children change with the style, so a new one is made on the next edit.
    if (control() && !isEditing())
        releaseControl();
}

QWidget *TComboCellEditor::newControl(QWidget *parent)
{
    auto *combo = new TInplaceCombo(parent);
    applyStyle(combo);
    return combo;
}

void TComboCellEditor::applyStyle(TInplaceCombo *combo) const
{
    combo->setEditable(m_style == TComboStyle::DropDown);
    if (combo->isEditable()) {
        // Typed text stays as typed: no completion from the list.
        combo->setCompleter(nullptr);
        combo->lineEdit()->setFrame(false);
    }
}

void TComboCellEditor::setText(TInplaceCombo *combo, const QString &text) const
{
    // The list follows the text, so Up and Down step on from the entry shown.
    combo->setCurrentIndex(combo->findText(text, Qt::MatchExactly));
    if (combo->isEditable())
        combo->setEditText(text);
}

void TComboCellEditor::startEdit()
{
    TInplaceCombo *control = combo();
    TCellGrid *grid = Grid();
    if (!control || !grid)
        return;
    control->clear();
    control->addItems(m_items);
    control->setCurrentIndex(-1);

    const QChar typed = grid->takePendingChar();
    if (!typed.isNull()) {
        // The key goes to the list upper-cased and picks the first entry starting with it.
        const int found = control->findText(QString(typed).toUpper(), Qt::MatchStartsWith | Qt::MatchCaseSensitive);
        if (found >= 0) {
            control->setCurrentIndex(found);
            if (control->isEditable()) {
                // The caret follows the typed key; the rest of the entry is selected for overtyping.
                const int length = int(control->currentText().size());
                control->lineEdit()->setSelection(length, 1 - length);
            }
            return;
        }
        if (control->isEditable()) {
            control->setEditText(QString(typed));
            return;
        }
    }

    setText(control, grid->Cells(grid->Col(), grid->Row()));
    if (control->currentText().isEmpty())
        setText(control, m_defaultText);
    if (control->isEditable())
        control->lineEdit()->selectAll();
}

QString TComboCellEditor::controlText() const
{
    const TInplaceCombo *control = combo();
    return control ? control->currentText() : QString();
}

bool TComboCellEditor::isLeavingKey(const QKeyEvent &event) const
{
    const TInplaceCombo *control = combo();
    if (!control || (event.key() != Qt::Key_Left && event.key() != Qt::Key_Right))
        return false;
    return !control->isEditable() || leavesLine(*control->lineEdit(), event.key());
}
