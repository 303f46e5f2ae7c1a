// Grid and drop-down texts of the main window.
#include "app/formchanneltexts.h"

#include "app/Unit1.h"
#include "grid/cellgrid.h"

#include <algorithm>

QString FormChannelTexts::cell(int col, int row) const
{
    return m_form.xg->Cells(col, row);
}

void FormChannelTexts::setCell(int col, int row, const QString &text)
{
    m_form.xg->setCells(col, row, text);
}

int FormChannelTexts::rowCount() const
{
    return m_form.xg->RowCount();
}

void FormChannelTexts::setRowCount(int rows)
{
    m_form.xg->setRowCount(std::max(rows, 2)); // keep the caption row and one channel
}

QString FormChannelTexts::setting(int index) const
{
    QComboBox *box = m_form.settingBox(index);
    return box ? box->currentText() : QString();
}

void FormChannelTexts::setSetting(int index, const QString &text)
{
    if (QComboBox *box = m_form.settingBox(index))
        box->setCurrentText(text);
}
