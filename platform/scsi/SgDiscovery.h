#pragma once

#include "platform/scsi/SgSystem.h"

#include <string>
#include <vector>

namespace quillon {

// One SCSI unit as sysfs shows it, with the device files that reach it.
struct SgUnitPaths
{
    int host = 0;
    int channel = 0;
    int target = 0;
    int lun = 0;
    int type = -1; // peripheral device type, 5 for CD-ROM
    std::string vendor;
    std::string model;
    std::string revision;
    std::string blockPath; // "/dev/srN", empty when the unit has none
    std::string sgPath;    // "/dev/sgN", empty when the sg module is not loaded
};

// Every CD-ROM unit under `roots.sys`: the sr block devices, and the sg devices of the
// same units joined to them by host, channel, target and LUN, so that no unit is listed
// twice. CD-ROM units that only have an sg device are listed too. Ordered by address.
std::vector<SgUnitPaths> DiscoverSgUnits(const SgRoots& roots);

// The kernel driver of SCSI host `host` ("ahci", "usb-storage", ...); empty when unknown.
std::string HostDriverName(const SgRoots& roots, int host);

// "H:C:T:L" into its four numbers; false for anything else.
bool ParseScsiAddress(const std::string& text, int& host, int& channel, int& target, int& lun);

} // namespace quillon
