// TWriteThread: the transmit thread that writes queued blocks whole, in the order queued.
#pragma once

#include <QByteArray>
#include <QObject>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

class TWriteThread {
public:
    // Starts at once; throws std::system_error when no thread can be had. The queue-empty
    // event is posted only while `announceEmpty` holds.
    TWriteThread(int fd, int closeEvent, QObject *notifier, int maxQueuedBlocks,
                 const std::atomic<bool> &announceEmpty);
    ~TWriteThread(); // stops and joins
    TWriteThread(const TWriteThread &) = delete;
    TWriteThread &operator=(const TWriteThread &) = delete;

    // Queues a copy; false once the thread has ended or the queue is full.
    bool enqueue(const void *buffer, std::uint16_t count);
    // Wakes the thread to end; blocks not yet written are dropped.
    void stop();

private:
    enum class WriteResult { Written, Quiet, Failed };
    void run();
    WriteResult writeWhole(const QByteArray &block);

    const int m_fd;
    const int m_closeEvent;
    QObject *const m_notifier;
    const int m_maxQueuedBlocks;
    const std::atomic<bool> &m_announceEmpty;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<QByteArray> m_queue;
    bool m_stop = false; // asked to stop or ended; enqueue refuses

    std::thread m_thread; // last: starts once the members above are set
};
