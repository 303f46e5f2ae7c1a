// Helpers shared by the main window's end-to-end tests: bytes on the line and what the
// simulated radio made of them.
#pragma once

#include "frames/frame.h"
#include "tools/radiosim/radiosim.h"

#include <QByteArray>
#include <QList>
#include <initializer_list>

inline QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

// A written frame as the radio must see it: bytes 0–31 and the checksum, high byte first.
inline QByteArray withChecksum(const QByteArray &frame32)
{
    const std::uint16_t crc = frame::crc16Modbus(reinterpret_cast<const std::uint8_t *>(frame32.constData()), 32);
    return frame32 + bytes({crc >> 8, crc & 0xFF});
}

// What the simulated radio made of the bytes, one kind only.
inline QList<radiosim::Event> eventsOf(const radiosim::RadioSim &sim, radiosim::Event::Kind kind)
{
    QList<radiosim::Event> out;
    for (const radiosim::Event &e : sim.events())
        if (e.kind == kind)
            out << e;
    return out;
}

// The frames of one kind the radio took, a resent frame counted once.
inline QList<QByteArray> distinctFrames(const radiosim::RadioSim &sim, radiosim::Event::Kind kind)
{
    QList<QByteArray> frames;
    for (const radiosim::Event &e : eventsOf(sim, kind))
        if (frames.isEmpty() || frames.last() != e.bytes)
            frames << e.bytes;
    return frames;
}
