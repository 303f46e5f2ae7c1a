// Spreadsheet-style editing of the main window's channel plan.
#include "app/sheet/plansheet.h"

#include "app/Unit1.h"
#include "app/sheet/csvimportdialog.h"
#include "app/filedialogs.h"
#include "app/sheet/planprint.h"
#include "channels/channelcsv.h"
#include "channels/channelsheet.h"
#include "grid/cellgrid.h"
#include "rtl/dialogs.h"
#include "rtl/filewriter.h"
#include "rtl/guard.h"

#include <QBuffer>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>

namespace {

constexpr int kLastColumn = kChannelColumnCount - 1;
const QString kCsvFilter = QStringLiteral("CSV (*.csv)");
const QString kCsvSuffix = QStringLiteral("csv");

QString withStep(const QString &verb, const QString &step)
{
    return step.isEmpty() ? verb : verb + u' ' + step;
}

QMenu *menuHolding(QAction *item)
{
    for (QObject *o : item->associatedObjects())
        if (auto *menu = qobject_cast<QMenu *>(o))
            return menu;
    return nullptr;
}

void setUpPage(QPagedPaintDevice &device)
{
    device.setPageSize(QPageSize(QPageSize::A4));
    device.setPageOrientation(QPageLayout::Landscape);
    device.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
}

} // namespace

PlanSheet::PlanSheet(TForm1 &form)
    : QObject(&form), m_form(form), m_grid(form.xg), m_history(form.texts()),
      m_emptyPlan(PlanSnapshot::capture(form.texts()))
{
    m_form.setSheet(this);
    buildMenus();

    // A cell edit ends in the window's OnSetEditText; its rules and the edit are one step, even
    // when a rule refuses the text and the text stays.
    m_setEditText = m_grid->OnSetEditText;
    m_grid->OnSetEditText = [this](TCellGrid *grid, int col, int row, const QString &value) {
        const QString name = QStringLiteral("修改 %1").arg(channelCellName(col, row));
        try {
            m_setEditText(grid, col, row, value);
        } catch (...) {
            m_history.record(name);
            throw;
        }
        m_history.record(name);
    };
    for (int index = 1; index <= kSettingCount; ++index) {
        QComboBox *box = m_form.settingBox(index);
        QString label = settingDefs()[index].label;
        if (label.endsWith(u'：'))
            label.chop(1);
        const auto record = [this, index, label] { m_history.record(QStringLiteral("修改「%1」").arg(label), index); };
        connect(box, &QComboBox::activated, this, record);
        connect(box->lineEdit(), &QLineEdit::textEdited, this, record);
        connect(box->lineEdit(), &QLineEdit::editingFinished, this, [this] { m_history.endRun(); });
    }
    // A channel read goes into the table as one step.
    connect(&m_form, &TForm1::readApplying, this, [this] { m_history.beginAbsorbing(); });
    connect(&m_form, &TForm1::readApplied, this, [this](const QString &what) {
        m_history.endAbsorbing(what);
        updateUndoActions();
    });
    connect(&m_form, &TForm1::planLoaded, this, [this](const QString &file) {
        m_history.record(QStringLiteral("打开 %1").arg(QFileInfo(file).fileName()));
        m_history.stack().setClean();
        m_planFile = file;
    });
    connect(&m_form, &TForm1::planSaved, this, [this](const QString &file) {
        m_history.stack().setClean();
        m_planFile = file;
    });

    // Unsaved changes show in the caption and are asked about on closing.
    m_form.setWindowTitle(m_form.windowTitle() + QStringLiteral("[*]"));
    connect(&m_history.stack(), &QUndoStack::cleanChanged, &m_form,
            [this](bool clean) { m_form.setWindowModified(!clean); });
    m_form.installEventFilter(this);
    qApp->installEventFilter(this); // the table's keys in an open cell editor

    QUndoStack *stack = &m_history.stack();
    for (auto signal : {&QUndoStack::undoTextChanged, &QUndoStack::redoTextChanged})
        connect(stack, signal, this, &PlanSheet::updateUndoActions);
    for (auto signal : {&QUndoStack::canUndoChanged, &QUndoStack::canRedoChanged})
        connect(stack, signal, this, &PlanSheet::updateUndoActions);
    updateUndoActions();

    chooseCsvToImport = [this] { return runFileDialog(*csvDialog(QFileDialog::AcceptOpen)); };
    chooseCsvPlacement = [this](const ChannelCsvFile &file, const QString &fileName) -> std::optional<CsvPlacement> {
        CsvImportDialog dialog(file, QFileInfo(fileName).fileName(), &m_form);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.placement();
    };
    chooseCsvToExport = [this] { return runFileDialog(*csvDialog(QFileDialog::AcceptSave)); };
    choosePdf = [this] {
        return runFileDialog(&m_form, QFileDialog::AcceptSave, QStringLiteral("PDF (*.pdf)"), QStringLiteral("pdf"));
    };
    askToSave = [this](const QString &question) {
        QMessageBox box(QMessageBox::Question, rtl::kAppTitle, question, QMessageBox::NoButton, &m_form);
        QPushButton *save = box.addButton(QStringLiteral("保存"), QMessageBox::AcceptRole);
        QPushButton *discard = box.addButton(QStringLiteral("不保存"), QMessageBox::DestructiveRole);
        box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
        box.setDefaultButton(save);
        box.exec();
        return box.clickedButton() == save      ? SaveChoice::Save
               : box.clickedButton() == discard ? SaveChoice::Discard
                                                : SaveChoice::Cancel;
    };
    previewPrint = [this](QPrinter &printer) {
        QPrintPreviewDialog dialog(&printer, &m_form);
        connect(&dialog, &QPrintPreviewDialog::paintRequested, this,
                rtl::guarded([this](QPrinter *target) { printTo(*target); }));
        dialog.exec();
    };
}

PlanSheet::~PlanSheet()
{
    if (m_form.sheet() == this)
        m_form.setSheet(nullptr);
    qApp->removeEventFilter(this);
    m_grid->OnSetEditText = m_setEditText;
}

QAction *PlanSheet::addAction(const QString &text, void (PlanSheet::*handler)())
{
    auto *action = new QAction(text, this);
    connect(action, &QAction::triggered, this, rtl::guarded([this, handler] { (this->*handler)(); }));
    return action;
}

void PlanSheet::buildMenus()
{
    undoAction = addAction(QStringLiteral("撤销"), &PlanSheet::undo);
    undoAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    redoAction = addAction(QStringLiteral("重做"), &PlanSheet::redo);
    redoAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    // 撤销 and 重做 carry no mnemonic: their text names the step, and a letter after it would
    // move with every step.
    cutAction = addAction(QStringLiteral("剪切(&T)"), &PlanSheet::cut);
    cutAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    copyAction = addAction(QStringLiteral("复制(&C)"), &PlanSheet::copy);
    copyAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    pasteAction = addAction(QStringLiteral("粘贴(&P)"), &PlanSheet::paste);
    pasteAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    clearAction = addAction(QStringLiteral("清除(&L)"), &PlanSheet::clear);
    clearAction->setShortcut(QKeySequence(Qt::Key_Delete));
    insertAction = addAction(QStringLiteral("插入空信道(&I)"), &PlanSheet::insertChannels);
    deleteAction = addAction(QStringLiteral("删除信道(&D)"), &PlanSheet::deleteChannels);
    moveUpAction = addAction(QStringLiteral("上移(&M)"), &PlanSheet::moveUp);
    moveDownAction = addAction(QStringLiteral("下移(&N)"), &PlanSheet::moveDown);
    importCsvAction = addAction(QStringLiteral("导入 CSV(&I)…"), &PlanSheet::importCsv);
    exportCsvAction = addAction(QStringLiteral("导出 CSV(&E)…"), &PlanSheet::exportCsv);
    printAction = addAction(QStringLiteral("打印(&P)…"), &PlanSheet::print);
    printAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    exportPdfAction = addAction(QStringLiteral("导出 PDF(&D)…"), &PlanSheet::exportPdf);

    // The table's own actions act only while the table has the focus; an open cell editor, like
    // any line edit, keeps Ctrl+C/V/X and Delete for its text.
    const QList<QAction *> tableActions{cutAction,    copyAction,   pasteAction, clearAction,  nullptr,
                                        insertAction, deleteAction, nullptr,     moveUpAction, moveDownAction};
    auto *editMenu = new QMenu(QStringLiteral("编辑(&E)"), &m_form);
    editMenu->addAction(undoAction);
    editMenu->addAction(redoAction);
    editMenu->addSeparator();
    for (QAction *action : tableActions) {
        if (!action) {
            auto *separator = new QAction(this);
            separator->setSeparator(true);
            editMenu->addSeparator();
            m_grid->addAction(separator);
            continue;
        }
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        editMenu->addAction(action);
        m_grid->addAction(action);
    }
    m_grid->setContextMenuPolicy(Qt::ActionsContextMenu);
    // A click on a channel number selects the whole channel.
    m_grid->verticalHeader()->setSectionsClickable(true);

    if (QMenu *signalling = menuHolding(m_form.DTMF1))
        m_form.menuBar()->insertMenu(signalling->menuAction(), editMenu);
    else
        m_form.menuBar()->addMenu(editMenu);
    if (QMenu *file = menuHolding(m_form.N1)) {
        file->insertSeparator(m_form.N1);
        file->insertActions(m_form.N1, {importCsvAction, exportCsvAction});
        file->insertSeparator(m_form.N1);
        file->insertActions(m_form.N1, {printAction, exportPdfAction});
        file->insertSeparator(m_form.N1);
    }
}

void PlanSheet::updateUndoActions()
{
    const QUndoStack &stack = m_history.stack();
    // A running read restores nothing: its next frame would overwrite what came back.
    const bool idle = !m_history.absorbing();
    undoAction->setEnabled(idle && stack.canUndo());
    undoAction->setText(withStep(QStringLiteral("撤销"), stack.undoText()));
    redoAction->setEnabled(idle && stack.canRedo());
    redoAction->setText(withStep(QStringLiteral("重做"), stack.redoText()));
}

PlanSheet::Range PlanSheet::selection() const
{
    const QModelIndexList indexes = m_grid->selectionModel()->selectedIndexes();
    if (indexes.isEmpty())
        return {m_grid->Col(), m_grid->Row(), m_grid->Col(), m_grid->Row()};
    Range r{kLastColumn, kChannelCount, 1, 1};
    // Model index (r, c) is grid cell (c + 1, r + 1): row 0 and column 0 are the headers.
    for (const QModelIndex &index : indexes) {
        r.firstCol = std::min(r.firstCol, index.column() + 1);
        r.lastCol = std::max(r.lastCol, index.column() + 1);
        r.firstRow = std::min(r.firstRow, index.row() + 1);
        r.lastRow = std::max(r.lastRow, index.row() + 1);
    }
    return r;
}

void PlanSheet::select(const Range &range)
{
    m_grid->setCurrentCell(range.firstCol, range.firstRow);
    QAbstractItemModel *model = m_grid->model();
    m_grid->selectionModel()->select(QItemSelection(model->index(range.firstRow - 1, range.firstCol - 1),
                                                    model->index(range.lastRow - 1, range.lastCol - 1)),
                                     QItemSelectionModel::ClearAndSelect);
}

void PlanSheet::undo()
{
    // Undo from the menu while a cell is being typed undoes that typing.
    if (m_form.commitOpenEdit())
        m_history.undo();
}

void PlanSheet::redo()
{
    if (m_form.commitOpenEdit())
        m_history.redo();
}

void PlanSheet::copy()
{
    if (!m_form.commitOpenEdit())
        return;
    const Range r = selection();
    QGuiApplication::clipboard()->setText(
        copyChannelCells(m_form.texts(), r.firstCol, r.firstRow, r.lastCol, r.lastRow));
}

void PlanSheet::cut()
{
    if (!m_form.commitOpenEdit())
        return;
    copy();
    clearSelected();
    m_history.record(QStringLiteral("剪切"));
}

void PlanSheet::clear()
{
    if (!m_form.commitOpenEdit())
        return;
    clearSelected();
    m_history.record(QStringLiteral("清除"));
}

void PlanSheet::clearSelected()
{
    QList<QPoint> cells;
    for (const QModelIndex &index : m_grid->selectionModel()->selectedIndexes())
        cells << QPoint(index.column() + 1, index.row() + 1);
    if (cells.isEmpty())
        cells << QPoint(m_grid->Col(), m_grid->Row());
    clearChannelCells(m_form.texts(), cells);
}

void PlanSheet::paste()
{
    if (!m_form.commitOpenEdit())
        return;
    const QList<QStringList> block = splitDelimited(QGuiApplication::clipboard()->text(), u'\t');
    if (block.isEmpty())
        return;
    qsizetype width = 0;
    for (const QStringList &line : block)
        width = std::max(width, line.size());
    // Whole channels go to the start of their row, wherever the current cell is.
    const int col = width == kLastColumn ? int(ColRxFrequency) : m_grid->Col();
    const int row = m_grid->Row();
    const int channels = pasteChannelCells(m_form.texts(), col, row, block);
    m_history.record(QStringLiteral("粘贴 %1 个信道").arg(channels));
    select({col, row, std::min<int>(kLastColumn, col + int(width) - 1), row + channels - 1});
}

void PlanSheet::insertChannels()
{
    if (!m_form.commitOpenEdit())
        return;
    const Range r = selection();
    ::insertEmptyChannels(m_form.texts(), r.firstRow, r.lastRow - r.firstRow + 1);
    m_history.record(QStringLiteral("插入空信道"));
}

void PlanSheet::deleteChannels()
{
    if (!m_form.commitOpenEdit())
        return;
    const Range r = selection();
    const int count = r.lastRow - r.firstRow + 1;
    ::deleteChannels(m_form.texts(), r.firstRow, count);
    m_history.record(count == 1 ? QStringLiteral("删除信道 %1").arg(r.firstRow)
                                : QStringLiteral("删除 %1 个信道").arg(count));
}

void PlanSheet::moveUp()
{
    moveBy(-1);
}

void PlanSheet::moveDown()
{
    moveBy(1);
}

void PlanSheet::moveBy(int by)
{
    if (!m_form.commitOpenEdit())
        return;
    const Range r = selection();
    if (!moveChannels(m_form.texts(), r.firstRow, r.lastRow - r.firstRow + 1, by))
        return;
    const QString what = r.firstRow == r.lastRow ? QStringLiteral("信道 %1").arg(r.firstRow)
                                                 : QStringLiteral("信道 %1–%2").arg(r.firstRow).arg(r.lastRow);
    m_history.record((by < 0 ? QStringLiteral("上移 ") : QStringLiteral("下移 ")) + what);
    // The selection goes with the channels, so the next press moves them on.
    select({1, r.firstRow + by, kLastColumn, r.lastRow + by});
}

void PlanSheet::importCsv()
{
    if (!m_form.commitOpenEdit())
        return;
    const QString file = chooseCsvToImport ? chooseCsvToImport() : QString();
    if (file.isEmpty())
        return;
    // A file that is no channel list is refused before anything is asked.
    const ChannelCsvFile csv = ChannelCsvFile::load(file);
    const std::optional<CsvPlacement> placement = chooseCsvPlacement ? chooseCsvPlacement(csv, file) : CsvPlacement{};
    if (!placement)
        return;
    const CsvReport report = csv.importInto(m_form.texts(), *placement);
    m_history.record(QStringLiteral("导入 CSV"));
    QStringList lines;
    if (placement->firstRow > 0)
        lines << QStringLiteral("从第 %1 行起导入，之前的 %2 行没有读入。")
                     .arg(csv.rows()[placement->firstRow].line)
                     .arg(placement->firstRow);
    // The channels now in the table come first; the rows left out may run to a hundred.
    if (!report.outOfBand.isEmpty())
        lines << QStringLiteral("%1 处频率在本机频段外，照样导入了，写频前会再提醒：").arg(report.outOfBand.size())
              << report.outOfBand;
    if (!report.skipped.isEmpty())
        lines << QStringLiteral("跳过了 %1 行：").arg(report.skipped.size()) << report.skipped;
    showCsvImportReport(&m_form,
                        QStringLiteral("从 %1 导入了 %2 个信道。").arg(QFileInfo(file).fileName()).arg(report.channels),
                        lines);
}

void PlanSheet::exportCsv()
{
    if (!m_form.commitOpenEdit())
        return;
    const QString file = chooseCsvToExport ? chooseCsvToExport() : QString();
    if (file.isEmpty())
        return;
    const CsvReport report = saveChannelCsv(m_form.texts(), file);
    QString text =
        QStringLiteral("已把 %1 个信道导出到 %2。\nCSV 没有这些列，它们没有导出：%3；通用设置也不在 CSV 里。")
            .arg(QString::number(report.channels), QFileInfo(file).fileName(),
                 csvUncarriedColumns().join(QStringLiteral("、")));
    if (!report.skipped.isEmpty())
        text += QStringLiteral("\n没有导出 %1 个信道：\n").arg(report.skipped.size()) + report.skipped.join(u'\n');
    rtl::dialogs::infoBox(text);
}

QString PlanSheet::planName() const
{
    return m_planFile.isEmpty() ? QStringLiteral("（未保存）") : QFileInfo(m_planFile).fileName();
}

void PlanSheet::printTo(QPrinter &printer)
{
    printChannelPlan(printer, m_form.texts(), planName());
}

void PlanSheet::print()
{
    if (!m_form.commitOpenEdit())
        return;
    QPrinter printer(QPrinter::HighResolution);
    setUpPage(printer);
    printer.setDocName(planName());
    if (previewPrint)
        previewPrint(printer);
}

void PlanSheet::exportPdf()
{
    if (!m_form.commitOpenEdit())
        return;
    const QString file = choosePdf ? choosePdf() : QString();
    if (file.isEmpty())
        return;
    // Made in memory first: QPdfWriter does not report a failed write, the checked writer does.
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        setUpPage(writer);
        writer.setTitle(planName());
        writer.setCreator(rtl::kAppTitle);
        printChannelPlan(writer, m_form.texts(), planName());
    }
    rtl::writeFileChecked(file, pdf.data());
}

bool PlanSheet::insideGrid(QObject *object) const
{
    // Parents, not isAncestorOf(): a drop-down's list is a window of its own.
    if (!object->isWidgetType())
        return false;
    for (QWidget *w = static_cast<QWidget *>(object)->parentWidget(); w; w = w->parentWidget())
        if (w == m_grid)
            return true;
    return false;
}

bool PlanSheet::mayDiscardChanges(const QString &question)
{
    m_form.commitOpenEdit();
    if (m_history.stack().isClean() && !m_history.absorbing())
        return true;
    switch (askToSave ? askToSave(question) : SaveChoice::Discard) {
    case SaveChoice::Discard:
        return true;
    case SaveChoice::Cancel:
        return false;
    case SaveChoice::Save:
        break;
    }
    rtl::guard([this] { m_form.N5Click(); });
    return m_history.stack().isClean(); // a cancelled or failed save keeps the plan
}

void PlanSheet::startNewPlan()
{
    m_emptyPlan.restore(m_form.texts());
    m_history.reset();
    m_planFile.clear();
}

std::unique_ptr<QFileDialog> PlanSheet::csvDialog(QFileDialog::AcceptMode mode) const
{
    if (mode == QFileDialog::AcceptOpen)
        return makeFileDialog(&m_form, mode, kCsvFilter, kCsvSuffix, {}, QStringLiteral("导入 CSV"));
    const QString name = m_planFile.isEmpty() ? QStringLiteral("信道.csv")
                                              : QFileInfo(m_planFile).completeBaseName() + QStringLiteral(".csv");
    return makeFileDialog(&m_form, mode, kCsvFilter, kCsvSuffix, {}, QStringLiteral("导出 CSV"), name);
}

bool PlanSheet::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride && m_grid->isEditing() && insideGrid(watched)) {
        const QKeySequence pressed(static_cast<QKeyEvent *>(event)->keyCombination());
        // Cells hold one line: several cells or lines pasted into an open cell editor go to the
        // table instead, from the edit cell on. Unclaimed, the key reaches the table's shortcut.
        const QString text = QGuiApplication::clipboard()->text();
        if (pressed == pasteAction->shortcut()
            && (text.contains(u'\t') || text.contains(u'\n') || text.contains(u'\r')))
            return true;
        // Otherwise the editor, or a drop-down list it opened, keeps the table's keys.
        for (const QAction *action : {cutAction, copyAction, pasteAction, clearAction}) {
            if (pressed == action->shortcut()) {
                event->accept();
                return true;
            }
        }
    }
    if (watched == &m_form && event->type() == QEvent::Close
        && !mayDiscardChanges(QStringLiteral("信道表有未保存的修改。关闭前保存吗？"))) {
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
