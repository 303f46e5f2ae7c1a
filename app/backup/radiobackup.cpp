// Backup, restore, automatic backup and read-back, each a run of the windows' own transfers.
#include "app/backup/radiobackup.h"

#include "app/Unit1.h"
#include "app/Unit3.h"
#include "app/filedialogs.h"
#include "app/backup/reportdialogs.h"
#include "frames/frame.h"
#include "image/autobackup.h"
#include "protocol/runtexts.h"
#include "protocol/channeltransfer.h"
#include "protocol/transferreport.h"
#include "rtl/dialogs.h"
#include "rtl/filewriter.h"
#include "rtl/guard.h"
#include "signalling/signallingwindow.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>

namespace {

const QString kImageFilter = QStringLiteral("电台镜像 (*.rimg)");
const QString kImageSuffix = QStringLiteral("rimg");
const QString kAutoBackupKey = QStringLiteral("backup/autoBackupBeforeWrite");
const QString kVerifyKey = QStringLiteral("backup/verifyAfterWrite");

// User preferences live in the desktop's usual place (~/.config/radioprog/radioprog.conf).
QSettings preferences()
{
    return QSettings(QStringLiteral("radioprog"), QStringLiteral("radioprog"));
}


} // namespace

RadioBackup::RadioBackup(TForm1 &main, TForm3 &progress, const QList<SignallingWindow *> &windows)
    : QObject(&main), m_main(main), m_progress(progress)
{
    for (SignallingWindow *window : windows)
        m_windows << window;

    backupAction = new QAction(QStringLiteral("备份电台(&B)…"), this);
    restoreAction = new QAction(QStringLiteral("恢复电台(&T)…"), this);
    autoBackupAction = new QAction(QStringLiteral("写频前自动备份(&U)"), this);
    verifyAction = new QAction(QStringLiteral("写入后读回校验(&V)"), this);
    for (auto [action, key] : {std::pair{autoBackupAction, kAutoBackupKey}, std::pair{verifyAction, kVerifyKey}}) {
        action->setCheckable(true);
        // Only the user's own choice is kept, not a change made by the program.
        connect(action, &QAction::triggered, this, [key = key](bool on) { preferences().setValue(key, on); });
    }
    if (QMenu *menu = m_main.fileMenu) {
        menu->insertActions(m_main.N1, {backupAction, restoreAction});
        menu->insertSeparator(m_main.N1);
        menu->insertActions(m_main.N1, {autoBackupAction, verifyAction});
        menu->insertSeparator(m_main.N1);
    }
    connect(backupAction, &QAction::triggered, this, rtl::guarded([this] { backupClick(); }));
    connect(restoreAction, &QAction::triggered, this, rtl::guarded([this] { restoreClick(); }));

    chooseBackupFile = [this] {
        return runFileDialog(&m_main, QFileDialog::AcceptSave, kImageFilter, kImageSuffix, {}, QStringLiteral("备份电台到文件"));
    };
    chooseRestoreFile = [this] {
        return runFileDialog(&m_main, QFileDialog::AcceptOpen, kImageFilter, kImageSuffix, {}, QStringLiteral("选择要恢复到电台的镜像文件"));
    };
    confirmRestore = [this](const QString &file, const RadioImage &image) {
        return confirmRestoreImage(&m_main, file, image);
    };
    showDifferences = [this](const QString &title, const QList<ReadBackDifference> &differences) {
        showReadBackDifferences(&m_main, title, differences);
    };
    autoBackupFolder = ::autoBackupFolder();

    // A completed write or a read of the radio the user started ends what the last automatic
    // backup was for.
    connect(&m_main, &TForm1::channelTransferEnded, this, [this] {
        if (!running())
            m_backupAwaitingWrite = false;
    });
    connect(&m_progress, &TForm3::cancelled, this, rtl::guarded([this] { cancelled(); }));
    RadioSession &session = m_main.session();
    connect(&session, &RadioSession::runStepStarted, this,
            rtl::guarded([this](int step, int steps, int group, bool write) { stepStarted(step, steps, group, write); }));
    connect(&session, &RadioSession::runProgress, this, [this](int confirmed, int) { stepProgress(confirmed); });
    connect(&session, &RadioSession::runEnded, this,
            rtl::guarded([this](const RadioSession::RunResult &result) { runEnded(result); }));
    m_main.beforeChannelWrite = [this] { return autoBackupFirst(); };
    m_main.afterChannelWrite = [this](const TransferOutcome &outcome) { return readBackAfter(0, outcome); };
    m_main.recoveryActions = [this](const TransferOutcome &outcome) { return recoveryActions(outcome); };
    for (SignallingWindow *window : windows)
        window->afterWrite = [this](SignallingWindow &w, const TransferOutcome &outcome) {
            return readBackAfter(w.group(), outcome);
        };
}

SignallingWindow *RadioBackup::windowOf(int group) const
{
    for (const QPointer<SignallingWindow> &window : m_windows)
        if (window && window->group() == group)
            return window;
    return nullptr;
}

void RadioBackup::loadPreferences()
{
    // Proof by default: a new user's writes are backed up first and read back after.
    QSettings settings = preferences();
    autoBackupAction->setChecked(settings.value(kAutoBackupKey, true).toBool());
    verifyAction->setChecked(settings.value(kVerifyKey, true).toBool());
}

RadioBackup::~RadioBackup()
{
    // A run still going ends without telling this half-gone backup.
    disconnect(&m_main.session(), nullptr, this, nullptr);
    m_run = Run::None;
    m_main.session().abortRun();
    m_main.beforeChannelWrite = nullptr;
    m_main.afterChannelWrite = nullptr;
    m_main.recoveryActions = nullptr;
    for (const QPointer<SignallingWindow> &window : std::as_const(m_windows))
        if (window)
            window->afterWrite = nullptr;
}

void RadioBackup::backupClick()
{
    if (running() || m_main.link().exchangeRunning())
        throw rtl::Exception(RadioLink::kBusyMessage);
    const QString file = chooseBackupFile ? chooseBackupFile() : QString();
    if (file.isEmpty())
        return;
    m_target = file;
    start(Run::Backup, RadioSession::backupSteps());
}

void RadioBackup::restoreClick()
{
    if (running() || m_main.link().exchangeRunning())
        throw rtl::Exception(RadioLink::kBusyMessage);
    const QString file = chooseRestoreFile ? chooseRestoreFile() : QString();
    if (file.isEmpty())
        return;
    // The whole file is checked before the radio hears anything, then the user is asked.
    const RadioImage image = loadRadioImage(file);
    if (!(confirmRestore && confirmRestore(file, image)))
        return;
    restore(file, image);
}

void RadioBackup::restoreFile(const QString &file)
{
    if (running() || m_main.link().exchangeRunning())
        throw rtl::Exception(RadioLink::kBusyMessage);
    restore(file, loadRadioImage(file));
}

void RadioBackup::restore(const QString &file, const RadioImage &image)
{
    m_restoring = image;
    m_restoreFile = file;
    start(Run::Restore, RadioSession::restoreSteps(image));
}

void RadioBackup::start(Run run, const QList<RadioSession::Step> &steps)
{
    RadioSession &session = m_main.session();
    if (running() || session.runRunning() || m_main.link().exchangeRunning())
        throw rtl::Exception(RadioLink::kBusyMessage);
    m_run = run;
    m_stepCount = int(steps.size());
    m_group = -1;
    // The port box names the port while it is closed; once open, the run keeps to it.
    if (m_main.comcbb->isEnabled())
        session.setPort(m_main.comcbb->currentText());
    // 重试 repeats what the user started, not a step of this run.
    m_progress.Button1->setEnabled(false);
    m_progress.show();
    m_progress.raise();
    session.startRun(steps);
}

void RadioBackup::stepStarted(int step, int steps, int group, bool write)
{
    if (!running())
        return;
    m_group = group;
    status(runtexts::stepText(write, group, step, steps));
    m_progress.show();
    // A channel step shows its progress through the main window, as the user's own transfer does.
    if (group > 0) {
        m_progress.ProgressBar1->setRange(0, int(blockGroups().at(group).keys.size()));
        m_progress.ProgressBar1->setValue(0);
        m_progress.ProgressBar1->show();
    }
}

void RadioBackup::stepProgress(int confirmed)
{
    if (running() && m_group > 0)
        m_progress.ProgressBar1->setValue(confirmed);
}

void RadioBackup::runEnded(const RadioSession::RunResult &result)
{
    if (!running())
        return;
    m_result = result;
    if (!result.error.isEmpty()) {
        fail(result.error, nullptr, true);
        return;
    }
    if (result.stopped) {
        fail(QString(), &*result.stopped);
        return;
    }
    finish();
}

void RadioBackup::finish()
{
    QList<int> groups;
    for (int key : m_result.frames.keys())
        if (!groups.contains(groupOfType(keyType(key))))
            groups << groupOfType(keyType(key));
    std::sort(groups.begin(), groups.end());
    const QString missing = missingBlocks(groups);
    if (!missing.isEmpty()) {
        fail(runtexts::missingBlocksText(missing));
        return;
    }
    const Run run = m_run;
    const RadioImage image = receivedImage(groups);
    const QMap<int, QByteArray> readBack = receivedPayloads(groups);
    QMap<int, QByteArray> expected = m_checkAgainst;
    const RadioImage restored = m_restoring;
    if (run == Run::Restore) {
        expected.clear();
        for (int g : groups)
            for (int key : blockGroups().at(g).keys)
                expected.insert(key, m_restoring.payload(key));
    }
    endRun();

    switch (run) {
    case Run::Backup:
        saveRadioImage(image, m_target);
        status(runtexts::backedUpTo(m_target));
        rtl::dialogs::infoBox(runtexts::backedUp(int(image.frames.size())));
        break;
    case Run::AutoBackup: {
        // A backup that cannot be kept stops the write: the error box says why.
        const QString file = saveAutoBackup(image, autoBackupFolder);
        m_lastAutoBackup = file;
        m_backupAwaitingWrite = true;
        status(runtexts::autoBackupSaved(file));
        QMap<int, QByteArray> radio;
        for (int key : blockGroups().at(0).keys)
            radio.insert(key, image.payload(key));
        // A write the user turned down leaves the radio as the backup found it: the next write
        // takes a backup of its own.
        if (!m_main.writeAfterRead(radio))
            m_backupAwaitingWrite = false;
        break;
    }
    case Run::Restore:
    case Run::ReadBack: {
        const QList<ReadBackDifference> differences = compareReadBack(expected, readBack);
        status(QString());
        if (run == Run::Restore && differences.isEmpty()) {
            // The windows show what the radio now holds, as one step to undo.
            m_main.applyRead(restored.frames, QStringLiteral("恢复电台"));
            for (int g : restored.groups()) {
                if (g == 0)
                    continue;
                if (SignallingWindow *window = windowOf(g)) {
                    QList<QByteArray> payloads;
                    for (int key : blockGroups().at(g).keys)
                        payloads << restored.payload(key);
                    window->decodeBlocks(payloads);
                }
            }
        }
        if (differences.isEmpty())
            rtl::dialogs::infoBox(run == Run::Restore ? runtexts::kRestoreVerified : runtexts::kWriteVerified);
        else if (showDifferences)
            showDifferences(run == Run::Restore ? runtexts::kRestoreDiffers : runtexts::kWriteDiffers,
                            differences);
        break;
    }
    case Run::None:
        break;
    }
}

void RadioBackup::fail(const QString &message, const TransferOutcome *outcome, bool portError)
{
    if (!running())
        return;
    static const QMap<Run, QString> kEnded{
        {Run::Backup, runtexts::runEnded(runtexts::Run::Backup)},
        {Run::AutoBackup, runtexts::runEnded(runtexts::Run::AutoBackup)},
        {Run::Restore, runtexts::runEnded(runtexts::Run::Restore)},
        {Run::ReadBack, runtexts::runEnded(runtexts::Run::ReadBack)}};
    const Run run = m_run;
    const int group = std::max(0, m_group);
    const QMap<int, QByteArray> checkAgainst = m_checkAgainst;
    const QString restoreFile = m_restoreFile;
    const QString target = m_target;
    const bool lineLost = outcome && outcome->end == TransferOutcome::End::LineLost;
    // Ends as 取消 would: the port is closed and the port box given back, so a pulled cable or a
    // wrong port can be put right before the next try.
    const bool progressShown = m_progress.isVisible();
    endRun();
    m_main.session().abortRun();
    if (progressShown || m_main.link().exchangeRunning())
        m_progress.Button2Click();
    status(kEnded.value(run));

    QStringList lines{kEnded.value(run)};
    if (outcome && outcome->end != TransferOutcome::End::Aborted)
        lines << interruptionText(*outcome, false);
    else if (!message.isEmpty())
        lines.prepend(message);
    QList<rtl::dialogs::Action> actions;
    const bool userEnded = outcome && outcome->end == TransferOutcome::End::Aborted;
    if (!userEnded) {
        switch (run) {
        case Run::Backup:
            actions << rtl::dialogs::Action{QStringLiteral("重试备份"), rtl::guarded([this, target] {
                                                chooseBackupFile = [target] { return target; };
                                                backupClick();
                                            })};
            break;
        case Run::AutoBackup:
            actions << rtl::dialogs::Action{QStringLiteral("重试写频"), rtl::guarded([this] { m_main.wbtnClick(); })};
            break;
        case Run::Restore:
            actions << rtl::dialogs::Action{QStringLiteral("重试恢复"),
                                            rtl::guarded([this, restoreFile] { this->restoreFile(restoreFile); })};
            break;
        case Run::ReadBack:
            actions << rtl::dialogs::Action{QStringLiteral("重试读回校验"), rtl::guarded([this, group, checkAgainst] {
                                                m_checkAgainst = checkAgainst;
                                                start(Run::ReadBack, {RadioSession::Step{group, false, {}}});
                                            })};
            break;
        case Run::None:
            break;
        }
    }
    if (lineLost || portError) {
        const QString port = m_main.comcbb->currentText();
        actions << rtl::dialogs::Action{QStringLiteral("串口诊断"), [this, port] { m_main.showPortDoctor(port); }};
    }
    rtl::dialogs::exceptionBox(lines.join(QLatin1Char('\n')), actions);
}

void RadioBackup::endRun()
{
    m_run = Run::None;
    m_group = -1;
    m_restoring = RadioImage();
    m_progress.Button1->setEnabled(true);
    if (!m_main.link().exchangeRunning())
        m_progress.hide();
}

void RadioBackup::cancelled()
{
    // The run ends as cancelled and says so through runEnded.
    if (running())
        m_main.session().abortRun();
}

bool RadioBackup::readsBeforeWrite() const
{
    // After a backup whose write did not complete, the radio may be half written: the backup
    // taken before it is the one worth keeping, so a retried write takes no new one.
    return autoBackupAction->isChecked() && !m_backupAwaitingWrite && !running();
}

bool RadioBackup::autoBackupFirst()
{
    if (!readsBeforeWrite())
        return false;
    start(Run::AutoBackup, {RadioSession::Step{0, false, {}}});
    return true;
}

bool RadioBackup::readBackAfter(int group, const TransferOutcome &write)
{
    if (!verifyAction->isChecked() || running())
        return false;
    m_checkAgainst.clear();
    for (int i = 0; i < write.blocks.size() && i < write.payloads.size(); ++i)
        m_checkAgainst.insert(blockKey(write.blocks[i].type, write.blocks[i].number), write.payloads[i]);
    // From the event loop: the write's own end runs to its close first.
    QTimer::singleShot(0, this, rtl::guarded([this, group] { start(Run::ReadBack, {RadioSession::Step{group, false, {}}}); }));
    return true;
}

QList<rtl::dialogs::Action> RadioBackup::recoveryActions(const TransferOutcome &)
{
    if (!m_backupAwaitingWrite || m_lastAutoBackup.isEmpty())
        return {};
    const QString file = m_lastAutoBackup;
    return {{QStringLiteral("恢复写频前的备份"), rtl::guarded([this, file] { restoreFile(file); })}};
}

RadioImage RadioBackup::receivedImage(const QList<int> &groups) const
{
    RadioImage image;
    image.readAt = m_result.startedAt;
    for (int g : groups)
        for (int key : blockGroups().at(g).keys)
            image.frames << m_result.frames.value(key);
    return image;
}

QMap<int, QByteArray> RadioBackup::receivedPayloads(const QList<int> &groups) const
{
    QMap<int, QByteArray> out;
    for (int g : groups)
        for (int key : blockGroups().at(g).keys)
            if (m_result.frames.contains(key))
                out.insert(key, m_result.frames.value(key).mid(frame::kHeaderLength, frame::kPayloadLength));
    return out;
}

QString RadioBackup::missingBlocks(const QList<int> &groups) const
{
    return runtexts::missingBlocks(m_result.frames, groups);
}

void RadioBackup::status(const QString &text)
{
    m_main.statusBar()->showMessage(text);
}
