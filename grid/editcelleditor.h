// The free-text cell editor and its borderless in-place line edit.
#pragma once

#include "grid/celleditor.h"

#include <QLineEdit>

// A borderless single-line edit; a frameless QLineEdit already keeps its text 2 px off the sides.
class TInplaceEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TInplaceEdit(QWidget *parent = nullptr);
};

class TEditCellEditor : public TControlCellEditor {
    Q_OBJECT
public:
    explicit TEditCellEditor(QObject *parent = nullptr);

    // Offered, all selected, when an edit starts on an empty cell.
    QString DefaultText() const { return m_defaultText; }
    void setDefaultText(const QString &text) { m_defaultText = text; }

    void startEdit() override;
    QWidget *newControl(QWidget *parent) override;
    TInplaceEdit *edit() const { return qobject_cast<TInplaceEdit *>(control()); }

protected:
    QString controlText() const override;
    bool isLeavingKey(const QKeyEvent &event) const override;

private:
    QString m_defaultText;
};
