// TForm2: the DTMF window.
#include "signalling/Unit2.h"

#include "grid/cellgrid.h"
#include "grid/griddefinition.h"
#include "layouts/dtmflayout.h"
#include "protocol/blockgroups.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

namespace {

QComboBox *comboBox(QWidget *parent, const QStringList &items, const QString &initial)
{
    auto *box = new QComboBox(parent);
    box->setEditable(true);
    box->addItems(items);
    box->setCurrentText(initial);
    return box;
}

// The caption of the control `name` above it, in column `col` of `grid`.
void place(QGridLayout *grid, int row, int col, const char *name, QWidget *control)
{
    auto *caption = new QLabel(dtmf::captions().control(QString::fromLatin1(name)), control->parentWidget());
    caption->setBuddy(control);
    grid->addWidget(caption, row * 2, col);
    grid->addWidget(control, row * 2 + 1, col);
}

} // namespace

TForm2::TForm2(RadioSession &session, QWidget *parent) : SignallingWindow(session, groups::kDtmf, parent)
{
    ProgressBar1->hide();

    PageControl1 = new QTabWidget(this);
    auto *encodePage = new QWidget(PageControl1);
    auto *encodeBox = new QGroupBox(QStringLiteral("DTMF编码"), encodePage);
    (new QVBoxLayout(encodePage))->addWidget(encodeBox);
    auto *encodeLayout = new QHBoxLayout(encodeBox);

    xg2 = new TCellGrid(encodeBox);
    GridDefinition table;
    table.name = QStringLiteral("xg2");
    table.alignment = Qt::AlignCenter;
    const WindowCaptions &shown = dtmf::captions();
    table.columns = {{shown.column(table.name, 0), 64, CellEditorKind::None, {}, {}},
                     {shown.column(table.name, 1), 102, CellEditorKind::Text, {}, QStringLiteral("12345678")}};
    buildGrid(xg2, table, this);
    fitGridToCells(xg2);
    encodeLayout->addWidget(xg2);

    auto *settings = new QGridLayout;
    cb1 = comboBox(encodeBox, dtmf::rateItems(), QStringLiteral("6"));
    cb2 = comboBox(encodeBox, dtmf::firstDigitTimeItems(), QStringLiteral("0"));
    cb3 = comboBox(encodeBox, dtmf::firstDigitDelayItems(), QStringLiteral("100"));
    cb4 = comboBox(encodeBox, dtmf::starHashTimeItems(), QStringLiteral("0"));
    cb5 = comboBox(encodeBox, dtmf::dKeyItems(), QStringLiteral("D码"));
    CheckB1 = new QCheckBox(shown.control(QStringLiteral("CheckB1")), encodeBox);
    CheckB1->setChecked(true);
    place(settings, 0, 0, "cb1", cb1);
    place(settings, 0, 1, "cb2", cb2);
    place(settings, 1, 0, "cb3", cb3);
    place(settings, 1, 1, "cb4", cb4);
    place(settings, 2, 0, "cb5", cb5);
    settings->addWidget(CheckB1, 5, 1, Qt::AlignBottom);
    settings->setRowStretch(6, 1);
    encodeLayout->addLayout(settings, 1);

    auto *decodePage = new QWidget(PageControl1);
    auto *decodeBox = new QGroupBox(QStringLiteral("DTMF解码"), decodePage);
    (new QVBoxLayout(decodePage))->addWidget(decodeBox);
    auto *decodeLayout = new QGridLayout(decodeBox);
    Edit1 = new QLineEdit(QStringLiteral("12345678"), decodeBox);
    cb6 = comboBox(decodeBox, dtmf::groupCallItems(), QStringLiteral("关"));
    cb7 = comboBox(decodeBox, dtmf::autoResetItems(), QStringLiteral("10"));
    cb8 = comboBox(decodeBox, dtmf::callAlarmItems(), QStringLiteral("常规"));
    cb9 = comboBox(decodeBox, dtmf::autoAnswerItems(), QStringLiteral("关"));
    CheckB2 = new QCheckBox(shown.control(QStringLiteral("CheckB2")), decodeBox);
    place(decodeLayout, 0, 0, "Edit1", Edit1);
    place(decodeLayout, 0, 1, "cb6", cb6);
    place(decodeLayout, 1, 0, "cb7", cb7);
    place(decodeLayout, 1, 1, "cb8", cb8);
    place(decodeLayout, 2, 0, "cb9", cb9);
    decodeLayout->addWidget(CheckB2, 5, 1, Qt::AlignBottom);
    decodeLayout->setRowStretch(6, 1);

    PageControl1->addTab(encodePage, QStringLiteral("DTMF编码"));
    PageControl1->addTab(decodePage, QStringLiteral("DTMF解码"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1, 1);
    layout->addWidget(bottomBar());

    addText(QStringLiteral("xg2"), xg2);
    const std::pair<const char *, QWidget *> named[] = {
        {"cb1", cb1}, {"cb2", cb2}, {"cb3", cb3}, {"cb4", cb4},   {"cb5", cb5},         {"CheckB1", CheckB1},
        {"Edit1", Edit1}, {"cb6", cb6}, {"cb7", cb7}, {"cb8", cb8}, {"cb9", cb9}, {"CheckB2", CheckB2}};
    for (const auto &[name, widget] : named)
        addText(QString::fromLatin1(name), widget);
    FormCreate();
}

void TForm2::FormCreate()
{
    numberRows(xg2, 1, dtmf::kMemoryRows);
}

BlockLayout TForm2::blockLayout() const
{
    return dtmf::blockLayout();
}
