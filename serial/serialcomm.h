// TComm: the serial port component (line settings, open/close, queued writes, receive bursts).
#pragma once

#include "rtl/exception.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <chrono>
#include <optional>
#include <cstdint>
#include <functional>
#include <memory>

// Raised by OpenPort: one of its fixed texts, then a line naming the device and the reason.
class ECommsError : public rtl::Exception {
public:
    using rtl::Exception::Exception;
};

enum class TDtrControl { DtrEnable, DtrDisable, DtrHandshake };
enum class TRtsControl { RtsEnable, RtsDisable, RtsHandshake, RtsTransmissionAvailable };
enum class TByteSize { _5, _6, _7, _8 };
enum class TParity { None, Odd, Even, Mark, Space };
enum class TStopBits { _1, _1_5, _2 };

class TReadThread;
class TWriteThread;
class CommNotifier;
struct ReadSettings;

class TComm : public QObject {
    Q_OBJECT
public:
    // Notification event types posted by the threads to the GUI thread.
    static constexpr int kReceiveDataEvent = 1025;
    static constexpr int kReceiveErrorEvent = 1026;
    static constexpr int kRequestHangupEvent = 1027;
    static constexpr int kModemStateEvent = 1028;
    static constexpr int kSendEmptyEvent = 1029;

    // Line-error flags of OnReceiveError.
    static constexpr std::uint32_t kErrRxOver = 0x0001;
    static constexpr std::uint32_t kErrOverrun = 0x0002;
    static constexpr std::uint32_t kErrParity = 0x0004;
    static constexpr std::uint32_t kErrFrame = 0x0008;
    static constexpr std::uint32_t kErrBreak = 0x0010;

    static constexpr int kReadBufferSize = 2048;
    static constexpr int kQueueSize = 4096;

    explicit TComm(QObject *owner = nullptr);
    ~TComm() override; // closes a port left open, so no thread outlives the component

    // Device to open: a path when it contains '/', "COMn" → /dev/ttyUSB(n-1) or /dev/ttyS(n-1).
    QString CommName = QStringLiteral("COM2");

    // Line settings; a change while open applies the whole line state again.
    int BaudRate() const { return m_baudRate; }
    void setBaudRate(int v);
    bool ParityCheck() const { return m_parityCheck; }
    void setParityCheck(bool v);
    bool Outx_CtsFlow() const { return m_outxCtsFlow; }
    void setOutx_CtsFlow(bool v);
    bool Outx_DsrFlow() const { return m_outxDsrFlow; }
    void setOutx_DsrFlow(bool v);
    TDtrControl DtrControl() const { return m_dtrControl; }
    void setDtrControl(TDtrControl v);
    bool DsrSensitivity() const { return m_dsrSensitivity; }
    void setDsrSensitivity(bool v);
    bool TxContinueOnXoff() const { return m_txContinueOnXoff; }
    void setTxContinueOnXoff(bool v);
    bool Outx_XonXoffFlow() const { return m_outxXonXoffFlow; }
    void setOutx_XonXoffFlow(bool v);
    bool Inx_XonXoffFlow() const { return m_inxXonXoffFlow; }
    void setInx_XonXoffFlow(bool v);
    bool ReplaceWhenParityError() const { return m_replaceWhenParityError; }
    void setReplaceWhenParityError(bool v);
    bool IgnoreNullChar() const { return m_ignoreNullChar; }
    void setIgnoreNullChar(bool v);
    TRtsControl RtsControl() const { return m_rtsControl; }
    void setRtsControl(TRtsControl v);
    std::uint16_t XonLimit() const { return m_xonLimit; }
    void setXonLimit(std::uint16_t v);
    std::uint16_t XoffLimit() const { return m_xoffLimit; }
    void setXoffLimit(std::uint16_t v);
    TByteSize ByteSize() const { return m_byteSize; }
    void setByteSize(TByteSize v);
    TParity Parity() const { return m_parity; }
    void setParity(TParity v);
    TStopBits StopBits() const { return m_stopBits; }
    void setStopBits(TStopBits v);
    std::uint8_t XonChar() const { return m_xonChar; }
    void setXonChar(std::uint8_t v);
    std::uint8_t XoffChar() const { return m_xoffChar; }
    void setXoffChar(std::uint8_t v);
    std::uint8_t ReplacedChar() const { return m_replacedChar; }
    void setReplacedChar(std::uint8_t v);

    // Time-outs in ms; a change while open applies all five again.
    std::uint32_t ReadIntervalTimeout() const { return m_readIntervalTimeout; }
    void setReadIntervalTimeout(std::uint32_t v);
    std::uint32_t ReadTotalTimeoutMultiplier() const { return m_readTotalTimeoutMultiplier; }
    void setReadTotalTimeoutMultiplier(std::uint32_t v);
    std::uint32_t ReadTotalTimeoutConstant() const { return m_readTotalTimeoutConstant; }
    void setReadTotalTimeoutConstant(std::uint32_t v);
    std::uint32_t WriteTotalTimeoutMultiplier() const { return m_writeTotalTimeoutMultiplier; }
    void setWriteTotalTimeoutMultiplier(std::uint32_t v);
    std::uint32_t WriteTotalTimeoutConstant() const { return m_writeTotalTimeoutConstant; }
    void setWriteTotalTimeoutConstant(std::uint32_t v);

    // Throws ECommsError whose first line is "This serial port already opened", "Error opening
    // serial port", "File handle is not a comm handle ", "Cannot setup comm buffer", "Unable to
    // create event", "Unable to create read thread" or "Unable to create write thread"; the
    // second line names the device and the reason.
    void OpenPort();
    // Stops and joins both threads and closes the port; nothing when closed.
    void ClosePort();
    // Queues a copy for the transmit thread; false when closed, count 0 or the queue refuses.
    bool WriteData(const void *buffer, std::uint16_t count);

    bool isOpen() const;
    // Whether bytes are arriving that the receive thread has not handed over yet.
    bool receiving() const;
    // While OnReceiveData runs: when the burst's first byte came off the line.
    std::optional<std::chrono::steady_clock::time_point> burstArrivedAt() const { return m_burstArrivedAt; }
    // The device OpenPort opens for a port name; `root` stands for / when a fake tree is judged.
    static QString devicePath(const QString &commName, const QString &root = QStringLiteral("/"));

    // Events, all called on the GUI thread with this component as sender.
    std::function<void(TComm *sender, const char *buffer, std::uint16_t length)> OnReceiveData;
    std::function<void(TComm *sender, std::uint32_t eventMask)> OnReceiveError;
    std::function<void(TComm *sender, std::uint32_t modemEvent)> OnModemStateChange;
    std::function<void(TComm *sender)> OnRequestHangup;
    std::function<void(TComm *sender)> OnSendDataEmpty;

    // Most blocks one write thread holds before WriteData refuses more; keeps a stalled line
    // from growing the queue without bound.
    static constexpr int kMaxQueuedBlocks = 10000;

private:
    friend class CommNotifier;
    template <typename T>
    void setLineProperty(T &field, T value);
    void setTimeoutProperty(std::uint32_t &field, std::uint32_t value);
    void applyLineState();
    void applyReadSettings();
    void closeHandles();

    int m_fd = -1;
    std::optional<std::chrono::steady_clock::time_point> m_burstArrivedAt;
    QString m_openPath;
    int m_closeEvent = -1;
    // Whether OnSendDataEmpty is set, for the write thread: no handler, no wake-up per drain.
    std::atomic<bool> m_announceSendEmpty = false;
    std::unique_ptr<ReadSettings> m_readSettings;
    std::unique_ptr<TReadThread> m_readThread;
    std::unique_ptr<TWriteThread> m_writeThread;
    CommNotifier *m_notifier = nullptr;

    int m_baudRate = 9600;
    bool m_parityCheck = false;
    bool m_outxCtsFlow = false;
    bool m_outxDsrFlow = false;
    TDtrControl m_dtrControl = TDtrControl::DtrEnable;
    bool m_dsrSensitivity = false;
    bool m_txContinueOnXoff = true;
    bool m_outxXonXoffFlow = true;
    bool m_inxXonXoffFlow = true;
    bool m_replaceWhenParityError = false;
    bool m_ignoreNullChar = false;
    TRtsControl m_rtsControl = TRtsControl::RtsEnable;
    std::uint16_t m_xonLimit = 500;
    std::uint16_t m_xoffLimit = 500;
    TByteSize m_byteSize = TByteSize::_8;
    TParity m_parity = TParity::None;
    TStopBits m_stopBits = TStopBits::_1;
    std::uint8_t m_xonChar = 0x11;
    std::uint8_t m_xoffChar = 0x13;
    std::uint8_t m_replacedChar = 0x00;
    std::uint32_t m_readIntervalTimeout = 100;
    std::uint32_t m_readTotalTimeoutMultiplier = 0;
    std::uint32_t m_readTotalTimeoutConstant = 0;
    std::uint32_t m_writeTotalTimeoutMultiplier = 0;
    std::uint32_t m_writeTotalTimeoutConstant = 0;
};
