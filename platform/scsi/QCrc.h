#pragma once

#include <cstdint>

namespace quillon {

// CRC-16 of a Q sub-channel frame's first 10 bytes as the disc stores it (polynomial
// 0x1021, inverted): what a drive's frame is checked against and a virtual disc's carries.
uint16_t QCrc(const uint8_t* q);

} // namespace quillon
