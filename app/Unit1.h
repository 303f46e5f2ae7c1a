// TForm1: the main window: channel table, general settings, port box, read and write buttons,
// the menus, and the serial component with the resend timer.
#pragma once

#include "channels/channellint.h"
#include "channels/channeltable.h"
#include "channels/channeltexts.h"
#include "protocol/blocktransfer.h"
#include "protocol/radiolink.h"
#include "protocol/radiosession.h"
#include "protocol/transferview.h"
#include "rtl/dialogs.h"

#include <QComboBox>
#include <QFileDialog>
#include <QMainWindow>
#include <QPushButton>
#include <QTimer>
#include <QMap>
#include <array>
#include <functional>
#include <memory>
#include <optional>

class ChannelTransfer;
class PortDoctorWindow;
class PlanSheet;
class QAction;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QMenu;
class QUrl;
class TCellGrid;
class TComm;

class TForm1 : public QMainWindow, private TransferView {
    Q_OBJECT
public:
    static constexpr int kResendIntervalMs = RadioSession::kResendIntervalMs;
    static constexpr int kRecentFileCount = 8;
    // Why the 信令编辑 items wait, while they do.
    static inline const QString kSignallingWaits = QStringLiteral("先用读频或写频打开串口");

    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    // Controls, by their names in the program.
    TCellGrid *xg = nullptr;
    QComboBox *ComboBox1 = nullptr, *ComboBox2 = nullptr, *ComboBox3 = nullptr, *ComboBox4 = nullptr,
              *ComboBox5 = nullptr, *ComboBox6 = nullptr, *ComboBox7 = nullptr, *ComboBox8 = nullptr,
              *ComboBox9 = nullptr, *ComboBox10 = nullptr;
    QComboBox *comcbb = nullptr;
    QPushButton *wbtn = nullptr;
    QPushButton *rbtn = nullptr;
    TComm *Comm1 = nullptr;
    QTimer *Tim1 = nullptr;
    QMenu *fileMenu = nullptr; // 文件
    QAction *newAction = nullptr; // 新建 (Ctrl+N)
    QAction *N3 = nullptr;    // 打开 (Ctrl+O)
    QMenu *recentMenu = nullptr; // 最近打开的文件
    QAction *N5 = nullptr;    // 保存 (Ctrl+S)
    QAction *saveAsAction = nullptr; // 另存为 (Ctrl+Shift+S)
    QAction *N1 = nullptr;    // 退出 (Ctrl+Q)
    QAction *DTMF1 = nullptr; // DTMF
    QAction *N2tone1 = nullptr;
    QAction *N5TONE1 = nullptr;
    QAction *N4 = nullptr; // FSK 队列同步
    QAction *PortDoctor1 = nullptr; // 帮助 → 串口诊断
    QAction *aboutAction = nullptr; // 帮助 → 关于

    // The 帮助 menu, made on first use so that every feature adds to the one menu.
    QMenu *helpMenu();

    // ComboBox1…ComboBox10 by setting number 1…10.
    QComboBox *settingBox(int index) const;

    RadioLink &link() { return *m_link; }
    // The radio on the port box's port.
    RadioSession &session() { return *m_session; }
    // The channel read and write, whoever starts them.
    ChannelTransfer &channelTransfer() { return *m_channel; }
    // Starts a channel read (`payloads` empty) or a write of `payloads` for a run of the program's
    // own (a backup, a restore, a read-back): the progress window up, the port opened from the box.
    // `ended` hears the outcome; the port stays open.
    void runChannelTransfer(bool write, const QList<QByteArray> &payloads, BlockTransfer::EndHandler ended,
                            BlockTransfer::ProgressHandler progress = {});
    // Ends a running channel transfer without a word (the cancel action).
    void abortChannelTransfer();
    // Channel and settings frames read from the radio into the table, as one step named `what`.
    void applyRead(const QList<QByteArray> &frames, const QString &what);
    // Closes the port and gives the port box back.
    void closePort();

    // Takes the port name from the port box and opens it when the box says it is closed; true
    // when it opened it.
    bool openPortFromBox();
    // Ends an open cell edit exactly as Enter would, so its rules run before the table is used;
    // false when a rule failed (its message has been shown).
    bool commitOpenEdit();
    // Whether the last channel transfer the user started was a write (retry repeats it).
    bool lastTransferWasWrite() const { return m_lastTransferWasWrite; }
    ChannelTexts &texts() { return *m_texts; }
    // The port doctor window, made the first time it is asked for.
    PortDoctorWindow *portDoctor();
    // Shows the port doctor checking `port`.
    void showPortDoctor(const QString &port);
    // Undo, clipboard, CSV and printing of the channel plan.
    PlanSheet *sheet() const { return m_sheet; }
    // The program gives the window its sheet at start; the sheet takes itself back as it goes.
    void setSheet(PlanSheet *sheet) { m_sheet = sheet; }

    // Loads `file` as 打开 does once a file is chosen: the plan's own file from then on, and the
    // first of the recent files. A file that is not a plan throws and changes nothing.
    void openPlan(const QString &file);
    // The plans opened or saved lately, newest first, at most kRecentFileCount.
    QStringList recentFiles() const { return m_recentFiles; }
    // From now on the window's size and place and the recent files are kept between runs
    // (QSettings); restores what the last run left. The program calls it at start; tests that do
    // not call it leave the user's settings alone.
    void keepBetweenRuns();
    // Sizes and places the window inside the free part of its screen, frame and title bar
    // included; the table scrolls when the screen is too small for all of it.
    void fitIntoScreen();

    // Handlers.
    void FormCreate();
    void FormActivate();
    void wbtnClick();
    // The write itself, once the plan has been checked: handshake, then the blocks.
    void startChannelWrite();
    // After the radio was read for a write: the warnings held back with what the write changes
    // (when previewFollows said so), then the write. False when the user chose not to write.
    bool writeAfterRead(const QMap<int, QByteArray> &radio);
    void rbtnClick();
    void DTMF1Click();
    void N2tone1Click();
    void N5TONE1Click();
    void N4Click();
    void newClick();
    void N3Click();
    void N5Click();
    void saveAsClick();
    void N1Click();
    void PortDoctor1Click();
    void xgSetEditText(int ACol, int ARow, const QString &Value);
    void Comm1ReceiveData(const char *Buffer, std::uint16_t BufferLength);
    void Tim1Timer();

    // The file dialogs; tests replace them so that nothing modal opens.
    std::function<QString()> chooseOpenFile;
    std::function<QString()> chooseSaveFile;
    // Shows the plan's warnings with 写入 / 取消; true writes. Tests replace it.
    std::function<bool(const QList<PlanWarning> &)> confirmWarnings;
    // Runs once a write is confirmed; true when it takes the start over (to back the radio up
    // first) and calls startChannelWrite() itself.
    std::function<bool()> beforeChannelWrite;
    // True when the radio is read before the write (beforeChannelWrite takes the start over) and
    // the warnings wait to be shown with what the write changes, in one dialog after that read.
    std::function<bool()> previewFollows;
    // The warnings and what the write changes on `radio` (payloads by block key, as just read);
    // true writes.
    std::function<bool(const QList<PlanWarning> &warnings, const QMap<int, QByteArray> &radio)> confirmWrite;
    // Runs when a write the user started has been acknowledged whole; true when it tells the user
    // itself (the read-back check), else the window shows "写入成功".
    std::function<bool(const TransferOutcome &outcome)> afterChannelWrite;
    // Further ways out offered with the message of a write that stopped early (恢复写频前的备份).
    std::function<QList<rtl::dialogs::Action>(const TransferOutcome &outcome)> recoveryActions;

    bool channelReadRunning() const { return !rbtn->isEnabled(); }
    bool channelWriteRunning() const { return !wbtn->isEnabled(); }
    // Record `channel` of the table, or the settings, into the transfer buffer; the frame at the
    // start of the receive buffer into the table or the settings.
    void EncodeChannelRecord(int channel);
    void EncodeSettingsRecord();
    void DecodeMemoryBlock();

signals:
    void closed();
    // A channel read or write the user started has completed (the settings block decoded, the
    // last block acknowledged).
    void channelTransferEnded(bool write);
    // Blocks read from the radio are about to go into the table, and have gone in: one step to
    // undo, named `what`.
    void readApplying();
    void readApplied(const QString &what);
    void planLoaded(const QString &fileName);
    void planSaved(const QString &fileName);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void buildTable();
    void buildSettings(QWidget *area);
    void buildMenus();
    // A widget of this window itself, or a drop-down list of one; not a dialog or a box.
    bool ownsWidget(QObject *object) const;
    QString runPlanDialog(QFileDialog::AcceptMode mode);
    void savePlan(const QString &file);
    void noteRecentFile(const QString &file);
    void updateRecentMenu();
    // A dropped file: a plan opens as 打开 would, anything else is refused with a message.
    void openDropped(const QList<QUrl> &urls);
    void setSignallingMenuEnabled(bool enabled);
    // The common start of a channel transfer: progress window up, port open.
    void showProgressAndOpenPort();
    void showSignallingWindow(QWidget *window);
    // Throws when a read or write other than a restart of this kind of transfer runs.
    void refuseOtherExchange(bool write) const;
    void channelWriteEnded(const TransferOutcome &outcome);
    void channelReadEnded(const TransferOutcome &outcome);
    // The message of a channel transfer that stopped early, with its ways out.
    void tellInterrupted(const TransferOutcome &outcome);
    // The port went away under the program.
    void lineLost(bool exchangeRan);

    // TransferView: the buttons, and the progress window's bar.
    bool readRunning() const override { return channelReadRunning(); }
    bool writeRunning() const override { return channelWriteRunning(); }
    void setReadRunning(bool running) override { rbtn->setEnabled(!running); }
    void setWriteRunning(bool running) override { wbtn->setEnabled(!running); }
    void showProgress(int maximum, int value) override;
    int progress() const override;
    void setProgress(int value) override;
    void hideProgress() override;

    RadioSession *m_session = nullptr; // a child: it goes after the windows that watch it
    RadioLink *m_link = nullptr;
    ChannelTransfer *m_channel = nullptr;
    bool m_closing = false; // destroyed: a transfer that ends now tells nobody
    std::unique_ptr<ChannelTexts> m_texts;
    // The warnings of a write whose preview follows the read before it.
    std::optional<QList<PlanWarning>> m_heldWarnings;
    PlanSheet *m_sheet = nullptr;
    std::array<QComboBox *, kSettingCount> m_settingBoxes{}; // ComboBox1…ComboBox10
    bool m_lastTransferWasWrite = false;
    QMenu *m_helpMenu = nullptr;
    QMenu *m_signallingMenu = nullptr;
    PortDoctorWindow *m_portDoctor = nullptr;
    // The size the window asks for: the table's design size grown with its font.
    QSize m_preferredSize;
    QStringList m_recentFiles;
    bool m_keepBetweenRuns = false;
    bool m_framed = false; // the frame has been seen once since the window was first shown
};
