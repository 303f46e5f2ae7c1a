// Signalling window frame.
#include "signalling/signallingwindow.h"

#include "rtl/dialogs.h"
#include "rtl/guard.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

SignallingWindow::SignallingWindow(RadioLink &link, QWidget *parent)
    : QWidget(parent, Qt::Window), m_link(link)
{
    setWindowTitle(rtl::kAppTitle);
    rbtn = new QPushButton(QStringLiteral("读取"), this);
    wbtn = new QPushButton(QStringLiteral("写入"), this);
    Button3 = new QPushButton(QStringLiteral("关闭"), this);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(rbtn);
    buttons->addWidget(wbtn);
    buttons->addWidget(Button3);
    auto *layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addLayout(buttons);

    connect(rbtn, &QPushButton::clicked, this, rtl::guarded([this] { rbtnClick(); }));
    connect(wbtn, &QPushButton::clicked, this, rtl::guarded([this] { wbtnClick(); }));
    connect(Button3, &QPushButton::clicked, this, rtl::guarded([this] { Button3Click(); }));
}

void SignallingWindow::Button3Click()
{
    m_link.stopResend();
    hide();
}
