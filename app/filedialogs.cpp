// The file dialogs' start folder, shared by every dialog that picks a file.
#include "app/filedialogs.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString lastPlanFolder;

} // namespace

QString planDialogFolder()
{
    if (!lastPlanFolder.isEmpty() && QFileInfo(lastPlanFolder).isDir())
        return lastPlanFolder;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

void notePlanFolder(const QString &file)
{
    if (!file.isEmpty())
        lastPlanFolder = QFileInfo(file).absolutePath();
}

std::unique_ptr<QFileDialog> makeFileDialog(QWidget *parent, QFileDialog::AcceptMode mode, const QString &filter,
                                            const QString &suffix, QFileDialog::Options options, const QString &title,
                                            const QString &fileName)
{
    auto dialog = std::make_unique<QFileDialog>(parent);
    dialog->setOptions(options);
    dialog->setAcceptMode(mode);
    if (mode == QFileDialog::AcceptOpen)
        dialog->setFileMode(QFileDialog::ExistingFile);
    if (!title.isEmpty())
        dialog->setWindowTitle(title);
    dialog->setNameFilter(filter);
    dialog->setDefaultSuffix(suffix);
    dialog->setDirectory(planDialogFolder());
    if (!fileName.isEmpty())
        dialog->selectFile(fileName);
    return dialog;
}

QString runFileDialog(QWidget *parent, QFileDialog::AcceptMode mode, const QString &filter, const QString &suffix,
                      QFileDialog::Options options, const QString &title, const QString &fileName)
{
    return runFileDialog(*makeFileDialog(parent, mode, filter, suffix, options, title, fileName));
}

QString runFileDialog(QFileDialog &dialog)
{
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    const QString file = dialog.selectedFiles().value(0);
    notePlanFolder(file);
    return file;
}
