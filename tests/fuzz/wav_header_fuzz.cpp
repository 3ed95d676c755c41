// The WAV header check on whatever an input file holds.
#include "formats/WavHeader.h"
#include "tests/fuzz/FuzzInput.h"

#include <cstdlib>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace quillon;
    const int fd = fuzz::InputAsFile(data, size);
    for (const bool mono : {false, true}) {
        lseek(fd, 0, SEEK_SET);
        const WavCheckResult result = CheckWavInput(fd, mono);
        // An accepted file is fed from its "data" chunk, which lies within the file and
        // after the RIFF header and that chunk's own header.
        const bool accepted = result.verdict == WavCheck::Accepted;
        if (accepted && (lseek(fd, 0, SEEK_CUR) != static_cast<off_t>(result.dataStart) || result.dataStart < 20 ||
                         result.dataStart + result.dataBytes > size))
            std::abort();
        if (result.verdict == WavCheck::Accepted && (result.channels == 2) == mono)
            std::abort();
        if ((result.verdict == WavCheck::Accepted) != (*WavCheckMessage(result.verdict) == '\0'))
            std::abort();
    }
    return 0;
}
