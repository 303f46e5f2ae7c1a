// Backs the whole radio up into an image file and restores it, keeps an automatic backup before
// a channel write, and reads a write back to check it. Every step is one of the windows' own
// transfers, run one after the other.
#pragma once

#include "app/readbackcheck.h"
#include "image/radioimage.h"
#include "protocol/radiolink.h"

#include <QDateTime>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <functional>

class QAction;
class SignallingWindow;
class TForm1;
class TForm3;

class RadioBackup : public QObject, public BlockObserver {
    Q_OBJECT
public:
    // `windows`: the DTMF, FSK, two-tone and five-tone windows, in the order of blockGroups().
    RadioBackup(TForm1 &main, TForm3 &progress, const QList<SignallingWindow *> &windows);
    ~RadioBackup() override;

    QAction *backupAction = nullptr;     // 备份电台
    QAction *restoreAction = nullptr;    // 恢复电台
    QAction *autoBackupAction = nullptr; // 写频前自动备份 (kept between runs)
    QAction *verifyAction = nullptr;     // 写入后读回校验 (kept between runs)

    // File dialogs and the differences table; tests replace them so that nothing modal opens.
    std::function<QString()> chooseBackupFile;
    std::function<QString()> chooseRestoreFile;
    std::function<void(const QString &title, const QList<ReadBackDifference> &)> showDifferences;
    // Where automatic backups go.
    QString autoBackupFolder;
    // The file the last automatic backup went to.
    QString lastAutoBackup() const { return m_lastAutoBackup; }

    // The two switches as the user left them; the program calls it at start, tests do not.
    void loadPreferences();

    void backupClick();
    void restoreClick();
    bool running() const { return m_run != Run::None; }

    // BlockObserver
    void blockSent(QByteArrayView frame) override;
    void blockReceived(QByteArrayView frame) override;
    bool drivesRun() const override { return running(); }
    QByteArray storedPayload(int blockType, int blockNumber) const override;

private:
    enum class Run { None, Backup, AutoBackup, Restore, ReadBack };
    struct Step {
        int group;
        bool write;
    };

    void start(Run run, const QList<Step> &steps);
    void startStep();
    void nextStep();
    void finish();
    // Ends the run; a non-empty message is shown.
    void fail(const QString &message);
    void endRun();
    bool awaiting(int group, bool write) const;
    void channelEnded(bool write);
    void signallingEnded(int group, bool write, bool ok);
    void cancelled();
    // Takes a channel write over to back the radio up first; false lets it start at once.
    bool autoBackupFirst();
    void readBackAfter(int group);
    RadioImage receivedImage(const QList<int> &groups) const;
    QMap<int, QByteArray> receivedPayloads(const QList<int> &groups) const;
    QString missingBlocks(const QList<int> &groups) const;
    void status(const QString &text);

    TForm1 &m_main;
    TForm3 &m_progress;
    QList<QPointer<SignallingWindow>> m_windows; // index = group - 1

    Run m_run = Run::None;
    QList<Step> m_steps;
    int m_step = -1;
    QDateTime m_startedAt;
    QString m_target;
    QMap<int, QByteArray> m_received; // frames by blockKey, as received
    QMap<int, QByteArray> m_sent;     // payloads of the last write of each group
    QMap<int, QByteArray> m_checkAgainst;
    RadioImage m_restoring;
    bool m_backupAwaitingWrite = false;
    QString m_lastAutoBackup;
};
