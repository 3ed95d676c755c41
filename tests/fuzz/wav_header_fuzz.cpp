// The WAV header check on whatever an input file holds.
#include "formats/WavHeader.h"
#include "tests/fuzz/FuzzInput.h"

#include <algorithm>
#include <cstdlib>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace quillon;
    const int fd = fuzz::InputAsFile(data, size);
    for (const bool mono : {false, true}) {
        lseek(fd, 0, SEEK_SET);
        const WavCheckResult result = CheckWavInput(fd, mono);
        // An accepted file is fed from byte 44 on (or from its end, when shorter);
        // anything else would feed header bytes as samples or skip samples.
        const off_t fedFrom = std::min<off_t>(static_cast<off_t>(size), kWavHeaderSize);
        if (result.verdict == WavCheck::Accepted && lseek(fd, 0, SEEK_CUR) != fedFrom)
            std::abort();
        if (result.verdict == WavCheck::Accepted && (result.channels == 2) == mono)
            std::abort();
        if ((result.verdict == WavCheck::Accepted) != (*WavCheckMessage(result.verdict) == '\0'))
            std::abort();
    }
    return 0;
}
