// CommEvent: what the port threads post to TComm's notifier on the GUI thread.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QByteArray>
#include <QObject>
#include <chrono>
#include <cstdint>
#include <new>

// The event owns its copy of the bytes, so a dropped or undelivered event frees it too.
class CommEvent : public QEvent {
public:
    CommEvent(int type, QByteArray bytes, std::uint32_t eventValue, std::chrono::steady_clock::time_point at)
        : QEvent(QEvent::Type(type)), data(std::move(bytes)), value(eventValue), arrivedAt(at)
    {
    }
    const QByteArray data;
    const std::uint32_t value;
    // When the first byte of a burst came off the line.
    const std::chrono::steady_clock::time_point arrivedAt;
};

// False when the event cannot be allocated; the caller then treats it as a hang-up.
inline bool postCommEvent(QObject *target, int type, QByteArray data = {}, std::uint32_t value = 0,
                          std::chrono::steady_clock::time_point at = {}) noexcept
{
    try {
        QCoreApplication::postEvent(target, new CommEvent(type, std::move(data), value, at));
        return true;
    } catch (const std::bad_alloc &) {
        return false;
    }
}
