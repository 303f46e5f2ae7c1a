// TReadThread: the receive thread that reads the port in bursts and posts each burst.
#pragma once

#include <QObject>
#include <atomic>
#include <cstdint>
#include <thread>

// Receive settings the GUI thread may change while the thread runs; read once per burst.
struct ReadSettings {
    std::atomic<std::uint32_t> intervalMs{100};
    std::atomic<std::uint32_t> totalMultiplierMs{0};
    std::atomic<std::uint32_t> totalConstantMs{0};
    std::atomic<bool> ignoreNull{false};
    std::atomic<bool> replaceErrors{false};
    std::atomic<std::uint8_t> replacement{0};
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
