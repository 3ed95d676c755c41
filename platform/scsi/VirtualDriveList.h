#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// A named fault: the first `count` reads covering sector `lba` fail with a medium error.
struct VirtualReadFault
{
    uint32_t lba = 0;
    int count = 0;
};

// One line of a virtual drive list:
//   adapter identifier | vendor | product | revision | disc [| flag ...]
struct VirtualDriveEntry
{
    int line = 0;
    std::string adapterIdentifier;
    std::string vendor;
    std::string product;
    std::string revision;
    std::string disc;          // CUE sheet path, or empty for "none"
    bool swap = false;         // delivers big-endian samples
    bool modeSelect = false;   // READ(10)/READ(12) need block length 2352 first
    bool noCdda = false;       // capabilities page without the CD-DA bit
    bool noSubChannel = false; // refuses READ SUB-CHANNEL and READ CD with sub-channel data
    int delayMs = 0;           // each read takes this long
    // A drive that needs this read offset correction, in samples: it delivers the data of
    // that many samples earlier than asked (later when negative).
    int offsetSamples = 0;
    std::vector<VirtualReadFault> faults;
    // Each read starts a random number of samples early or late with this probability,
    // drawn from a generator seeded with `seed`, so that a run can be played again.
    double jitter = 0.0;
    uint32_t seed = 1;
    // The first `count` reads of each of these sectors give different wrong samples.
    std::vector<VirtualReadFault> garbage;
    // These sectors always give the same wrong samples.
    std::vector<uint32_t> stuck;
    // Re-reads of the last this many sectors read give what the drive read before, until a
    // read further away than that empties its cache.
    uint32_t cacheSectors = 0;
};

// Parses the list. Disc paths are taken relative to `baseDir` unless absolute. Each
// wrong line adds "line N: reason" to `errors` and is skipped.
std::vector<VirtualDriveEntry> ParseVirtualDriveList(std::string_view text, const std::string& baseDir,
                                                     std::vector<std::string>& errors);

} // namespace quillon
