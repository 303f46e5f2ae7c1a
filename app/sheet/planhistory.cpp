// The undo history of the channel plan.
#include "app/sheet/planhistory.h"

class PlanStep : public QUndoCommand {
public:
    PlanStep(PlanHistory &history, const PlanSnapshot &before, const PlanSnapshot &after, const QString &name,
             int mergeKey, int run)
        : QUndoCommand(name), m_history(history), m_before(before), m_after(after), m_mergeKey(mergeKey), m_run(run)
    {
    }

    void undo() override { m_history.apply(m_before); }
    void redo() override
    {
        // Pushed after the change was made: only a redo proper puts the texts back.
        if (!std::exchange(m_pushed, true))
            return;
        m_history.apply(m_after);
    }
    int id() const override { return m_mergeKey >= 0 ? 1 : -1; }
    bool mergeWith(const QUndoCommand *other) override
    {
        const auto *next = static_cast<const PlanStep *>(other);
        if (next->m_mergeKey != m_mergeKey || next->m_run != m_run)
            return false;
        m_after = next->m_after;
        setObsolete(m_after == m_before); // typed back to where it began
        return true;
    }

private:
    PlanHistory &m_history;
    PlanSnapshot m_before;
    PlanSnapshot m_after;
    int m_mergeKey;
    int m_run;
    bool m_pushed = false;
};

PlanHistory::PlanHistory(ChannelTexts &texts, QObject *parent)
    : QObject(parent), m_texts(texts), m_baseline(PlanSnapshot::capture(texts))
{
}

void PlanHistory::record(const QString &name, int mergeKey)
{
    if (m_absorbing)
        return;
    PlanSnapshot now = PlanSnapshot::capture(m_texts);
    if (now == m_baseline)
        return;
    if (mergeKey < 0)
        endRun();
    auto *step = new PlanStep(*this, m_baseline, now, name, mergeKey, m_run);
    m_baseline = std::move(now);
    m_stack.push(step);
}

void PlanHistory::beginAbsorbing()
{
    record(QStringLiteral("编辑")); // anything not yet a step stays out of the read's step
    m_absorbing = true;
}

void PlanHistory::endAbsorbing(const QString &name)
{
    m_absorbing = false;
    record(name);
}

void PlanHistory::undo()
{
    if (!m_absorbing)
        m_stack.undo();
}

void PlanHistory::redo()
{
    if (!m_absorbing)
        m_stack.redo();
}

void PlanHistory::reset()
{
    m_stack.clear();
    m_baseline = PlanSnapshot::capture(m_texts);
    endRun();
}

void PlanHistory::apply(const PlanSnapshot &snapshot)
{
    snapshot.restore(m_texts);
    m_baseline = snapshot;
    endRun();
}
