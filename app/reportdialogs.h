// The two list dialogs of a write: the plan's warnings with 写入 / 取消, and the differences a
// read-back found. Both are modal; tests replace the seams that call them.
#pragma once

#include "app/readbackcheck.h"
#include "channels/channellint.h"

#include <QList>

class QWidget;

// True when the user chose 写入.
bool confirmPlanWarnings(QWidget *parent, const QList<PlanWarning> &warnings);

void showReadBackDifferences(QWidget *parent, const QString &title, const QList<ReadBackDifference> &differences);
