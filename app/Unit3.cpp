// Progress window.
#include "app/Unit3.h"

#include "app/Unit1.h"
#include "app/forms.h"
#include "serial/serialcomm.h"
#include "rtl/guard.h"

#include <QShowEvent>
#include <QThread>

TForm3::TForm3(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      pause([](int ms) { QThread::msleep(ms); })
{
    setFixedSize(580, 100);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setGeometry(35, 12, 510, 30);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->hide();
    Button1 = new QPushButton(QStringLiteral("重试"), this);
    Button1->setGeometry(120, 58, 90, 28);
    Button2 = new QPushButton(QStringLiteral("取消"), this);
    Button2->setGeometry(370, 58, 90, 28);
    noAnswerLabel = new QLabel(QStringLiteral("电台无响应: 检查写频线是否插好、电台是否开机"), this);
    noAnswerLabel->setGeometry(35, 42, 510, 16);
    noAnswerLabel->setAlignment(Qt::AlignCenter);
    noAnswerLabel->setStyleSheet(QStringLiteral("color: #c62828"));
    noAnswerLabel->hide();
    noAnswerTimer = new QTimer(this);
    noAnswerTimer->setSingleShot(true);
    noAnswerTimer->setInterval(kNoAnswerMs);
    connect(noAnswerTimer, &QTimer::timeout, this, [this] { noAnswerLabel->setVisible(isVisible()); });
    connect(Button1, &QPushButton::clicked, this, rtl::guarded([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, rtl::guarded([this] {
        Button2Click();
        emit cancelled();
    }));
}

void TForm3::showEvent(QShowEvent *event)
{
    // Over the middle of the main window, where the user is looking.
    if (Form1 && !event->spontaneous())
        move(Form1->frameGeometry().center() - rect().center());
    QWidget::showEvent(event);
}

void TForm3::watchForAnswers()
{
    noAnswerLabel->hide();
    noAnswerTimer->start();
}

void TForm3::answerReceived()
{
    noAnswerLabel->hide();
    if (isVisible())
        noAnswerTimer->start();
}

void TForm3::Button2Click()
{
    Form1->abortChannelTransfer(); // ends without a word; the buttons come back with it
    Form1->wbtn->setEnabled(true);
    Form1->rbtn->setEnabled(true);
    Form1->closePort();
    hide();
    Form1->Tim1->stop();
    noAnswerTimer->stop();
    noAnswerLabel->hide();
}

void TForm3::Button1Click()
{
    // A write whose port failed to open never disabled wbtn; retrying it as a read would empty
    // the user's unsaved table, so the retry follows what the user started, not the buttons.
    const bool write = Form1->lastTransferWasWrite();
    Button2Click(); // the same steps as cancel, in the same order
    pause(kRetryPauseMs);
    if (write)
        Form1->wbtn->click();
    else
        Form1->rbtn->click();
}
