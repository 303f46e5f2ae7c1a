// The undo history of the channel plan: each step holds the plan's texts before and after it.
#pragma once

#include "channels/plansnapshot.h"

#include <QObject>
#include <QUndoStack>

// Whole snapshots rather than per-cell commands: a step's rules (completion, clearing a row, a
// read of seventeen blocks) touch many texts, and putting back the texts held before is exact
// whatever changed them. A plan is 17 × 16 short texts, so a step costs little.
class PlanHistory : public QObject {
    Q_OBJECT
public:
    explicit PlanHistory(ChannelTexts &texts, QObject *parent = nullptr);

    QUndoStack &stack() { return m_stack; }

    // Makes whatever changed since the last step one step named `name`; nothing when nothing
    // changed. Steps with the same `mergeKey` (≥ 0) in a row, within one run, become one step.
    void record(const QString &name, int mergeKey = -1);
    // The next step with a merge key starts a step of its own.
    void endRun() { ++m_run; }

    // While absorbing (a channel read runs), changes are not recorded; endAbsorbing records
    // everything since beginAbsorbing as one step.
    void beginAbsorbing();
    void endAbsorbing(const QString &name);
    bool absorbing() const { return m_absorbing; }

    void undo();
    void redo();
    // No steps any more: the plan as it is now is where the history starts, and it is clean.
    void reset();

private:
    friend class PlanStep;
    void apply(const PlanSnapshot &snapshot);

    ChannelTexts &m_texts;
    QUndoStack m_stack;
    PlanSnapshot m_baseline; // the plan as the last step left it
    bool m_absorbing = false;
    int m_run = 0;
};
