#pragma once

#include <array>
#include <cstdint>

namespace quillon {

constexpr std::uint32_t kWavHeaderBytes = 44;
// The most sample bytes a WAV file can declare: its RIFF size is 36 plus the data size.
constexpr std::uint32_t kMaxWavDataBytes = 0xFFFFFFFFu - 36u;

// The canonical 44-byte header of a 16-bit PCM WAV file, little-endian.
std::array<unsigned char, kWavHeaderBytes> PcmWavHeader(int channels, long sampleRate, std::uint32_t dataBytes);

} // namespace quillon
