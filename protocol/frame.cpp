// Frame checksum.
#include "protocol/frame.h"

namespace frame {

std::uint16_t crc16Modbus(const std::uint8_t *data, std::size_t length)
{
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : static_cast<std::uint16_t>(crc >> 1);
    }
    return crc;
}

void FillChecksum(std::uint8_t *buffer)
{
    const std::uint16_t crc = crc16Modbus(buffer, kChecksumOffset);
    // The radio wants the high byte first, the reverse of MODBUS's own order.
    buffer[kChecksumOffset] = static_cast<std::uint8_t>(crc >> 8);
    buffer[kChecksumOffset + 1] = static_cast<std::uint8_t>(crc & 0xFF);
}

} // namespace frame
