// TForm4: the two-tone window.
#pragma once

#include "signalling/signallingwindow.h"

class TForm4 : public SignallingWindow {
    Q_OBJECT
public:
    explicit TForm4(RadioLink &link, QWidget *parent = nullptr);

protected:
    BlockLayout blockLayout() const override;
};
