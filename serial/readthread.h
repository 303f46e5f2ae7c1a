// TReadThread: the receive thread that reads the port in bursts and posts each burst.
#pragma once

#include <QObject>
#include <atomic>
#include <cstdint>
#include <thread>

// Receive settings the GUI thread may change while the thread runs; read before each wait
// and each read. TComm fills them from its properties.
struct ReadSettings {
    std::atomic<std::uint32_t> intervalMs;
    std::atomic<std::uint32_t> totalMultiplierMs;
    std::atomic<std::uint32_t> totalConstantMs;
    std::atomic<bool> ignoreNull;
    std::atomic<bool> replaceErrors;
    std::atomic<std::uint8_t> replacement;
    // Set by the receive thread while it gathers a burst it has not handed over yet.
    mutable std::atomic<bool> gathering{false};
};

class TReadThread {
public:
    // Starts at once; throws std::system_error when no thread can be had.
    TReadThread(int fd, int closeEvent, QObject *notifier, const ReadSettings &settings);
    ~TReadThread(); // joins; the close event must be signalled first
    TReadThread(const TReadThread &) = delete;
    TReadThread &operator=(const TReadThread &) = delete;

private:
    void run();

    const int m_fd;
    const int m_closeEvent;
    QObject *const m_notifier;
    const ReadSettings &m_settings;
    std::thread m_thread; // last: starts once the members above are set
};
