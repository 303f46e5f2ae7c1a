// Frames on the radio line: kinds, block types, lengths, the frame checksum and the byte helpers
// every block codec shares.
#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>

namespace frame {

constexpr std::size_t kBufferSize = 20001; // transfer buffer, receive buffer and receive area
constexpr int kFrameLength = 34;           // written data frame with checksum
constexpr int kAnswerLength = 32;          // data frame as the radio answers it (and an FSK frame)
constexpr int kHeaderLength = 4;
constexpr int kPayloadLength = 28;
constexpr int kRequestLength = 4;
constexpr int kHandshakeLength = 7;
constexpr int kChecksumOffset = 32;
constexpr int kEncoderSpan = 51; // transfer-buffer bytes 0–50: all a frame builder may touch

constexpr std::uint8_t kAck = 0x06;
constexpr std::uint8_t kNak = 0x15;
constexpr std::uint8_t kData = 0x57;    // 'W'
constexpr std::uint8_t kRequest = 0x52; // 'R'
constexpr std::uint8_t kHeaderMark = 0x20;
// A data frame with this byte at kAckWantedOffset wants a 0x06 back, whoever is listening.
constexpr int kAckWantedOffset = 5;
constexpr std::uint8_t kAckWanted = 0x30;
constexpr char kHandshake[] = "PROGRAM";

enum BlockType : std::uint8_t {
    kChannelBlock = 0,
    kDtmfBlock = 1,
    kFskBlock = 2,
    kTwoToneBlock = 3,
    kFiveToneBlock = 4,
    kSettingsBlock = 5,
};

constexpr int kChannelCount = 16;
// Blocks of each signalling memory.
constexpr int kDtmfBlockCount = 4;
constexpr int kFskBlockCount = 3;
constexpr int kTwoToneBlockCount = 11;
constexpr int kFiveToneBlockCount = 17;
// The line's 8N1 framing: start bit, 8 data bits, stop bit.
constexpr int kBitsPerByte = 10;

// CRC-16/MODBUS (reflected 0x8005, init 0xFFFF, no final XOR).
std::uint16_t crc16Modbus(const std::uint8_t *data, std::size_t length);

// Checksum of bytes 0–31 into bytes 32 (high) and 33 (low).
void FillChecksum(std::uint8_t *buffer);

// kind, block type, block number, 0x20 into bytes 0–3.
void writeHeader(std::uint8_t *frame, std::uint8_t kind, int blockType, int blockNumber);

// Little-endian fields; a value wider than its field keeps its low bits.
inline void put16(std::uint8_t *p, std::uint32_t value)
{
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
}

inline void put32(std::uint8_t *p, std::uint32_t value)
{
    put16(p, value);
    put16(p + 2, value >> 16);
}

inline std::uint16_t get16(const std::uint8_t *p)
{
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

inline std::uint32_t get32(const std::uint8_t *p)
{
    return get16(p) | static_cast<std::uint32_t>(get16(p + 2)) << 16;
}

// A number text times `scale`, through the shortest decimal print of the product, so that a text
// with more decimals than the field holds fails with the integer error ("145.1234567" MHz).
int scaledInteger(const QString &text, double scale);

// A decimal integer text divided by `divisor` the same way: "105" ÷ 10 fails on the text "10.5".
int dividedInteger(const QString &text, int divisor);

// A number text that must be whole: "1981.0" is 1981, "1981.5" fails on "1981.5", "x" on the
// floating-point error.
int wholeNumber(const QString &text);

} // namespace frame
