#pragma once

#include "cd/AspiLayer.h"

#include <array>
#include <cstdint>
#include <string>

namespace quillon {

constexpr int kSectorBytes = 2352;
constexpr int kTrackRecordCapacity = 120;
constexpr int kDriveSlots = 7;

// One track of the loaded disc: its TOC entry, its length up to the next entry, and
// that length in whole seconds.
struct TrackRecord
{
    TocEntry entry;
    uint32_t sectors = 0;
    uint32_t seconds = 0;
};

// The TOC table the drives share, overwritten at each load.
using DiscToc = std::array<TocEntry, kTocCapacity>;

// ReadToc's result for a reply that cannot describe a disc: a track that starts before
// the one before it, or ends past the lead-out (an image shorter than its sheet), would
// get a length that wraps around. Never a command result, which are 0..0xFFFFF or -1.
constexpr int32_t kTocUnusable = -2;

// The last sector an MSF address can name (99:59:74, less the 150 sectors of lead-in): no
// disc reaches beyond it, and up to it the lengths, seconds and sizes shown never wrap.
constexpr uint32_t kTocLastUsableStart = 99 * 4500 + 59 * 75 + 74 - 150;

// The index of the first of `count` entries that starts before the entry before it or
// beyond kTocLastUsableStart; -1 when every entry follows the one before.
int FirstUnusableTocEntry(const TocEntry* table, int count);

// The text that reports such a table, naming the track whose length cannot be right.
std::string UnusableTocText(const TocEntry* table, int count);

// Read methods chosen from the drive quirks file.
enum ReadMethod : int16_t {
    kReadMethod10 = 0, // READ(10), block size 2352
    kReadMethodD8 = 1,
    kReadMethodD4 = 2,
    kReadMethodReadCd12 = 3,
    kReadMethodCustom = 4,
    kReadMethod12 = 5,       // READ(12), block size 2352
    kReadMethodDefault = 40, // no quirks entry matched: READ(10)
};

// A detected CD-ROM unit with its read method and the loaded disc's tracks.
class CdDrive
{
public:
    virtual ~CdDrive() = default;

    // Fills the drive from INQUIRY and the quirks file; the INQUIRY status, or -1 when
    // INQUIRY returned 0 or less.
    int Init(int adapter, int targetId, const char* adapterIdentifier);

    // Reads `count` sectors at `lba` with the drive's read method; 1 on success.
    int32_t ReadAudio(uint32_t lba, uint32_t count, uint8_t* buffer);
    // The same sectors' audio with the read offset correction applied: the drive's samples
    // from `readCorrection` samples further on, silence for those before the disc's first
    // sector or past its lead-out, which a drive cannot read.
    int32_t ReadCorrectedAudio(uint32_t lba, uint32_t count, uint8_t* buffer);
    int32_t PrepareForAudio();
    int32_t RestoreAfterAudio();
    int32_t SetBlockMode(int density, uint32_t blockLength);
    // Fills 32 bytes; bit 0 of byte 13 says whether CD-DA reading is supported.
    int32_t GetCapabilities(uint8_t buffer[32]);
    // Reads the TOC into `table` and the track records; 1 on success, kTocUnusable (no
    // tracks kept) when the entries do not follow each other.
    int32_t ReadToc(int& count, TocEntry* table);

    // Bit 0 of byte 13 of a capabilities buffer.
    static bool SupportsRawAudio(const uint8_t buffer[32]) { return (buffer[13] & 1) != 0; }

    int16_t trackCount = 0;
    int32_t totalSectors = 0;
    std::array<TrackRecord, kTrackRecordCapacity> tracks{};
    int16_t hostAdapter = 0;
    int16_t target = 0;
    int16_t readMethod = kReadMethodDefault;
    int16_t reservedValue = 0;
    int16_t sectorsPerRead = 4;
    int16_t densityCode = 0;
    uint16_t customOpcode = 0;
    int32_t isScsi = 0;
    int32_t byteSwap = 0;
    int32_t needsModeSelect = 0;
    uint32_t discId = 0;
    // The read offset correction in samples (+6: the drive delivers data 6 samples early).
    int32_t readCorrection = 0;
    std::string vendor;
    std::string product;
    std::string revision;
    std::string bus;
};

using DriveTable = std::array<CdDrive, kDriveSlots>;

// "ESDI_506", "IDEATAPI" and "ATAPI" adapters (any case) carry IDE units.
bool IsIdeAdapter(const char* adapterIdentifier);

// Loads the CD layer anew and fills `drives` from slot 0 with every CD-ROM unit behind
// every adapter (targets 0..7); units beyond the 7 slots are left out. The number of
// drives, or -1 when the layer does not load or no unit is found.
int DetectDrives(DriveTable& drives);

// Seconds of audio in `sectors` sectors, truncated.
inline uint32_t SectorsToSeconds(uint32_t sectors)
{
    return sectors * 2352u / 176400u;
}

} // namespace quillon
