// The radio dialogue: transfer buffer, receive buffers, block counters, resend timer and the
// receive dispatcher that drives every channel and signalling transfer.
#pragma once

#include "frames/frame.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>

class QTimer;
class TComm;

// What the dispatcher needs of a signalling window.
class SignallingPeer {
public:
    virtual ~SignallingPeer() = default;
    virtual std::uint8_t blockType() const = 0; // the data frames it reads
    virtual bool readRunning() const = 0;  // its rbtn is disabled
    virtual bool writeRunning() const = 0; // its wbtn is disabled
    virtual void SendNextBlock() = 0;
    virtual void ReceiveBlock() = 0;
};

// What the channel read and write steps need of the main window.
class ChannelHost {
public:
    virtual ~ChannelHost() = default;
    virtual bool channelReadRunning() const = 0;  // rbtn disabled
    virtual bool channelWriteRunning() const = 0; // wbtn disabled
    virtual void stepProgress() = 0;
    virtual void hideProgressBar() = 0;
    // The 18th acknowledge byte: bar hidden, wbtn enabled, progress window hidden, cancel action,
    // then "写入成功".
    virtual void finishChannelWrite() = 0;
    virtual void EncodeChannelRecord(int channel) = 0;
    virtual void EncodeSettingsRecord() = 0;
    // Decodes the frame at the start of the receive buffer; a settings block ends the read.
    virtual void DecodeMemoryBlock() = 0;
};

// Sees every block that goes to or comes from the radio, for backups and read-back checks, and
// may stand in stored blocks for the ones a write would encode.
class BlockObserver {
public:
    virtual ~BlockObserver() = default;
    // Bytes 0–31 of a block as it goes out.
    virtual void blockSent(QByteArrayView frame) = 0;
    // A data frame a transfer took, as received (32 to 34 bytes).
    virtual void blockReceived(QByteArrayView frame) = 0;
    // A run the program drives itself: answers are kept from the windows' texts and no transfer
    // shows its own success box.
    virtual bool drivesRun() const = 0;
    // The 28 payload bytes to write for (type, number) instead of encoding the texts; empty
    // when the texts are to be encoded.
    virtual QByteArray storedPayload(int blockType, int blockNumber) const = 0;
};

class RadioLink {
public:
    using Buffer = std::array<std::uint8_t, frame::kBufferSize>;

    // A split data frame is joined with the bursts that follow within this window, and the
    // bytes behind a handled answer are recognised as its tail for as long.
    static constexpr int kReassemblyWindowMs = 250;
    static constexpr int kSettingsRequestPauseMs = 2;

    RadioLink(TComm &comm, QTimer &resendTimer);

    void setHost(ChannelHost *host) { m_host = host; }
    void setObserver(BlockObserver *observer) { m_observer = observer; }
    BlockObserver *observer() const { return m_observer; }
    // Whether a run the program drives itself is under way (see BlockObserver::drivesRun).
    bool drivenRun() const { return m_observer && m_observer->drivesRun(); }
    // Bytes of the data frame being dispatched as they arrived (at most a whole frame).
    QByteArrayView lastAnswer() const;
    // The signalling windows in the order the dispatcher serves them: five-tone, two-tone, FSK,
    // DTMF.
    void setSignalling(QList<SignallingPeer *> peers) { m_peers = std::move(peers); }
    // Whether any read or write with the radio runs: a channel transfer or a signalling one.
    bool exchangeRunning() const;
    bool signallingRunning() const;
    // What the user is told when a second exchange would start while one runs.
    inline static const QString kBusyMessage = QStringLiteral("正在与电台交换数据，请等当前的读写结束后再试。");

    std::uint8_t *tx() { return m_transfer.data(); }
    const Buffer &transferBuffer() const { return m_transfer; }
    const Buffer &receiveBuffer() const { return m_receiveBuffer; }
    const Buffer &receiveArea() const { return m_receiveArea; }

    // During a channel write: acknowledge bytes so far. During a channel read: the block asked
    // for last; the two-tone and five-tone windows count their blocks in it too.
    int writeBlockCounter() const { return m_writeBlockCounter; }
    void setWriteBlockCounter(int n) { m_writeBlockCounter = n; }
    int readBlockCounter() const { return m_readBlockCounter; }
    void setReadBlockCounter(int n) { m_readBlockCounter = n; }

    void FillChecksum();
    // Hands `count` bytes of the transfer buffer to the port one byte per call; "发送失败!" once
    // when any was refused.
    void SendData(int count);
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

    // The blocking pause before the settings request; tests may replace it.
    std::function<void(int ms)> pause;

private:
    // Read request for (type, number) into bytes 0–3 of the transfer buffer.
    void putRequest(std::uint8_t blockType, std::uint8_t blockNumber);
    // Queues bytes one per call; "发送失败!" once when any was refused.
    void sendBytes(const std::uint8_t *bytes, int count);
    // Some window waits for data frames: only then are beginnings held and tails expected.
    bool dataFrameExpected() const;
    // Some window waits for an acknowledge byte: a burst that begins with one is theirs.
    bool ackAwaited() const;
    bool continuesPartial(QByteArrayView burst) const;
    void dispatchFrame(const QByteArray &chunk, bool expected);
    void dispatch(const QByteArray &chunk);
    void channelReadStep();
    void channelWriteStep();

    TComm &m_comm;
    QTimer &m_resend;
    ChannelHost *m_host = nullptr;
    BlockObserver *m_observer = nullptr;
    int m_chunkLength = 0; // of the chunk being dispatched
    QList<SignallingPeer *> m_peers;
    int m_writeBlockCounter = 0;
    int m_readBlockCounter = 0;
    Buffer m_transfer{};
    Buffer m_receiveBuffer{};
    Buffer m_receiveArea{};
    QByteArray m_partial;       // beginning of a data frame whose rest is still coming
    QElapsedTimer m_partialAge;
    int m_tailLeft = 0;         // bytes behind a handled answer that may still arrive
    QElapsedTimer m_tailAge;
};
