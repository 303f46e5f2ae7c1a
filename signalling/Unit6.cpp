// TForm6: the FSK queue-sync window.
#include "signalling/Unit6.h"

#include "grid/cellgrid.h"
#include "grid/griddefinition.h"
#include "signalling/fsklayout.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

SignallingPlan fskPlan()
{
    SignallingPlan plan;
    plan.blockType = frame::kFskBlock;
    plan.blockCount = fsk::kBlockCount;
    // FSK frames go out as 4 header bytes, then 28 payload bytes, without checksum. The buffer
    // then holds only the payload, so a resend would send it headless: the write sends each
    // block once and the watchdog ends it when an acknowledgement does not come.
    plan.splitFrames = true;
    plan.resendOnWrite = false;
    plan.readProgressMaximum = 4;
    plan.writeProgressMaximum = 4;
    return plan;
}

} // namespace

TForm6::TForm6(RadioLink &link, QWidget *parent) : SignallingWindow(link, fskPlan(), parent)
{
    setWindowFlag(Qt::WindowMaximizeButtonHint);

    ed1 = new QLineEdit(QStringLiteral("100"), this);
    ed2 = new QLineEdit(QStringLiteral("1000"), this);
    cb1 = new QComboBox(this); // a list only: the radio knows no other rate
    cb1->addItems(fsk::baudItems());
    ed3 = new QLineEdit(QStringLiteral("400"), this);
    ed4 = new QLineEdit(QStringLiteral("10"), this);
    CheckBox1 = new QCheckBox(QStringLiteral("PTT ID侧音"), this);
    CheckBox1->setChecked(true);

    auto *settings = new QFormLayout;
    settings->addRow(QStringLiteral("队列（自身）"), ed1);
    settings->addRow(QStringLiteral("ID（自身）"), ed2);
    settings->addRow(QStringLiteral("队列同步波特率[bps]"), cb1);
    settings->addRow(QStringLiteral("数据发射延迟时间[MS]"), ed3);
    settings->addRow(QStringLiteral("信息模式定时器[S]"), ed4);
    settings->addRow(CheckBox1);

    xg1 = new TCellGrid(this);
    GridDefinition table;
    table.name = QStringLiteral("xg1");
    table.alignment = Qt::AlignCenter;
    table.columns = {{QStringLiteral("编号"), 64, CellEditorKind::None, {}, {}},
                    {QStringLiteral("队列"), 64, CellEditorKind::Text, {}, {}},
                    {QStringLiteral("ID"), 64, CellEditorKind::Text, {}, {}}};
    buildGrid(xg1, table, this);
    fitGridToCells(xg1);

    auto *top = new QHBoxLayout;
    top->addLayout(settings);
    top->addSpacing(12);
    top->addWidget(xg1, 0, Qt::AlignTop);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(bottomBar());

    addText(QStringLiteral("xg1"), xg1);
    const std::pair<const char *, QWidget *> named[] = {{"ed1", ed1}, {"ed2", ed2}, {"cb1", cb1},
                                                        {"ed3", ed3}, {"ed4", ed4}, {"CheckBox1", CheckBox1}};
    for (const auto &[name, widget] : named)
        addText(QString::fromLatin1(name), widget);
    FormCreate();
}

void TForm6::FormCreate()
{
    numberRows(xg1, 1, fsk::kQueueRows);
    cb1->setCurrentText(QStringLiteral("2400"));
}

BlockLayout TForm6::blockLayout() const
{
    return fsk::blockLayout();
}
