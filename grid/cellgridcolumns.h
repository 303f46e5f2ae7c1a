// Per-column description of a TCellGrid: caption, width, fonts, colours, alignments and editor.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class TCellEditor;
class TCellGrid;

class TCellGridColumn {
public:
    TCellGridColumn(TCellGrid *grid, int index);
    ~TCellGridColumn();
    TCellGridColumn(const TCellGridColumn &) = delete;
    TCellGridColumn &operator=(const TCellGridColumn &) = delete;

    TCellGrid *Grid() const { return m_grid; }
    int Index() const { return m_index; }

    // The caption is the text of the column's cell in row 0.
    QString Caption() const;
    void setCaption(const QString &caption);
    int Width() const;
    void setWidth(int width);

    // Row 0 of the column; fonts default to the grid's font, colours to the grid's.
    QFont HeaderFont() const;
    void setHeaderFont(const QFont &font);
    Qt::Alignment HeaderAlignment() const { return m_headerAlignment; }
    void setHeaderAlignment(Qt::Alignment alignment);
    QColor HeaderColor() const;
    void setHeaderColor(const QColor &color);

    // The other rows of the column.
    QFont Font() const;
    void setFont(const QFont &font);
    Qt::Alignment Alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment alignment);
    QColor Color() const;
    void setColor(const QColor &color);

    TCellEditor *Editor() const { return m_editor; }
    // Throws ECellEditorError when the editor serves another grid; the column is then unchanged.
    void setEditor(TCellEditor *editor);
    bool EditorInheritsCellProps() const { return m_editorInheritsCellProps; }
    void setEditorInheritsCellProps(bool inherits) { m_editorInheritsCellProps = inherits; }

private:
    friend class TCellGrid;
    void repaint() const;

    TCellGrid *m_grid;
    int m_index;
    std::optional<QFont> m_headerFont;
    std::optional<QFont> m_font;
    QColor m_headerColor; // invalid: the grid's fixed colour
    QColor m_color;       // invalid: the grid's colour
    Qt::Alignment m_headerAlignment = Qt::AlignLeft;
    Qt::Alignment m_alignment = Qt::AlignLeft;
    TCellEditor *m_editor = nullptr;
    bool m_editorInheritsCellProps = false;
};

// Exactly one item per grid column, in column order; the grid adds and removes them with ColCount.
class TCellGridColumns {
public:
    explicit TCellGridColumns(TCellGrid *grid) : m_grid(grid) {}

    int Count() const { return int(m_items.size()); }
    TCellGridColumn *Items(int index) const;
    TCellGridColumn *operator[](int index) const { return Items(index); }

private:
    friend class TCellGrid;
    void resize(int count);

    TCellGrid *m_grid;
    std::vector<std::unique_ptr<TCellGridColumn>> m_items;
};
