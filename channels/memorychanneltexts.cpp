// A channel table and ten settings held in memory.
#include "channels/memorychanneltexts.h"

#include "channels/channeltable.h"

MemoryChannelTexts::MemoryChannelTexts()
{
    setRowCount(kChannelRowCount);
    const QList<ChannelColumnDef> &columns = channelColumns();
    for (int col = 0; col < kChannelColumnCount; ++col)
        m_rows[0][col] = columns[col].caption;
    for (int row = 1; row <= kChannelCount; ++row)
        m_rows[row][ColNumber] = QString::number(row);
    for (const GeneralSettingDef &def : settingDefs())
        m_settings << def.initialText;
}

QString MemoryChannelTexts::cell(int col, int row) const
{
    if (row < 0 || row >= m_rows.size() || col < 0 || col >= kChannelColumnCount)
        return QString();
    return m_rows[row][col];
}

void MemoryChannelTexts::setCell(int col, int row, const QString &text)
{
    if (row < 0 || row >= m_rows.size() || col < 0 || col >= kChannelColumnCount)
        return;
    m_rows[row][col] = text;
}

int MemoryChannelTexts::rowCount() const
{
    return m_rows.size();
}

void MemoryChannelTexts::setRowCount(int rows)
{
    rows = std::max(rows, 1); // a grid keeps at least one row
    while (m_rows.size() > rows)
        m_rows.removeLast();
    while (m_rows.size() < rows)
        m_rows.append(QStringList(kChannelColumnCount, QString()));
}

QString MemoryChannelTexts::setting(int index) const
{
    if (index < 1 || index > kSettingCount)
        return QString();
    return m_settings[index];
}

void MemoryChannelTexts::setSetting(int index, const QString &text)
{
    if (index < 1 || index > kSettingCount)
        return;
    m_settings[index] = text;
}
