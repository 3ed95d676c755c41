#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quillon {

// What the progress figures are computed from; all counts are bytes unless named otherwise.
struct StatusInputs
{
    bool encode = true;
    uint64_t inputSize = 0;                // S
    std::optional<uint64_t> inputPosition; // P; none once the input file is closed
    uint64_t bytesFed = 0;                 // F
    int64_t doneKiB = 0;                   // D
    int bitrate = 0;                       // B, kbit/s
    int mode = 1;                          // M; 0 is mono
    std::string bitrateText;               // "%d kbps" or "N/A"
    int64_t elapsedSeconds = 0;            // now minus the job's start time
    uint64_t outputLength = 0;             // decode job: the output file's current length
    // A decoded input: S and P count PCM, while the batch counts the file's size in KiB.
    std::optional<int64_t> jobKiB;
};

// The texts and bar positions of the status window. A field left empty keeps what it
// showed before.
struct StatusFigures
{
    int64_t totalFrames = 0;
    int64_t framesDone = 0;
    std::string totalFramesText;
    std::string bitrateText;
    std::optional<int64_t> currentBarPosition;
    std::optional<int64_t> overallBarPosition;
    std::optional<std::string> frameText;
    std::optional<std::string> elapsedText;
    std::optional<std::string> speedText;
    std::optional<std::string> remainingText;
    std::optional<std::string> sizesText;
};

// The divisor of the current-file bar: 1000 above 1,000,000 bytes, else 10.
uint64_t CurrentBarDivisor(uint64_t inputSize);

// "%02d:%02d:%02d"; the hours are taken modulo 24 when `wrapHours` is set.
std::string FormatClock(int64_t seconds, bool wrapHours);

// Turns byte counts and the clock into the figures shown; the codec's text is never used.
StatusFigures ComputeStatusFigures(const StatusInputs& in);

} // namespace quillon
