// Backs the whole radio up into an image file and restores it, keeps an automatic backup before
// a channel write, and reads a write back to check it. Every step is one of the windows' own
// transfers, run one after the other with this as the one told how each ended.
#pragma once

#include "layouts/readbackcheck.h"
#include "image/radioimage.h"
#include "protocol/blocktransfer.h"
#include "protocol/radiosession.h"
#include "rtl/dialogs.h"

#include <QDateTime>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <functional>

class QAction;
class SignallingWindow;
class TForm1;
class TForm3;

class RadioBackup : public QObject {
    Q_OBJECT
public:
    // `windows`: the signalling windows, each showing its block group.
    RadioBackup(TForm1 &main, TForm3 &progress, const QList<SignallingWindow *> &windows);
    ~RadioBackup() override;

    QAction *backupAction = nullptr;     // 备份电台
    QAction *restoreAction = nullptr;    // 恢复电台
    QAction *autoBackupAction = nullptr; // 写频前自动备份 (kept between runs, on for a new user)
    QAction *verifyAction = nullptr;     // 写入后读回校验 (kept between runs, on for a new user)

    // File dialogs, the question before a restore and the differences table; tests replace them
    // so that nothing modal opens.
    std::function<QString()> chooseBackupFile;
    std::function<QString()> chooseRestoreFile;
    std::function<bool(const QString &file, const RadioImage &image)> confirmRestore;
    std::function<void(const QString &title, const QList<ReadBackDifference> &)> showDifferences;
    // Where automatic backups go.
    QString autoBackupFolder;
    // The file the last automatic backup went to.
    QString lastAutoBackup() const { return m_lastAutoBackup; }

    // The two switches as the user left them, both on for a new user; the program calls it at
    // start, tests do not.
    void loadPreferences();

    void backupClick();
    void restoreClick();
    // Restores `file` (the question first, then every block of it, then the read-back).
    void restoreFile(const QString &file);
    bool running() const { return m_run != Run::None; }
    // Whether the next channel write is preceded by an automatic backup, which reads the radio.
    bool readsBeforeWrite() const;

private:
    enum class Run { None, Backup, AutoBackup, Restore, ReadBack };

    void restore(const QString &file, const RadioImage &image);
    void start(Run run, const QList<RadioSession::Step> &steps);
    void stepStarted(int step, int steps, int group, bool write);
    void stepProgress(int confirmed);
    void runEnded(const RadioSession::RunResult &result);
    void finish();
    // Ends the run with its message (a port that would not open: `portError`); the port is
    // given back.
    void fail(const QString &message, const TransferOutcome *outcome = nullptr, bool portError = false);
    void endRun();
    void cancelled();
    // Takes a channel write over to back the radio up first; false lets it start at once.
    bool autoBackupFirst();
    // After a write the user started: true when a read-back follows, which tells the outcome.
    bool readBackAfter(int group, const TransferOutcome &write);
    QList<rtl::dialogs::Action> recoveryActions(const TransferOutcome &write);
    RadioImage receivedImage(const QList<int> &groups) const;
    QMap<int, QByteArray> receivedPayloads(const QList<int> &groups) const;
    QString missingBlocks(const QList<int> &groups) const;
    void status(const QString &text);
    SignallingWindow *windowOf(int group) const;

    TForm1 &m_main;
    TForm3 &m_progress;
    QList<QPointer<SignallingWindow>> m_windows;

    Run m_run = Run::None;
    int m_stepCount = 0;
    int m_group = -1; // of the step under way
    RadioSession::RunResult m_result;
    QString m_target;
    QString m_restoreFile;
    QMap<int, QByteArray> m_checkAgainst;
    RadioImage m_restoring;
    bool m_backupAwaitingWrite = false;
    QString m_lastAutoBackup;
};
