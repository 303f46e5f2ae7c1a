// A table in a dialog, for the warnings before a write and the differences after it.
#include "app/backup/reportdialogs.h"

#include "protocol/runtexts.h"
#include "rtl/dialogs.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

QTableWidget *rowsTable(QWidget *parent, const QStringList &headers, const QList<QStringList> &rows)
{
    auto *table = new QTableWidget(int(rows.size()), int(headers.size()), parent);
    table->setHorizontalHeaderLabels(headers);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < headers.size(); ++c)
            table->setItem(r, c, new QTableWidgetItem(rows[r].value(c)));
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

namespace {

// A dialog with a caption line, a read-only table of rows and the given buttons.
QDialog *tableDialog(QWidget *parent, const QString &caption, const QStringList &headers,
                     const QList<QStringList> &rows, QDialogButtonBox *buttons)
{
    auto *dialog = new QDialog(parent);
    dialog->setWindowTitle(rtl::kAppTitle);
    auto *layout = new QVBoxLayout(dialog);
    layout->addWidget(new QLabel(caption, dialog));
    layout->addWidget(rowsTable(dialog, headers, rows));
    buttons->setParent(dialog);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    dialog->resize(640, 360);
    return dialog;
}

} // namespace

bool confirmPlanWarnings(QWidget *parent, const QList<PlanWarning> &warnings)
{
    // Under a box recorder nothing modal opens: the write goes ahead as after 写入.
    if (rtl::dialogs::hasRecorder())
        return true;
    QList<QStringList> rows;
    for (const PlanWarning &w : warnings)
        rows << QStringList{w.channel > 0 ? QString::number(w.channel) : QStringLiteral("通用设置"), w.column,
                            w.value, w.message};
    auto *buttons = new QDialogButtonBox;
    buttons->addButton(QStringLiteral("写入"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole)->setDefault(true);
    QDialog *dialog = tableDialog(parent, runtexts::kPlanWarnings,
                                  {QStringLiteral("信道"), QStringLiteral("列"), QStringLiteral("值"),
                                   QStringLiteral("说明")},
                                  rows, buttons);
    const bool write = dialog->exec() == QDialog::Accepted;
    delete dialog;
    return write;
}

void showReadBackDifferences(QWidget *parent, const QString &title, const QList<ReadBackDifference> &differences)
{
    QList<QStringList> rows;
    for (const ReadBackDifference &d : differences)
        rows << QStringList{d.where, d.field, d.sent, d.readBack};
    // Under a box recorder the table is recorded as one box, a row per line.
    if (rtl::dialogs::hasRecorder()) {
        QStringList lines{title};
        for (const QStringList &row : std::as_const(rows))
            lines << row.join(QStringLiteral(" | "));
        rtl::dialogs::infoBox(lines.join(QLatin1Char('\n')));
        return;
    }
    QDialog *dialog = tableDialog(parent, title,
                                  {QStringLiteral("信道"), QStringLiteral("字段"), QStringLiteral("写入"),
                                   QStringLiteral("读回")},
                                  rows, new QDialogButtonBox(QDialogButtonBox::Ok));
    dialog->exec();
    delete dialog;
}

QString describeRestore(const QString &file, const RadioImage &image)
{
    QStringList held;
    for (int g : image.groups())
        held << blockGroups().at(g).name;
    return QStringLiteral("恢复会用镜像文件中的数据覆盖电台中的这些内容：%1（共 %2 个数据块）。\n"
                          "文件：%3\n读取时间：%4\n\n确定要恢复吗？")
        .arg(held.join(QStringLiteral("、")))
        .arg(image.frames.size())
        .arg(QFileInfo(file).fileName(), image.readAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
}

bool confirmRestoreImage(QWidget *parent, const QString &file, const RadioImage &image)
{
    // Under a box recorder nothing modal opens: the restore goes ahead as after 恢复.
    if (rtl::dialogs::hasRecorder())
        return true;
    QMessageBox box(QMessageBox::Question, rtl::kAppTitle, describeRestore(file, image), QMessageBox::NoButton, parent);
    QPushButton *restore = box.addButton(QStringLiteral("恢复"), QMessageBox::AcceptRole);
    QPushButton *cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == restore;
}
