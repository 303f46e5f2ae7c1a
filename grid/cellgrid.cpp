// TCellGrid: cell storage, the model and headers that show it, drawing, and the edit life cycle.
#include "grid/cellgrid.h"

#include "rtl/guard.h"

#include <QAbstractButton>
#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QStyledItemDelegate>

#include <algorithm>

namespace {

constexpr int kDefaultColWidth = 64;
constexpr int kTextInset = 2;
const QColor kLightFixedLine = Qt::black;
const QColor kLightGridLine(192, 192, 192); // silver

bool isDarkPalette(const QPalette &palette)
{
    return palette.color(QPalette::Base).lightness() < palette.color(QPalette::Text).lightness();
}

// Row 0 and column 0 are headers, so model index (r, c) is grid cell (c + 1, r + 1).
int gridCol(const QModelIndex &index) { return index.column() + 1; }
int gridRow(const QModelIndex &index) { return index.row() + 1; }

// Draws row 0 or column 0 through the grid so they look like its other fixed cells.
class TFixedHeader : public QHeaderView {
public:
    TFixedHeader(Qt::Orientation orientation, TCellGrid *grid) : QHeaderView(orientation, grid), m_grid(grid)
    {
        setSectionsClickable(false);
        setHighlightSections(false);
        setSectionsMovable(false);
        setMinimumSectionSize(1);
        setSectionResizeMode(QHeaderView::Fixed);
        setStretchLastSection(false);
    }

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override
    {
        if (orientation() == Qt::Horizontal)
            m_grid->paintCell(painter, rect, logicalIndex + 1, 0, false);
        else
            m_grid->paintCell(painter, rect, 0, logicalIndex + 1, false);
    }

private:
    TCellGrid *m_grid;
};

class TCellDelegate : public QStyledItemDelegate {
public:
    explicit TCellDelegate(TCellGrid *grid) : QStyledItemDelegate(grid), m_grid(grid) {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        painter->save();
        m_grid->paintCell(painter, option.rect, gridCol(index), gridRow(index),
                          option.state.testFlag(QStyle::State_Selected));
        painter->restore();
    }

private:
    TCellGrid *m_grid;
};

} // namespace

// Shows the grid's cells below row 0 and right of column 0; the grid keeps the texts.
class TCellGridModel : public QAbstractTableModel {
public:
    explicit TCellGridModel(TCellGrid *grid) : QAbstractTableModel(grid), m_grid(grid) {}

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : std::max(0, m_grid->RowCount() - 1);
    }
    int columnCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : std::max(0, m_grid->ColCount() - 1);
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
            return {};
        return m_grid->Cells(gridCol(index), gridRow(index));
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        return orientation == Qt::Horizontal ? m_grid->Cells(section + 1, 0) : m_grid->Cells(0, section + 1);
    }
    // Qt's own in-place editing stays off: the column editors do it.
    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
    }

    // Runs `change`, which takes the shown columns (Horizontal) or rows from `before` to `after`,
    // inside the model's insert or remove notices.
    void resize(Qt::Orientation orientation, int before, int after, const std::function<void()> &change)
    {
        const bool columns = orientation == Qt::Horizontal;
        if (after > before)
            columns ? beginInsertColumns({}, before, after - 1) : beginInsertRows({}, before, after - 1);
        else if (after < before)
            columns ? beginRemoveColumns({}, after, before - 1) : beginRemoveRows({}, after, before - 1);
        change();
        if (after > before)
            columns ? endInsertColumns() : endInsertRows();
        else if (after < before)
            columns ? endRemoveColumns() : endRemoveRows();
    }

private:
    TCellGrid *m_grid;
};

TCellGrid::TCellGrid(QWidget *parent)
    : QTableView(parent), m_model(new TCellGridModel(this)), m_columns(this)
{
    setHorizontalHeader(new TFixedHeader(Qt::Horizontal, this));
    setVerticalHeader(new TFixedHeader(Qt::Vertical, this));
    setItemDelegate(new TCellDelegate(this));
    setModel(m_model);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false); // paintCell draws the lines in the grid's colours
    setTabKeyNavigation(false);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    horizontalHeader()->setDefaultSectionSize(kDefaultColWidth);

    // The corner shows cell (0, 0); the view's corner button is painted over by the filter.
    m_corner = findChild<QAbstractButton *>(QString(), Qt::FindDirectChildrenOnly);
    if (m_corner)
        m_corner->installEventFilter(this);

    setColCount(5);
    setRowCount(5);
    setDefaultRowHeight(m_defaultRowHeight);
}

TCellGrid::~TCellGrid()
{
    // No edit ends here: the window that would hear about it may be half gone already.
    m_activeEditor = nullptr;
    if (m_corner)
        m_corner->removeEventFilter(this);
    for (int c = 0; c < m_columns.Count(); ++c) {
        TCellGridColumn *column = m_columns.Items(c);
        if (TCellEditor *editor = std::exchange(column->m_editor, nullptr))
            editor->detach();
    }
}

void TCellGrid::setColCount(int count)
{
    count = std::max(1, count);
    const int oldCount = ColCount();
    if (count == oldCount)
        return;
    if (m_editCol >= count)
        dropEdit(); // its cell goes away
    // The model shows every column but column 0.
    m_model->resize(Qt::Horizontal, std::max(0, oldCount - 1), count - 1, [&] {
        m_colWidths.resize(size_t(count), kDefaultColWidth);
        m_columns.resize(count);
    });
    for (int c = std::max(0, oldCount - 1); c < count; ++c)
        applyColWidth(c);
    ensureCurrentCell();
}

void TCellGrid::setRowCount(int count)
{
    count = std::max(1, count);
    if (count == m_rowCount)
        return;
    if (m_editRow >= count)
        dropEdit(); // its cell goes away
    // The model shows every row but row 0.
    m_model->resize(Qt::Vertical, std::max(0, m_rowCount - 1), count - 1, [&] { m_rowCount = count; });
    ensureCurrentCell();
}

void TCellGrid::ensureCurrentCell()
{
    if (!currentIndex().isValid() && m_model->rowCount() > 0 && m_model->columnCount() > 0)
        setCurrentIndex(m_model->index(0, 0));
}

QString TCellGrid::Cells(int col, int row) const
{
    return m_cells.value({col, row});
}

void TCellGrid::setCells(int col, int row, const QString &text)
{
    if (col < 0 || row < 0)
        return;
    // The program's text wins over an open edit of the cell (a read arriving while the user types).
    if (col == m_editCol && row == m_editRow)
        dropEdit();
    if (text.isEmpty())
        m_cells.remove({col, row});
    else
        m_cells.insert({col, row}, text);
    updateCell(col, row);
}

void TCellGrid::updateCell(int col, int row)
{
    if (col >= ColCount() || row >= m_rowCount)
        return; // stored, not shown
    if (col == 0 && row == 0) {
        if (m_corner)
            m_corner->update();
    } else if (row == 0) {
        horizontalHeader()->viewport()->update();
    } else if (col == 0) {
        verticalHeader()->viewport()->update();
    } else {
        const QModelIndex index = m_model->index(row - 1, col - 1);
        emit m_model->dataChanged(index, index, {Qt::DisplayRole});
    }
}

int TCellGrid::Col() const
{
    const QModelIndex index = currentIndex();
    return index.isValid() ? gridCol(index) : 1;
}

int TCellGrid::Row() const
{
    const QModelIndex index = currentIndex();
    return index.isValid() ? gridRow(index) : 1;
}

void TCellGrid::setCurrentCell(int col, int row)
{
    const QModelIndex index = m_model->index(row - 1, col - 1);
    if (!index.isValid())
        return;
    endEdit();
    setCurrentIndex(index);
}

void TCellGrid::setDefaultRowHeight(int height)
{
    m_defaultRowHeight = std::max(1, height);
    verticalHeader()->setDefaultSectionSize(m_defaultRowHeight);
    horizontalHeader()->setFixedHeight(m_defaultRowHeight);
    placeEditor();
}

int TCellGrid::ColWidths(int col) const
{
    return col >= 0 && col < ColCount() ? m_colWidths[size_t(col)] : 0;
}

void TCellGrid::setColWidths(int col, int width)
{
    if (col < 0 || col >= ColCount())
        return;
    m_colWidths[size_t(col)] = std::max(0, width);
    applyColWidth(col);
    placeEditor();
}

void TCellGrid::applyColWidth(int col)
{
    if (col == 0)
        verticalHeader()->setFixedWidth(m_colWidths[0]);
    else
        horizontalHeader()->resizeSection(col - 1, m_colWidths[size_t(col)]);
}

void TCellGrid::setMultiLine(bool on)
{
    m_multiLine = on;
    viewport()->update();
}

void TCellGrid::setEditingEnabled(bool on)
{
    if (!on)
        endEdit();
    m_editingEnabled = on;
}

void TCellGrid::setRangeSelect(bool on)
{
    setSelectionMode(on ? QAbstractItemView::ContiguousSelection : QAbstractItemView::SingleSelection);
}

QColor TCellGrid::Color() const
{
    return m_color.isValid() ? m_color : palette().color(QPalette::Base);
}

void TCellGrid::setColor(const QColor &color)
{
    m_color = color;
    viewport()->update();
}

QColor TCellGrid::FixedColor() const
{
    return m_fixedColor.isValid() ? m_fixedColor : palette().color(QPalette::Button);
}

void TCellGrid::setFixedColor(const QColor &color)
{
    m_fixedColor = color;
    update();
}

QColor TCellGrid::FixedLineColor() const
{
    if (m_fixedLineColor.isValid())
        return m_fixedLineColor;
    return isDarkPalette(palette()) ? palette().color(QPalette::Text) : kLightFixedLine;
}

QColor TCellGrid::GridLineColor() const
{
    if (m_gridLineColor.isValid())
        return m_gridLineColor;
    if (!isDarkPalette(palette()))
        return kLightGridLine;
    const QColor base = palette().color(QPalette::Base), text = palette().color(QPalette::Text);
    const auto quarter = [](int from, int to) { return from + (to - from) / 4; };
    return QColor(quarter(base.red(), text.red()), quarter(base.green(), text.green()),
                  quarter(base.blue(), text.blue()));
}

void TCellGrid::setFixedLineColor(const QColor &color)
{
    m_fixedLineColor = color;
    update();
}

void TCellGrid::setGridLineColor(const QColor &color)
{
    m_gridLineColor = color;
    viewport()->update();
}

void TCellGrid::setGridLineWidth(int width)
{
    m_gridLineWidth = std::max(0, width);
    update();
    placeEditor();
}

QColor TCellGrid::SelectedColor() const
{
    return m_selectedColor.isValid() ? m_selectedColor : palette().color(QPalette::Highlight);
}

void TCellGrid::setSelectedColor(const QColor &color)
{
    m_selectedColor = color;
    viewport()->update();
}

QColor TCellGrid::SelectedTextColor() const
{
    return m_selectedTextColor.isValid() ? m_selectedTextColor : palette().color(QPalette::HighlightedText);
}

void TCellGrid::setSelectedTextColor(const QColor &color)
{
    m_selectedTextColor = color;
    viewport()->update();
}

void TCellGrid::paintCell(QPainter *painter, const QRect &rect, int col, int row, bool selected) const
{
    const TCellGridColumn *column = m_columns.Items(col);
    const bool fixed = row == 0 || col == 0;
    QColor background = FixedColor();
    QColor foreground = palette().color(QPalette::ButtonText);
    QFont font = this->font();
    Qt::Alignment alignment = Qt::AlignLeft;
    if (column && row == 0) {
        background = column->HeaderColor();
        font = column->HeaderFont();
        alignment = column->HeaderAlignment();
    } else if (column && col == 0) {
        alignment = column->Alignment();
    } else if (column) {
        background = column->Color();
        foreground = palette().color(QPalette::Text);
        font = column->Font();
        alignment = column->Alignment();
    }
    if (selected && !fixed) {
        background = SelectedColor();
        foreground = SelectedTextColor();
    }

    painter->save();
    painter->setClipRect(rect);
    painter->fillRect(rect, background);

    const int line = m_gridLineWidth;
    QRect cell = rect.adjusted(0, 0, -line, -line);
    if (row == 0)
        cell.setTop(cell.top() + line);
    if (col == 0)
        cell.setLeft(cell.left() + line);
    const QRect textRect = cell.adjusted(kTextInset, kTextInset, -kTextInset, -kTextInset);
    const int flags = int(alignment & Qt::AlignHorizontal_Mask)
                      | (m_multiLine ? Qt::AlignTop | Qt::TextWordWrap : Qt::AlignVCenter | Qt::TextSingleLine);
    painter->setFont(font);
    painter->setPen(foreground);
    painter->drawText(textRect, flags, Cells(col, row));

    if (line > 0) {
        const QColor lineColor = fixed ? FixedLineColor() : GridLineColor();
        painter->fillRect(QRect(rect.right() - line + 1, rect.top(), line, rect.height()), lineColor);
        painter->fillRect(QRect(rect.left(), rect.bottom() - line + 1, rect.width(), line), lineColor);
        // The outer edges of the fixed row and column close the table at its top and left.
        if (row == 0)
            painter->fillRect(QRect(rect.left(), rect.top(), rect.width(), line), lineColor);
        if (col == 0)
            painter->fillRect(QRect(rect.left(), rect.top(), line, rect.height()), lineColor);
    }
    painter->restore();
}

bool TCellGrid::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_corner && event->type() == QEvent::Paint) {
        QPainter painter(m_corner);
        paintCell(&painter, m_corner->rect(), 0, 0, false);
        return true;
    }
    return QTableView::eventFilter(watched, event);
}

bool TCellGrid::canEditCell(int col, int row) const
{
    return m_editingEnabled && col >= 1 && row >= 1 && col < ColCount() && row < m_rowCount
           && m_columns.Items(col)->Editor() != nullptr;
}

QRect TCellGrid::cellRect(int col, int row) const
{
    const QRect rect = visualRect(m_model->index(row - 1, col - 1));
    return rect.isValid() ? rect.adjusted(0, 0, -m_gridLineWidth, -m_gridLineWidth) : rect;
}

void TCellGrid::startEdit()
{
    rtl::guard([this] { beginEdit(); });
    m_pendingChar = QChar();
}

void TCellGrid::beginEdit()
{
    endEdit();
    const int col = Col();
    const int row = Row();
    if (!currentIndex().isValid() || !canEditCell(col, row))
        return;
    TCellEditor *editor = m_columns.Items(col)->Editor();
    editor->createControl(); // throws before any edit state is set
    m_activeEditor = editor;
    m_editCol = col;
    m_editRow = row;
    editor->startEdit();
    scrollTo(currentIndex());
    editor->showControl(cellRect(col, row));
}

bool TCellGrid::endEdit()
{
    if (!m_activeEditor || m_ending)
        return true;
    QScopedValueRollback ending(m_ending, true);
    m_handlerFailed = false;
    takeFocusFromEditor();
    m_activeEditor->endEdit();
    m_activeEditor = nullptr;
    m_editCol = m_editRow = -1;
    return !m_handlerFailed;
}

void TCellGrid::dropEdit()
{
    if (!m_activeEditor || m_ending)
        return;
    QScopedValueRollback ending(m_ending, true);
    takeFocusFromEditor();
    TCellEditor *editor = std::exchange(m_activeEditor, nullptr);
    m_editCol = m_editRow = -1;
    editor->hideControl();
}

void TCellGrid::takeFocusFromEditor()
{
    // Before the control hides, or the focus wanders off to the window's next control.
    if (m_activeEditor->controlHasFocus())
        setFocus(Qt::OtherFocusReason);
}

void TCellGrid::commitEditText(const QString &text)
{
    if (m_editCol < 0)
        return;
    const int col = m_editCol;
    const int row = m_editRow;
    if (Cells(col, row) != text)
        setCells(col, row, text);
    if (OnSetEditText) {
        bool done = false;
        rtl::guard([&] {
            OnSetEditText(this, col, row, text);
            done = true;
        });
        m_handlerFailed = !done;
    }
}

void TCellGrid::editorGone(TCellEditor *editor)
{
    if (m_activeEditor == editor) {
        m_activeEditor = nullptr;
        m_editCol = m_editRow = -1;
    }
    for (int c = 0; c < m_columns.Count(); ++c) {
        TCellGridColumn *column = m_columns.Items(c);
        if (column->m_editor == editor)
            column->m_editor = nullptr;
    }
}

void TCellGrid::placeEditor()
{
    if (!m_activeEditor || !m_activeEditor->control())
        return;
    const QRect rect = cellRect(m_editCol, m_editRow);
    // A cell scrolled out of view leaves the control where it was.
    if (rect.isValid() && viewport()->rect().intersects(rect))
        m_activeEditor->control()->setGeometry(rect);
}

void TCellGrid::scrollContentsBy(int dx, int dy)
{
    QTableView::scrollContentsBy(dx, dy);
    placeEditor();
}

bool TCellGrid::viewportEvent(QEvent *event)
{
    // A key reaches the viewport only from an in-place control that had no use for it (Shift,
    // CapsLock, PageDown, F5 ...). It stays with the edit: only the editor's leaving keys, which
    // its filter takes before the control, move on to the grid.
    if (event->type() == QEvent::KeyPress && isEditing()) {
        event->accept();
        return true;
    }
    return QTableView::viewportEvent(event);
}

void TCellGrid::keyPressEvent(QKeyEvent *event)
{
    // A key that reaches the grid itself ends any edit before it acts.
    endEdit();
    const QString text = event->text();
    const bool typed = !text.isEmpty() && text.at(0).unicode() >= 32 && text.at(0) != QChar(0x7f)
                       && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (typed) {
        if (!canEditCell(Col(), Row())) {
            event->ignore();
            return;
        }
        if (m_immediateEditMode)
            m_pendingChar = text.at(0);
        startEdit();
        return;
    }
    if (event->key() == Qt::Key_F2 && event->modifiers() == Qt::NoModifier) {
        startEdit();
        return;
    }
    QTableView::keyPressEvent(event);
}

void TCellGrid::mousePressEvent(QMouseEvent *event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    m_pressOnCurrent = event->button() == Qt::LeftButton && !isEditing() && index.isValid() && index == currentIndex()
                       && event->modifiers() == Qt::NoModifier;
    // The edit is written while its cell is still current, before the click moves the current cell.
    endEdit();
    QTableView::mousePressEvent(event);
}

void TCellGrid::mouseReleaseEvent(QMouseEvent *event)
{
    QTableView::mouseReleaseEvent(event);
    const bool onCurrent = std::exchange(m_pressOnCurrent, false);
    if (onCurrent && event->button() == Qt::LeftButton && indexAt(event->position().toPoint()) == currentIndex())
        startEdit();
}

void TCellGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTableView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()) == currentIndex() && !isEditing())
        startEdit();
}

void TCellGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    // Every path that moves the current cell ends the edit first; this catches any other.
    if (m_activeEditor && !m_ending && current != previous)
        endEdit();
    QTableView::currentChanged(current, previous);
}
