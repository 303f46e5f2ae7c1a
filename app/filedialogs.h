// Where the file dialogs start and how they are run.
#pragma once

#include <QFileDialog>
#include <QString>
#include <memory>

class QWidget;

// Where the plan dialogs start: the folder of the last plan chosen in one, else the documents
// folder, else home. Never the working directory, which a desktop launch leaves anywhere.
QString planDialogFolder();
void notePlanFolder(const QString &file);

// A file dialog for `filter` ("CSV (*.csv)") that starts where the plan dialogs do and remembers
// the folder chosen; the file chosen, or empty. `title` replaces Qt's own caption; `fileName`
// is offered (in the start folder, or where an absolute one lies).
QString runFileDialog(QWidget *parent, QFileDialog::AcceptMode mode, const QString &filter, const QString &suffix,
                      QFileDialog::Options options = {}, const QString &title = {}, const QString &fileName = {});
// The same dialog, set up and not yet shown, and how it is run.
QString runFileDialog(QFileDialog &dialog);
std::unique_ptr<QFileDialog> makeFileDialog(QWidget *parent, QFileDialog::AcceptMode mode, const QString &filter,
                                            const QString &suffix, QFileDialog::Options options = {},
                                            const QString &title = {}, const QString &fileName = {});
