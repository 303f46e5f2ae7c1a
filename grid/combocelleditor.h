// The drop-down cell editor and its in-place combo box.
#pragma once

#include "grid/celleditor.h"

#include <QComboBox>
#include <QStringList>

class TInplaceCombo : public QComboBox {
    Q_OBJECT
public:
    explicit TInplaceCombo(QWidget *parent = nullptr);
};

// DropDown takes typed text besides the list; DropDownList only offers the list.
enum class TComboStyle { DropDown, DropDownList };

class TComboCellEditor : public TControlCellEditor {
    Q_OBJECT
public:
    explicit TComboCellEditor(QObject *parent = nullptr);

    QStringList Items() const { return m_items; }
    void setItems(const QStringList &items) { m_items = items; }
    // Offered when an edit starts on an empty cell.
    QString DefaultText() const { return m_defaultText; }
    void setDefaultText(const QString &text) { m_defaultText = text; }
    TComboStyle Style() const { return m_style; }
    void setStyle(TComboStyle style);

    void startEdit() override;
    QWidget *newControl(QWidget *parent) override;
    TInplaceCombo *combo() const { return qobject_cast<TInplaceCombo *>(control()); }

protected:
    QString controlText() const override;
    bool isLeavingKey(const QKeyEvent &event) const override;

private:
    void applyStyle(TInplaceCombo *combo) const;
    void setText(TInplaceCombo *combo, const QString &text) const;

    QStringList m_items;
    QString m_defaultText;
    TComboStyle m_style = TComboStyle::DropDown;
};
