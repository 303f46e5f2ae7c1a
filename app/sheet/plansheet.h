// Spreadsheet-style editing of the main window's channel plan: undo and redo, copy and paste,
// clearing, inserting, deleting and moving channels, CSV interchange and printing.
#pragma once

#include "app/sheet/planhistory.h"
#include "channels/channelcsv.h"

#include <QFileDialog>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QPrinter;
class TCellGrid;
class TForm1;

class PlanSheet : public QObject {
    Q_OBJECT
public:
    enum class SaveChoice { Save, Discard, Cancel };

    // Adds the 编辑 menu, the file menu's CSV and print items and the table's context menu to
    // `form`, and records every change of its plan.
    explicit PlanSheet(TForm1 &form);
    ~PlanSheet() override;

    PlanHistory &history() { return m_history; }
    // The plan file last opened or saved; empty for a plan never saved.
    QString planFile() const { return m_planFile; }

    QAction *undoAction = nullptr;     // 撤销 (Ctrl+Z)
    QAction *redoAction = nullptr;     // 重做 (Ctrl+Y, Ctrl+Shift+Z)
    QAction *cutAction = nullptr;      // 剪切 (Ctrl+X)
    QAction *copyAction = nullptr;     // 复制 (Ctrl+C)
    QAction *pasteAction = nullptr;    // 粘贴 (Ctrl+V)
    QAction *clearAction = nullptr;    // 清除 (Delete)
    QAction *insertAction = nullptr;   // 插入空信道
    QAction *deleteAction = nullptr;   // 删除信道
    QAction *moveUpAction = nullptr;   // 上移
    QAction *moveDownAction = nullptr; // 下移
    QAction *importCsvAction = nullptr;
    QAction *exportCsvAction = nullptr;
    QAction *printAction = nullptr;
    QAction *exportPdfAction = nullptr;

    // The dialogs; tests replace them so that nothing modal opens. A chooser returns an empty
    // name when the user cancels.
    std::function<QString()> chooseCsvToImport;
    // Where the rows of the CSV file picked go; none when the user cancels.
    std::function<std::optional<CsvPlacement>(const ChannelCsvFile &file, const QString &fileName)> chooseCsvPlacement;
    std::function<QString()> chooseCsvToExport;
    std::function<QString()> choosePdf;
    // 保存 / 不保存 / 取消 for the unsaved plan, with `question` ("…关闭前保存吗？").
    std::function<SaveChoice(const QString &question)> askToSave;
    // Shows the print preview of `printer`'s pages, painted by printTo().
    std::function<void(QPrinter &printer)> previewPrint;

    void undo();
    void redo();
    void cut();
    void copy();
    void paste();
    void clear();
    void insertChannels();
    void deleteChannels();
    void moveUp();
    void moveDown();
    void importCsv();
    void exportCsv();
    void print();
    void exportPdf();
    // Paints the plan on `printer`.
    void printTo(QPrinter &printer);

    // True when the plan may be put aside: it has no unsaved changes, or the user chose 不保存,
    // or 保存 and the save happened. False when the user cancelled.
    bool mayDiscardChanges(const QString &question);
    // 新建: the plan as the window first showed it, with a clean history and no file of its own.
    void startNewPlan();
    // The CSV file dialog of 导入 CSV (AcceptOpen) or 导出 CSV (AcceptSave), set up and not yet
    // shown. The export offers the plan's name with .csv, else "信道.csv".
    std::unique_ptr<QFileDialog> csvDialog(QFileDialog::AcceptMode mode) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Range {
        int firstCol, firstRow, lastCol, lastRow;
    };
    QAction *addAction(const QString &text, void (PlanSheet::*handler)());
    void buildMenus();
    void updateUndoActions();
    // The selected cells' bounding range, or the current cell.
    Range selection() const;
    void select(const Range &range);
    void clearSelected();
    void moveBy(int by);
    // A widget inside the table: a cell editor, or a drop-down list one opened.
    bool insideGrid(QObject *object) const;
    QString planName() const;

    TForm1 &m_form;
    TCellGrid *m_grid;
    PlanHistory m_history;
    PlanSnapshot m_emptyPlan; // the plan as the window starts, for 新建
    QString m_planFile;
    std::function<void(TCellGrid *, int, int, const QString &)> m_setEditText; // the window's own
};
