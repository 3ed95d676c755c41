#include "cd/AccurateRip.h"

#include <algorithm>
#include <cstdio>

namespace quillon {

namespace {

constexpr uint32_t kLeadIn = 150;       // frames before LBA 0
constexpr uint64_t kSkipSamples = 2940; // 5 sectors of 588 samples
constexpr uint64_t kSectorSamples = 588;
constexpr uint64_t kFrame450First = 450 * kSectorSamples + 1;

int DigitSum(uint32_t value)
{
    int sum = 0;
    for (; value > 0; value /= 10)
        sum += static_cast<int>(value % 10);
    return sum;
}

uint32_t Seconds(uint32_t lba)
{
    return (lba + kLeadIn) / 75;
}

uint32_t LittleEndian32(const uint8_t* bytes)
{
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

} // namespace

uint32_t FreedbId(std::span<const DiscTrackStart> tracks, uint32_t leadOut)
{
    if (tracks.empty())
        return 0;
    uint32_t n = 0;
    for (const DiscTrackStart& track : tracks)
        n += static_cast<uint32_t>(DigitSum(Seconds(track.start)));
    const uint32_t t = Seconds(leadOut) - Seconds(tracks.front().start);
    return (n % 255) << 24 | t << 8 | static_cast<uint32_t>(tracks.size());
}

AccurateRipIds ComputeAccurateRipIds(std::span<const DiscTrackStart> tracks, uint32_t leadOut)
{
    AccurateRipIds ids;
    for (const DiscTrackStart& track : tracks) {
        if (!track.audio)
            continue;
        ++ids.audioTracks;
        ids.id1 += track.start;
        ids.id2 += std::max(track.start, 1u) * static_cast<uint32_t>(ids.audioTracks);
    }
    ids.id1 += leadOut;
    ids.id2 += std::max(leadOut, 1u) * static_cast<uint32_t>(ids.audioTracks + 1);
    ids.freedbId = FreedbId(tracks, leadOut);
    return ids;
}

std::string AccurateRipPath(const AccurateRipIds& ids)
{
    char path[64];
    std::snprintf(path, sizeof path, "%x/%x/%x/dBAR-%03d-%08x-%08x-%08x.bin", ids.id1 & 0xF, ids.id1 >> 4 & 0xF,
                  ids.id1 >> 8 & 0xF, ids.audioTracks, ids.id1, ids.id2, ids.freedbId);
    return path;
}

AccurateRipSum::AccurateRipSum(uint64_t trackSamples, bool firstTrack, bool lastTrack)
    : firstCounted_(firstTrack ? kSkipSamples : 1),
      lastCounted_(!lastTrack                    ? trackSamples
                   : trackSamples > kSkipSamples ? trackSamples - kSkipSamples
                                                 : 0)
{}

void AccurateRipSum::Add(std::span<const uint8_t> pcm)
{
    size_t at = 0;
    if (pendingBytes_ > 0) {
        while (pendingBytes_ < 4 && at < pcm.size())
            pending_[pendingBytes_++] = pcm[at++];
        if (pendingBytes_ < 4)
            return;
        AddSample(LittleEndian32(pending_));
        pendingBytes_ = 0;
    }
    for (; at + 4 <= pcm.size(); at += 4)
        AddSample(LittleEndian32(&pcm[at]));
    while (at < pcm.size())
        pending_[pendingBytes_++] = pcm[at++];
}

void AccurateRipSum::AddSample(uint32_t word)
{
    if (multiplier_ >= firstCounted_ && multiplier_ <= lastCounted_) {
        const uint64_t product = static_cast<uint64_t>(word) * multiplier_;
        v1_ += static_cast<uint32_t>(product);
        high_ += static_cast<uint32_t>(product >> 32);
    }
    if (multiplier_ >= kFrame450First && multiplier_ < kFrame450First + kSectorSamples)
        frame450_ += word * static_cast<uint32_t>(multiplier_ - kFrame450First + 1);
    ++multiplier_;
}

std::optional<std::vector<AccurateRipRecord>> ParseAccurateRipAnswer(std::span<const uint8_t> bytes)
{
    constexpr size_t kHeader = 13;
    constexpr size_t kEntry = 9;
    std::vector<AccurateRipRecord> records;
    size_t at = 0;
    while (at < bytes.size()) {
        if (bytes.size() - at < kHeader)
            return std::nullopt;
        const size_t count = bytes[at];
        if (count == 0 || bytes.size() - at - kHeader < count * kEntry)
            return std::nullopt;
        AccurateRipRecord record;
        record.ids = {LittleEndian32(&bytes[at + 1]), LittleEndian32(&bytes[at + 5]), LittleEndian32(&bytes[at + 9]),
                      static_cast<int>(count)};
        at += kHeader;
        for (size_t i = 0; i < count; ++i, at += kEntry)
            record.tracks.push_back({bytes[at], LittleEndian32(&bytes[at + 1]), LittleEndian32(&bytes[at + 5])});
        records.push_back(std::move(record));
    }
    return records;
}

const char* const kNotAccurateVerdict = "Not accurate";

std::string AccurateRipVerdict(const std::vector<AccurateRipRecord>& records, const AccurateRipIds& ids, int track,
                               uint32_t v1, uint32_t v2)
{
    bool known = false;
    int best = -1;
    int bestVersion = 0;
    for (const AccurateRipRecord& record : records) {
        if (record.ids.id1 != ids.id1 || record.ids.id2 != ids.id2 || record.ids.audioTracks != ids.audioTracks ||
            track < 0 || track >= record.ids.audioTracks)
            continue;
        known = true;
        const AccurateRipTrackEntry& entry = record.tracks[static_cast<size_t>(track)];
        const int version = entry.checksum == v2 ? 2 : entry.checksum == v1 ? 1 : 0;
        if (version != 0 && entry.confidence > best) {
            best = entry.confidence;
            bestVersion = version;
        }
    }
    if (!known)
        return "Not in AccurateRip";
    if (bestVersion == 0)
        return kNotAccurateVerdict;
    char text[64];
    std::snprintf(text, sizeof text, "Accurately ripped (confidence %d) [v%d]", best, bestVersion);
    return text;
}

} // namespace quillon
