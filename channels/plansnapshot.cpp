// The channel plan's texts at one moment.
#include "channels/plansnapshot.h"

#include "channels/channeltable.h"

namespace {

bool isNumberCell(int col, int row)
{
    return col == ColNumber && row > 0;
}

} // namespace

PlanSnapshot PlanSnapshot::capture(const ChannelTexts &texts)
{
    PlanSnapshot s;
    for (int row = 0; row < kChannelRowCount; ++row) {
        QStringList cells;
        for (int col = 0; col < kChannelColumnCount; ++col)
            cells << (isNumberCell(col, row) ? QString() : texts.cell(col, row));
        s.m_rows << cells;
    }
    s.m_settings << QString();
    for (int index = 1; index <= kSettingCount; ++index)
        s.m_settings << texts.setting(index);
    return s;
}

void PlanSnapshot::restore(ChannelTexts &texts) const
{
    for (int row = 0; row < m_rows.size(); ++row)
        for (int col = 0; col < kChannelColumnCount; ++col)
            if (!isNumberCell(col, row) && texts.cell(col, row) != m_rows[row][col])
                texts.setCell(col, row, m_rows[row][col]);
    for (int index = 1; index < m_settings.size(); ++index)
        if (texts.setting(index) != m_settings[index])
            texts.setSetting(index, m_settings[index]);
}

QString PlanSnapshot::cell(int col, int row) const
{
    return row >= 0 && row < m_rows.size() && col >= 0 && col < kChannelColumnCount ? m_rows[row][col] : QString();
}

QString PlanSnapshot::setting(int index) const
{
    return index >= 1 && index < m_settings.size() ? m_settings[index] : QString();
}
