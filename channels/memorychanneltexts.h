// A channel table and ten settings held in memory, set up as the main window starts.
#pragma once

#include "channels/channeltexts.h"

#include <QList>
#include <QStringList>

// Tests and other modules' tests use it in place of the main window. Reads outside the table give
// an empty text and writes outside it are dropped, as a grid cell that does not exist would.
class MemoryChannelTexts : public ChannelTexts {
public:
    MemoryChannelTexts(); // captions in row 0, "1".."16" in column 0, the initial settings

    QString cell(int col, int row) const override;
    void setCell(int col, int row, const QString &text) override;
    int rowCount() const override;
    void setRowCount(int rows) override;

    QString setting(int index) const override;
    void setSetting(int index, const QString &text) override;

private:
    QList<QStringList> m_rows;
    QStringList m_settings; // index 0 unused
};
