// TForm5: the five-tone window.
#include "signalling/Unit5.h"

#include "grid/cellgrid.h"
#include "grid/griddefinition.h"
#include "rtl/guard.h"
#include "layouts/fivetonelayout.h"
#include "protocol/blockgroups.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

namespace {

constexpr int kDecodeTab = 2;
const QString kCodeDefault = QStringLiteral("12345");

TCellGrid *grid(QWidget *parent, QObject *owner, const QString &name, int rows, const QList<GridColumn> &columns)
{
    auto *g = new TCellGrid(parent);
    GridDefinition table;
    table.name = name;
    table.rowCount = rows;
    table.alignment = Qt::AlignCenter;
    table.columns = columns;
    buildGrid(g, table, owner);
    fitGridToCells(g);
    return g;
}

// Column `col` of the table `table`, with the caption the layout gives it.
QString caption(const char *table, int col)
{
    return fivetone::captions().column(QString::fromLatin1(table), col);
}

GridColumn codeColumn(const char *table, int col, int width)
{
    return {caption(table, col), width, CellEditorKind::Text, {}, kCodeDefault};
}

GridColumn standardColumn(const char *table, int col, int width)
{
    return {caption(table, col), width, CellEditorKind::DropDown, fivetone::standardNames(), QStringLiteral("CCIR")};
}

GridColumn functionColumn(int col, int width)
{
    return {caption("xg3", col), width, CellEditorKind::DropDown, fivetone::functionNames(),
            fivetone::functionNames().first()};
}

} // namespace

TForm5::TForm5(RadioSession &session, QWidget *parent) : SignallingWindow(session, groups::kFiveTone, parent)
{
    PageControl1 = new QTabWidget(this);
    PageControl1->addTab(buildStandardsPage(), QStringLiteral("标准"));
    PageControl1->addTab(buildEncodePage(), QStringLiteral("编码"));
    PageControl1->addTab(buildDecodePage(), QStringLiteral("解码"));
    PageControl1->setCurrentIndex(kDecodeTab);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1, 1);
    layout->addWidget(bottomBar());

    const std::pair<const char *, QWidget *> named[] = {{"xg1", xg1}, {"xg2", xg2}, {"xg3", xg3}, {"cb1", cb1},
                                                        {"cb2", cb2}, {"cb3", cb3}, {"cb4", cb4}};
    for (const auto &[name, widget] : named)
        addText(QString::fromLatin1(name), widget);

    connect(CCIR, &QComboBox::currentTextChanged, this, rtl::guarded([this] { CCIRChange(); }));
    xg2->OnSetEditText = [this](TCellGrid *, int ACol, int ARow, const QString &Value) {
        xg2SetEditText(ACol, ARow, Value);
    };
    xg3->OnSetEditText = [this](TCellGrid *, int ACol, int ARow, const QString &Value) {
        xg3SetEditText(ACol, ARow, Value);
    };
    FormCreate();
    CCIRChange();
}

const std::array<QLineEdit *TForm5::*, 16> TForm5::kToneEdits{
    &TForm5::Edit1,  &TForm5::Edit2,  &TForm5::Edit3,  &TForm5::Edit4,  &TForm5::Edit5,  &TForm5::Edit6,
    &TForm5::Edit7,  &TForm5::Edit8,  &TForm5::Edit9,  &TForm5::Edit10, &TForm5::Edit11, &TForm5::Edit12,
    &TForm5::Edit13, &TForm5::Edit14, &TForm5::Edit15, &TForm5::Edit16};

QWidget *TForm5::buildStandardsPage()
{
    auto *page = new QWidget(PageControl1);
    auto *tones = new QGroupBox(page);
    auto *toneLayout = new QGridLayout(tones);
    CCIR = new QComboBox(tones);
    CCIR->setObjectName(QStringLiteral("CCIR"));
    CCIR->setEditable(true);
    CCIR->addItems(fivetone::standardNames());
    CCIR->setCurrentText(QStringLiteral("CCIR"));
    auto *nameLabel = new QLabel(QStringLiteral("标准名称："), tones);
    nameLabel->setBuddy(CCIR);
    toneLayout->addWidget(nameLabel, 0, 0, 1, 2);
    toneLayout->addWidget(CCIR, 0, 2, 1, 2);
    // Digits 0–7 in the left pair of columns, 8–F in the right.
    const QStringList digits = fivetone::codeDigits();
    for (int d = 0; d < fivetone::kDigits; ++d) {
        QLineEdit *edit = this->*kToneEdits[size_t(d)] = new QLineEdit(tones);
        edit->setEnabled(false);
        edit->setMaximumWidth(72);
        const int row = 1 + d % 8;
        const int col = d < 8 ? 0 : 2;
        toneLayout->addWidget(new QLabel(digits[d], tones), row, col, Qt::AlignRight);
        toneLayout->addWidget(edit, row, col + 1);
    }
    toneLayout->setRowStretch(9, 1);

    xg1 = grid(page, this, QStringLiteral("xg1"), 6,
               {{caption("xg1", 0), 92, CellEditorKind::None, {}, {}},
                {caption("xg1", 1), 100, CellEditorKind::Text, {}, {}},
                {caption("xg1", 2), 64, CellEditorKind::DropDown, fivetone::codeDigits(), {}},
                {caption("xg1", 3), 64, CellEditorKind::DropDown, fivetone::codeDigits(), {}}});

    auto *layout = new QHBoxLayout(page);
    layout->addWidget(tones, 0, Qt::AlignTop);
    layout->addWidget(xg1, 0, Qt::AlignTop);
    layout->addStretch(1);
    return page;
}

QWidget *TForm5::buildEncodePage()
{
    auto *page = new QWidget(PageControl1);
    xg2 = grid(page, this, QStringLiteral("xg2"), fivetone::kRows + 1,
               {{caption("xg2", 0), 64, CellEditorKind::None, {}, {}}, codeColumn("xg2", 1, 64),
                codeColumn("xg2", 2, 64), codeColumn("xg2", 3, 64), codeColumn("xg2", 4, 64),
                standardColumn("xg2", 5, 59)});

    auto *delays = new QVBoxLayout;
    const std::pair<QComboBox **, const char *> boxes[] = {{&cb1, "cb1"}, {&cb2, "cb2"}, {&cb3, "cb3"}, {&cb4, "cb4"}};
    for (const auto &[box, name] : boxes) {
        *box = new QComboBox(page);
        (*box)->setEditable(true);
        (*box)->addItems(fivetone::delayItems());
        (*box)->setCurrentText(QStringLiteral("500"));
        auto *label = new QLabel(fivetone::captions().control(QString::fromLatin1(name)), page);
        label->setBuddy(*box);
        delays->addWidget(label);
        delays->addWidget(*box);
        delays->addSpacing(8);
    }
    delays->addStretch(1);

    auto *layout = new QHBoxLayout(page);
    layout->addWidget(xg2, 0, Qt::AlignTop);
    layout->addLayout(delays, 1);
    return page;
}

QWidget *TForm5::buildDecodePage()
{
    auto *page = new QWidget(PageControl1);
    xg3 = grid(page, this, QStringLiteral("xg3"), fivetone::kRows + 1,
               {{caption("xg3", 0), 64, CellEditorKind::None, {}, {}}, standardColumn("xg3", 1, 64),
                codeColumn("xg3", 2, 64), functionColumn(3, 46), codeColumn("xg3", 4, 64), functionColumn(5, 48),
                codeColumn("xg3", 6, 64), functionColumn(7, 46), codeColumn("xg3", 8, 64)});

    ed1 = new QLineEdit(QStringLiteral("6000"), page);
    ed1->setObjectName(QStringLiteral("ed1"));
    ed1->setMaximumWidth(100);
    // No block of the radio carries it.
    ed1->setToolTip(QStringLiteral("复位时间不在电台的数据块中：写入不发送它，读取也不改变它。"));
    auto *reset = new QHBoxLayout;
    auto *resetLabel = new QLabel(QStringLiteral("复位时间（MS）"), page);
    resetLabel->setBuddy(ed1);
    reset->addWidget(resetLabel);
    reset->addWidget(ed1);
    reset->addStretch(1);

    auto *layout = new QVBoxLayout(page);
    layout->addWidget(xg3);
    layout->addLayout(reset);
    layout->addStretch(1);
    return page;
}

void TForm5::FormCreate()
{
    const QStringList names = fivetone::standardNames();
    for (int s = 1; s <= fivetone::kStandardCount; ++s) {
        xg1->setCells(0, s, names[s - 1]);
        xg1->setCells(1, s, QStringLiteral("100"));
        xg1->setCells(2, s, QStringLiteral("A"));
        xg1->setCells(3, s, QStringLiteral("E"));
    }
    numberRows(xg2, 1, fivetone::kRows);
    numberRows(xg3, 1, fivetone::kRows);
}

void TForm5::CCIRChange()
{
    const auto hz = fivetone::toneFrequencies(CCIR->currentText());
    if (!hz)
        return; // a typed name that is no standard leaves the table shown
    for (int d = 0; d < fivetone::kDigits; ++d)
        (this->*kToneEdits[size_t(d)])->setText(QString::number(hz->at(d), 'f', 1));
}

// The rules act on the current cell, which is still the cell just edited.
void TForm5::xg2SetEditText(int, int, const QString &)
{
    const int col = xg2->Col();
    const int row = xg2->Row();
    if (xg2->Cells(1, row).isEmpty()) {
        xg2->setCells(col, row, QString()); // a row not in use takes no values
        return;
    }
    if (col == 1) {
        const QStringList fill{kCodeDefault, QStringLiteral("45678"), QStringLiteral("ABCDE"), QStringLiteral("CCIR")};
        for (int c = 2; c <= 5; ++c)
            xg2->setCells(c, row, fill[c - 2]);
    }
}

void TForm5::xg3SetEditText(int, int, const QString &)
{
    const int col = xg3->Col();
    const int row = xg3->Row();
    if (xg3->Cells(1, row).isEmpty()) {
        xg3->setCells(col, row, QString());
        return;
    }
    if (col == 1) {
        const QStringList functions = fivetone::functionNames();
        const QStringList fill{kCodeDefault,           functions[0], QStringLiteral("45678"), functions[1],
                               QStringLiteral("ABCDE"), functions[2], QStringLiteral("56789")};
        for (int c = 2; c <= 8; ++c)
            xg3->setCells(c, row, fill[c - 2]);
    }
}

BlockLayout TForm5::blockLayout() const
{
    return fivetone::blockLayout();
}
