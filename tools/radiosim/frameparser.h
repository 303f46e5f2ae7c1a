// Splits the bytes the program puts on the line into the frames the radio understands,
// without being thrown off by the leftovers that the program's resends carry.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

namespace radiosim {

inline constexpr char kAck = 0x06;
inline constexpr char kNak = 0x15;
inline constexpr char kWriteTag = 0x57;
inline constexpr char kReadTag = 0x52;
inline constexpr char kHeaderEnd = 0x20;
inline constexpr char kHandshake[] = "PROGRAM";
inline constexpr int kHandshakeLength = 7;
inline constexpr int kHeaderLength = 4;
inline constexpr int kPayloadLength = 28;
inline constexpr int kBareFrameLength = kHeaderLength + kPayloadLength; // 32: no checksum
inline constexpr int kFrameLength = kBareFrameLength + 2;               // 34: with checksum
inline constexpr int kResendLength = kFrameLength;                      // what one resend tick sends
inline constexpr int kFskType = 2;
inline constexpr int kMaxType = 5;

// CRC-16/MODBUS: reflected 0x8005, initial 0xFFFF, no final XOR.
quint16 crc16Modbus(QByteArrayView bytes);

// One thing the program said, or bytes that meant nothing.
struct Event {
    enum Kind { Handshake, Write, Read, Ack, Junk };
    Kind kind = Junk;
    int type = -1;            // block type of a write or read
    int number = -1;          // block number of a write or read
    QByteArray bytes;         // exactly the bytes this event stands for
    bool checksumOk = false;  // a 34-byte write whose bytes 32-33 match its CRC

    QByteArray payload() const { return bytes.mid(kHeaderLength, kPayloadLength); }
};

const char *kindName(Event::Kind kind);

// Framing rules:
// - A frame starts with "PROGRAM", 'R' type n 0x20, 'W' type n 0x20 or a lone 0x06; type is 0-5.
//   A write is 34 bytes, an FSK write (type 2) 32. Any other byte is junk and skipped one at a
//   time, so a bad header costs one byte and the scan resumes right behind it.
// - A resend repeats 34 bytes of the program's transfer buffer, so a handshake or read request
//   may be followed by 27 or 30 leftover bytes. Those bytes form its "tail" and are discarded
//   when they arrive in the same read as the frame's end, or follow within kTailGapMs of the
//   previous byte while the answer has not started leaving. The program only speaks again once
//   it has our answer, so a byte arriving later is fresh and whatever tail has gathered is then
//   parsed afresh (a 0x06 the program sends right behind a request survives this way).
// - A frame left incomplete for kIdleResetMs is junk: a partial frame never swallows the next.
class FrameParser {
public:
    static constexpr qint64 kTailGapMs = 10;
    // Long enough for a sender scheduled late on a busy machine, short of the 300 ms resend.
    static constexpr qint64 kIdleResetMs = 250;

    // Bytes of one read arriving at nowMs. answerPending: the answer to the handshake or
    // request that opened the current tail has not started leaving yet.
    QList<Event> feed(QByteArrayView bytes, qint64 nowMs, bool answerPending);
    // Applies the time rules; call whenever time passes or the answer starts leaving.
    QList<Event> tick(qint64 nowMs, bool answerPending);
    // When tick() has something to do next, or -1.
    qint64 nextDeadline() const;
    bool tailOpen() const { return m_tailWanted > 0; }
    void reset();

private:
    void parse(QList<Event> &out);
    void skipJunk(int count);
    void flushJunk(QList<Event> &out);
    void emitFrame(QList<Event> &out, Event::Kind kind, int length);

    QByteArray m_buf;       // bytes not yet parsed
    QByteArray m_junk;      // skipped bytes not yet reported
    QByteArray m_tail;      // leftovers gathered behind a handshake or request
    int m_tailWanted = 0;   // length of the open tail, 0 when none is open
    qint64 m_lastRxMs = 0;
};

} // namespace radiosim
