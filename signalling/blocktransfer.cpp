// The block exchange every signalling window runs.
#include "signalling/blocktransfer.h"

#include "frames/frame.h"
#include "protocol/radiolink.h"
#include "rtl/dialogs.h"

#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cstring>

using namespace frame;

namespace {

const QString kReadStopped =
    QStringLiteral("电台停止应答：读取在第 %1 块（共 %2 块）处中断。请检查写频线和电台后重新读取。");
const QString kWriteStopped = QStringLiteral(
    "电台停止应答：写入在第 %1 块（共 %2 块）处中断。电台中的设置可能只写入了一部分，请重新写入。");

} // namespace

BlockTransfer::BlockTransfer(RadioLink &link, const TransferPlan &plan, QPushButton *rbtn, QPushButton *wbtn,
                             QProgressBar *bar, QTimer *watchdog)
    : m_link(link), m_plan(plan), m_rbtn(rbtn), m_wbtn(wbtn), m_bar(bar), m_watchdog(watchdog)
{
    m_watchdog->setInterval(kWatchdogMs);
    m_watchdog->setSingleShot(true);
}

int BlockTransfer::counter() const
{
    return m_plan.sharedCounter ? m_link.readBlockCounter() : m_ownCounter;
}

void BlockTransfer::setCounter(int n)
{
    if (m_plan.sharedCounter)
        m_link.setReadBlockCounter(n);
    else
        m_ownCounter = n;
}

void BlockTransfer::restartWatchdog()
{
    m_watchdog->start(); // each answer that moves the exchange on gives it 10 s again
}

void BlockTransfer::resendAfterSilence()
{
    // The resend counts from the last frame sent, so it fires only when the radio is silent. A
    // timer left running from the start would resend frames the radio is still answering, and the
    // radio's answers to both would be taken for answers to the next frame.
    m_link.stopResend();
    m_link.enableResend();
}

void BlockTransfer::stepBar()
{
    m_bar->setValue(std::min(m_bar->value() + 1, m_bar->maximum()));
}

void BlockTransfer::startRead()
{
    m_notes.clear();
    restartWatchdog();
    m_rbtn->setEnabled(false);
    setCounter(0);
    m_bar->setRange(0, m_plan.readProgressMaximum);
    m_bar->setValue(1);
    m_bar->show();
    m_link.sendRequest(m_plan.blockType, 0);
    resendAfterSilence();
}

void BlockTransfer::received(const std::function<QStringList(int, const std::uint8_t *)> &decode)
{
    const std::uint8_t *frame = m_link.receiveArea().data();
    const int block = frame[2];
    // A block the window has no place for, or (counting answers) one it did not ask for, is not
    // taken: the resend asks again. Counting a repeated answer would skip a block.
    if (block >= m_plan.blockCount || (!m_plan.nextFromAnswer && block != counter()))
        return;
    if (BlockObserver *observer = m_link.observer())
        observer->blockReceived(m_link.lastAnswer());
    // A run the program drives keeps the answers only; the window's texts stay as they are.
    if (!m_link.drivenRun())
        m_notes << decode(block, frame + kHeaderLength);
    stepBar();
    setCounter(m_plan.nextFromAnswer ? block + 1 : counter() + 1);
    if (counter() == m_plan.blockCount) {
        end();
        m_rbtn->setEnabled(true);
        if (!m_notes.isEmpty())
            rtl::dialogs::infoBox(m_notes.join(QLatin1Char('\n')));
        if (onEnded)
            onEnded(false, true);
        return;
    }
    restartWatchdog();
    m_link.sendRequest(m_plan.blockType, static_cast<std::uint8_t>(counter()));
    resendAfterSilence();
}

void BlockTransfer::startWrite(const QList<QByteArray> &payloads)
{
    m_payloads = payloads;
    restartWatchdog();
    m_wbtn->setEnabled(false);
    setCounter(0);
    m_bar->setRange(0, m_plan.writeProgressMaximum);
    m_bar->setValue(1);
    m_bar->show();
    sendBlock(0);
}

void BlockTransfer::sendBlock(int n)
{
    std::uint8_t *tx = m_link.tx();
    std::memset(tx, 0, kEncoderSpan);
    const QByteArray &payload = m_payloads.at(n);
    if (m_plan.splitFrames) {
        if (BlockObserver *observer = m_link.observer()) {
            QByteArray sent(kAnswerLength, '\0');
            writeHeader(reinterpret_cast<std::uint8_t *>(sent.data()), kData, m_plan.blockType, n);
            sent.replace(kHeaderLength, kPayloadLength, payload);
            observer->blockSent(sent);
        }
        writeHeader(tx, kData, m_plan.blockType, n);
        m_link.SendData(kHeaderLength);
        std::memcpy(tx, payload.constData(), kPayloadLength);
        m_link.SendData(kPayloadLength);
        return;
    }
    writeHeader(tx, kData, m_plan.blockType, n);
    std::memcpy(tx + kHeaderLength, payload.constData(), kPayloadLength);
    if (BlockObserver *observer = m_link.observer())
        observer->blockSent(QByteArrayView(tx, kAnswerLength));
    m_link.FillChecksum();
    m_link.SendData(kFrameLength);
    if (m_plan.resendOnWrite)
        resendAfterSilence();
}

void BlockTransfer::acknowledged()
{
    // Success only once the radio has taken the last block.
    if (counter() >= m_plan.blockCount - 1) {
        end();
        m_wbtn->setEnabled(true);
        if (!m_link.drivenRun())
            rtl::dialogs::infoBox(QStringLiteral("写入成功"));
        if (onEnded)
            onEnded(true, true);
        return;
    }
    setCounter(counter() + 1);
    sendBlock(counter());
    stepBar();
    restartWatchdog();
}

void BlockTransfer::watchdogExpired()
{
    const bool writing = !m_wbtn->isEnabled();
    const bool reading = !m_rbtn->isEnabled();
    if (!writing && !reading)
        return;
    const int block = counter() + 1;
    end();
    m_rbtn->setEnabled(true);
    m_wbtn->setEnabled(true);
    rtl::dialogs::exceptionBox((writing ? kWriteStopped : kReadStopped).arg(block).arg(m_plan.blockCount));
    if (onEnded)
        onEnded(writing, false);
}

void BlockTransfer::abort()
{
    if (m_rbtn->isEnabled() && m_wbtn->isEnabled())
        return;
    const bool writing = !m_wbtn->isEnabled();
    end();
    m_rbtn->setEnabled(true);
    m_wbtn->setEnabled(true);
    if (onEnded)
        onEnded(writing, false);
}

void BlockTransfer::end()
{
    m_link.stopResend();
    m_watchdog->stop();
    m_bar->hide();
    setCounter(0);
    m_payloads.clear();
}
