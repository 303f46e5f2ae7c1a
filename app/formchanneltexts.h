// The main window's grid and drop-downs seen as channel plan texts.
#pragma once

#include "channels/channeltexts.h"

class TForm1;

class FormChannelTexts : public ChannelTexts {
public:
    explicit FormChannelTexts(TForm1 &form) : m_form(form) {}

    QString cell(int col, int row) const override;
    void setCell(int col, int row, const QString &text) override;
    int rowCount() const override;
    void setRowCount(int rows) override;
    QString setting(int index) const override;
    void setSetting(int index, const QString &text) override;

private:
    TForm1 &m_form;
};
