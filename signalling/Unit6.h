// TForm6: the FSK queue-sync window: own queue and ID, baud rate, delays, side tone and the queue
// table, read from and written to the radio's FSK blocks.
#pragma once

#include "signalling/signallingwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

class TCellGrid;

class TForm6 : public SignallingWindow {
    Q_OBJECT
public:
    explicit TForm6(RadioSession &session, QWidget *parent = nullptr);

    QLineEdit *ed1 = nullptr; // own queue
    QLineEdit *ed2 = nullptr; // own ID
    QComboBox *cb1 = nullptr; // queue-sync baud rate
    QLineEdit *ed3 = nullptr; // data transmit delay, ms
    QLineEdit *ed4 = nullptr; // information mode timer, s
    QCheckBox *CheckBox1 = nullptr; // PTT ID side tone
    TCellGrid *xg1 = nullptr; // queue table

    void FormCreate();

protected:
    BlockLayout blockLayout() const override;
};
