// TForm3: the progress window of the channel transfers with its retry and cancel actions.
#pragma once

#include <QProgressBar>
#include <QPushButton>
#include <QWidget>
#include <functional>

class TForm3 : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRetryPauseMs = 100;

    explicit TForm3(QWidget *parent = nullptr);

    QProgressBar *ProgressBar1 = nullptr;
    QPushButton *Button1 = nullptr; // "重试"
    QPushButton *Button2 = nullptr; // "取消"

    // Retry: back to idle, a short pause, then the channel transfer the user started last again.
    void Button1Click();
    // Cancel: buttons and port box back, port closed, window hidden, resend stopped.
    void Button2Click();

    // The blocking pause of the retry action; tests may replace it.
    std::function<void(int ms)> pause;

signals:
    // The user pressed 取消.
    void cancelled();

protected:
    void showEvent(QShowEvent *event) override;
};
