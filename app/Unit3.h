// TForm3: the progress window of the channel transfers with its retry and cancel actions.
#pragma once

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <functional>

class TForm3 : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRetryPauseMs = 100;
    static constexpr int kNoAnswerMs = 3000;

    explicit TForm3(QWidget *parent = nullptr);

    QProgressBar *ProgressBar1 = nullptr;
    QPushButton *Button1 = nullptr; // "重试"
    QPushButton *Button2 = nullptr; // "取消"
    // Says the radio is silent once noAnswerTimer runs out; the resend goes on meanwhile.
    QLabel *noAnswerLabel = nullptr;
    QTimer *noAnswerTimer = nullptr;

    // A channel transfer has started on an open port: the silence is timed from now.
    void watchForAnswers();
    // Bytes came from the radio: the text goes and the silence is timed afresh.
    void answerReceived();

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
