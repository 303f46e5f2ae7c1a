// TForm6: the FSK queue-sync window.
#include "signalling/Unit6.h"

#include "grid/cellgrid.h"
#include "grid/griddefinition.h"
#include "layouts/fsklayout.h"
#include "protocol/blockgroups.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

TForm6::TForm6(RadioSession &session, QWidget *parent) : SignallingWindow(session, groups::kFsk, parent)
{
    setWindowFlag(Qt::WindowMaximizeButtonHint);

    ed1 = new QLineEdit(QStringLiteral("100"), this);
    ed2 = new QLineEdit(QStringLiteral("1000"), this);
    cb1 = new QComboBox(this); // a list only: the radio knows no other rate
    cb1->addItems(fsk::baudItems());
    ed3 = new QLineEdit(QStringLiteral("400"), this);
    ed4 = new QLineEdit(QStringLiteral("10"), this);
    const WindowCaptions &shown = fsk::captions();
    CheckBox1 = new QCheckBox(shown.control(QStringLiteral("CheckBox1")), this);
    CheckBox1->setChecked(true);

    auto *settings = new QFormLayout;
    const std::pair<const char *, QWidget *> rows[] = {
        {"ed1", ed1}, {"ed2", ed2}, {"cb1", cb1}, {"ed3", ed3}, {"ed4", ed4}};
    for (const auto &[name, control] : rows)
        settings->addRow(shown.control(QString::fromLatin1(name)), control);
    settings->addRow(CheckBox1);

    xg1 = new TCellGrid(this);
    GridDefinition table;
    table.name = QStringLiteral("xg1");
    table.alignment = Qt::AlignCenter;
    table.columns = {{shown.column(table.name, 0), 64, CellEditorKind::None, {}, {}},
                     {shown.column(table.name, 1), 64, CellEditorKind::Text, {}, {}},
                     {shown.column(table.name, 2), 64, CellEditorKind::Text, {}, {}}};
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
