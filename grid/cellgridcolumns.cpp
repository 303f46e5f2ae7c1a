// Column items of a TCellGrid; caption and width live in the grid itself.
#include "grid/cellgridcolumns.h"

#include "grid/cellgrid.h"

#include <QHeaderView>

TCellGridColumn::TCellGridColumn(TCellGrid *grid, int index) : m_grid(grid), m_index(index) {}

TCellGridColumn::~TCellGridColumn()
{
    if (m_editor)
        m_editor->detach();
}

QString TCellGridColumn::Caption() const
{
    return m_grid->Cells(m_index, 0);
}

void TCellGridColumn::setCaption(const QString &caption)
{
    m_grid->setCells(m_index, 0, caption);
}

int TCellGridColumn::Width() const
{
    return m_grid->ColWidths(m_index);
}

void TCellGridColumn::setWidth(int width)
{
    m_grid->setColWidths(m_index, width);
}

QFont TCellGridColumn::HeaderFont() const
{
    return m_headerFont.value_or(m_grid->font());
}

void TCellGridColumn::setHeaderFont(const QFont &font)
{
    m_headerFont = font;
    repaint();
}

void TCellGridColumn::setHeaderAlignment(Qt::Alignment alignment)
{
    m_headerAlignment = alignment & Qt::AlignHorizontal_Mask;
    repaint();
}

QColor TCellGridColumn::HeaderColor() const
{
    return m_headerColor.isValid() ? m_headerColor : m_grid->FixedColor();
}

void TCellGridColumn::setHeaderColor(const QColor &color)
{
    m_headerColor = color;
    repaint();
}

QFont TCellGridColumn::Font() const
{
    return m_font.value_or(m_grid->font());
}

void TCellGridColumn::setFont(const QFont &font)
{
    m_font = font;
    repaint();
}

void TCellGridColumn::setAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment & Qt::AlignHorizontal_Mask;
    repaint();
}

QColor TCellGridColumn::Color() const
{
    return m_color.isValid() ? m_color : m_grid->Color();
}

void TCellGridColumn::setColor(const QColor &color)
{
    m_color = color;
    repaint();
}

void TCellGridColumn::setEditor(TCellEditor *editor)
{
    if (editor == m_editor)
        return;
    if (editor)
        editor->attach(m_grid);
    if (TCellEditor *old = m_editor) {
        if (m_grid->activeEditor() == old && m_grid->EditCol() == m_index)
            m_grid->endEdit();
        m_editor = nullptr;
        old->detach();
    }
    m_editor = editor;
}

void TCellGridColumn::repaint() const
{
    m_grid->update();
    m_grid->viewport()->update();
    m_grid->horizontalHeader()->viewport()->update();
    m_grid->verticalHeader()->viewport()->update();
}

TCellGridColumn *TCellGridColumns::Items(int index) const
{
    return index >= 0 && index < Count() ? m_items[size_t(index)].get() : nullptr;
}

void TCellGridColumns::resize(int count)
{
    while (Count() > count)
        m_items.pop_back();
    while (Count() < count)
        m_items.push_back(std::make_unique<TCellGridColumn>(m_grid, Count()));
}
