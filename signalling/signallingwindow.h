// What the four signalling windows share: the read, write and close buttons, the progress bar,
// the watchdog and the handlers that run their block exchange with the radio.
#pragma once

#include "protocol/radiolink.h"
#include "signalling/blocklayout.h"
#include "signalling/blocktransfer.h"
#include "signalling/widgettexts.h"

#include <QList>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

class TCellGrid;

class SignallingWindow : public QWidget, public SignallingPeer {
    Q_OBJECT
public:
    SignallingWindow(RadioLink &link, const TransferPlan &plan, QWidget *parent = nullptr);

    QPushButton *rbtn = nullptr;
    QPushButton *wbtn = nullptr;
    QPushButton *Button3 = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    QTimer *Timer1 = nullptr; // the watchdog of a running exchange

    // Opens the port from the main window's port box when it is closed; set by the program.
    std::function<void()> ensurePortOpen;

    std::uint8_t blockType() const override { return m_transfer->plan().blockType; }
    bool readRunning() const override { return !rbtn->isEnabled(); }
    bool writeRunning() const override { return !wbtn->isEnabled(); }
    // The block counter of the running exchange.
    int blockCounter() const { return m_transfer->counter(); }

    void rbtnClick();
    void wbtnClick();
    void Button3Click();
    void Timer1Timer();
    void SendNextBlock() override;
    void ReceiveBlock() override;
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

    RadioLink &m_link;

private:
    // The buttons keep their place and size whether the progress bar shows or not.
    void keepButtonsInPlace();
    // A new exchange may start only while none runs, on an open port, with every edit committed.
    void prepareExchange();

    WidgetTexts m_texts;
    QList<TCellGrid *> m_grids;
    QWidget *m_bottomBar = nullptr;
    std::unique_ptr<BlockTransfer> m_transfer;
};
