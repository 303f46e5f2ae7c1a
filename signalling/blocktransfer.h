// One read or write of a signalling window's blocks: the requests and frames in order, the block
// counter, the progress bar, the resend timer and the watchdog that ends a silent exchange.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

class QProgressBar;
class QPushButton;
class QTimer;
class RadioLink;

// What sets one window's transfers apart from another's.
struct TransferPlan {
    std::uint8_t blockType = 0;
    int blockCount = 0;
    // Next request: the answer's block number + 1 (else the count of answers so far).
    bool nextFromAnswer = false;
    // The window counts its blocks in the main window's read block counter (else in its own).
    bool sharedCounter = false;
    // Frames go out as the 4 header bytes, then the 28 payload bytes, without checksum.
    bool splitFrames = false;
    bool resendOnWrite = true;
    int readProgressMaximum = 0;
    int writeProgressMaximum = 0;
};

class BlockTransfer {
public:
    static constexpr int kWatchdogMs = 10000;

    BlockTransfer(RadioLink &link, const TransferPlan &plan, QPushButton *rbtn, QPushButton *wbtn,
                  QProgressBar *bar, QTimer *watchdog);

    const TransferPlan &plan() const { return m_plan; }
    int counter() const;

    // Asks for block 0; each answer brings the next request.
    void startRead();
    // Sends block 0 of `payloads` (28 bytes each, every block already encoded); each
    // acknowledgement brings the next block, the last one ends the write with "写入成功".
    void startWrite(const QList<QByteArray> &payloads);
    // A data frame of the window's block type during its read; `decode` shows block b and
    // returns notes to tell once the read is done.
    void received(const std::function<QStringList(int block, const std::uint8_t *payload)> &decode);
    void acknowledged();
    // The radio fell silent: the exchange ends with a message.
    void watchdogExpired();
    // The window closes: a running exchange ends without a message.
    void abort();

    // Called once an exchange has ended: whether it was a write, whether it completed.
    std::function<void(bool write, bool ok)> onEnded;

private:
    void setCounter(int n);
    void sendBlock(int n);
    void restartWatchdog();
    void resendAfterSilence();
    void stepBar();
    void end();

    RadioLink &m_link;
    TransferPlan m_plan;
    QPushButton *m_rbtn;
    QPushButton *m_wbtn;
    QProgressBar *m_bar;
    QTimer *m_watchdog;
    int m_ownCounter = 0;
    QList<QByteArray> m_payloads;
    QStringList m_notes;
};
