// CommEvent: what the port threads post to TComm's notifier on the GUI thread.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QByteArray>
#include <QObject>
#include <cstdint>
#include <new>

// The event owns its copy of the bytes, so a dropped or undelivered event frees it too.
class CommEvent : public QEvent {
public:
    CommEvent(int type, QByteArray bytes, std::uint32_t eventValue)
        : QEvent(QEvent::Type(type)), data(std::move(bytes)), value(eventValue)
    {
    }
    const QByteArray data;
    const std::uint32_t value;
};

// False when the event cannot be allocated; the caller then treats it as a hang-up.
inline bool postCommEvent(QObject *target, int type, QByteArray data = {}, std::uint32_t value = 0) noexcept
{
    try {
        QCoreApplication::postEvent(target, new CommEvent(type, std::move(data), value));
        return true;
    } catch (const std::bad_alloc &) {
        return false;
    }
}
