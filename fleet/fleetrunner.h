// Programs a fleet: each port its own radio session, each radio backed up as it was, then given
// the template with its own identity, every block read back and compared. Rows on one cable (or
// marked 下一台 and handed to the next free shared cable) go one radio after another: the cable
// waits until a radio answers that is not the one it just programmed.
#pragma once

#include "fleet/fleetlint.h"
#include "fleet/fleetreport.h"
#include "fleet/fleettable.h"
#include "fleet/fleettemplate.h"
#include "layouts/readbackcheck.h"
#include "protocol/radiosession.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QObject>
#include <QStringList>
#include <memory>

class QTimer;

class FleetRunner : public QObject {
    Q_OBJECT
public:
    enum class State {
        Pending,        // 待写
        WaitingForRadio, // 等待电台: no radio answers on the cable yet
        WaitingForNext, // 等待下一台: the radio programmed last is still on the cable
        BackingUp,      // 备份
        Writing,        // 写入
        Verifying,      // 读回校验
        Passed,         // 通过
        Failed,         // 失败
    };
    static QString stateText(State state);

    // Blocks a radio moves: its backup, the write, the read-back.
    static int blocksPerRadio();
    static constexpr int kDefaultPollMs = 1000;

    struct RowStatus {
        State state = State::Pending;
        QString port;    // the port it ran on
        int done = 0;    // blocks moved, of blocksPerRadio()
        QDateTime startedAt; // UTC, when its backup began
        QDateTime endedAt;
        QString backupFile;
        QString digest;  // SHA-256 of the blocks written
        QList<ReadBackDifference> differences;
        QString error;
        int attempts = 0;
        bool running() const;
    };

    FleetRunner(const FleetTable &table, const FleetTemplate &tmpl, QObject *parent = nullptr);
    ~FleetRunner() override;

    const FleetTable &table() const { return m_table; }
    const FleetTemplate &fleetTemplate() const { return m_template; }

    // The cables the rows marked 下一台 go to, whichever is free first.
    void setSharedPorts(const QStringList &ports) { m_sharedPorts = ports; }
    QStringList sharedPorts() const { return m_sharedPorts; }
    // Where each radio's backup goes (made private to the user when missing).
    void setBackupFolder(const QString &folder) { m_backupFolder = folder; }
    QString backupFolder() const { return m_backupFolder; }
    // How often a waiting cable asks again whether a (new) radio is there.
    void setPollInterval(int ms) { m_pollMs = ms; }
    // After a failure on a cable with radios still to go, the cable waits for resume(): the radio
    // that failed may still be on it. On by default; without, the cable goes on.
    void setPauseAfterFailure(bool on) { m_pauseAfterFailure = on; }

    QList<FleetIssue> check() const;
    // Starts every cable. Refused (rtl::Exception listing them) while the checks find a blocking
    // issue, before any port is opened; a run already going is refused too.
    void start();
    // A failed row again, alone; its cable takes it next.
    void retry(int row);
    // A cable held after a failure goes on with its next radio.
    void resume(const QString &port);
    // Ends every exchange; the rows under way fail as stopped, the others stay to be written.
    void stop();

    bool running() const;
    QStringList heldPorts() const;
    const RowStatus &status(int row) const { return m_status.at(row); }
    int rowCount() const { return int(m_status.size()); }
    FleetReport report() const;

signals:
    void rowChanged(int row);
    void portHeld(const QString &port, int failedRow);
    // Every cable is idle or held: nothing more happens without retry() or resume().
    void finished();

private:
    struct Lane;

    Lane &laneFor(const QString &port);
    void startLane(Lane &lane);
    void probe(Lane &lane);
    void backup(Lane &lane);
    void write(Lane &lane, const RadioSession::RunResult &backup);
    void runEnded(Lane &lane, const RadioSession::RunResult &result);
    void probed(Lane &lane, const RadioSession::RunResult &result);
    void backedUp(Lane &lane, const RadioSession::RunResult &result);
    void written(Lane &lane, const RadioSession::RunResult &result);
    void waitThen(Lane &lane, State state, void (FleetRunner::*next)(Lane &));
    void endRow(Lane &lane, bool passed, const QString &error = {});
    void setState(int row, State state);
    bool takesRows(const Lane &lane) const;
    void checkFinished();
    QString saveBackup(const FleetRow &row, const RadioImage &image);

    FleetTable m_table;
    FleetTemplate m_template;
    QStringList m_sharedPorts;
    QString m_backupFolder;
    int m_pollMs = kDefaultPollMs;
    bool m_pauseAfterFailure = true;

    QList<RowStatus> m_status;
    std::vector<std::unique_ptr<Lane>> m_lanes;
    QList<int> m_shared; // rows marked 下一台 still to go
    bool m_stopping = false;
    bool m_finishedSent = true;
};
