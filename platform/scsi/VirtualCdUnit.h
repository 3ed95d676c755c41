#pragma once

#include "platform/scsi/ScsiRequest.h"
#include "platform/scsi/VirtualDisc.h"
#include "platform/scsi/VirtualDriveList.h"

#include <deque>
#include <memory>
#include <random>
#include <unordered_map>
#include <vector>

namespace quillon {

// An emulated CD-ROM unit: answers the commands the CD layer sends, serves its disc
// image, and plays the faults its list line names.
class VirtualCdUnit
{
public:
    VirtualCdUnit(VirtualDriveEntry entry, std::unique_ptr<VirtualDisc> disc);

    const VirtualDriveEntry& Entry() const { return entry_; }
    ScsiOutcome Execute(const ScsiRequest& request);

    uint32_t BlockLength() const { return blockLength_; }

private:
    ScsiOutcome Inquiry(const ScsiRequest& r);
    ScsiOutcome ReadToc(const ScsiRequest& r);
    ScsiOutcome ReadSectors(const ScsiRequest& r, uint32_t lba, uint32_t count, bool needsRawMode);
    ScsiOutcome ReadSubChannel(const ScsiRequest& r);
    ScsiOutcome ReadWithSubChannel(const ScsiRequest& r, uint32_t lba, uint32_t count);
    ScsiOutcome ModeSenseCapabilities(const ScsiRequest& r);
    ScsiOutcome ModeSelect(const ScsiRequest& r);
    ScsiOutcome ModeSense6(const ScsiRequest& r);
    // The disc's raw sectors as this drive delivers them, shifted by its read offset.
    bool ReadFromDisc(uint32_t lba, uint32_t count, uint8_t* out);
    // The samples a read starts early (negative) or late by: mostly 0, as `jitter` says.
    int JitterSamples();
    // Spoils the sectors the garbage and stuck faults name; `fromCache` marks the sectors
    // the drive did not read from the disc.
    void SpoilSectors(uint32_t lba, uint32_t count, uint8_t* out, const std::vector<bool>& fromCache);
    // Which sectors of the read the cache holds (empty when the drive has none); a seek
    // further than the cache holds empties it first.
    std::vector<bool> TakeCache(uint32_t lba, uint32_t count);
    // Puts the cached sectors into the read and keeps the others in the cache.
    void FillFromCache(uint32_t lba, uint32_t count, uint8_t* out, const std::vector<bool>& fromCache);

    VirtualDriveEntry entry_;
    std::unique_ptr<VirtualDisc> disc_;
    std::vector<VirtualReadFault> faultsLeft_;
    uint32_t blockLength_ = 2048;
    uint8_t density_ = 0;
    std::vector<uint8_t> scratch_;
    std::vector<uint8_t> shiftScratch_;
    std::mt19937 random_;
    std::vector<VirtualReadFault> garbageLeft_;
    std::unordered_map<uint32_t, int> garbageReads_; // reads of each garbage sector so far
    // The drive's cache: sectors as last delivered, oldest first in `cacheOrder_`.
    std::unordered_map<uint32_t, std::vector<uint8_t>> cache_;
    std::deque<uint32_t> cacheOrder_;
    int64_t nextSector_ = 0; // the sector after the last one read
};

} // namespace quillon
