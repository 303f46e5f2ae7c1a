// Cell editors: the components a grid column lends its cells to for editing, and their error.
#pragma once

#include "rtl/exception.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>

class QKeyEvent;
class QLineEdit;
class QWidget;
class TCellGrid;

// A cell editor misused: attached to a second grid, or unable to make its control.
class ECellEditorError : public rtl::Exception {
public:
    using Exception::Exception;
};

// Serves at most one grid and any number of its columns; the count of those columns keeps it attached.
class TCellEditor : public QObject {
    Q_OBJECT
public:
    explicit TCellEditor(QObject *parent = nullptr);
    ~TCellEditor() override;

    TCellGrid *Grid() const { return m_grid; }
    int ReferenceCount() const { return m_refCount; }

    // Throws ECellEditorError when the editor already serves another grid.
    virtual void attach(TCellGrid *grid);
    virtual void detach();
    virtual void releaseControl();
    // Throws ECellEditorError when no control can be made.
    virtual void createControl();
    virtual void startEdit();
    virtual void endEdit();
    // Hands the text to the grid's edit cell; the grid stores it and fires OnSetEditText.
    virtual void setCellText(const QString &text);
    virtual void showControl(const QRect &rect);
    virtual void hideControl();
    virtual QWidget *newControl(QWidget *parent);
    virtual QWidget *control() const;

    // The focus is in the control or in a popup of it (a drop-down's list is a window of its own).
    bool controlHasFocus() const;

protected:
    // Drops the grid without calling back into this (half destroyed) object.
    void forgetGrid();

private:
    TCellGrid *m_grid = nullptr;
    int m_refCount = 0;
};

// Owns one in-place control, made on first use as a child of the grid and moved over the edit cell.
class TControlCellEditor : public TCellEditor {
    Q_OBJECT
public:
    explicit TControlCellEditor(QObject *parent = nullptr);
    ~TControlCellEditor() override;

    void releaseControl() override;
    void createControl() override;
    void endEdit() override;
    void showControl(const QRect &rect) override;
    void hideControl() override;
    QWidget *control() const override { return m_control; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // The text the control holds now.
    virtual QString controlText() const;
    // Whether this key, pressed in the control with no modifier but the keypad's, ends the edit and
    // moves on to the grid.
    virtual bool isLeavingKey(const QKeyEvent &event) const;
    // Left and Right leave a line edit at that end of its text, when nothing is selected.
    static bool leavesLine(const QLineEdit &line, int key);
    bool isEditing() const;

private:
    void unhook();

    QPointer<QWidget> m_control;
};
