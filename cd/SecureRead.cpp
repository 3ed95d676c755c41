#include "cd/SecureRead.h"

#include "cd/RipChecksums.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace quillon {

namespace {

constexpr size_t kSector = 2352;
// Agreement needs more reads than the two of a first disagreement.
constexpr int kLeastAgreeing = 3;

} // namespace

SecureReadLimits DefaultSecureReadLimits()
{
    SecureReadLimits limits;
    const char* keep = std::getenv("QUILLON_TEST_KEEP_DRIVE_CACHE");
    limits.defeatCache = keep == nullptr || std::strcmp(keep, "1") != 0;
    return limits;
}

// The readings of one sector of the chunk that its first two reads disagreed on.
struct SecureTrackReader::Votes
{
    struct Reading
    {
        std::vector<uint8_t> bytes;
        int count = 0;
    };
    uint32_t index = 0; // in the chunk
    std::vector<Reading> readings;
    int total = 0;

    void Add(const uint8_t* sector)
    {
        ++total;
        for (Reading& r : readings)
            if (std::memcmp(r.bytes.data(), sector, kSector) == 0) {
                ++r.count;
                return;
            }
        readings.push_back({std::vector<uint8_t>(sector, sector + kSector), 1});
    }
    const Reading& Best() const
    {
        // The earliest of equally frequent readings.
        return *std::max_element(readings.begin(), readings.end(),
                                 [](const Reading& a, const Reading& b) { return a.count < b.count; });
    }
    bool Settled() const
    {
        const int best = Best().count;
        return best >= kLeastAgreeing && best * 2 > total;
    }
};

SecureTrackReader::SecureTrackReader(AudioSectorReader read, uint32_t discSectors, SecureReadLimits limits,
                                     AudioSectorReader farRead)
    : read_(std::move(read)), farRead_(farRead ? std::move(farRead) : read_), discSectors_(discSectors),
      limits_(limits), testCrc_(Crc32(0, {})), farAway_(kSector)
{
    limits_.chunkSectors = std::max<uint32_t>(limits_.chunkSectors, 1);
}

bool SecureTrackReader::ReadRange(uint32_t first, uint32_t count, uint32_t readSize, uint8_t* out)
{
    readSize = std::max<uint32_t>(readSize, 1);
    for (uint32_t done = 0; done < count; done += readSize) {
        const uint32_t n = std::min(readSize, count - done);
        if (!read_(first + done, n, out + static_cast<size_t>(done) * kSector))
            return false;
        if (afterRead_ && afterRead_()) {
            stopped_ = true;
            return false;
        }
    }
    return true;
}

void SecureTrackReader::DefeatCache(uint32_t first, uint32_t count)
{
    if (!limits_.defeatCache || discSectors_ == 0)
        return;
    // One sector far enough from the range that no drive keeps both; on a short disc the
    // farthest there is.
    const uint64_t distance = limits_.cacheDefeatSectors;
    const uint64_t last = uint64_t{first} + count - 1;
    uint32_t far = 0;
    if (last + distance < discSectors_)
        far = static_cast<uint32_t>(last + distance);
    else if (first >= distance)
        far = static_cast<uint32_t>(first - distance);
    else
        far = first > discSectors_ - std::min<uint64_t>(last + 1, discSectors_) ? 0 : discSectors_ - 1;
    // What it reads does not matter, nor whether it could.
    farRead_(far, 1, farAway_.data());
}

bool SecureTrackReader::ReReadOpenSectors(uint32_t first, std::vector<Votes>& open, uint32_t readSize)
{
    // The open sectors in runs of neighbours, each run in as few reads as the read size lets.
    for (size_t from = 0; from < open.size();) {
        size_t to = from + 1;
        while (to < open.size() && open[to].index == open[to - 1].index + 1)
            ++to;
        const uint32_t start = open[from].index;
        const auto count = static_cast<uint32_t>(to - from);
        again_.resize(static_cast<size_t>(count) * kSector);
        DefeatCache(first + start, count);
        if (!ReadRange(first + start, count, readSize, again_.data()))
            return false;
        for (size_t i = from; i < to; ++i)
            open[i].Add(again_.data() + (i - from) * kSector);
        from = to;
    }
    return true;
}

void SecureTrackReader::MarkSuspicious(uint32_t lba)
{
    if (!suspicious_.empty() && suspicious_.back().last + 1 == lba)
        suspicious_.back().last = lba;
    else
        suspicious_.push_back({lba, lba});
}

std::span<const uint8_t> SecureTrackReader::ReadChunk(uint32_t first, uint32_t count, uint32_t readSize)
{
    count = std::min(count, limits_.chunkSectors);
    const size_t bytes = static_cast<size_t>(count) * kSector;
    first_.resize(bytes);
    second_.resize(bytes);
    if (!ReadRange(first, count, readSize, first_.data()))
        return {};
    testCrc_ = Crc32(testCrc_, {first_.data(), bytes});
    DefeatCache(first, count);
    if (!ReadRange(first, count, readSize, second_.data()))
        return {};

    std::vector<Votes> open;
    for (uint32_t i = 0; i < count; ++i) {
        const size_t at = static_cast<size_t>(i) * kSector;
        if (std::memcmp(first_.data() + at, second_.data() + at, kSector) == 0)
            continue;
        Votes votes;
        votes.index = i;
        votes.Add(first_.data() + at);
        votes.Add(second_.data() + at);
        open.push_back(std::move(votes));
    }
    for (int batch = 0; batch < limits_.batches && !open.empty(); ++batch) {
        for (int r = 0; r < limits_.batchReads; ++r)
            if (!ReReadOpenSectors(first, open, readSize))
                return {};
        std::erase_if(open, [&](const Votes& v) {
            if (!v.Settled())
                return false;
            std::memcpy(first_.data() + static_cast<size_t>(v.index) * kSector, v.Best().bytes.data(), kSector);
            return true;
        });
    }
    for (const Votes& v : open) {
        std::memcpy(first_.data() + static_cast<size_t>(v.index) * kSector, v.Best().bytes.data(), kSector);
        MarkSuspicious(first + v.index);
    }
    return {first_.data(), bytes};
}

std::string SectorRangesText(const std::vector<RipSectorRange>& ranges)
{
    std::string text;
    for (const RipSectorRange& range : ranges)
        text += (text.empty() ? "" : ", ") + std::to_string(range.first) +
                (range.last != range.first ? "-" + std::to_string(range.last) : std::string());
    return text;
}

} // namespace quillon
