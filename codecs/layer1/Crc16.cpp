#include "codecs/layer1/Crc16.h"

#include <array>

namespace quillon::layer1 {

namespace {

std::array<uint16_t, 256> MakeTable()
{
    std::array<uint16_t, 256> table{};
    for (int byte = 0; byte < 256; ++byte) {
        uint16_t crc = static_cast<uint16_t>(byte << 8);
        for (int bit = 0; bit < 8; ++bit) {
            crc = static_cast<uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x8005 : crc << 1);
        }
        table[byte] = crc;
    }
    return table;
}

const std::array<uint16_t, 256>& Table()
{
    static const std::array<uint16_t, 256> table = MakeTable();
    return table;
}

} // namespace

void Crc16::AddBits(uint32_t bits, int count)
{
    while (count >= 8) {
        count -= 8;
        const uint8_t byte = static_cast<uint8_t>(bits >> count);
        value_ = static_cast<uint16_t>((value_ << 8) ^ Table()[((value_ >> 8) ^ byte) & 0xFF]);
    }
    for (int i = count - 1; i >= 0; --i) {
        const bool feedback = (((value_ >> 15) ^ (bits >> i)) & 1) != 0;
        value_ = static_cast<uint16_t>(value_ << 1);
        if (feedback) {
            value_ ^= 0x8005;
        }
    }
}

void Crc16::AddBytes(const uint8_t* data, size_t size)
{
    for (size_t i = 0; i < size; ++i) {
        AddBits(data[i], 8);
    }
}

} // namespace quillon::layer1
