// The two list dialogs of a write: the plan's warnings with 写入 / 取消, and the differences a
// read-back found. Both are modal; tests replace the seams that call them.
#pragma once

#include "channels/channellint.h"
#include "image/radioimage.h"
#include "layouts/readbackcheck.h"

#include <QList>

class QTableWidget;
class QWidget;

// A read-only table of `rows` under `headers`, its columns fitted to their texts.
QTableWidget *rowsTable(QWidget *parent, const QStringList &headers, const QList<QStringList> &rows);

// True when the user chose 写入.
bool confirmPlanWarnings(QWidget *parent, const QList<PlanWarning> &warnings);

void showReadBackDifferences(QWidget *parent, const QString &title, const QList<ReadBackDifference> &differences);

// The question before a restore: what the image holds and when it was read.
QString describeRestore(const QString &file, const RadioImage &image);
// True when the user chose 恢复 (取消 is the default).
bool confirmRestoreImage(QWidget *parent, const QString &file, const RadioImage &image);
