#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace quillon {

// The largest read offset correction taken, either way, in samples: five seconds, far
// beyond any drive's.
constexpr int kLargestReadCorrection = 5 * 44100;

// Reads `count` whole sectors at `lba` into `out`; false when the read failed.
using SectorReader = std::function<bool(uint32_t lba, uint32_t count, uint8_t* out)>;

// Fills `out` with `length` bytes of the audio stream from byte `firstByte` on (which may
// lie before sector 0 or beyond the last sector): the sectors under it that lie within
// [0, sectorsOnDisc) are read through `read` in one call, the rest is silence. A read of
// samples shifted against the sectors, as a drive's read offset and its correction make.
// The number of silent bytes given, or -1 when the read failed.
int64_t ReadShifted(const SectorReader& read, uint32_t sectorsOnDisc, int64_t firstByte, size_t length, uint8_t* out,
                    std::vector<uint8_t>& scratch);

} // namespace quillon
