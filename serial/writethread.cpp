// TWriteThread: takes blocks from its queue in call order and writes them whole.
#include "serial/writethread.h"

#include "serial/commevent.h"
#include "serial/posixport.h"
#include "serial/serialcomm.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

TWriteThread::TWriteThread(int fd, int closeEvent, QObject *notifier, int maxQueuedBlocks,
                           const std::atomic<bool> &announceEmpty)
    : m_fd(fd), m_closeEvent(closeEvent), m_notifier(notifier), m_maxQueuedBlocks(maxQueuedBlocks),
      m_announceEmpty(announceEmpty), m_thread(&TWriteThread::run, this)
{
}

TWriteThread::~TWriteThread()
{
    stop();
    if (m_thread.joinable())
        m_thread.join();
}

bool TWriteThread::enqueue(const void *buffer, std::uint16_t count)
{
    QByteArray copy(static_cast<const char *>(buffer), count);
    std::lock_guard lock(m_mutex);
    if (m_stop || int(m_queue.size()) >= m_maxQueuedBlocks)
        return false;
    m_queue.push_back(std::move(copy));
    m_wake.notify_one();
    return true;
}

void TWriteThread::stop()
{
    std::lock_guard lock(m_mutex);
    m_stop = true;
    m_wake.notify_one();
}

void TWriteThread::run()
{
    bool emptyAnnounced = false;
    for (;;) {
        std::unique_lock lock(m_mutex);
        if (m_stop)
            break;
        if (m_queue.empty()) {
            if (!emptyAnnounced) {
                emptyAnnounced = true;
                if (!m_announceEmpty)
                    continue;
                lock.unlock();
                if (!postCommEvent(m_notifier, TComm::kSendEmptyEvent)) {
                    postCommEvent(m_notifier, TComm::kRequestHangupEvent);
                    break;
                }
                continue;
            }
            m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
            continue;
        }
        // Everything queued goes out in one write: a frame handed over byte by byte reaches the
        // line without gaps even when this thread is scheduled late.
        QByteArray block = std::move(m_queue.front());
        m_queue.pop_front();
        while (!m_queue.empty()) {
            block += m_queue.front();
            m_queue.pop_front();
        }
        lock.unlock();

        const WriteResult result = writeWhole(block);
        if (result == WriteResult::Failed)
            postCommEvent(m_notifier, TComm::kRequestHangupEvent);
        if (result != WriteResult::Written)
            break;
        emptyAnnounced = false;
    }
    {
        std::lock_guard lock(m_mutex);
        m_stop = true; // also when the thread ends by itself: from now on enqueue refuses
        m_queue.clear();
    }
    posixport::purge(m_fd, TCOFLUSH);
}

TWriteThread::WriteResult TWriteThread::writeWhole(const QByteArray &block)
{
    qsizetype done = 0;
    while (done < block.size()) {
        const ssize_t n = ::write(m_fd, block.constData() + done, std::size_t(block.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EBADF)
            return WriteResult::Quiet;
        if (n < 0 && errno != EAGAIN)
            return WriteResult::Failed;

        // The driver queue is full: wait for room or for the port to close.
        pollfd fds[2] = {{m_fd, POLLOUT, 0}, {m_closeEvent, POLLIN, 0}};
        const int rc = ::poll(fds, 2, -1);
        if (rc < 0) {
            if (errno == EINTR)
                continue;
            return WriteResult::Failed;
        }
        if (fds[1].revents != 0 || (fds[0].revents & POLLNVAL))
            return WriteResult::Quiet;
        if ((fds[0].revents & (POLLERR | POLLHUP)) && !(fds[0].revents & POLLOUT))
            return WriteResult::Failed;
    }
    return WriteResult::Written;
}
