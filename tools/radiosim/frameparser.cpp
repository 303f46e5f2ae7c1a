// Frame recognition for the simulated radio: headers, lengths, resend tails and idle resets.
#include "tools/radiosim/frameparser.h"

#include <utility>

namespace radiosim {

quint16 crc16Modbus(QByteArrayView bytes)
{
    quint16 crc = 0xFFFF;
    for (char c : bytes) {
        crc ^= quint8(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    return crc;
}

const char *kindName(Event::Kind kind)
{
    switch (kind) {
    case Event::Handshake: return "handshake";
    case Event::Write: return "write";
    case Event::Read: return "read";
    case Event::Ack: return "ack";
    case Event::Junk: return "junk";
    }
    return "?";
}

QList<Event> FrameParser::feed(QByteArrayView bytes, qint64 nowMs, bool answerPending)
{
    QList<Event> out = tick(nowMs, answerPending);
    m_lastRxMs = nowMs;
    m_buf.append(bytes.data(), bytes.size());
    parse(out);
    return out;
}

QList<Event> FrameParser::tick(qint64 nowMs, bool answerPending)
{
    QList<Event> out;
    const qint64 idle = nowMs - m_lastRxMs;
    if (tailOpen() && (!answerPending || idle >= kTailGapMs)) {
        // Not a resend after all: give the gathered bytes back to the scanner.
        m_buf.prepend(m_tail);
        m_tail.clear();
        m_tailWanted = 0;
        parse(out);
    }
    if (!tailOpen() && !m_buf.isEmpty() && idle >= kIdleResetMs) {
        skipJunk(int(m_buf.size()));
        flushJunk(out);
    }
    return out;
}

qint64 FrameParser::nextDeadline() const
{
    if (tailOpen())
        return m_lastRxMs + kTailGapMs;
    if (!m_buf.isEmpty())
        return m_lastRxMs + kIdleResetMs;
    return -1;
}

void FrameParser::reset()
{
    m_buf.clear();
    m_junk.clear();
    m_tail.clear();
    m_tailWanted = 0;
}

void FrameParser::skipJunk(int count)
{
    m_junk.append(m_buf.left(count));
    m_buf.remove(0, count);
}

void FrameParser::flushJunk(QList<Event> &out)
{
    if (m_junk.isEmpty())
        return;
    Event e;
    e.kind = Event::Junk;
    e.bytes = std::exchange(m_junk, {});
    out.append(e);
}

void FrameParser::emitFrame(QList<Event> &out, Event::Kind kind, int length)
{
    flushJunk(out);
    Event e;
    e.kind = kind;
    e.bytes = m_buf.left(length);
    if (kind == Event::Write || kind == Event::Read) {
        e.type = quint8(e.bytes[1]);
        e.number = quint8(e.bytes[2]);
    }
    if (kind == Event::Write && length == kFrameLength) {
        const quint16 crc = crc16Modbus(QByteArrayView(e.bytes).first(kBareFrameLength));
        e.checksumOk = quint8(e.bytes[kBareFrameLength]) == (crc >> 8)
                && quint8(e.bytes[kBareFrameLength + 1]) == (crc & 0xFF);
    }
    m_buf.remove(0, length);
    out.append(e);
    if (kind == Event::Handshake || kind == Event::Read)
        m_tailWanted = kResendLength - length;
}

void FrameParser::parse(QList<Event> &out)
{
    while (!m_buf.isEmpty()) {
        if (tailOpen()) {
            const int take = qMin(m_tailWanted - int(m_tail.size()), int(m_buf.size()));
            m_tail.append(m_buf.left(take));
            m_buf.remove(0, take);
            if (m_tail.size() == m_tailWanted) {
                // A resend's leftovers: reported on their own, never scanned.
                m_junk = std::exchange(m_tail, {});
                m_tailWanted = 0;
                flushJunk(out);
            }
            continue;
        }

        const int have = int(m_buf.size());
        const char first = m_buf[0];
        if (first == kAck) {
            emitFrame(out, Event::Ack, 1);
            continue;
        }
        if (first == kHandshake[0]) {
            const int n = qMin(have, kHandshakeLength);
            if (QByteArrayView(m_buf).first(n) != QByteArrayView(kHandshake, n))
                skipJunk(1);
            else if (n < kHandshakeLength)
                break;
            else
                emitFrame(out, Event::Handshake, kHandshakeLength);
            continue;
        }
        if (first == kReadTag || first == kWriteTag) {
            if ((have > 1 && quint8(m_buf[1]) > kMaxType) || (have > 3 && m_buf[3] != kHeaderEnd)) {
                skipJunk(1);
                continue;
            }
            if (have < kHeaderLength)
                break;
            if (first == kReadTag) {
                emitFrame(out, Event::Read, kHeaderLength);
                continue;
            }
            const int length = m_buf[1] == kFskType ? kBareFrameLength : kFrameLength;
            if (have < length)
                break;
            emitFrame(out, Event::Write, length);
            continue;
        }
        skipJunk(1);
    }
    flushJunk(out);
}

} // namespace radiosim
