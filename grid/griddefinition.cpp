// Grids built from their declarations.
#include "grid/griddefinition.h"

#include "grid/cellgrid.h"
#include "grid/combocelleditor.h"
#include "grid/editcelleditor.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

struct SharedEditor {
    CellEditorKind kind;
    QStringList items;
    QString defaultText;
    TCellEditor *editor;
};

TCellEditor *makeEditor(const GridColumn &column, QObject *owner, int number)
{
    if (column.editor == CellEditorKind::Text) {
        auto *editor = new TEditCellEditor(owner);
        editor->setObjectName(QStringLiteral("EditCellEditor%1").arg(number));
        editor->setDefaultText(column.defaultText);
        return editor;
    }
    auto *editor = new TComboCellEditor(owner);
    editor->setObjectName(QStringLiteral("ComboCellEditor%1").arg(number));
    editor->setItems(column.items);
    editor->setDefaultText(column.defaultText);
    return editor;
}

} // namespace

void buildGrid(TCellGrid *grid, const GridDefinition &table, QObject *editorOwner)
{
    grid->setObjectName(table.name);
    grid->setColCount(int(table.columns.size()));
    grid->setRowCount(table.rowCount);
    grid->setDefaultRowHeight(table.rowHeight);
    grid->setImmediateEditMode(table.immediateEditMode);
    grid->setRangeSelect(table.rangeSelect);

    std::vector<SharedEditor> editors;
    for (int c = 0; c < table.columns.size(); ++c) {
        const GridColumn &def = table.columns[c];
        TCellGridColumn *column = grid->Columns()->Items(c);
        column->setCaption(def.caption);
        column->setWidth(def.width);
        column->setAlignment(table.alignment);
        column->setHeaderAlignment(table.alignment);
        column->setEditorInheritsCellProps(table.editorInheritsCellProps);
        if (def.editor == CellEditorKind::None)
            continue;
        auto found = std::find_if(editors.begin(), editors.end(), [&](const SharedEditor &e) {
            return e.kind == def.editor && e.items == def.items && e.defaultText == def.defaultText;
        });
        if (found == editors.end()) {
            const int number = int(std::count_if(editors.begin(), editors.end(),
                                                 [&](const SharedEditor &e) { return e.kind == def.editor; }))
                               + 1;
            editors.push_back({def.editor, def.items, def.defaultText, makeEditor(def, editorOwner, number)});
            found = editors.end() - 1;
        }
        column->setEditor(found->editor);
    }
}

void fitGridToCells(TCellGrid *grid)
{
    int width = 2 * grid->frameWidth();
    for (int c = 0; c < grid->ColCount(); ++c)
        width += grid->ColWidths(c);
    grid->setFixedSize(width, grid->RowCount() * grid->DefaultRowHeight() + 2 * grid->frameWidth());
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void numberRows(TCellGrid *grid, int first, int last)
{
    for (int r = first; r <= last; ++r)
        grid->setCells(0, r, QString::number(r));
}

double fontScale(const QFont &font, int designPixelSize)
{
    QFont design(font);
    design.setPixelSize(designPixelSize);
    const QFontMetricsF actual(font), base(design);
    double scale = actual.height() / base.height();
    // Digits and CJK glyphs need not grow alike; the wider growth keeps both kinds of cell fitting.
    for (const QString &sample : {QStringLiteral("0123456789."), QStringLiteral("信道频率")})
        scale = std::max(scale, actual.horizontalAdvance(sample) / base.horizontalAdvance(sample));
    return std::max(1.0, scale);
}

void scaleGrid(TCellGrid *grid, double scale)
{
    const auto scaled = [scale](int size) { return int(std::ceil(size * scale)); };
    for (int c = 0; c < grid->ColCount(); ++c)
        grid->setColWidths(c, scaled(grid->ColWidths(c)));
    grid->setDefaultRowHeight(scaled(grid->DefaultRowHeight()));
}
