// TReadThread: waits for the first byte without limit, then gathers until the line is quiet.
#include "serial/readthread.h"

#include "serial/commevent.h"
#include "serial/inputfilter.h"
#include "serial/posixport.h"
#include "serial/serialcomm.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <optional>
#include <poll.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// An interval of all ones means "no waiting once bytes are there".
constexpr std::uint32_t kNoInterval = 0xFFFFFFFFu;

int clampMs(std::int64_t ms)
{
    return int(std::clamp<std::int64_t>(ms, 0, INT_MAX));
}

} // namespace

TReadThread::TReadThread(int fd, int closeEvent, QObject *notifier, const ReadSettings &settings)
    : m_fd(fd), m_closeEvent(closeEvent), m_notifier(notifier), m_settings(settings),
      m_thread(&TReadThread::run, this)
{
}

TReadThread::~TReadThread()
{
    if (m_thread.joinable())
        m_thread.join();
}

void TReadThread::run()
{
    m_settings.gathering = false;
    InputFilter filter;
    posixport::ErrorCounts counts;
    const bool haveCounts = posixport::readErrorCounts(m_fd, &counts);

    QByteArray burst;
    int rawCount = 0; // bytes taken from the port for this burst, marks included
    int markedErrors = 0;
    Clock::time_point burstStarted;
    std::optional<Clock::time_point> deadline;
    char chunk[TComm::kReadBufferSize];

    const auto hangup = [this] { postCommEvent(m_notifier, TComm::kRequestHangupEvent); };

    // Posts the line errors and the bytes of the burst; false when a post fails.
    const auto deliver = [&]() -> bool {
        std::uint32_t flags = 0;
        posixport::ErrorCounts now;
        if (haveCounts && posixport::readErrorCounts(m_fd, &now)) {
            flags = posixport::errorFlags(counts, now);
            counts = now;
        }
        if (markedErrors > 0 && !(flags & (TComm::kErrParity | TComm::kErrFrame | TComm::kErrBreak)))
            flags |= TComm::kErrParity;
        bool ok = true;
        if (flags != 0)
            ok = postCommEvent(m_notifier, TComm::kReceiveErrorEvent, {}, flags);
        if (ok && !burst.isEmpty())
            ok = postCommEvent(m_notifier, TComm::kReceiveDataEvent, std::move(burst), 0, burstStarted);
        burst = QByteArray();
        m_settings.gathering = false;
        rawCount = 0;
        markedErrors = 0;
        deadline.reset();
        return ok;
    };

    for (;;) {
        const std::uint32_t interval = m_settings.intervalMs.load();
        const std::uint64_t total = std::uint64_t(m_settings.totalMultiplierMs.load()) * TComm::kReadBufferSize
                                    + m_settings.totalConstantMs.load();
        if (total > 0 && !deadline)
            deadline = Clock::now() + std::chrono::milliseconds(total);

        int timeout = -1;
        if (rawCount > 0 && interval != 0)
            timeout = interval == kNoInterval ? 0 : clampMs(interval);
        if (deadline) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - Clock::now());
            timeout = timeout < 0 ? clampMs(left.count()) : std::min(timeout, clampMs(left.count()));
        }

        pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_closeEvent, POLLIN, 0}};
        const int rc = ::poll(fds, 2, timeout);
        if (rc < 0) {
            if (errno == EINTR)
                continue;
            hangup();
            break;
        }
        if (fds[1].revents != 0)
            break; // closing: what is half gathered goes with the purge
        if (rc == 0) {
            // Quiet for the interval, or the total time is up. A total time-out with nothing
            // read just starts the next read: an idle line is no reason to stop receiving.
            if (rawCount > 0 && !deliver()) {
                hangup();
                break;
            }
            deadline.reset();
            continue;
        }
        if (fds[0].revents & POLLNVAL)
            break; // the port was closed under us: end quietly

        const ssize_t n = ::read(m_fd, chunk, std::size_t(TComm::kReadBufferSize - rawCount));
        if (n > 0) {
            if (rawCount == 0) {
                burstStarted = Clock::now();
                m_settings.gathering = true;
            }
            rawCount += int(n);
            const InputFilter::Options options{m_settings.ignoreNull.load(), m_settings.replaceErrors.load(),
                                               m_settings.replacement.load()};
            markedErrors += filter.feed(chunk, std::size_t(n), options, burst);
            if (rawCount >= TComm::kReadBufferSize && !deliver()) {
                hangup();
                break;
            }
            continue;
        }
        const int err = n < 0 ? errno : 0;
        if ((err == EINTR || err == EAGAIN) && !(fds[0].revents & (POLLHUP | POLLERR)))
            continue;
        if (err == EBADF)
            break;
        // End of file, EIO or a hang-up with nothing to read, or another failure: hand over
        // what came, then stop.
        deliver();
        hangup();
        break;
    }
    posixport::purge(m_fd, TCIFLUSH);
}
