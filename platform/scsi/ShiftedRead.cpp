#include "platform/scsi/ShiftedRead.h"

#include <algorithm>
#include <cstring>

namespace quillon {

namespace {

constexpr int64_t kSectorBytes = 2352;

int64_t FloorDiv(int64_t value, int64_t by)
{
    return value >= 0 ? value / by : -((-value + by - 1) / by);
}

} // namespace

int64_t ReadShifted(const SectorReader& read, uint32_t sectorsOnDisc, int64_t firstByte, size_t length, uint8_t* out,
                    std::vector<uint8_t>& scratch)
{
    const int64_t endByte = firstByte + static_cast<int64_t>(length);
    const int64_t firstSector = std::max<int64_t>(FloorDiv(firstByte, kSectorBytes), 0);
    const int64_t endSector = std::min<int64_t>(FloorDiv(endByte + kSectorBytes - 1, kSectorBytes), sectorsOnDisc);
    std::memset(out, 0, length);
    if (firstSector >= endSector)
        return static_cast<int64_t>(length);
    const auto count = static_cast<uint32_t>(endSector - firstSector);
    scratch.resize(static_cast<size_t>(count) * kSectorBytes);
    if (!read(static_cast<uint32_t>(firstSector), count, scratch.data()))
        return -1;
    // The part of the wanted bytes that the sectors read cover.
    const int64_t from = std::max(firstByte, firstSector * kSectorBytes);
    const int64_t to = std::min(endByte, endSector * kSectorBytes);
    std::memcpy(out + (from - firstByte), scratch.data() + (from - firstSector * kSectorBytes),
                static_cast<size_t>(to - from));
    return static_cast<int64_t>(length) - (to - from);
}

} // namespace quillon
