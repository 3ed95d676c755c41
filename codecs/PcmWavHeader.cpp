#include "codecs/PcmWavHeader.h"

#include "formats/WavHeader.h"

namespace quillon {

std::array<unsigned char, kWavHeaderBytes> PcmWavHeader(int channels, long sampleRate, std::uint32_t dataBytes)
{
    std::array<unsigned char, kWavHeaderBytes> header{};
    BuildWavHeader(header.data(), std::uint64_t{kWavHeaderBytes} + dataBytes, channels,
                   static_cast<double>(sampleRate));
    return header;
}

} // namespace quillon
