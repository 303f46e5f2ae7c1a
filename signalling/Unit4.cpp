// TForm4: the two-tone window.
#include "signalling/Unit4.h"

#include "grid/cellgrid.h"
#include "grid/griddefinition.h"
#include "layouts/twotonelayout.h"
#include "protocol/blockgroups.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QVBoxLayout>

namespace {

QComboBox *toneTimeBox(QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->setEditable(true);
    box->addItems(twotone::toneTimeItems());
    box->setCurrentText(QStringLiteral("500"));
    return box;
}

} // namespace

TForm4::TForm4(RadioSession &session, QWidget *parent) : SignallingWindow(session, groups::kTwoTone, parent)
{
    PageControl1 = new QTabWidget(this);

    auto *encodePage = new QWidget(PageControl1);
    auto *encodeLayout = new QHBoxLayout(encodePage);
    xg1 = new TCellGrid(encodePage);
    const WindowCaptions &shown = twotone::captions();
    GridDefinition encode;
    encode.name = QStringLiteral("xg1");
    encode.columns = {{shown.column(encode.name, 0), 64, CellEditorKind::None, {}, {}},
                      {shown.column(encode.name, 1), 117, CellEditorKind::Text, {}, {}},
                      {shown.column(encode.name, 2), 113, CellEditorKind::Text, {}, {}}};
    buildGrid(xg1, encode, this);
    for (int col = 1; col <= 2; ++col) {
        xg1->Columns()->Items(col)->setAlignment(Qt::AlignCenter);
        xg1->Columns()->Items(col)->setHeaderAlignment(Qt::AlignCenter);
    }
    fitGridToCells(xg1);
    encodeLayout->addWidget(xg1);

    auto *timing = new QVBoxLayout;
    cb1 = toneTimeBox(encodePage);
    cb2 = toneTimeBox(encodePage);
    cb3 = toneTimeBox(encodePage);
    const std::pair<const char *, QComboBox *> times[] = {{"cb1", cb1}, {"cb2", cb2}, {"cb3", cb3}};
    for (const auto &[name, box] : times) {
        auto *label = new QLabel(shown.control(QString::fromLatin1(name)), encodePage);
        label->setBuddy(box);
        timing->addWidget(label);
        timing->addWidget(box);
        timing->addSpacing(12);
    }
    timing->addStretch(1);
    encodeLayout->addLayout(timing);
    encodeLayout->addStretch(1);

    auto *decodePage = new QWidget(PageControl1);
    auto *decodeBox = new QGroupBox(QStringLiteral("2TONE解码"), decodePage);
    (new QVBoxLayout(decodePage))->addWidget(decodeBox);
    xg2 = new TCellGrid(decodeBox);
    GridDefinition decode;
    decode.name = QStringLiteral("xg2");
    const int widths[twotone::kDecodeColumns] = {64, 38, 57, 31, 37, 56, 33, 39, 56, 34, 38, 57, 40};
    decode.columns = {{shown.column(decode.name, 0), widths[0], CellEditorKind::None, {}, {}}};
    for (int d = 0; d < twotone::kDecodes; ++d) {
        const int pair = twotone::pairColumn(d);
        const int response = twotone::responseColumn(d);
        const int prompt = twotone::promptColumn(d);
        decode.columns.append({shown.column(decode.name, pair), widths[pair], CellEditorKind::DropDown,
                               twotone::pairItems(), QStringLiteral("AB")});
        decode.columns.append({shown.column(decode.name, response), widths[response], CellEditorKind::DropDown,
                               twotone::responseItems(), QStringLiteral("无")});
        decode.columns.append({shown.column(decode.name, prompt), widths[prompt], CellEditorKind::DropDown,
                               twotone::promptItems(), QStringLiteral("1")});
    }
    buildGrid(xg2, decode, this);
    // Small enough that "提醒并回复" fits its narrow column.
    QFont cellFont = xg2->font();
    cellFont.setPixelSize(10);
    xg2->setFont(cellFont);
    xg2->horizontalHeader()->setFont(cellFont);
    xg2->verticalHeader()->setFont(cellFont);
    fitGridToCells(xg2);
    (new QVBoxLayout(decodeBox))->addWidget(xg2);
    xg2->OnSetEditText = [this](TCellGrid *, int ACol, int ARow, const QString &Value) {
        xg2SetEditText(ACol, ARow, Value);
    };

    PageControl1->addTab(encodePage, QStringLiteral("编码"));
    PageControl1->addTab(decodePage, QStringLiteral("解码"));

    auto *tonesBox = new QGroupBox(QStringLiteral("两音频率"), this);
    auto *tones = new QHBoxLayout(tonesBox);
    ed1 = new QLineEdit(QStringLiteral("1981"), tonesBox);
    ed2 = new QLineEdit(QStringLiteral("1124"), tonesBox);
    ed3 = new QLineEdit(QStringLiteral("1197"), tonesBox);
    ed4 = new QLineEdit(QStringLiteral("1275"), tonesBox);
    const std::pair<const char *, QLineEdit *> toneEdits[] = {{"ed1", ed1}, {"ed2", ed2}, {"ed3", ed3}, {"ed4", ed4}};
    for (const auto &[name, edit] : toneEdits) {
        edit->setEnabled(false); // the radio's own tones: only a read changes them
        auto *label = new QLabel(shown.control(QString::fromLatin1(name)), tonesBox);
        label->setBuddy(edit);
        tones->addWidget(label);
        tones->addWidget(edit, 1);
    }

    auto *resetLabel = new QLabel(shown.control(QStringLiteral("ed5")), this);
    ed5 = new QLineEdit(QStringLiteral("6000"), this);
    resetLabel->setBuddy(ed5);
    auto *reset = new QHBoxLayout;
    reset->addWidget(resetLabel);
    reset->addWidget(ed5);
    reset->addStretch(1);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1, 1);
    layout->addWidget(tonesBox);
    layout->addLayout(reset);
    layout->addWidget(bottomBar());

    addText(QStringLiteral("xg1"), xg1);
    addText(QStringLiteral("xg2"), xg2);
    const std::pair<const char *, QWidget *> named[] = {{"ed1", ed1}, {"ed2", ed2}, {"ed3", ed3}, {"ed4", ed4},
                                                        {"ed5", ed5}, {"cb1", cb1}, {"cb2", cb2}, {"cb3", cb3}};
    for (const auto &[name, widget] : named)
        addText(QString::fromLatin1(name), widget);
    FormCreate();
}

void TForm4::FormCreate()
{
    numberRows(xg1, 1, twotone::kRows);
    numberRows(xg2, 1, twotone::kRows);
}

void TForm4::xg2SetEditText(int ACol, int ARow, const QString &Value)
{
    Q_UNUSED(ACol);
    Q_UNUSED(ARow);
    Q_UNUSED(Value);
    // The rules act on the current cell, which is still the cell just edited.
    twotone::decodeRowRules(texts(), xg2->Col(), xg2->Row());
}

BlockLayout TForm4::blockLayout() const
{
    return twotone::blockLayout();
}
