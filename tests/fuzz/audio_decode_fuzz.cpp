// The decoder of the audio files an encode job takes, over whatever bytes libsndfile is
// given: it must give whole 16-bit frames at an encoder's rate, never more bytes than
// asked for, and end or fail instead of looping.
#include "audio/AudioDecoder.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace quillon;
    AudioDecoder decoder(MemoryBytes(data, size));
    if (!decoder.IsOpen())
        return 0;
    const int channels = decoder.Channels();
    const uint32_t rate = decoder.FedRate();
    if (channels < 1 || (rate != 32000 && rate != 44100 && rate != 48000 && rate != decoder.SourceRate()))
        std::abort();
    if (channels > 2)
        return 0; // refused by the run before any read
    // A file may claim a rate of 1 Hz, which becomes 48000 frames a frame: a bounded
    // number of blocks is enough to see the reads behave.
    constexpr uint64_t kEnough = 1 << 21;
    uint8_t block[8192 + 7];
    uint64_t total = 0;
    ptrdiff_t n = 0;
    // Sizes that are no whole frame must still give whole frames.
    for (size_t ask = sizeof block; total < kEnough; ask = ask == sizeof block ? 8189 : sizeof block) {
        n = decoder.Read(block, ask);
        if (n <= 0)
            break;
        if (static_cast<size_t>(n) > ask || n % (2 * channels) != 0)
            std::abort();
        total += static_cast<uint64_t>(n);
    }
    if (n < 0 && decoder.Problem().empty())
        std::abort();
    // Once failed, it stays failed.
    if (n < 0 && decoder.Read(block, sizeof block) >= 0)
        std::abort();
    return 0;
}
