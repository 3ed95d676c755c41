#include "codecs/PcmWavHeader.h"

#include <cstring>

namespace quillon
{
namespace
{

void Put32(unsigned char* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
    {
        at[i] = static_cast<unsigned char>(value >> (8 * i));
    }
}

void Put16(unsigned char* at, std::uint32_t value)
{
    at[0] = static_cast<unsigned char>(value);
    at[1] = static_cast<unsigned char>(value >> 8);
}

} // namespace

std::array<unsigned char, kWavHeaderBytes> PcmWavHeader(int channels, long sampleRate, std::uint32_t dataBytes)
{
    std::array<unsigned char, kWavHeaderBytes> header{};
    unsigned char* h = header.data();
    const auto blockAlign = static_cast<std::uint32_t>(channels * 2);
    std::memcpy(h, "RIFF", 4);
    Put32(h + 4, 36u + dataBytes);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    Put32(h + 16, 16);
    Put16(h + 20, 1);
    Put16(h + 22, static_cast<std::uint32_t>(channels));
    Put32(h + 24, static_cast<std::uint32_t>(sampleRate));
    Put32(h + 28, static_cast<std::uint32_t>(sampleRate) * blockAlign);
    Put16(h + 32, blockAlign);
    Put16(h + 34, 16);
    std::memcpy(h + 36, "data", 4);
    Put32(h + 40, dataBytes);
    return header;
}

} // namespace quillon
