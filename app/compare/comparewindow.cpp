// The comparison window: two sides loaded one after the other, then their differences.
#include "app/compare/comparewindow.h"

#include "compare/sideloader.h"
#include "protocol/radiosession.h"
#include "rtl/dialogs.h"
#include "rtl/filewriter.h"
#include "rtl/guard.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QStringEncoder>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QString kScreenSource = QStringLiteral("plan:screen");
const QStringList kKinds{QStringLiteral("屏幕上的写频方案"), QStringLiteral("写频文件（.zq）…"),
                         QStringLiteral("电台镜像（.rimg）…"), QStringLiteral("电台（现在读取）")};

// A CSV field, quoted when it holds a comma, a quote or a line break.
QString csvField(const QString &text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n'))
        return text;
    return u'"' + QString(text).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

} // namespace

CompareWindow::CompareWindow(QWidget *parent) : QDialog(parent), m_loader(new SideLoader(this))
{
    setWindowTitle(QStringLiteral("比较"));
    auto *layout = new QVBoxLayout(this);
    auto *pickers = new QGridLayout;
    sideA = new QComboBox(this);
    sideB = new QComboBox(this);
    sideA->addItems(kKinds);
    sideB->addItems(kKinds);
    sideA->setCurrentIndex(Radio);
    sideB->setCurrentIndex(ScreenPlan);
    pickers->addWidget(new QLabel(QStringLiteral("比较(&A)："), this), 0, 0);
    pickers->addWidget(sideA, 0, 1);
    pickers->addWidget(new QLabel(QStringLiteral("与(&B)："), this), 1, 0);
    pickers->addWidget(sideB, 1, 1);
    compareButton = new QPushButton(QStringLiteral("比较(&C)"), this);
    compareButton->setDefault(true);
    pickers->addWidget(compareButton, 0, 2, 2, 1);
    pickers->setColumnStretch(1, 1);
    layout->addLayout(pickers);

    summary = new QLabel(this);
    summary->setWordWrap(true);
    layout->addWidget(summary);
    table = new QTableWidget(0, 4, this);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    table->setHorizontalHeaderLabels({QStringLiteral("位置"), QStringLiteral("项目"), QStringLiteral("A"),
                                      QStringLiteral("B")});
    layout->addWidget(table);

    auto *buttons = new QHBoxLayout;
    copyButton = new QPushButton(QStringLiteral("复制(&P)"), this);
    saveButton = new QPushButton(QStringLiteral("保存为 CSV(&S)…"), this);
    auto *close = new QPushButton(QStringLiteral("关闭"), this);
    buttons->addWidget(copyButton);
    buttons->addWidget(saveButton);
    buttons->addStretch();
    buttons->addWidget(close);
    layout->addLayout(buttons);
    copyButton->setEnabled(false);
    saveButton->setEnabled(false);

    chooseSideFile = [this](SideKind kind) {
        return kind == ImageFile
                   ? QFileDialog::getOpenFileName(this, kKinds[kind], {}, QStringLiteral("电台镜像 (*.rimg)"))
                   : QFileDialog::getOpenFileName(this, kKinds[kind], {}, QStringLiteral("写频文件 (*.zq)"));
    };
    chooseCsvFile = [this] {
        return QFileDialog::getSaveFileName(this, saveButton->text(), QStringLiteral("比较.csv"),
                                            QStringLiteral("CSV (*.csv)"));
    };
    connect(compareButton, &QPushButton::clicked, this, rtl::guarded([this] { compareClick(); }));
    connect(copyButton, &QPushButton::clicked, this, rtl::guarded([this] { copyClick(); }));
    connect(saveButton, &QPushButton::clicked, this, rtl::guarded([this] { saveClick(); }));
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    auto *copy = new QShortcut(QKeySequence::Copy, table);
    connect(copy, &QShortcut::activated, this, rtl::guarded([this] { copyClick(); }));
    connect(m_loader, &SideLoader::loaded, this, rtl::guarded([this](const Side &side) {
                m_sides << side;
                loadNext();
            }));
    connect(m_loader, &SideLoader::failed, this, rtl::guarded([this](const QString &m) { failed(m); }));
    connect(m_loader, &SideLoader::progress, this, [this](int blocks, int total) {
        summary->setText(QStringLiteral("正在读取电台：%1 / %2 块").arg(blocks).arg(total));
    });
    resize(720, 420);
}

CompareWindow::~CompareWindow()
{
    m_loader->abort();
}

bool CompareWindow::comparing() const
{
    return !m_sources.isEmpty() || m_loader->running();
}

QString CompareWindow::sourceOf(SideKind kind)
{
    switch (kind) {
    case ScreenPlan:
        return kScreenSource;
    case PlanFile:
    case ImageFile:
        return chooseSideFile ? chooseSideFile(kind) : QString();
    case Radio:
        return kRadioPrefix + (session && session() ? session()->port() : QString());
    }
    return {};
}

void CompareWindow::compareClick()
{
    const QString a = sourceOf(SideKind(sideA->currentIndex()));
    if (a.isEmpty())
        return;
    const QString b = sourceOf(SideKind(sideB->currentIndex()));
    if (b.isEmpty())
        return;
    compareSources(a, b);
}

void CompareWindow::compareSources(const QString &a, const QString &b)
{
    if (comparing())
        throw rtl::Exception(QStringLiteral("正在比较，请稍候。"));
    m_sides.clear();
    m_sources = {a, b};
    table->setRowCount(0);
    copyButton->setEnabled(false);
    saveButton->setEnabled(false);
    compareButton->setEnabled(false);
    // Against a plan the radio's channels are all there is to compare.
    const auto isPlan = [](const QString &source) { return source == kScreenSource || isPlanSource(source); };
    if (isPlan(a) || isPlan(b))
        m_loader->setGroups({0});
    else
        m_loader->setGroups({0, 1, 2, 3, 4});
    if (a.startsWith(kRadioPrefix) || b.startsWith(kRadioPrefix))
        m_loader->setSession(session ? session() : nullptr);
    loadNext();
}

void CompareWindow::loadNext()
{
    if (m_sources.isEmpty()) {
        compareButton->setEnabled(true);
        if (m_sides.size() == 2)
            showComparison(m_sides[0], m_sides[1]);
        return;
    }
    const QString source = m_sources.takeFirst();
    if (source != kScreenSource) {
        m_loader->load(source);
        return;
    }
    try {
        m_sides << (screenPlan ? screenPlan() : Side{});
    } catch (const ESideError &e) {
        failed(e.message());
        return;
    }
    loadNext();
}

void CompareWindow::failed(const QString &message)
{
    m_sources.clear();
    m_sides.clear();
    compareButton->setEnabled(true);
    summary->setText(QString());
    rtl::dialogs::errorBox(message);
}

void CompareWindow::showComparison(const Side &a, const Side &b)
{
    const SideComparison result = compareSides(a, b);
    QStringList lines{QStringLiteral("A：%1    B：%2").arg(a.name, b.name)};
    lines << (result.differences.isEmpty() ? kNoDifferences
                                           : QStringLiteral("%1 处不同").arg(result.differences.size()));
    lines << result.notes;
    summary->setText(lines.join(u'\n'));
    table->setHorizontalHeaderLabels({QStringLiteral("位置"), QStringLiteral("项目"), QStringLiteral("A：") + a.name,
                                      QStringLiteral("B：") + b.name});
    table->setRowCount(int(result.differences.size()));
    for (int r = 0; r < result.differences.size(); ++r) {
        const FieldDifference &d = result.differences[r];
        const QStringList cells{d.where, d.field, shownText(d.before), shownText(d.after)};
        for (int c = 0; c < cells.size(); ++c)
            table->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    table->resizeColumnsToContents();
    copyButton->setEnabled(!result.differences.isEmpty());
    saveButton->setEnabled(!result.differences.isEmpty());
}

void CompareWindow::copyClick()
{
    // The selected rows, or all of them, tab-separated as spreadsheets read them.
    QList<int> rows;
    for (const QModelIndex &index : table->selectionModel()->selectedIndexes())
        if (!rows.contains(index.row()))
            rows << index.row();
    if (rows.isEmpty())
        for (int r = 0; r < table->rowCount(); ++r)
            rows << r;
    std::sort(rows.begin(), rows.end());
    QStringList lines;
    for (int r : rows) {
        QStringList cells;
        for (int c = 0; c < table->columnCount(); ++c)
            cells << (table->item(r, c) ? table->item(r, c)->text() : QString());
        lines << cells.join(u'\t');
    }
    QApplication::clipboard()->setText(lines.join(u'\n') + u'\n');
}

QString CompareWindow::csvText() const
{
    QStringList lines;
    QStringList heading;
    for (int c = 0; c < table->columnCount(); ++c)
        heading << csvField(table->horizontalHeaderItem(c)->text());
    lines << heading.join(u',');
    for (int r = 0; r < table->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < table->columnCount(); ++c)
            cells << csvField(table->item(r, c) ? table->item(r, c)->text() : QString());
        lines << cells.join(u',');
    }
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

void CompareWindow::saveClick()
{
    const QString file = chooseCsvFile ? chooseCsvFile() : QString();
    if (file.isEmpty())
        return;
    // UTF-8 with a byte-order mark: spreadsheets then read the Chinese texts right.
    rtl::writeFileChecked(file, QByteArray("\xEF\xBB\xBF") + csvText().toUtf8());
}
