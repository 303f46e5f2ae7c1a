// TForm2: the DTMF window: encoding settings and the 16 dial memories, decoding settings.
#pragma once

#include "signalling/signallingwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>

class TCellGrid;

class TForm2 : public SignallingWindow {
    Q_OBJECT
public:
    explicit TForm2(RadioSession &session, QWidget *parent = nullptr);

    QTabWidget *PageControl1 = nullptr;
    TCellGrid *xg2 = nullptr;
    QComboBox *cb1 = nullptr, *cb2 = nullptr, *cb3 = nullptr, *cb4 = nullptr, *cb5 = nullptr;
    QCheckBox *CheckB1 = nullptr;
    QLineEdit *Edit1 = nullptr;
    QComboBox *cb6 = nullptr, *cb7 = nullptr, *cb8 = nullptr, *cb9 = nullptr;
    QCheckBox *CheckB2 = nullptr;

    void FormCreate();

protected:
    BlockLayout blockLayout() const override;
};
