#pragma once

#include "platform/scsi/ScsiRequest.h"
#include "platform/scsi/VirtualDisc.h"
#include "platform/scsi/VirtualDriveList.h"

#include <memory>
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

    VirtualDriveEntry entry_;
    std::unique_ptr<VirtualDisc> disc_;
    std::vector<VirtualReadFault> faultsLeft_;
    uint32_t blockLength_ = 2048;
    uint8_t density_ = 0;
    std::vector<uint8_t> scratch_;
    std::vector<uint8_t> shiftScratch_;
};

} // namespace quillon
