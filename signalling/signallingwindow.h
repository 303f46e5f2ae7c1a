// What the four signalling windows share: the read, write and close buttons, the progress bar,
// the watchdog and the handlers that run their block exchange with the radio.
#pragma once

#include "protocol/blocktransfer.h"
#include "protocol/radiolink.h"
#include "protocol/radiosession.h"
#include "protocol/transferview.h"
#include "layouts/blocklayout.h"
#include "signalling/widgettexts.h"

#include <QList>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

class TCellGrid;

class SignallingWindow : public QWidget, private TransferView {
    Q_OBJECT
public:
    // The window of block group `group` (groups::kDtmf …) of the session's radio.
    SignallingWindow(RadioSession &session, int group, QWidget *parent = nullptr);
    ~SignallingWindow() override;

    QPushButton *rbtn = nullptr;
    QPushButton *wbtn = nullptr;
    QPushButton *Button3 = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    QTimer *Timer1 = nullptr; // the watchdog of a running exchange: the transfer's own

    // Opens the port from the main window's port box when it is closed; set by the program.
    std::function<void()> ensurePortOpen;
    // Runs when a write the user started has been acknowledged whole; true when it tells the
    // user itself (the read-back check), else the window shows "写入成功". Set by the program.
    std::function<bool(SignallingWindow &window, const TransferOutcome &outcome)> afterWrite;

    std::uint8_t blockType() const { return m_transfer->plan().blocks.first().type; }
    int blockCount() const { return int(m_transfer->plan().blocks.size()); }
    int group() const { return m_group; }
    bool readRunning() const override { return !rbtn->isEnabled(); }
    bool writeRunning() const override { return !wbtn->isEnabled(); }
    // The block counter of the running exchange.
    int blockCounter() const { return m_transfer->counter(); }
    // The window's own read and write; the backup runs it too.
    BlockTransfer &transfer() { return *m_transfer; }

    // The payloads of every block, encoded from the window's texts; throws the first field that
    // does not encode.
    QList<QByteArray> encodeBlocks();
    // Shows blocks read from the radio (28-byte payloads by block number); returns the notes of
    // values the window could not show.
    QStringList decodeBlocks(const QList<QByteArray> &payloads);
    // The field table of each block, in block order.
    BlockLayout layout() const { return blockLayout(); }
    // Every field's text, block by block in table order: what a read sets and a write sends.
    QStringList fieldTexts() const;

    void rbtnClick();
    void wbtnClick();
    void Button3Click();
    void Timer1Timer();
    // The dispatcher's steps for this window: an acknowledgement, a data frame of its type.
    void SendNextBlock();
    void ReceiveBlock();
    // Ends a running exchange without a message, the window staying as it is.
    void abortExchange();

    // The texts of the window's controls, as its block layout names them.
    SignallingTexts &texts() { return m_texts; }

signals:
    // A read or write of this window's blocks has ended, completed or not.
    void exchangeEnded(bool write, bool ok);

protected:
    // The field table of each block, in block order.
    virtual BlockLayout blockLayout() const = 0;
    // Checks a write needs beyond the encoding itself; throws to refuse it.
    virtual void checkBeforeWrite() const {}

    // Registers a control or table under the name the layout uses.
    void addText(const QString &name, QWidget *widget);
    // The progress bar and the three buttons, for the window's layout to place at its bottom.
    QWidget *bottomBar() const { return m_bottomBar; }

    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

    RadioSession &m_session;
    RadioLink &m_link;

private:
    // The buttons keep their place and size whether the progress bar shows or not.
    void keepButtonsInPlace();
    // A new exchange may start only while none runs, on an open port, with every edit committed.
    void prepareExchange();
    void readEnded(const TransferOutcome &outcome);
    void writeEnded(const TransferOutcome &outcome);
    // The message of a run that stopped early, with 重试.
    void tellInterrupted(const TransferOutcome &outcome);

    // TransferView: the buttons and the progress bar.
    void setReadRunning(bool running) override { rbtn->setEnabled(!running); }
    void setWriteRunning(bool running) override { wbtn->setEnabled(!running); }
    void showProgress(int maximum, int value) override;
    int progress() const override { return ProgressBar1->value(); }
    void setProgress(int value) override { ProgressBar1->setValue(value); }
    void hideProgress() override { ProgressBar1->hide(); }

    int m_group;
    bool m_closing = false; // destroyed: an exchange that ends now tells nobody
    WidgetTexts m_texts;
    QList<TCellGrid *> m_grids;
    QWidget *m_bottomBar = nullptr;
    BlockTransfer *m_transfer;
};
