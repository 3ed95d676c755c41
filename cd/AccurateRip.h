#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quillon {

// A track of the disc's TOC as the AccurateRip and freedb ids see it: where it starts
// (LBA, 0 for the first sector of a normal disc) and whether it holds audio.
struct DiscTrackStart
{
    uint32_t start = 0;
    bool audio = true;
};

// The three numbers that name a disc in the AccurateRip database.
struct AccurateRipIds
{
    uint32_t id1 = 0;
    uint32_t id2 = 0;
    uint32_t freedbId = 0;
    int audioTracks = 0;
};

// The freedb id over every track, data tracks included, to the disc's true lead-out.
uint32_t FreedbId(std::span<const DiscTrackStart> tracks, uint32_t leadOut);

// The ids from the audio tracks only, counted by their place among the audio tracks (a
// data track first does not shift them) and the disc's true lead-out (the end of the
// last session, also on an enhanced CD).
AccurateRipIds ComputeAccurateRipIds(std::span<const DiscTrackStart> tracks, uint32_t leadOut);

// "a/5/d/dBAR-012-0013bd5a-00b8d489-c60af50d.bin": the database file of the disc below
// the server's "accuraterip/".
std::string AccurateRipPath(const AccurateRipIds& ids);

// The v1 and v2 checksums of one track, summed as its 16-bit stereo samples arrive.
// The first audio track leaves out its first 5 sectors less one sample, the last its
// last 5 sectors; the multiplier still counts every sample.
class AccurateRipSum
{
public:
    AccurateRipSum(uint64_t trackSamples, bool firstTrack, bool lastTrack);

    // Bytes of little-endian stereo samples; a sample split between two calls counts once.
    void Add(std::span<const uint8_t> pcm);

    uint32_t V1() const { return v1_; }
    uint32_t V2() const { return static_cast<uint32_t>(v1_ + high_); }
    // The v1 sum of the track's sector 450 alone, its multipliers 1 to 588: what the
    // database keeps to find a drive's offset.
    uint32_t Frame450() const { return frame450_; }

private:
    void AddSample(uint32_t word);

    uint64_t firstCounted_;
    uint64_t lastCounted_;
    uint64_t multiplier_ = 1;
    uint32_t v1_ = 0;
    uint32_t high_ = 0;
    uint32_t frame450_ = 0;
    uint8_t pending_[4] = {};
    size_t pendingBytes_ = 0;
};

struct AccurateRipTrackEntry
{
    uint8_t confidence = 0;
    uint32_t checksum = 0;
    uint32_t frame450 = 0;
};

// One record of a database answer: a pressing's or a version's checksums.
struct AccurateRipRecord
{
    AccurateRipIds ids;
    std::vector<AccurateRipTrackEntry> tracks;
};

// The records of a database file, back to back; nothing when the bytes are not whole
// records (an HTML page some servers send for a missing disc reads as none).
std::optional<std::vector<AccurateRipRecord>> ParseAccurateRipAnswer(std::span<const uint8_t> bytes);

// "Accurately ripped (confidence N) [v1]" (or [v2]) when a record of the disc holds
// the track's v1 or v2 checksum, with the highest confidence found; "Not accurate" when
// the database knows the disc and none does; "Not in AccurateRip" when it has no record
// of the disc. `track` counts the audio tracks from 0.
extern const char* const kNotAccurateVerdict; // "Not accurate"
std::string AccurateRipVerdict(const std::vector<AccurateRipRecord>& records, const AccurateRipIds& ids, int track,
                               uint32_t v1, uint32_t v2);

} // namespace quillon
