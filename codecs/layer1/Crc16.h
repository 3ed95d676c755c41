#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon::layer1 {

// The frame check of MPEG audio: CRC-16 with polynomial 0x8005, most significant bit first,
// no reflection and no final inversion (the "CRC-16/CMS" variant when started from 0xFFFF).
class Crc16
{
public:
    explicit Crc16(uint16_t init = 0xFFFF) : value_(init) {}

    // Feeds the low `count` bits of `bits`, most significant first.
    void AddBits(uint32_t bits, int count);
    void AddBytes(const uint8_t* data, size_t size);
    uint16_t Value() const { return value_; }

private:
    uint16_t value_;
};

} // namespace quillon::layer1
