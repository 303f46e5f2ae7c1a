// TCellGrid: a text grid with a fixed caption row and number column, edited through per-column cell editors.
#pragma once

#include "grid/celleditor.h"
#include "grid/cellgridcolumns.h"

#include <QColor>
#include <QMap>
#include <QTableView>

#include <functional>
#include <utility>
#include <vector>

class QAbstractButton;
class TCellGridModel;

// Row 0 is drawn as the horizontal header and column 0 as the vertical header, so both stay in view
// when the table scrolls; they are still ordinary cell texts read and written through Cells.
class TCellGrid : public QTableView {
    Q_OBJECT
public:
    explicit TCellGrid(QWidget *parent = nullptr);
    ~TCellGrid() override;

    int ColCount() const { return m_columns.Count(); }
    void setColCount(int count);
    int RowCount() const { return m_rowCount; }
    void setRowCount(int count);

    // Storage is not bounded by the counts: cells beyond them keep their text and are not drawn.
    QString Cells(int col, int row) const;
    void setCells(int col, int row, const QString &text);

    // The current cell; never in row 0 or column 0.
    int Col() const;
    int Row() const;
    void setCurrentCell(int col, int row);

    int DefaultRowHeight() const { return m_defaultRowHeight; }
    void setDefaultRowHeight(int height);
    int ColWidths(int col) const;
    void setColWidths(int col, int width);

    bool ImmediateEditMode() const { return m_immediateEditMode; }
    void setImmediateEditMode(bool on) { m_immediateEditMode = on; }
    bool MultiLine() const { return m_multiLine; }
    void setMultiLine(bool on);
    bool EditingEnabled() const { return m_editingEnabled; }
    void setEditingEnabled(bool on);
    bool RangeSelect() const { return selectionMode() == QAbstractItemView::ContiguousSelection; }
    void setRangeSelect(bool on);

    QColor Color() const;
    void setColor(const QColor &color);
    QColor FixedColor() const;
    void setFixedColor(const QColor &color);
    // Unless set, the lines follow the palette: black fixed lines and silver cell lines on a light
    // palette; on a dark one (text lighter than its base) fixed lines in the text colour and cell
    // lines a quarter of the way from base to text, the contrast silver has on white. An invalid
    // colour returns a line to the palette.
    QColor FixedLineColor() const;
    void setFixedLineColor(const QColor &color);
    QColor GridLineColor() const;
    void setGridLineColor(const QColor &color);
    int GridLineWidth() const { return m_gridLineWidth; }
    void setGridLineWidth(int width);
    QColor SelectedColor() const;
    void setSelectedColor(const QColor &color);
    QColor SelectedTextColor() const;
    void setSelectedTextColor(const QColor &color);

    TCellGridColumns *Columns() { return &m_columns; }
    const TCellGridColumns *Columns() const { return &m_columns; }

    // Fired once each time an edit ends, after the cell took the text and while the edit cell is
    // still the current cell. Runs under the exception guard.
    std::function<void(TCellGrid *Sender, int ACol, int ARow, const QString &Value)> OnSetEditText;

    // Editing, as the editors and the windows see it.
    bool isEditing() const { return m_activeEditor != nullptr; }
    TCellEditor *activeEditor() const { return m_activeEditor; }
    int EditCol() const { return m_editCol; }
    int EditRow() const { return m_editRow; }
    // Opens the current column's editor on the current cell when that cell can be edited.
    void startEdit();
    // Commits an open edit as Enter does: the edit cell takes the editor's text, OnSetEditText runs,
    // the editor closes and the grid keeps the focus if the editor had it. Windows call it before a
    // transfer or a file action. Nothing happens when no edit is open. False when OnSetEditText
    // raised (the error has been shown then).
    bool endEdit();
    // The character typed to start an immediate edit; taking it clears it.
    QChar takePendingChar() { return std::exchange(m_pendingChar, QChar()); }
    // Used by editors: store the text in the edit cell and tell the window.
    void commitEditText(const QString &text);
    // Used by editors: the column of this editor is going away with the editor.
    void editorGone(TCellEditor *editor);
    bool canEditCell(int col, int row) const;
    // The rectangle of a cell inside the viewport, grid lines excluded.
    QRect cellRect(int col, int row) const;

    // Paints one cell, fixed or not; shared by the headers, the corner and the cells.
    void paintCell(QPainter *painter, const QRect &rect, int col, int row, bool selected) const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyboardSearch(const QString &) override {}

private:
    void beginEdit();
    // Closes an open edit without writing it: the program has changed or removed its cell.
    void dropEdit();
    // Gives the grid the focus if the editor has it, so that hiding it does not send the focus off.
    void takeFocusFromEditor();
    void placeEditor();
    void applyColWidth(int col);
    void updateCell(int col, int row);
    void ensureCurrentCell();

    TCellGridModel *m_model;
    TCellGridColumns m_columns;
    QAbstractButton *m_corner = nullptr;
    QMap<std::pair<int, int>, QString> m_cells;
    std::vector<int> m_colWidths;
    int m_rowCount = 0;
    int m_defaultRowHeight = 24;
    bool m_immediateEditMode = false;
    bool m_multiLine = false;
    bool m_editingEnabled = true;
    QColor m_color, m_fixedColor, m_selectedColor, m_selectedTextColor;
    QColor m_fixedLineColor, m_gridLineColor; // invalid: from the palette
    int m_gridLineWidth = 1;

    TCellEditor *m_activeEditor = nullptr;
    int m_editCol = -1;
    int m_editRow = -1;
    QChar m_pendingChar;
    bool m_ending = false;
    bool m_handlerFailed = false;
    bool m_pressOnCurrent = false;
};
