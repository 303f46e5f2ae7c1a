// Frame checksum, header and the number conversions of the block codecs.
#include "frames/frame.h"

#include "rtl/sysutils.h"

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

void writeHeader(std::uint8_t *frame, std::uint8_t kind, int blockType, int blockNumber)
{
    frame[0] = kind;
    frame[1] = static_cast<std::uint8_t>(blockType);
    frame[2] = static_cast<std::uint8_t>(blockNumber);
    frame[3] = kHeaderMark;
}

int scaledInteger(const QString &text, double scale)
{
    return rtl::StrToInt(rtl::FloatToStr(rtl::StrToFloat(text) * scale));
}

int dividedInteger(const QString &text, int divisor)
{
    return rtl::StrToInt(rtl::FloatToStr(rtl::StrToInt(text) / static_cast<double>(divisor)));
}

int wholeNumber(const QString &text)
{
    return rtl::StrToInt(rtl::FloatToStr(rtl::StrToFloat(text)));
}

} // namespace frame
