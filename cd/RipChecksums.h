#pragma once

#include "cd/AccurateRip.h"
#include "cd/CdDrive.h"
#include "cd/RipReport.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quillon {

// zlib's CRC-32 of `bytes` continued from `crc` (0 to start).
uint32_t Crc32(uint32_t crc, std::span<const uint8_t> bytes);

// The rows of a disc's TOC for its rip log: every track with its start and length, the
// last audio track of an enhanced CD ending where its session ends (11400 sectors before
// the data session), as log readers take them to rebuild the disc ids.
std::vector<RipTocRow> RipTocRows(const CdDrive& drive);

// The audio tracks' starts and the disc's true lead-out as the AccurateRip ids count them.
AccurateRipIds RipAccurateRipIds(const RipReport& report);

// "NNN-IIIIIIII-JJJJJJJJ-CCCCCCCC": the audio track count and the three ids, as the
// database's file names write them.
std::string RipAccurateRipIdText(const AccurateRipIds& ids);

// The CUETools database's id of the disc: SHA-1 over the audio tracks' starts (from the
// first audio track's) and the end of the audio, each as 8 hexadecimal digits, padded with
// "0" to 100 fields, in base64 with "._-" for "+/=". "" when there is no audio track.
std::string CtdbTocId(const std::vector<RipTocRow>& toc);

// A track's share of the CUETools database's CRC of the disc.
struct CtdbPart
{
    int number = 0; // the TOC's track number
    uint32_t crc = 0;
    uint64_t bytes = 0;
    bool whole = false; // every byte of the track was added
};

// The sums a rip keeps of one track's audio as it is written: the CRC-32 of its bytes, its
// AccurateRip v1 and v2 sums, and its share of the CUETools database's CRC of the disc.
class TrackChecksums
{
public:
    // For the audio row `row` of `toc`.
    TrackChecksums(const std::vector<RipTocRow>& toc, size_t row);

    // Bytes of 16-bit stereo samples in the order of the track.
    void Add(std::span<const uint8_t> pcm);

    uint32_t CopyCrc() const { return crc_; }
    uint32_t V1() const { return accurateRip_.V1(); }
    uint32_t V2() const { return accurateRip_.V2(); }
    CtdbPart Ctdb() const { return {number_, ctdbCrc_, ctdbBytes_, position_ >= trackBytes_}; }

private:
    AccurateRipSum accurateRip_;
    uint32_t crc_;
    uint32_t ctdbCrc_;
    uint64_t ctdbBytes_ = 0;
    int number_;
    uint64_t trackBytes_;
    uint64_t position_ = 0; // bytes of the track so far
    // The track's bytes inside the window: [windowFirst_, windowEnd_) from its first byte.
    uint64_t windowFirst_ = 0;
    uint64_t windowEnd_ = 0;
};

// The CUETools database's CRC of the disc from the parts of its audio tracks, in any
// order; nothing unless every audio track of `toc` has its whole part.
std::optional<uint32_t> CtdbCrc(const std::vector<RipTocRow>& toc, const std::vector<CtdbPart>& parts);

// What the report's tracks leave to be worked out once they are read: the CTDB CRC from
// their parts and the samples the read offset correction filled with silence.
void FinishRipChecks(RipReport& report, const std::vector<CtdbPart>& parts);

} // namespace quillon
