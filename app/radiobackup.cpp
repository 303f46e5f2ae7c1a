// Backup, restore, automatic backup and read-back, each a run of the windows' own transfers.
#include "app/radiobackup.h"

#include "app/Unit1.h"
#include "app/Unit3.h"
#include "app/desktop.h"
#include "app/reportdialogs.h"
#include "frames/frame.h"
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

    backupAction = new QAction(QStringLiteral("备份电台"), this);
    restoreAction = new QAction(QStringLiteral("恢复电台"), this);
    autoBackupAction = new QAction(QStringLiteral("写频前自动备份"), this);
    verifyAction = new QAction(QStringLiteral("写入后读回校验"), this);
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

    chooseBackupFile = [this] { return runFileDialog(&m_main, QFileDialog::AcceptSave, kImageFilter, kImageSuffix); };
    chooseRestoreFile = [this] { return runFileDialog(&m_main, QFileDialog::AcceptOpen, kImageFilter, kImageSuffix); };
    showDifferences = [this](const QString &title, const QList<ReadBackDifference> &differences) {
        showReadBackDifferences(&m_main, title, differences);
    };
    autoBackupFolder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)
                       + QStringLiteral("/backups");

    // Each next step starts from the event loop, once the transfer that ended has unwound.
    connect(&m_main, &TForm1::channelTransferEnded, this,
            [this](bool write) { rtl::guard([&] { channelEnded(write); }); }, Qt::QueuedConnection);
    for (int i = 0; i < windows.size(); ++i)
        connect(windows[i], &SignallingWindow::exchangeEnded, this,
                [this, group = i + 1](bool write, bool ok) { rtl::guard([&] { signallingEnded(group, write, ok); }); },
                Qt::QueuedConnection);
    connect(&m_progress, &TForm3::cancelled, this, rtl::guarded([this] { cancelled(); }));
    m_main.beforeChannelWrite = [this] { return autoBackupFirst(); };
    m_main.link().setObserver(this);
}

void RadioBackup::loadPreferences()
{
    QSettings settings = preferences();
    autoBackupAction->setChecked(settings.value(kAutoBackupKey, false).toBool());
    verifyAction->setChecked(settings.value(kVerifyKey, false).toBool());
}

RadioBackup::~RadioBackup()
{
    if (m_main.link().observer() == this)
        m_main.link().setObserver(nullptr);
    m_main.beforeChannelWrite = nullptr;
}

void RadioBackup::backupClick()
{
    if (running() || m_main.link().exchangeRunning())
        throw rtl::Exception(RadioLink::kBusyMessage);
    const QString file = chooseBackupFile ? chooseBackupFile() : QString();
    if (file.isEmpty())
        return;
    m_target = file;
    QList<Step> steps;
    for (int g = 0; g < blockGroups().size(); ++g)
        steps << Step{g, false};
    start(Run::Backup, steps);
}

void RadioBackup::restoreClick()
{
    if (running() || m_main.link().exchangeRunning())
        throw rtl::Exception(RadioLink::kBusyMessage);
    const QString file = chooseRestoreFile ? chooseRestoreFile() : QString();
    if (file.isEmpty())
        return;
    // The whole file is checked before the radio hears anything.
    m_restoring = loadRadioImage(file);
    QList<Step> steps;
    for (int g : m_restoring.groups())
        steps << Step{g, true};
    for (int g : m_restoring.groups())
        steps << Step{g, false};
    start(Run::Restore, steps);
}

void RadioBackup::start(Run run, const QList<Step> &steps)
{
    m_run = run;
    m_steps = steps;
    m_step = -1;
    m_received.clear();
    m_startedAt = QDateTime::currentDateTimeUtc();
    nextStep();
}

void RadioBackup::nextStep()
{
    if (++m_step >= m_steps.size()) {
        finish();
        return;
    }
    startStep();
}

void RadioBackup::startStep()
{
    const Step step = m_steps.at(m_step);
    const BlockGroup &group = blockGroups().at(step.group);
    status(QStringLiteral("%1 %2（%3/%4）…")
               .arg(step.write ? QStringLiteral("正在写入") : QStringLiteral("正在读取"), group.name)
               .arg(m_step + 1)
               .arg(m_steps.size()));
    try {
        if (step.group == 0) {
            m_progress.Button1->setEnabled(true);
            if (step.write)
                m_main.wbtnClick();
            else
                m_main.rbtnClick();
            if (!(step.write ? m_main.channelWriteRunning() : m_main.channelReadRunning()))
                fail(QString()); // refused; the window has said why
            return;
        }
        SignallingWindow *window = m_windows.value(step.group - 1);
        if (!window) {
            fail(QString());
            return;
        }
        // The retry of the progress window repeats channel transfers only.
        m_progress.Button1->setEnabled(false);
        m_progress.ProgressBar1->setRange(0, int(group.keys.size()));
        m_progress.ProgressBar1->setValue(0);
        m_progress.ProgressBar1->show();
        m_progress.show();
        if (step.write)
            window->wbtnClick();
        else
            window->rbtnClick();
    } catch (const rtl::Exception &e) {
        fail(e.message());
    }
}

void RadioBackup::finish()
{
    QList<int> groups;
    for (const Step &step : std::as_const(m_steps))
        if (!step.write && !groups.contains(step.group))
            groups << step.group;
    const QString missing = missingBlocks(groups);
    if (!missing.isEmpty()) {
        fail(QStringLiteral("电台没有送回这些数据块：%1。").arg(missing));
        return;
    }
    const Run run = m_run;
    const RadioImage image = receivedImage(groups);
    const QMap<int, QByteArray> readBack = receivedPayloads(groups);
    QMap<int, QByteArray> expected = m_checkAgainst;
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
        status(QStringLiteral("电台已备份到 %1").arg(m_target));
        rtl::dialogs::infoBox(QStringLiteral("已备份电台的 %1 个数据块。").arg(image.frames.size()));
        break;
    case Run::AutoBackup: {
        // A backup that cannot be kept stops the write: the error box says why.
        // Not through a link someone planted in the folder's place: the backup would land in theirs.
        QString why;
        if (!rtl::makePrivateFolder(autoBackupFolder, &why))
            throw ERadioImageError(QStringLiteral("无法建立自动备份文件夹 %1：%2").arg(autoBackupFolder, why));
        const QString file = QDir(autoBackupFolder).filePath(
            QStringLiteral("auto-%1.%2").arg(image.readAt.toLocalTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")),
                                             kImageSuffix));
        saveRadioImage(image, file);
        m_lastAutoBackup = file;
        m_backupAwaitingWrite = true;
        status(QStringLiteral("写频前的自动备份已保存到 %1").arg(file));
        m_main.startChannelWrite();
        break;
    }
    case Run::Restore:
    case Run::ReadBack: {
        const QList<ReadBackDifference> differences = compareReadBack(expected, readBack);
        status(QString());
        if (differences.isEmpty())
            rtl::dialogs::infoBox(run == Run::Restore ? QStringLiteral("恢复完成，校验通过") : QStringLiteral("校验通过"));
        else if (showDifferences)
            showDifferences(run == Run::Restore ? QStringLiteral("恢复后读回的数据与镜像不同：")
                                                : QStringLiteral("读回校验发现电台中的数据与写入的不同："),
                            differences);
        break;
    }
    case Run::None:
        break;
    }
}

void RadioBackup::fail(const QString &message)
{
    static const QMap<Run, QString> kEnded{
        {Run::Backup, QStringLiteral("备份未完成，没有保存镜像文件。")},
        {Run::AutoBackup, QStringLiteral("自动备份未完成，没有写入电台。")},
        {Run::Restore, QStringLiteral("恢复未完成：电台中的数据可能只写入了一部分，请重新恢复。")},
        {Run::ReadBack, QStringLiteral("读回校验未完成。")}};
    const Run run = m_run;
    // Ends as 取消 would: the port is closed and the port box given back, so a pulled cable or a
    // wrong port can be put right before the next try.
    const bool progressShown = m_progress.isVisible();
    endRun();
    if (progressShown)
        m_progress.Button2Click();
    status(kEnded.value(run));
    rtl::dialogs::exceptionBox(message.isEmpty() ? kEnded.value(run) : message + QLatin1Char('\n') + kEnded.value(run));
}

void RadioBackup::endRun()
{
    m_run = Run::None;
    m_steps.clear();
    m_step = -1;
    m_restoring = RadioImage();
    m_progress.Button1->setEnabled(true);
    if (!m_main.link().exchangeRunning())
        m_progress.hide();
}

bool RadioBackup::awaiting(int group, bool write) const
{
    return running() && m_step >= 0 && m_step < m_steps.size() && m_steps[m_step].group == group
           && m_steps[m_step].write == write;
}

void RadioBackup::channelEnded(bool write)
{
    if (awaiting(0, write)) {
        nextStep();
        return;
    }
    if (running())
        return;
    // A completed write or a read of the radio ends what the last automatic backup was for.
    m_backupAwaitingWrite = false;
    if (write && verifyAction->isChecked())
        readBackAfter(0);
}

void RadioBackup::signallingEnded(int group, bool write, bool ok)
{
    if (awaiting(group, write)) {
        if (ok)
            nextStep();
        else
            fail(QString()); // the window has told why, or the user ended it
        return;
    }
    if (!running() && write && ok && verifyAction->isChecked())
        readBackAfter(group);
}

void RadioBackup::cancelled()
{
    if (!running())
        return;
    if (m_step >= 0 && m_step < m_steps.size() && m_steps[m_step].group > 0)
        if (SignallingWindow *window = m_windows.value(m_steps[m_step].group - 1))
            window->abortExchange();
    fail(QString());
}

bool RadioBackup::autoBackupFirst()
{
    // After a backup whose write did not complete, the radio may be half written: the backup
    // taken before it is the one worth keeping, so a retried write takes no new one.
    if (!autoBackupAction->isChecked() || m_backupAwaitingWrite || running())
        return false;
    start(Run::AutoBackup, {Step{0, false}});
    return true;
}

void RadioBackup::readBackAfter(int group)
{
    m_checkAgainst.clear();
    for (int key : blockGroups().at(group).keys)
        if (m_sent.contains(key))
            m_checkAgainst.insert(key, m_sent.value(key));
    start(Run::ReadBack, {Step{group, false}});
}

void RadioBackup::blockSent(QByteArrayView frame)
{
    if (frame.size() < frame::kAnswerLength)
        return;
    const int key = blockKey(quint8(frame[1]), quint8(frame[2]));
    const int group = groupOfType(quint8(frame[1]));
    if (group < 0)
        return;
    // A write starts with the group's first block: what an earlier write sent is gone.
    if (key == blockGroups().at(group).keys.first())
        for (int k : blockGroups().at(group).keys)
            m_sent.remove(k);
    m_sent.insert(key, frame.sliced(frame::kHeaderLength, frame::kPayloadLength).toByteArray());
    if (running() && group > 0)
        m_progress.ProgressBar1->setValue(m_progress.ProgressBar1->value() + 1);
}

void RadioBackup::blockReceived(QByteArrayView frame)
{
    if (!running() || frame.size() < frame::kAnswerLength)
        return;
    const int key = blockKey(quint8(frame[1]), quint8(frame[2]));
    const int group = groupOfType(quint8(frame[1]));
    if (group < 0 || !blockGroups().at(group).keys.contains(key))
        return;
    m_received.insert(key, frame.first(std::min<qsizetype>(frame.size(), RadioImage::kMaxFrame)).toByteArray());
    if (group > 0)
        m_progress.ProgressBar1->setValue(m_progress.ProgressBar1->value() + 1);
}

QByteArray RadioBackup::storedPayload(int blockType, int blockNumber) const
{
    return m_run == Run::Restore ? m_restoring.payload(blockKey(blockType, blockNumber)) : QByteArray();
}

RadioImage RadioBackup::receivedImage(const QList<int> &groups) const
{
    RadioImage image;
    image.readAt = m_startedAt;
    for (int g : groups)
        for (int key : blockGroups().at(g).keys)
            image.frames << m_received.value(key);
    return image;
}

QMap<int, QByteArray> RadioBackup::receivedPayloads(const QList<int> &groups) const
{
    QMap<int, QByteArray> out;
    for (int g : groups)
        for (int key : blockGroups().at(g).keys)
            if (m_received.contains(key))
                out.insert(key, m_received.value(key).mid(frame::kHeaderLength, frame::kPayloadLength));
    return out;
}

QString RadioBackup::missingBlocks(const QList<int> &groups) const
{
    QStringList missing;
    for (int g : groups)
        for (int key : blockGroups().at(g).keys)
            if (!m_received.contains(key))
                missing << QStringLiteral("%1/%2").arg(keyType(key)).arg(keyNumber(key));
    return missing.join(QStringLiteral("，"));
}

void RadioBackup::status(const QString &text)
{
    m_main.statusBar()->showMessage(text);
}
