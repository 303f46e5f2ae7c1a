// TForm4: the two-tone window: 16 encode codes with their tone timing, 16 decode rows of four
// tone pairs, the four tone frequencies and the reset time.
#pragma once

#include "signalling/signallingwindow.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>

class TCellGrid;

class TForm4 : public SignallingWindow {
    Q_OBJECT
public:
    explicit TForm4(RadioSession &session, QWidget *parent = nullptr);

    QTabWidget *PageControl1 = nullptr;
    TCellGrid *xg1 = nullptr; // encode
    QComboBox *cb1 = nullptr, *cb2 = nullptr, *cb3 = nullptr;
    TCellGrid *xg2 = nullptr; // decode
    QLineEdit *ed1 = nullptr, *ed2 = nullptr, *ed3 = nullptr, *ed4 = nullptr; // tone frequencies, read only
    QLineEdit *ed5 = nullptr; // reset time

    void FormCreate();
    void xg2SetEditText(int ACol, int ARow, const QString &Value);

protected:
    BlockLayout blockLayout() const override;
};
