// One radio on one port: the serial component, the dialogue with its resend timer, and every
// transfer the radio knows (the channels, the four signalling memories), run without windows and
// one after the other in runs. Nothing program-wide is used, so several sessions on several ports
// run side by side in one event loop.
#pragma once

#include "protocol/blocktransfer.h"
#include "protocol/channeltransfer.h"
#include "protocol/radiolink.h"

#include <QDateTime>
#include <QMap>
#include <QObject>
#include <QTimer>
#include <array>
#include <memory>
#include <optional>

class TComm;
struct RadioImage;

class RadioSession : public QObject {
    Q_OBJECT
public:
    static constexpr int kResendIntervalMs = 300;
    static constexpr int kReadIntervalMs = 20;

    explicit RadioSession(QObject *parent = nullptr);
    ~RadioSession() override;

    TComm &comm() { return *m_comm; }
    QTimer &resendTimer() { return m_resend; }
    RadioLink &link() { return *m_link; }
    ChannelTransfer &channels() { return *m_channels; }
    // The transfer of a block group (groups::kChannels … groups::kFiveTone).
    BlockTransfer &transfer(int group);

    // The port: a device path, or COMn (see TComm::devicePath).
    QString port() const;
    void setPort(const QString &name);
    // Throws ECommsError when the port cannot be opened.
    void open();
    void close();
    bool isOpen() const;

    // One step of a run: a group read, or written with its payloads.
    struct Step {
        int group = 0;
        bool write = false;
        QList<QByteArray> payloads;
    };
    struct RunResult {
        bool ok = false;
        QString error;                          // why a step could not start (a port that would not open)
        std::optional<TransferOutcome> stopped; // the step that ended early
        int stoppedStep = -1;
        QMap<int, QByteArray> frames;  // the answers read, by blockKey, as received
        QMap<int, QByteArray> written; // the payloads written and acknowledged, by blockKey
        QDateTime startedAt;           // UTC
    };

    // Every group read (a backup); every group of `image` written, then read back (a restore);
    // one group read.
    static QList<Step> backupSteps();
    static QList<Step> restoreSteps(const RadioImage &image);
    static QList<Step> readSteps(int group);

    // Runs the steps one after the other on this port, opening it when needed and closing it after
    // each channel step, as a completed channel transfer always does. Throws when a transfer or a
    // run is already under way.
    void startRun(const QList<Step> &steps);
    bool runRunning() const { return m_step >= 0; }
    // Ends a running run as cancelled.
    void abortRun();

signals:
    void portOpened();
    void portClosed();
    // Bytes came from the radio.
    void answerArrived();
    // The port went away; every transfer has ended. `exchangeRan`: one was under way.
    void lineLost(bool exchangeRan);
    void runStepStarted(int step, int steps, int group, bool write);
    void runProgress(int confirmed, int total);
    void runEnded(const RadioSession::RunResult &result);

private:
    void startStep();
    void stepEnded(const TransferOutcome &outcome);
    void endRun(RunResult result);
    void handleLineLost();

    TComm *m_comm;
    QTimer m_resend;
    std::unique_ptr<RadioLink> m_link;
    std::unique_ptr<ChannelTransfer> m_channels;
    std::array<std::unique_ptr<BlockTransfer>, 4> m_signalling;
    bool m_lineLostPending = false;

    QList<Step> m_steps;
    int m_step = -1;
    RunResult m_result;
};
