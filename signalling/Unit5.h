// TForm5: the five-tone window.
#pragma once

#include "signalling/signallingwindow.h"

class TForm5 : public SignallingWindow {
    Q_OBJECT
public:
    explicit TForm5(RadioLink &link, QWidget *parent = nullptr);

protected:
    BlockLayout blockLayout() const override;
};
