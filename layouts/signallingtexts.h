// The texts of a signalling window as its block codecs see them: controls by name, table cells
// by table name, column and row.
#pragma once

#include <QHash>
#include <QString>

// Where a field's text lives: a control ("cb1", "Edit1", "CheckB1") or a cell of a table ("xg2").
struct TextRef {
    QString name;
    int col = -1; // a table cell when col >= 0
    int row = -1;

    static TextRef control(const QString &name) { return {name, -1, -1}; }
    static TextRef cell(const QString &table, int col, int row) { return {table, col, row}; }
    bool isCell() const { return col >= 0; }
    QString key() const { return isCell() ? QStringLiteral("%1:%2:%3").arg(name).arg(col).arg(row) : name; }
};

// A check box reads as one of these two texts.
inline const QString kChecked = QStringLiteral("1");
inline const QString kUnchecked = QStringLiteral("0");

class SignallingTexts {
public:
    virtual ~SignallingTexts() = default;
    virtual QString text(const TextRef &ref) const = 0;
    virtual void setText(const TextRef &ref, const QString &text) = 0;
};

// Texts without widgets, for the codec tests.
class MemorySignallingTexts : public SignallingTexts {
public:
    QString text(const TextRef &ref) const override { return m_texts.value(ref.key()); }
    void setText(const TextRef &ref, const QString &text) override { m_texts.insert(ref.key(), text); }

private:
    QHash<QString, QString> m_texts;
};
