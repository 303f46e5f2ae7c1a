// TForm2: the DTMF window.
#pragma once

#include "signalling/signallingwindow.h"

class TForm2 : public SignallingWindow {
    Q_OBJECT
public:
    explicit TForm2(RadioLink &link, QWidget *parent = nullptr);

    void SendNextBlock() override;
    void ReceiveBlock() override;
};
