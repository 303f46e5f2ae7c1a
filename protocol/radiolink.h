// The radio dialogue: transfer buffer, receive buffers, block counters, resend timer and the
// receive dispatcher that hands every answer to the transfer that runs.
#pragma once

#include "frames/frame.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>

class BlockTransfer;
class QTimer;
class TComm;

class RadioLink {
public:
    using Buffer = std::array<std::uint8_t, frame::kBufferSize>;

    // A split data frame is joined with the bursts that follow within this window, and the
    // bytes behind a handled answer are recognised as its tail for as long.
    static constexpr int kReassemblyWindowMs = 250;
    static constexpr int kSettingsRequestPauseMs = 2;

    RadioLink(TComm &comm, QTimer &resendTimer);

    // Transfers register themselves as they are made; the dispatcher serves them in that order.
    void addTransfer(BlockTransfer *transfer);
    void removeTransfer(BlockTransfer *transfer);
    // Whether any read or write with the radio runs.
    bool exchangeRunning() const;
    // Whether one runs other than `except`.
    bool otherExchangeRunning(const BlockTransfer *except) const;
    // What the user is told when a second exchange would start while one runs.
    inline static const QString kBusyMessage = QStringLiteral("正在与电台交换数据，请等当前的读写结束后再试。");

    // The port went away: every running transfer ends with the line lost.
    void lineLost();
    // The port was closed: what was learned about the radio's answers is forgotten.
    void portClosed();

    std::uint8_t *tx() { return m_transfer.data(); }
    const Buffer &transferBuffer() const { return m_transfer; }
    const Buffer &receiveBuffer() const { return m_receiveBuffer; }
    const Buffer &receiveArea() const { return m_receiveArea; }
    // Bytes of the data frame being dispatched as they arrived (at most a whole frame).
    QByteArrayView lastAnswer() const;
    // When the chunk being dispatched came off the line.
    std::chrono::steady_clock::time_point answerArrivedAt() const { return m_arrivedAt; }

    // During a channel write: the frame sent last (0 the handshake). During a channel read: the
    // request sent last; the two-tone and five-tone windows count their blocks in it too.
    int writeBlockCounter() const { return m_writeBlockCounter; }
    void setWriteBlockCounter(int n) { m_writeBlockCounter = n; }
    int readBlockCounter() const { return m_readBlockCounter; }
    void setReadBlockCounter(int n) { m_readBlockCounter = n; }

    void FillChecksum();
    // Hands `count` bytes of the transfer buffer to the port one byte per call; "发送失败!" once
    // when any was refused.
    void SendData(int count);
    // A tick of the resend timer: the running transfer says whether its frame goes out again.
    void Tim1Timer();
    // Receive event of the serial component: joins a data frame split over bursts, drops the
    // tail of an answer already handled, and dispatches one chunk per frame.
    void Comm1ReceiveData(const char *buffer, std::uint16_t length);
    // Forgets a held frame beginning and an expected tail; every transfer start, cancel and
    // port close calls it, so nothing of an earlier session is glued onto the next.
    void clearReceiveState();
    bool holdsPartialFrame() const { return !m_partial.isEmpty(); }

    // "PROGRAM" into bytes 0–6, checksum, sent.
    void sendHandshake();
    // Read request for (type, number) into bytes 0–3 and sent.
    void sendRequest(std::uint8_t blockType, std::uint8_t blockNumber);
    // Resend timer: enabling a running timer leaves its period alone.
    void enableResend();
    void stopResend();
    int resendInterval() const;
    // Time the line takes to carry `bytes` at the port's speed, rounded down.
    int lineTimeMs(int bytes) const;

    // The blocking pause before the settings request; tests may replace it.
    std::function<void(int ms)> pause;

private:
    // Read request for (type, number) into bytes 0–3 of the transfer buffer.
    void putRequest(std::uint8_t blockType, std::uint8_t blockNumber);
    // Queues bytes one per call; "发送失败!" once when any was refused.
    void sendBytes(const std::uint8_t *bytes, int count);
    BlockTransfer *runningTransfer() const;
    // Some transfer waits for data frames: only then are beginnings held and tails expected.
    bool dataFrameExpected() const;
    // Some transfer waits for an acknowledge byte: a burst that begins with one is theirs.
    bool ackAwaited() const;
    bool continuesPartial(QByteArrayView burst) const;
    // What Comm1ReceiveData does with a burst once it is stamped.
    void receive(QByteArrayView burst);
    // Bytes an answer beginning like `bytes` needs before it is whole.
    int answerLength(QByteArrayView bytes) const;
    void dispatchFrame(const QByteArray &chunk, bool expected);
    void dispatch(const QByteArray &chunk);

    TComm &m_comm;
    QTimer &m_resend;
    QList<BlockTransfer *> m_transfers;
    int m_chunkLength = 0; // of the chunk being dispatched
    std::chrono::steady_clock::time_point m_arrivedAt;
    int m_writeBlockCounter = 0;
    int m_readBlockCounter = 0;
    Buffer m_transfer{};
    Buffer m_receiveBuffer{};
    Buffer m_receiveArea{};
    QByteArray m_partial;       // beginning of a data frame whose rest is still coming
    QElapsedTimer m_partialAge;
    int m_tailLeft = 0;         // bytes behind a handled answer that may still arrive
    QElapsedTimer m_tailAge;
    // The radio has sent its answers with their checksum: one that stops short is not yet whole.
    bool m_answersCarryChecksum = false;
};
