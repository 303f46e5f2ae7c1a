// 串口诊断: checks the port in the port box and shows each finding with its fix. It reads the
// machine and changes nothing.
#pragma once

#include "ports/linecheck.h"
#include "ports/portcheck.h"
#include "ports/portenvironment.h"

#include <QFileSystemWatcher>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <memory>

class PortBox;
class QPushButton;
class QTextBrowser;
class QThread;

class PortDoctorWindow : public QWidget {
    Q_OBJECT
public:
    explicit PortDoctorWindow(QWidget *parent = nullptr);
    ~PortDoctorWindow() override;

    PortBox *portBox = nullptr;
    QPushButton *checkButton = nullptr; // 重新检查
    QPushButton *echoButton = nullptr;  // 回环测试
    QTextBrowser *report = nullptr;

    // How long the checks wait after a change in /dev before they look again: udev names and
    // grants a new device just after it appears.
    static constexpr int kRecheckDelayMs = 1000;

    // The findings on show, in order, each check once; the loopback result last once it has run.
    const QList<CheckResult> &results() const { return m_results; }
    bool echoRunning() const { return m_echoThread != nullptr; }

    // The machine the checks read; tests give a fake one.
    void setEnvironment(const PortEnvironment &environment);
    int echoTimeoutMs = kEchoTimeoutMs;

    // Puts `port` in the box and checks it.
    void checkPort(const QString &port);
    void runChecks();
    // Checks again, then sends a pattern through the shorted plug, on a thread of its own; the
    // window stays live.
    void runEchoTest();

private:
    void render();
    void watchDevices();
    // While the window shows, a cable plugged in or pulled out is checked again at once.
    void devicesChanged();
    QStringList deviceNames() const;

    PortEnvironment m_environment = PortEnvironment::system();
    QList<CheckResult> m_results;
    std::unique_ptr<QThread> m_echoThread;
    QFileSystemWatcher m_deviceWatcher;
    QTimer m_recheck;
    QStringList m_devicesChecked; // the serial devices there when the findings were made
};
