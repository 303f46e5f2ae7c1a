// The free-text cell editor: fills its line edit from the cell and leaves at the text's ends.
#include "grid/editcelleditor.h"

#include "grid/cellgrid.h"

#include <QKeyEvent>

TInplaceEdit::TInplaceEdit(QWidget *parent) : QLineEdit(parent)
{
    setFrame(false);
}

TEditCellEditor::TEditCellEditor(QObject *parent) : TControlCellEditor(parent) {}

QWidget *TEditCellEditor::newControl(QWidget *parent)
{
    return new TInplaceEdit(parent);
}

void TEditCellEditor::startEdit()
{
    TInplaceEdit *control = edit();
    TCellGrid *grid = Grid();
    if (!control || !grid)
        return;
    const QChar typed = grid->takePendingChar();
    if (!typed.isNull()) {
        control->setText(QString(typed));
        return;
    }
    QString text = grid->Cells(grid->Col(), grid->Row());
    if (text.isEmpty())
        text = m_defaultText;
    control->setText(text);
    control->selectAll();
}

QString TEditCellEditor::controlText() const
{
    const TInplaceEdit *control = edit();
    return control ? control->text() : QString();
}

bool TEditCellEditor::isLeavingKey(const QKeyEvent &event) const
{
    const TInplaceEdit *control = edit();
    if (!control)
        return false;
    switch (event.key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
        return true;
    case Qt::Key_Left:
    case Qt::Key_Right:
        return leavesLine(*control, event.key());
    default:
        return false;
    }
}
