#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillon {

// What one rip produced, as its log and cue sheet tell it. A plain record: the rip fills
// it as it goes (the reading, the checks against the databases), the writers only read it.

// Sectors first..last (LBAs, both included) of the disc.
struct RipSectorRange
{
    uint32_t first = 0;
    uint32_t last = 0;
};

// A row of the disc's TOC. An enhanced CD's last audio track ends where its session ends,
// before the gap to the data session, so that the rows give the disc ids.
struct RipTocRow
{
    int number = 0;       // the TOC's track number
    uint32_t start = 0;   // LBA, 0 for the first sector of a normal disc
    uint32_t sectors = 0; // up to the next row's start or the lead-out
    bool audio = true;
    bool preEmphasis = false; // control bit 0 of an audio track
};

// What the drive's Q sub-channel told of a track of the TOC, before the track is read.
struct RipSubChannelTrack
{
    int number = 0;
    std::string isrc;                      // "" when none
    std::optional<uint32_t> pregapSectors; // not set when the drive gave no Q
};

// One track as it was read and written.
struct RipTrackReport
{
    int number = 0;       // the TOC's track number
    std::string fileName; // the file written, without its folder
    std::string title;    // the disc text's, UTF-8; "" when there is none
    std::string performer;
    std::string isrc; // "" when the drive reports none
    // Sectors of the gap before the track (its INDEX 00 to INDEX 01), when the
    // sub-channel told them; not set when only the TOC's start is known.
    std::optional<uint32_t> pregapSectors;

    // CRC-32 of the track's audio bytes from a first, verifying pass (secure mode only).
    std::optional<uint32_t> testCrc;
    // CRC-32 (zlib's) of the audio bytes written to the file.
    uint32_t copyCrc = 0;
    uint32_t accurateRipV1 = 0;
    uint32_t accurateRipV2 = 0;
    // The AccurateRip look-up's verdict ("Accurately ripped (confidence N) [v1]"...); ""
    // until a look-up is made.
    std::string verdict;
    // Sectors whose reads never agreed; such a track is kept and marked.
    std::vector<RipSectorRange> suspicious;
    // False when the read stopped (cancelled, failed): its sums cover what was read.
    bool complete = true;
};

struct RipReport
{
    std::string program = "Quillon";
    std::string version;
    std::string driveVendor;
    std::string driveProduct;
    std::string driveRevision;
    std::string readMode; // how sectors were read, said in words
    // The read offset correction in samples (the AccurateRip convention: +6 when the drive
    // delivers data 6 samples early); not set when neither settings nor the command give one.
    std::optional<int32_t> offsetCorrection;
    // Samples the correction needed from before the disc's first sector or after its
    // lead-out, given as silence.
    uint32_t silentSamples = 0;

    std::vector<RipTocRow> toc; // every track of the disc, data tracks too
    uint32_t leadOut = 0;       // LBA of the disc's true lead-out (the end of its last session)
    std::string musicBrainzId;  // "" when libdiscid refuses the TOC

    // The disc's text, UTF-8; "" when there is none.
    std::string album;
    std::string performer;
    std::string catalog; // the disc's media catalogue number (EAN/UPC), when reported

    std::vector<RipSubChannelTrack> subChannel; // audio tracks of the TOC, in its order
    std::vector<RipTrackReport> tracks;         // the tracks ripped, in disc order

    // The CUETools database's CRC of the whole disc's audio; not set unless every audio
    // track was ripped whole.
    std::optional<uint32_t> ctdbCrc;

    // Lines for the end of the log beyond those the writer makes from the tracks (a failed
    // look-up, a cancelled rip).
    std::vector<std::string> summary;
};

} // namespace quillon
