// The CSV import's placement dialog and its report.
#include "app/sheet/csvimportdialog.h"

#include "channels/channeltable.h"
#include "rtl/dialogs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <set>

namespace {

constexpr int kMinReportWidth = 480;
constexpr int kReportHeight = 400;
constexpr int kListMargin = 60; // the dialog's and the list's frames and its scroll bar

QString separatorName(QChar separator)
{
    return separator == u';' ? QStringLiteral("分号") : separator == u'\t' ? QStringLiteral("制表符") : QStringLiteral("逗号");
}

// Channel numbers as ranges: 1–5、8、10–16.
QString channelRanges(const std::set<int> &channels)
{
    QStringList parts;
    for (auto it = channels.begin(); it != channels.end();) {
        const int first = *it;
        int last = first;
        while (++it != channels.end() && *it == last + 1)
            ++last;
        parts << (first == last ? QString::number(first) : QStringLiteral("%1–%2").arg(first).arg(last));
    }
    return parts.join(QStringLiteral("、"));
}

} // namespace

CsvImportDialog::CsvImportDialog(const ChannelCsvFile &file, const QString &fileName, QWidget *parent)
    : QDialog(parent), m_file(file)
{
    setWindowTitle(QStringLiteral("导入 CSV"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("%1：%2 行信道（%3，%4分隔）")
                                     .arg(fileName)
                                     .arg(file.rows().size())
                                     .arg(file.encoding(), separatorName(file.separator())),
                                 this));

    firstRowBox = new QComboBox(this);
    for (int i = 0; i < file.rows().size(); ++i) {
        const ChannelCsvFile::Row &row = file.rows()[i];
        if (row.number)
            firstRowBox->addItem(QStringLiteral("第 %1 行（Location %2）").arg(row.line).arg(row.location), i);
    }
    channelBox = new QSpinBox(this);
    channelBox->setRange(1, kChannelCount);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("从这一行起导入："), firstRowBox);
    form->addRow(QStringLiteral("它放入信道："), channelBox);
    layout->addLayout(form);

    previewLabel = new QLabel(this);
    previewLabel->setWordWrap(true);
    layout->addWidget(previewLabel);

    auto *buttons = new QDialogButtonBox(this);
    importButton = buttons->addButton(QStringLiteral("导入"), QDialogButtonBox::AcceptRole);
    importButton->setDefault(true);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    connect(firstRowBox, &QComboBox::currentIndexChanged, this, &CsvImportDialog::updatePreview);
    connect(channelBox, &QSpinBox::valueChanged, this, &CsvImportDialog::updatePreview);
    updatePreview();
    setMinimumWidth(420);
}

std::optional<CsvPlacement> CsvImportDialog::placement() const
{
    if (firstRowBox->currentIndex() < 0)
        return std::nullopt;
    return m_file.placing(firstRowBox->currentData().toInt(), channelBox->value());
}

void CsvImportDialog::updatePreview()
{
    const std::optional<CsvPlacement> chosen = placement();
    importButton->setEnabled(false);
    if (!chosen) {
        previewLabel->setText(QStringLiteral("文件里没有 Location 是数字的行，无从导入。"));
        return;
    }
    std::set<int> filled;
    int outside = 0;
    int repeated = 0;
    int notNumbers = 0;
    for (int i = chosen->firstRow; i < m_file.rows().size(); ++i) {
        const std::optional<int> channel = m_file.landing(i, *chosen);
        if (!channel)
            ++notNumbers;
        else if (*channel < 1 || *channel > kChannelCount)
            ++outside;
        else if (!filled.insert(*channel).second)
            ++repeated;
    }
    QStringList lines;
    if (filled.empty())
        lines << QStringLiteral("没有一行落在信道 1–%1 里。").arg(kChannelCount);
    else
        lines << QStringLiteral("将填入信道 %1（%2 个）。").arg(channelRanges(filled)).arg(filled.size());
    if (outside > 0)
        lines << QStringLiteral("%1 行落在信道 1–%2 之外，将跳过。").arg(outside).arg(kChannelCount);
    if (repeated > 0)
        lines << QStringLiteral("%1 行重复了前面的位置，将跳过。").arg(repeated);
    if (notNumbers > 0)
        lines << QStringLiteral("%1 行的 Location 不是数字，将跳过。").arg(notNumbers);
    if (chosen->firstRow > 0)
        lines << QStringLiteral("所选的行之前的 %1 行不导入。").arg(chosen->firstRow);
    previewLabel->setText(lines.join(u'\n'));
    importButton->setEnabled(!filled.empty());
}

QDialog *csvImportReport(QWidget *parent, const QString &summary, const QStringList &lines)
{
    auto *dialog = new QDialog(parent);
    dialog->setWindowTitle(rtl::kAppTitle);
    auto *layout = new QVBoxLayout(dialog);
    auto *caption = new QLabel(summary, dialog);
    caption->setWordWrap(true);
    layout->addWidget(caption);
    if (!lines.isEmpty()) {
        auto *list = new QPlainTextEdit(lines.join(u'\n'), dialog);
        list->setReadOnly(true);
        list->setLineWrapMode(QPlainTextEdit::NoWrap);
        layout->addWidget(list);
        // Wide enough for the longest line, within the screen; the height stays fixed and the list scrolls.
        int width = 0;
        for (const QString &line : lines)
            width = std::max(width, list->fontMetrics().horizontalAdvance(line));
        const QRect screen = dialog->screen()->availableGeometry();
        dialog->resize(std::clamp(width + kListMargin, kMinReportWidth, screen.width() * 9 / 10),
                       std::min(kReportHeight, screen.height() * 9 / 10));
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    return dialog;
}

void showCsvImportReport(QWidget *parent, const QString &summary, const QStringList &lines)
{
    if (rtl::dialogs::hasRecorder()) {
        rtl::dialogs::infoBox((QStringList{summary} + lines).join(u'\n'));
        return;
    }
    QDialog *dialog = csvImportReport(parent, summary, lines);
    dialog->exec();
    delete dialog;
}
