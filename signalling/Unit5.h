// TForm5: the five tone window.
#pragma once

#include "signalling/signallingwindow.h"

class TForm5 : public SignallingWindow {
    Q_OBJECT
public:
    explicit TForm5(RadioLink &link, QWidget *parent = nullptr);

    void SendNextBlock() override;
    void ReceiveBlock() override;
};
