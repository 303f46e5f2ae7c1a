// Common frame of the four signalling windows: read, write and close buttons and the two
// callbacks the receive dispatcher drives.
#pragma once

#include "protocol/radiolink.h"

#include <QPushButton>
#include <QWidget>

class SignallingWindow : public QWidget, public SignallingPeer {
    Q_OBJECT
public:
    explicit SignallingWindow(RadioLink &link, QWidget *parent = nullptr);

    QPushButton *rbtn = nullptr;
    QPushButton *wbtn = nullptr;
    QPushButton *Button3 = nullptr;

    bool readRunning() const override { return !rbtn->isEnabled(); }
    bool writeRunning() const override { return !wbtn->isEnabled(); }

    virtual void rbtnClick() {}
    virtual void wbtnClick() {}
    // Close: stops the resend timer and hides the window.
    virtual void Button3Click();

protected:
    RadioLink &m_link;
};
