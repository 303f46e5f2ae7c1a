// TForm6: the FSK queue sync window.
#pragma once

#include "signalling/signallingwindow.h"

class TForm6 : public SignallingWindow {
    Q_OBJECT
public:
    explicit TForm6(RadioLink &link, QWidget *parent = nullptr);

protected:
    BlockLayout blockLayout() const override;
};
