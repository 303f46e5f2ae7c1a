// Frames on the radio line: kinds, block types, lengths and the frame checksum.
#pragma once

#include <cstddef>
#include <cstdint>

namespace frame {

constexpr std::size_t kBufferSize = 20001; // transfer buffer, receive buffer and receive area
constexpr int kFrameLength = 34;           // written data frame with checksum
constexpr int kAnswerLength = 32;          // data frame as the radio answers it
constexpr int kRequestLength = 4;
constexpr int kHeaderLength = 4;           // 'W' or 'R', block type, block number, 0x20
constexpr int kHandshakeLength = 7;
constexpr int kChecksumOffset = 32;

constexpr std::uint8_t kAck = 0x06;
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

// CRC-16/MODBUS (reflected 0x8005, init 0xFFFF, no final XOR).
std::uint16_t crc16Modbus(const std::uint8_t *data, std::size_t length);

// Checksum of bytes 0–31 into bytes 32 (high) and 33 (low).
void FillChecksum(std::uint8_t *buffer);

} // namespace frame
