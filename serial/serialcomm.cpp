// TComm: opens the port, applies its line settings and runs the receive and transmit threads.
#include "serial/serialcomm.h"

#include "serial/commevent.h"
#include "serial/portfailure.h"
#include "serial/posixport.h"
#include "serial/readthread.h"
#include "serial/writethread.h"

#include "rtl/guard.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>
#include <exception>
#include <system_error>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Calls an event handler when one is set.
template <typename Handler, typename... Args>
void raise(const Handler &handler, Args... args)
{
    if (handler)
        handler(args...);
}

// The errno behind a failed thread start: std::thread reports it, an allocation has none.
int errorOf(const std::exception &e)
{
    const auto *system = dynamic_cast<const std::system_error *>(&e);
    return system ? system->code().value() : ENOMEM;
}

} // namespace

// The hidden receiver of the threads' events; raises the component's events on the GUI thread.
class CommNotifier : public QObject {
public:
    explicit CommNotifier(TComm *comm) : QObject(comm), m_comm(comm) {}

    bool event(QEvent *e) override
    {
        const int type = int(e->type());
        if (type < TComm::kReceiveDataEvent || type > TComm::kSendEmptyEvent)
            return QObject::event(e);
        const auto *ce = static_cast<CommEvent *>(e);
        TComm *comm = m_comm;
        // This is an entry point from the event loop: no exception may leave it.
        rtl::guard([&] {
            switch (type) {
            case TComm::kReceiveDataEvent: {
                comm->m_burstArrivedAt = ce->arrivedAt;
                struct Forget {
                    TComm *comm;
                    ~Forget() { comm->m_burstArrivedAt.reset(); }
                } forget{comm};
                return raise(comm->OnReceiveData, comm, ce->data.constData(), std::uint16_t(ce->data.size()));
            }
            case TComm::kReceiveErrorEvent:
                return raise(comm->OnReceiveError, comm, ce->value);
            case TComm::kRequestHangupEvent:
                return raise(comm->OnRequestHangup, comm);
            case TComm::kModemStateEvent:
                return raise(comm->OnModemStateChange, comm, ce->value);
            case TComm::kSendEmptyEvent:
                return raise(comm->OnSendDataEmpty, comm);
            }
        });
        return true;
    }

private:
    TComm *const m_comm;
};

TComm::TComm(QObject *owner)
    : QObject(owner), m_readSettings(std::make_unique<ReadSettings>()), m_notifier(new CommNotifier(this))
{
    applyReadSettings();
}

TComm::~TComm()
{
    ClosePort();
}

QString TComm::devicePath(const QString &commName, const QString &root)
{
    if (commName.contains(QLatin1Char('/')))
        return commName;
    static const QRegularExpression comN(QStringLiteral("^COM([1-9][0-9]{0,3})$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = comN.match(commName);
    if (m.hasMatch()) {
        const int index = m.captured(1).toInt() - 1;
        const QString usb = QStringLiteral("/dev/ttyUSB%1").arg(index);
        if (QFileInfo::exists(QDir(root).filePath(usb.mid(1))))
            return usb;
        return QStringLiteral("/dev/ttyS%1").arg(index);
    }
    if (commName.isEmpty())
        return QString();
    return QStringLiteral("/dev/") + commName;
}

bool TComm::isOpen() const
{
    return m_fd >= 0;
}

void TComm::OpenPort()
{
    // The fixed text stays the first line; the second says which device and why.
    const auto failure = [](const char *text, const QString &device, int error) {
        return ECommsError(QLatin1String(text) + QLatin1Char('\n') + portFailureReason(device, error));
    };
    if (m_fd >= 0)
        throw ECommsError(QStringLiteral("This serial port already opened\n%1 已由本程序打开，请先关闭它")
                              .arg(m_openPath));

    const QString path = devicePath(CommName);
    mode_t kind = 0;
    const int fd = posixport::openExclusive(path, &kind);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOTTY)
            throw ECommsError(QStringLiteral("File handle is not a comm handle \n") + notACommDevice(path, kind));
        if (error == ESTALE)
            throw failure("File handle is not a comm handle ", path, error);
        throw failure("Error opening serial port", path, error);
    }
    // The driver's queues have fixed sizes here; what must work is reading its settings.
    termios probe {};
    if (::tcgetattr(fd, &probe) != 0) {
        const int error = errno;
        posixport::closeDevice(fd);
        throw failure("Cannot setup comm buffer", path, error);
    }

    m_fd = fd;
    m_openPath = path;
    posixport::purge(m_fd, TCIOFLUSH);
    applyLineState();

    m_closeEvent = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_closeEvent < 0) {
        const int error = errno;
        closeHandles();
        throw failure("Unable to create event", path, error);
    }
    try {
        m_readThread = std::make_unique<TReadThread>(m_fd, m_closeEvent, m_notifier, *m_readSettings);
    } catch (const std::exception &e) {
        closeHandles();
        throw failure("Unable to create read thread", path, errorOf(e));
    }
    m_announceSendEmpty = bool(OnSendDataEmpty);
    try {
        m_writeThread = std::make_unique<TWriteThread>(m_fd, m_closeEvent, m_notifier, kMaxQueuedBlocks,
                                                       m_announceSendEmpty);
    } catch (const std::exception &e) {
        closeHandles();
        throw failure("Unable to create write thread", path, errorOf(e));
    }
}

void TComm::ClosePort()
{
    if (m_fd < 0)
        return;
    closeHandles();
}

// Stops whichever threads run, closes the close event and the port, and forgets both.
void TComm::closeHandles()
{
    if (m_closeEvent >= 0) {
        const std::uint64_t one = 1;
        posixport::retryOnEintr([&] { return ::write(m_closeEvent, &one, sizeof one); });
    }
    if (m_readThread) {
        posixport::purge(m_fd, TCIFLUSH);
        m_readThread.reset(); // joins
    }
    if (m_writeThread) {
        m_writeThread->stop();
        posixport::purge(m_fd, TCOFLUSH);
        m_writeThread.reset(); // joins
    }
    if (m_closeEvent >= 0) {
        ::close(m_closeEvent);
        m_closeEvent = -1;
    }
    posixport::closeDevice(m_fd);
    m_fd = -1;
    m_openPath.clear();
    // Bursts still queued belong to the closed session; a reopened port must not see them.
    QCoreApplication::removePostedEvents(m_notifier);
}

bool TComm::WriteData(const void *buffer, std::uint16_t count)
{
    if (!m_writeThread || count == 0 || buffer == nullptr)
        return false;
    // The handler may have been set or cleared since the last block; the next drain asks this.
    m_announceSendEmpty = bool(OnSendDataEmpty);
    return m_writeThread->enqueue(buffer, count);
}

void TComm::applyLineState()
{
    termios t {};
    if (::tcgetattr(m_fd, &t) != 0)
        return;
    ::cfmakeraw(&t);

    speed_t speed;
    if (posixport::speedFor(m_baudRate, &speed)) {
        ::cfsetispeed(&t, speed);
        ::cfsetospeed(&t, speed);
    }

    t.c_cflag &= ~tcflag_t(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    t.c_cflag |= CLOCAL | CREAD;
    static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    t.c_cflag |= kSizes[int(m_byteSize)];
    switch (m_parity) {
    case TParity::None: break;
    case TParity::Odd: t.c_cflag |= PARENB | PARODD; break;
    case TParity::Even: t.c_cflag |= PARENB; break;
    case TParity::Mark: t.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case TParity::Space: t.c_cflag |= PARENB | CMSPAR; break;
    }
    // The tty layer knows no 1.5 stop bits; two is the nearest it has.
    if (m_stopBits != TStopBits::_1)
        t.c_cflag |= CSTOPB;
    if (m_outxCtsFlow || m_rtsControl == TRtsControl::RtsHandshake)
        t.c_cflag |= CRTSCTS;

    // Bytes received in error are always marked, so the receive thread can tell them apart,
    // replace them when asked and report them.
    t.c_iflag &= ~tcflag_t(IXON | IXOFF | IXANY | INPCK | IGNPAR | IGNBRK | BRKINT | ISTRIP);
    t.c_iflag |= PARMRK;
    if (m_parityCheck)
        t.c_iflag |= INPCK;
    if (m_outxXonXoffFlow)
        t.c_iflag |= IXON;
    if (m_inxXonXoffFlow)
        t.c_iflag |= IXOFF;
    t.c_cc[VSTART] = cc_t(m_xonChar);
    t.c_cc[VSTOP] = cc_t(m_xoffChar);
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    // A setting the driver refuses leaves the line as it was, as a refused state always has.
    ::tcsetattr(m_fd, TCSANOW, &t);

    posixport::setModemLine(m_fd, TIOCM_DTR, m_dtrControl != TDtrControl::DtrDisable);
    posixport::setModemLine(m_fd, TIOCM_RTS, m_rtsControl != TRtsControl::RtsDisable);
}

// Kept current whether the port is open or not, so the receive thread starts with them.
void TComm::applyReadSettings()
{
    // The write time-outs have nothing to act on: a block is written whole however long it takes.
    m_readSettings->intervalMs = m_readIntervalTimeout;
    m_readSettings->totalMultiplierMs = m_readTotalTimeoutMultiplier;
    m_readSettings->totalConstantMs = m_readTotalTimeoutConstant;
    m_readSettings->ignoreNull = m_ignoreNullChar;
    m_readSettings->replaceErrors = m_parityCheck && m_replaceWhenParityError;
    m_readSettings->replacement = m_replacedChar;
}

template <typename T>
void TComm::setLineProperty(T &field, T value)
{
    if (field == value)
        return;
    field = value;
    applyReadSettings();
    if (m_fd >= 0)
        applyLineState();
}

void TComm::setTimeoutProperty(std::uint32_t &field, std::uint32_t value)
{
    if (field == value)
        return;
    field = value;
    applyReadSettings();
}

bool TComm::receiving() const
{
    return isOpen() && m_readSettings->gathering.load();
}

void TComm::setBaudRate(int v) { setLineProperty(m_baudRate, v); }
void TComm::setParityCheck(bool v) { setLineProperty(m_parityCheck, v); }
void TComm::setOutx_CtsFlow(bool v) { setLineProperty(m_outxCtsFlow, v); }
void TComm::setOutx_DsrFlow(bool v) { setLineProperty(m_outxDsrFlow, v); }
void TComm::setDtrControl(TDtrControl v) { setLineProperty(m_dtrControl, v); }
void TComm::setDsrSensitivity(bool v) { setLineProperty(m_dsrSensitivity, v); }
void TComm::setTxContinueOnXoff(bool v) { setLineProperty(m_txContinueOnXoff, v); }
void TComm::setOutx_XonXoffFlow(bool v) { setLineProperty(m_outxXonXoffFlow, v); }
void TComm::setInx_XonXoffFlow(bool v) { setLineProperty(m_inxXonXoffFlow, v); }
void TComm::setReplaceWhenParityError(bool v) { setLineProperty(m_replaceWhenParityError, v); }
void TComm::setIgnoreNullChar(bool v) { setLineProperty(m_ignoreNullChar, v); }
void TComm::setRtsControl(TRtsControl v) { setLineProperty(m_rtsControl, v); }
void TComm::setXonLimit(std::uint16_t v) { setLineProperty(m_xonLimit, v); }
void TComm::setXoffLimit(std::uint16_t v) { setLineProperty(m_xoffLimit, v); }
void TComm::setByteSize(TByteSize v) { setLineProperty(m_byteSize, v); }
void TComm::setParity(TParity v) { setLineProperty(m_parity, v); }
void TComm::setStopBits(TStopBits v) { setLineProperty(m_stopBits, v); }
void TComm::setXonChar(std::uint8_t v) { setLineProperty(m_xonChar, v); }
void TComm::setXoffChar(std::uint8_t v) { setLineProperty(m_xoffChar, v); }
void TComm::setReplacedChar(std::uint8_t v) { setLineProperty(m_replacedChar, v); }

void TComm::setReadIntervalTimeout(std::uint32_t v) { setTimeoutProperty(m_readIntervalTimeout, v); }
void TComm::setReadTotalTimeoutMultiplier(std::uint32_t v) { setTimeoutProperty(m_readTotalTimeoutMultiplier, v); }
void TComm::setReadTotalTimeoutConstant(std::uint32_t v) { setTimeoutProperty(m_readTotalTimeoutConstant, v); }
void TComm::setWriteTotalTimeoutMultiplier(std::uint32_t v) { setTimeoutProperty(m_writeTotalTimeoutMultiplier, v); }
void TComm::setWriteTotalTimeoutConstant(std::uint32_t v) { setTimeoutProperty(m_writeTotalTimeoutConstant, v); }
