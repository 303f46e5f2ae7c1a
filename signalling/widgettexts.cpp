// Reading and writing the controls of a signalling window by name.
#include "signalling/widgettexts.h"

#include "grid/cellgrid.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

QString WidgetTexts::text(const TextRef &ref) const
{
    QWidget *widget = m_widgets.value(ref.name);
    if (auto *grid = qobject_cast<TCellGrid *>(widget))
        return grid->Cells(ref.col, ref.row);
    if (auto *edit = qobject_cast<QLineEdit *>(widget))
        return edit->text();
    if (auto *combo = qobject_cast<QComboBox *>(widget))
        return combo->currentText();
    if (auto *check = qobject_cast<QCheckBox *>(widget))
        return check->isChecked() ? kChecked : kUnchecked;
    Q_ASSERT_X(false, "WidgetTexts::text", qPrintable(ref.name));
    return {};
}

void WidgetTexts::setText(const TextRef &ref, const QString &text)
{
    QWidget *widget = m_widgets.value(ref.name);
    if (auto *grid = qobject_cast<TCellGrid *>(widget)) {
        grid->setCells(ref.col, ref.row, text);
    } else if (auto *edit = qobject_cast<QLineEdit *>(widget)) {
        edit->setText(text);
    } else if (auto *combo = qobject_cast<QComboBox *>(widget)) {
        // A list the user cannot type into shows only its own items.
        if (combo->isEditable())
            combo->setCurrentText(text);
        else if (const int index = combo->findText(text); index >= 0)
            combo->setCurrentIndex(index);
    } else if (auto *check = qobject_cast<QCheckBox *>(widget)) {
        check->setChecked(text == kChecked);
    } else {
        Q_ASSERT_X(false, "WidgetTexts::setText", qPrintable(ref.name));
    }
}
