#pragma once

#include "cd/CdDrive.h"
#include "cd/GrabProgressWindow.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quillon {

class SecureTrackReader;
class TrackChecksums;

// Texts of the grab and its failures, as the user sees them.
extern const char* const kGrabNoTrackMessage;     // string 122
extern const char* const kGrabFolderTitle;        // string 121
extern const char* const kGrabInvalidPathMessage; // string 124
extern const char* const kGrabReadFailedMessage;  // string 123
extern const char* const kGrabAbortedMessage;

constexpr int kReadAttempts = 6;

// Whole seconds of the wall clock; the grab takes a clock so that tests can set it.
using SecondsClock = std::function<int64_t()>;
int64_t WallClockSeconds();

// Counters of one grab, over all its tracks.
struct GrabCounters
{
    uint32_t grabbedSectors = 0;
    int64_t startTime = 0;
};

// "%d MBytes, %d Sectors." of the sectors grabbed so far.
std::string GrabbedText(uint32_t grabbedSectors);
// "%4.1f X" of the reading speed; "0.0" while no whole second has passed.
std::string SpeedText(uint32_t grabbedSectors, int64_t elapsedSeconds);

enum class TrackGrabEnd { Done, Cancelled, ReadFailed, WriteFailed };

// Reads sectors [start, start + count) of the drive and appends them to `fd`, one write
// per read, each read tried up to 6 times; the windows's texts and bars follow every
// read, and Cancel is looked at after every read (whose data is then not written).
// `buffer` bounds the read size. `sums`, when given, takes every byte written. With
// `secure`, the sectors are read through it a chunk at a time, each chunk written once
// it is settled, and the bars step by the reads of its first pass.
TrackGrabEnd GrabTrackSectors(CdDrive& drive, int fd, uint32_t start, uint32_t count, std::vector<uint8_t>& buffer,
                              GrabProgressWindow& window, GrabCounters& counters, const SecondsClock& clock,
                              bool restoreWindow, TrackChecksums* sums = nullptr, SecureTrackReader* secure = nullptr);

// A secure reader of the drive's corrected audio, each read tried up to 6 times.
SecureTrackReader MakeSecureReader(CdDrive& drive);

// The drive's sectors per read, kept within 1 and the buffer's sectors.
int ReadSizeFor(const CdDrive& drive, size_t bufferSectors);

} // namespace quillon
