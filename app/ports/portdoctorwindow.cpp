// Port doctor window: the checks as a report with copyable fixes, and the loopback test.
#include "app/ports/portdoctorwindow.h"

#include "app/ports/portbox.h"
#include "ports/portdoctor.h"
#include "rtl/dialogs.h"
#include "rtl/guard.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QThread>
#include <QVBoxLayout>

namespace {

QString statusMark(CheckStatus status)
{
    switch (status) {
    case CheckStatus::Pass: return QStringLiteral("<span style='color:#1a7f37'>✔</span>");
    case CheckStatus::Warn: return QStringLiteral("<span style='color:#b35900'>!</span>");
    case CheckStatus::Fail: return QStringLiteral("<span style='color:#c62828'>✘</span>");
    case CheckStatus::Skipped: return QStringLiteral("<span style='color:gray'>–</span>");
    }
    return {};
}

} // namespace

PortDoctorWindow::PortDoctorWindow(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("串口诊断"));
    resize(720, 560);
    auto *layout = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    auto *portLabel = new QLabel(QStringLiteral("端口"), this);
    portBox = new PortBox(this);
    portBox->setMinimumWidth(300);
    portLabel->setBuddy(portBox);
    checkButton = new QPushButton(QStringLiteral("重新检查"), this);
    echoButton = new QPushButton(QStringLiteral("回环测试"), this);
    top->addWidget(portLabel);
    top->addWidget(portBox, 1);
    top->addWidget(checkButton);
    top->addWidget(echoButton);
    layout->addLayout(top);
    report = new QTextBrowser(this);
    layout->addWidget(report, 1);
    auto *note = new QLabel(QStringLiteral("回环测试: 拔下电台，用导线短接写频线插头上的 TX 与 RX，再点“回环测试”。\n"
                                           "这里只做检查，不改动系统；修复命令请自己在终端里执行。"),
                            this);
    note->setWordWrap(true);
    layout->addWidget(note);
    portBox->environment = m_environment;

    connect(checkButton, &QPushButton::clicked, this, rtl::guarded([this] { runChecks(); }));
    connect(echoButton, &QPushButton::clicked, this, rtl::guarded([this] { runEchoTest(); }));
    m_recheck.setSingleShot(true);
    m_recheck.setInterval(kRecheckDelayMs);
    connect(&m_deviceWatcher, &QFileSystemWatcher::directoryChanged, &m_recheck, qOverload<>(&QTimer::start));
    connect(&m_recheck, &QTimer::timeout, this, rtl::guarded([this] { devicesChanged(); }));
    watchDevices();
}

PortDoctorWindow::~PortDoctorWindow()
{
    if (m_echoThread)
        m_echoThread->wait(); // a loopback test ends within its time-out
}

void PortDoctorWindow::setEnvironment(const PortEnvironment &environment)
{
    m_environment = environment;
    portBox->environment = environment;
    watchDevices();
}

void PortDoctorWindow::watchDevices()
{
    if (!m_deviceWatcher.directories().isEmpty())
        m_deviceWatcher.removePaths(m_deviceWatcher.directories());
    // A new tty appears in /dev; its by-id link comes a moment later, in a folder that may be new.
    m_deviceWatcher.addPath(m_environment.path(QStringLiteral("/dev")));
}

QStringList PortDoctorWindow::deviceNames() const
{
    QStringList names;
    for (const SerialDevice &d : m_environment.devices())
        names << d.systemLocation;
    return names;
}

void PortDoctorWindow::devicesChanged()
{
    if (!isVisible() || m_echoThread || deviceNames() == m_devicesChecked)
        return;
    portBox->refreshDevices();
    runChecks();
}

void PortDoctorWindow::checkPort(const QString &port)
{
    portBox->setEditText(port);
    runChecks();
}

void PortDoctorWindow::runChecks()
{
    m_devicesChecked = deviceNames();
    m_results = diagnosePort(m_environment, portBox->currentText());
    render();
}

void PortDoctorWindow::runEchoTest()
{
    if (m_echoThread)
        return;
    // Every check again with it: what held the port or changed since shows with the loopback's
    // own finding, never beside an older one.
    auto results = std::make_shared<QList<CheckResult>>();
    m_devicesChecked = deviceNames();
    m_echoThread.reset(QThread::create([environment = m_environment, port = portBox->currentText(), results,
                                        timeoutMs = echoTimeoutMs] {
        *results = diagnoseWithEcho(environment, port, timeoutMs);
    }));
    // A plain lambda: finished() carries a private tag that a generic one would bind to.
    connect(m_echoThread.get(), &QThread::finished, this, [this, results] { rtl::guard([&] {
        m_echoThread->wait(); // finished() comes just before the thread is gone
        m_echoThread.reset();
        m_results = *results;
        checkButton->setEnabled(true);
        echoButton->setEnabled(true);
        render();
    }); });
    checkButton->setEnabled(false);
    echoButton->setEnabled(false);
    m_echoThread->start();
}

void PortDoctorWindow::render()
{
    QString html = QStringLiteral("<p><b>%1</b></p>").arg(portBox->currentText().toHtmlEscaped());
    for (const CheckResult &r : std::as_const(m_results)) {
        html += QStringLiteral("<p>%1 <b>%2</b><br>%3").arg(statusMark(r.status), r.title.toHtmlEscaped(),
                                                           r.detail.toHtmlEscaped());
        if (!r.fix.isEmpty())
            html += QStringLiteral("<p style='margin-left:16px; white-space:pre-wrap; font-family:monospace'>%1</p>")
                        .arg(r.fix.toHtmlEscaped());
        html += QStringLiteral("</p>");
    }
    report->setHtml(html);
}
