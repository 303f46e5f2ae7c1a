// The fleet window: the radio table, its checks, the run with a row per radio, and the report.
#include "app/fleet/fleetwindow.h"

#include "app/Unit1.h"
#include "fleet/fleetreport.h"
#include "fleet/fleetrunner.h"
#include "fleet/identityfield.h"
#include "image/radioimage.h"
#include "rtl/dialogs.h"
#include "rtl/filewriter.h"
#include "rtl/guard.h"
#include "signalling/signallingwindow.h"

#include <QAction>
#include <QBuffer>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPageSize>
#include <QPdfWriter>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTextDocument>
#include <QVBoxLayout>

namespace {

const QString kFromWindows = QStringLiteral("窗口中的写频数据");
const QStringList kRunColumns{QStringLiteral("状态"), QStringLiteral("进度"), QStringLiteral("结果"),
                              QStringLiteral("说明")};
enum RunColumn { StateColumn, ProgressColumn, ResultColumn, NotesColumn };

const QColor kPassed(0xc8, 0xf0, 0xc8);
const QColor kFailed(0xf8, 0xc8, 0xc8);

QTableWidgetItem *readOnlyItem(const QString &text = {})
{
    auto *item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

} // namespace

FleetWindow::FleetWindow(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("批量写频"));
    setModal(false);
    auto *layout = new QVBoxLayout(this);

    auto *source = new QFormLayout;
    auto *templateRow = new QHBoxLayout;
    templateBox = new QComboBox(this);
    templateBox->addItem(kFromWindows);
    imageButton = new QPushButton(QStringLiteral("选择镜像(&I)…"), this);
    templateRow->addWidget(templateBox, 1);
    templateRow->addWidget(imageButton);
    source->addRow(QStringLiteral("模板(&M)："), templateRow);
    sharedPorts = new QLineEdit(this);
    sharedPorts->setPlaceholderText(QStringLiteral("标为「下一台」的电台依次在这些串口上写，用逗号分隔"));
    source->addRow(QStringLiteral("共用串口(&P)："), sharedPorts);
    layout->addLayout(source);

    const QList<IdentityField> &ids = identityFields();
    QStringList headers{QStringLiteral("标签"), QStringLiteral("端口")};
    for (const IdentityField &f : ids)
        headers << f.caption;
    headers << kRunColumns;
    table = new QTableWidget(0, int(headers.size()), this);
    table->setHorizontalHeaderLabels(headers);
    // The captions alone fit the columns; the window each field belongs to is in its tip.
    for (int f = 0; f < ids.size(); ++f)
        table->horizontalHeaderItem(2 + f)->setToolTip(ids[f].name());
    table->setColumnWidth(PortColumn, 130);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 8);
    table->horizontalHeader()->setStretchLastSection(true);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    layout->addWidget(table, 1);

    auto *tableButtons = new QHBoxLayout;
    addButton = new QPushButton(QStringLiteral("添加一台(&A)"), this);
    removeButton = new QPushButton(QStringLiteral("删除(&D)"), this);
    loadButton = new QPushButton(QStringLiteral("载入 CSV(&L)…"), this);
    saveButton = new QPushButton(QStringLiteral("保存 CSV(&V)…"), this);
    for (QPushButton *b : {addButton, removeButton, loadButton, saveButton})
        tableButtons->addWidget(b);
    tableButtons->addStretch();
    fillColumn = new QComboBox(this);
    for (const IdentityField &f : ids)
        fillColumn->addItem(f.name());
    fillStart = new QLineEdit(this);
    fillStart->setPlaceholderText(QStringLiteral("起始值"));
    fillStart->setMaximumWidth(110);
    fillStep = new QSpinBox(this);
    fillStep->setRange(-1000000, 1000000);
    fillStep->setValue(1);
    fillStep->setPrefix(QStringLiteral("步长 "));
    fillButton = new QPushButton(QStringLiteral("填充(&F)"), this);
    fillButton->setToolTip(QStringLiteral("从选中的行起（未选中时从第 1 行起）依次填入起始值、起始值 + 步长 …"));
    tableButtons->addWidget(fillColumn);
    tableButtons->addWidget(fillStart);
    tableButtons->addWidget(fillStep);
    tableButtons->addWidget(fillButton);
    layout->addLayout(tableButtons);

    auto *checks = new QGroupBox(QStringLiteral("写入前的检查"), this);
    auto *checksLayout = new QVBoxLayout(checks);
    issues = new QListWidget(checks);
    issues->setMaximumHeight(110);
    checksLayout->addWidget(issues);
    layout->addWidget(checks);

    summary = new QLabel(this);
    summary->setWordWrap(true);
    layout->addWidget(summary);

    auto *runButtons = new QHBoxLayout;
    startButton = new QPushButton(QStringLiteral("开始(&S)"), this);
    startButton->setDefault(true);
    stopButton = new QPushButton(QStringLiteral("停止(&T)"), this);
    retryButton = new QPushButton(QStringLiteral("重试(&R)"), this);
    retryButton->setToolTip(QStringLiteral("只重写选中的失败的电台"));
    resumeButton = new QPushButton(QStringLiteral("继续下一台(&N)"), this);
    reportCsvButton = new QPushButton(QStringLiteral("报告存为 CSV(&C)…"), this);
    reportPdfButton = new QPushButton(QStringLiteral("报告存为 PDF(&E)…"), this);
    auto *close = new QPushButton(QStringLiteral("关闭"), this);
    for (QPushButton *b : {startButton, stopButton, retryButton, resumeButton, reportCsvButton, reportPdfButton})
        runButtons->addWidget(b);
    runButtons->addStretch();
    runButtons->addWidget(close);
    layout->addLayout(runButtons);

    backupFolder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)
                   + QStringLiteral("/fleet-backups");
    chooseImageFile = [this] {
        return QFileDialog::getOpenFileName(this, QStringLiteral("模板"), {}, QStringLiteral("电台镜像 (*.rimg)"));
    };
    chooseTableToLoad = [this] {
        return QFileDialog::getOpenFileName(this, loadButton->text(), {}, QStringLiteral("CSV (*.csv *.txt)"));
    };
    chooseTableToSave = [this] {
        return QFileDialog::getSaveFileName(this, saveButton->text(), QStringLiteral("电台.csv"),
                                            QStringLiteral("CSV (*.csv)"));
    };
    chooseReportCsv = [this] {
        return QFileDialog::getSaveFileName(this, reportCsvButton->text(), QStringLiteral("批量写频报告.csv"),
                                            QStringLiteral("CSV (*.csv)"));
    };
    chooseReportPdf = [this] {
        return QFileDialog::getSaveFileName(this, reportPdfButton->text(), QStringLiteral("批量写频报告.pdf"),
                                            QStringLiteral("PDF (*.pdf)"));
    };

    connect(imageButton, &QPushButton::clicked, this, rtl::guarded([this] {
                const QString file = chooseImageFile ? chooseImageFile() : QString();
                if (!file.isEmpty())
                    setTemplateFile(file);
            }));
    connect(templateBox, &QComboBox::currentIndexChanged, this, [this] { recheck(); });
    connect(sharedPorts, &QLineEdit::editingFinished, this, [this] { recheck(); });
    connect(table, &QTableWidget::itemChanged, this, [this](QTableWidgetItem *item) {
        if (!m_filling && item->column() < statusColumn())
            recheck();
    });
    connect(table, &QTableWidget::itemSelectionChanged, this, [this] { updateButtons(); });
    connect(addButton, &QPushButton::clicked, this, rtl::guarded([this] {
                addRows(1);
                recheck();
            }));
    connect(removeButton, &QPushButton::clicked, this, rtl::guarded([this] {
                QList<int> rows;
                for (const QModelIndex &index : table->selectionModel()->selectedRows())
                    rows << index.row();
                std::sort(rows.rbegin(), rows.rend());
                for (int r : rows)
                    table->removeRow(r);
                recheck();
            }));
    connect(loadButton, &QPushButton::clicked, this, rtl::guarded([this] { loadClick(); }));
    connect(saveButton, &QPushButton::clicked, this, rtl::guarded([this] { saveClick(); }));
    connect(fillButton, &QPushButton::clicked, this, rtl::guarded([this] { fillClick(); }));
    connect(startButton, &QPushButton::clicked, this, rtl::guarded([this] { startClick(); }));
    connect(stopButton, &QPushButton::clicked, this, rtl::guarded([this] { stopClick(); }));
    connect(retryButton, &QPushButton::clicked, this, rtl::guarded([this] { retryClick(); }));
    connect(resumeButton, &QPushButton::clicked, this, rtl::guarded([this] {
                if (m_runner)
                    for (const QString &port : m_runner->heldPorts())
                        m_runner->resume(port);
                updateButtons();
                showSummary();
            }));
    connect(reportCsvButton, &QPushButton::clicked, this, rtl::guarded([this] { reportCsvClick(); }));
    connect(reportPdfButton, &QPushButton::clicked, this, rtl::guarded([this] { reportPdfClick(); }));
    connect(close, &QPushButton::clicked, this, &QDialog::close);

    addRows(3);
    resize(980, 560);
    updateButtons();
}

FleetWindow::~FleetWindow() = default;

int FleetWindow::statusColumn() const
{
    return 2 + int(identityFields().size());
}

QString FleetWindow::cell(int row, int column) const
{
    const QTableWidgetItem *item = table->item(row, column);
    return item ? item->text().trimmed() : QString();
}

void FleetWindow::addRows(int count)
{
    m_filling = true;
    for (int i = 0; i < count; ++i) {
        const int r = table->rowCount();
        table->insertRow(r);
        FleetRow row;
        row.label = QStringLiteral("电台 %1").arg(r + 1);
        row.port = kNextRadio;
        setRowCells(r, row);
    }
    m_filling = false;
}

void FleetWindow::setRowCells(int r, const FleetRow &data)
{
    const bool filling = m_filling;
    m_filling = true;
    table->setItem(r, LabelColumn, new QTableWidgetItem(data.label));
    table->setItem(r, PortColumn, new QTableWidgetItem(data.nextRadio() ? kNextRadio : data.port));
    for (int f = 0; f < identityFields().size(); ++f)
        table->setItem(r, 2 + f, new QTableWidgetItem(data.values.value(f)));
    for (int c = 0; c < kRunColumns.size(); ++c)
        table->setItem(r, statusColumn() + c, readOnlyItem(c == StateColumn ? FleetRunner::stateText(FleetRunner::State::Pending) : QString()));
    auto *bar = new QProgressBar(table);
    bar->setRange(0, FleetRunner::blocksPerRadio());
    bar->setValue(0);
    table->setCellWidget(r, statusColumn() + ProgressColumn, bar);
    m_filling = filling;
}

FleetTable FleetWindow::fleetTable() const
{
    FleetTable t;
    for (int r = 0; r < table->rowCount(); ++r) {
        FleetRow row;
        row.label = cell(r, LabelColumn);
        row.port = cell(r, PortColumn);
        for (int f = 0; f < identityFields().size(); ++f)
            row.values << cell(r, 2 + f);
        t.rows << row;
    }
    return t;
}

void FleetWindow::setFleetTable(const FleetTable &t)
{
    m_filling = true;
    table->setRowCount(0);
    table->setRowCount(int(t.rows.size()));
    for (int r = 0; r < t.rows.size(); ++r)
        setRowCells(r, t.rows[r]);
    m_filling = false;
    recheck();
}

void FleetWindow::setTemplateFile(const QString &file)
{
    m_templateFile = file;
    if (templateBox->count() < 2)
        templateBox->addItem(file);
    else
        templateBox->setItemText(1, file);
    templateBox->setCurrentIndex(1); // rechecks when it changes
    recheck();
}

FleetTemplate FleetWindow::fleetTemplate() const
{
    if (templateBox->currentIndex() == 1 && !m_templateFile.isEmpty())
        return FleetTemplate::fromFile(m_templateFile);
    if (!windowTemplate)
        throw rtl::Exception(QStringLiteral("没有可用的写频数据。"));
    return windowTemplate();
}

QStringList FleetWindow::sharedPortList() const
{
    QStringList ports;
    for (const QString &p : sharedPorts->text().split(u',', Qt::SkipEmptyParts))
        if (!p.trimmed().isEmpty())
            ports << p.trimmed();
    return ports;
}

QList<FleetIssue> FleetWindow::recheck()
{
    QList<FleetIssue> found;
    try {
        found = lintFleet(fleetTable(), fleetTemplate(), sharedPortList());
    } catch (const rtl::Exception &e) {
        // A template that cannot be had at all blocks like any other fault in it.
        FleetIssue issue;
        issue.where = QStringLiteral("模板");
        issue.message = e.message();
        found << issue;
    }
    issues->clear();
    const QStringList lines = issueLines(found);
    for (int i = 0; i < found.size(); ++i) {
        auto *item = new QListWidgetItem(lines.value(i), issues);
        item->setForeground(found[i].blocking ? QColor(0xb0, 0, 0) : palette().color(QPalette::Text));
        item->setToolTip(found[i].blocking ? QStringLiteral("须先改正，才能开始") : QStringLiteral("提醒，不妨碍写入"));
    }
    if (found.isEmpty())
        new QListWidgetItem(QStringLiteral("没有发现问题。"), issues);
    m_blocked = hasBlocking(found);
    updateButtons();
    return found;
}

bool FleetWindow::running() const
{
    return m_runner && m_runner->running();
}

void FleetWindow::updateButtons()
{
    const bool busy = running();
    startButton->setEnabled(!busy && !m_blocked && table->rowCount() > 0);
    stopButton->setEnabled(busy);
    bool failedSelected = false;
    if (m_runner)
        for (const QModelIndex &index : table->selectionModel()->selectedRows())
            failedSelected |= index.row() < m_runner->rowCount()
                              && m_runner->status(index.row()).state == FleetRunner::State::Failed;
    retryButton->setEnabled(failedSelected);
    resumeButton->setEnabled(m_runner && !m_runner->heldPorts().isEmpty());
    const bool haveReport = m_runner && !busy;
    reportCsvButton->setEnabled(haveReport);
    reportPdfButton->setEnabled(haveReport);
    for (QWidget *w : std::initializer_list<QWidget *>{addButton, removeButton, loadButton, fillButton, templateBox,
                                                       imageButton, sharedPorts})
        w->setEnabled(!busy);
    table->setEditTriggers(busy ? QAbstractItemView::NoEditTriggers
                                : QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                                      | QAbstractItemView::AnyKeyPressed);
}

void FleetWindow::startClick()
{
    if (running())
        throw rtl::Exception(QStringLiteral("批量写频正在进行。"));
    if (recheck(), m_blocked)
        throw rtl::Exception(QStringLiteral("请先改正「写入前的检查」中列出的问题。"));
    auto runner = std::make_unique<FleetRunner>(fleetTable(), fleetTemplate());
    runner->setSharedPorts(sharedPortList());
    runner->setBackupFolder(backupFolder);
    runner->setPollInterval(pollMs);
    connect(runner.get(), &FleetRunner::rowChanged, this, [this](int row) { rowChanged(row); });
    connect(runner.get(), &FleetRunner::finished, this, [this] { runFinished(); });
    connect(runner.get(), &FleetRunner::portHeld, this, [this](const QString &port, int row) {
        updateButtons();
        summary->setText(QStringLiteral("第 %1 行失败，串口 %2 暂停：失败的电台可能还接在上面。换上下一台后按「继续下一台」，"
                                        "或选中该行按「重试」。")
                             .arg(row + 1)
                             .arg(port));
    });
    m_runner = std::move(runner);
    for (int r = 0; r < table->rowCount(); ++r)
        rowChanged(r);
    m_runner->start(); // throws before any port opens when the checks block
    updateButtons();
    showSummary();
}

void FleetWindow::stopClick()
{
    if (m_runner)
        m_runner->stop();
    updateButtons();
}

void FleetWindow::retryClick()
{
    QList<int> rows;
    for (const QModelIndex &index : table->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    for (int r : rows)
        if (m_runner && r < m_runner->rowCount() && m_runner->status(r).state == FleetRunner::State::Failed)
            retryRow(r);
}

void FleetWindow::retryRow(int row)
{
    if (!m_runner || row < 0 || row >= m_runner->rowCount() || m_runner->status(row).state != FleetRunner::State::Failed)
        return;
    // The radio is written as the run knew it; a row edited since needs a run of its own.
    const FleetTable now = fleetTable();
    const FleetRow &was = m_runner->table().rows[row];
    if (now.rows.size() != m_runner->rowCount() || now.rows[row].label != was.label
        || now.rows[row].values != was.values)
        throw rtl::Exception(QStringLiteral("第 %1 行在写频后改动过，请按「开始」重新写频。").arg(row + 1));
    // The one thing that may change: the cable, when the radio came back on another one.
    const FleetRow &edited = now.rows[row];
    if (edited.port != was.port && !(edited.nextRadio() && was.nextRadio())) {
        if (edited.nextRadio() && sharedPortList().isEmpty())
            throw rtl::Exception(QStringLiteral("第 %1 行标为「下一台」，但没有填写共用串口。").arg(row + 1));
        m_runner->setRowPort(row, edited.port);
    }
    m_runner->setSharedPorts(sharedPortList());
    m_runner->retry(row);
    updateButtons();
    showSummary();
}

void FleetWindow::rowChanged(int row)
{
    if (!m_runner || row >= table->rowCount())
        return;
    const FleetRunner::RowStatus &s = m_runner->status(row);
    const int c = statusColumn();
    m_filling = true;
    table->item(row, c + StateColumn)->setText(FleetRunner::stateText(s.state));
    if (auto *bar = qobject_cast<QProgressBar *>(table->cellWidget(row, c + ProgressColumn)))
        bar->setValue(s.done);
    QString result;
    QColor colour;
    if (s.state == FleetRunner::State::Passed) {
        result = QStringLiteral("通过");
        colour = kPassed;
    } else if (s.state == FleetRunner::State::Failed) {
        result = QStringLiteral("失败");
        colour = kFailed;
    }
    QTableWidgetItem *resultItem = table->item(row, c + ResultColumn);
    resultItem->setText(result);
    resultItem->setBackground(colour.isValid() ? QBrush(colour) : QBrush());
    QString notes = s.error;
    if (!s.differences.isEmpty())
        notes = m_runner->report().rows.value(row).notes();
    else if (!s.port.isEmpty() && s.running())
        notes = QStringLiteral("串口 %1").arg(s.port);
    else if (s.state == FleetRunner::State::Passed)
        notes = QStringLiteral("备份：%1").arg(QFileInfo(s.backupFile).fileName());
    table->item(row, c + NotesColumn)->setText(notes);
    table->item(row, c + NotesColumn)->setToolTip(s.state == FleetRunner::State::Passed ? s.backupFile : notes);
    m_filling = false;
    if (!s.running()) {
        updateButtons();
        showSummary();
    }
}

void FleetWindow::runFinished()
{
    updateButtons();
    showSummary();
}

void FleetWindow::showSummary()
{
    if (!m_runner)
        return;
    int passed = 0, failed = 0;
    for (int r = 0; r < m_runner->rowCount(); ++r) {
        passed += m_runner->status(r).state == FleetRunner::State::Passed;
        failed += m_runner->status(r).state == FleetRunner::State::Failed;
    }
    QString text = QStringLiteral("共 %1 台：%2 台通过，%3 台失败").arg(m_runner->rowCount()).arg(passed).arg(failed);
    if (running())
        text += QStringLiteral("，其余正在写频或等待。");
    else if (failed > 0)
        text += QStringLiteral("。选中失败的行按「重试」只重写那一台。");
    else
        text += QStringLiteral("。");
    summary->setText(text);
}

void FleetWindow::fillClick()
{
    FleetTable t = fleetTable();
    const QModelIndexList selected = table->selectionModel()->selectedRows();
    int first = 0;
    if (!selected.isEmpty())
        first = std::min_element(selected.begin(), selected.end(), [](const QModelIndex &a, const QModelIndex &b) {
                    return a.row() < b.row();
                })->row();
    if (!t.fill(fillColumn->currentIndex(), first, fillStart->text().trimmed(), fillStep->value()))
        throw rtl::Exception(QStringLiteral("起始值「%1」不是数字，或填充到后面会小于 0。").arg(fillStart->text()));
    m_filling = true;
    for (int r = first; r < t.rows.size(); ++r)
        table->item(r, 2 + fillColumn->currentIndex())->setText(t.rows[r].values.value(fillColumn->currentIndex()));
    m_filling = false;
    recheck();
}

void FleetWindow::loadClick()
{
    const QString file = chooseTableToLoad ? chooseTableToLoad() : QString();
    if (!file.isEmpty())
        setFleetTable(FleetTable::load(file));
}

void FleetWindow::saveClick()
{
    const QString file = chooseTableToSave ? chooseTableToSave() : QString();
    if (!file.isEmpty())
        fleetTable().save(file);
}

void FleetWindow::reportCsvClick()
{
    if (!m_runner)
        return;
    const QString file = chooseReportCsv ? chooseReportCsv() : QString();
    if (!file.isEmpty())
        saveFleetReportCsv(m_runner->report(), file);
}

void FleetWindow::reportPdfClick()
{
    if (!m_runner)
        return;
    const QString file = chooseReportPdf ? chooseReportPdf() : QString();
    if (!file.isEmpty())
        saveReportPdf(file);
}

void FleetWindow::saveReportPdf(const QString &file) const
{
    // Printed into memory, then written whole: a failed save leaves no half a PDF behind.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageOrientation(QPageLayout::Landscape);
        pdf.setTitle(QStringLiteral("批量写频报告"));
        pdf.setCreator(rtl::kAppTitle);
        QTextDocument document;
        document.setHtml(fleetReportHtml(m_runner->report()));
        document.print(&pdf);
    }
    rtl::writeFileChecked(file, buffer.data());
}

FleetProgramming::FleetProgramming(TForm1 &main, const QList<SignallingWindow *> &windows)
    : QObject(&main), m_main(main)
{
    for (SignallingWindow *w : windows)
        m_windows << w;
    fleetAction = new QAction(QStringLiteral("批量写频(&L)…"), this);
    if (QMenu *menu = m_main.fileMenu) {
        menu->insertAction(m_main.N1, fleetAction);
        menu->insertSeparator(m_main.N1);
    }
    connect(fleetAction, &QAction::triggered, this, rtl::guarded([this] { fleetClick(); }));
}

FleetProgramming::~FleetProgramming()
{
    delete m_window;
}

FleetWindow *FleetProgramming::window()
{
    if (!m_window) {
        m_window = new FleetWindow(&m_main);
        m_window->windowTemplate = [this] {
            m_main.commitOpenEdit();
            QList<const SignallingTexts *> texts;
            for (const QPointer<SignallingWindow> &w : std::as_const(m_windows))
                texts << (w ? &w->texts() : nullptr);
            return FleetTemplate::fromTexts(m_main.texts(), texts);
        };
    }
    return m_window;
}

void FleetProgramming::fleetClick()
{
    FleetWindow *w = window();
    w->recheck();
    w->show();
    w->raise();
    w->activateWindow();
}
