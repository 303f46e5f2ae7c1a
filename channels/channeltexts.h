// The channel plan as the windows hold it: cell texts of the channel table and ten setting texts.
#pragma once

#include <QString>

// Rows 0–16 × columns 0–15 of the channel table (row 0 captions, column 0 channel numbers) and
// the general settings ComboBox1…ComboBox10 (index 1…10). The main window adapts its grid and
// drop-downs to this; tests use a plain in-memory table.
class ChannelTexts {
public:
    virtual ~ChannelTexts() = default;

    virtual QString cell(int col, int row) const = 0;
    virtual void setCell(int col, int row, const QString &text) = 0;
    virtual int rowCount() const = 0;
    virtual void setRowCount(int rows) = 0;

    virtual QString setting(int index) const = 0;
    virtual void setSetting(int index, const QString &text) = 0;
};
