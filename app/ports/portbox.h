// The port box: the fixed names it was given, then the serial devices found, listed afresh
// each time the list opens.
#pragma once

#include "ports/portenvironment.h"

#include <QComboBox>

class PortBox : public QComboBox {
    Q_OBJECT
public:
    explicit PortBox(QWidget *parent = nullptr);

    // Where devices are looked for; tests give a fake machine.
    PortEnvironment environment = PortEnvironment::system();

    // Replaces the device items below the fixed ones; the typed text stays.
    void refreshDevices();
    void showPopup() override;
};
