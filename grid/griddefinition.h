// Tables declared as data: the columns of a grid with their captions, widths and cell editors.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <Qt>

class QFont;
class QObject;
class TCellGrid;

enum class CellEditorKind { None, Text, DropDown };

struct GridColumn {
    QString caption;
    int width = 64;
    CellEditorKind editor = CellEditorKind::None;
    QStringList items;   // a drop-down's list
    QString defaultText; // what the editor offers when an edit starts on an empty cell
};

struct GridDefinition {
    QString name; // the grid's object name, shown in editor errors
    QList<GridColumn> columns;
    int rowCount = 17;
    int rowHeight = 24;
    Qt::Alignment alignment = Qt::AlignLeft; // cells and captions
    bool immediateEditMode = false;
    bool rangeSelect = false;
    bool editorInheritsCellProps = false;
};

// Sets `grid` up from `table`. Columns whose editors have the same kind, list and default text
// share one editor; the editors belong to `editorOwner` and are named after the grid's editors
// ("EditCellEditor1", "ComboCellEditor1", ...).
void buildGrid(TCellGrid *grid, const GridDefinition &table, QObject *editorOwner);

// Sizes the grid to show all its cells without scroll bars.
void fitGridToCells(TCellGrid *grid);

// Writes "1", "2", ... into column 0 of rows first to last.
void numberRows(TCellGrid *grid, int first, int last);

// How much larger `font` draws digits, Chinese text and lines than the same family at
// `designPixelSize` pixels, the size a table's widths and row height were laid out for; never
// below 1.
double fontScale(const QFont &font, int designPixelSize);

// Multiplies the grid's column widths and row height by `scale`, rounding up.
void scaleGrid(TCellGrid *grid, double scale);
