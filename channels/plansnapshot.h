// The channel plan's texts at one moment, to compare and to put back.
#pragma once

#include "channels/channeltexts.h"

#include <QList>
#include <QStringList>

// Table rows 0–16 and the ten settings. The channel numbers in column 0 are left out: the main
// window writes them afresh whenever it becomes active, so they are no part of a change.
class PlanSnapshot {
public:
    static PlanSnapshot capture(const ChannelTexts &texts);
    // Writes every text that differs from what `texts` holds; the others stay untouched, so an
    // open edit of an unchanged cell survives.
    void restore(ChannelTexts &texts) const;

    QString cell(int col, int row) const;
    QString setting(int index) const;
    bool operator==(const PlanSnapshot &other) const = default;

private:
    QList<QStringList> m_rows;
    QStringList m_settings; // index 0 unused
};
