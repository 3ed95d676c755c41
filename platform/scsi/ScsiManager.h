#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace quillon {

// The one seam between the CD command layer and whatever reaches the drives: the two
// entry points of an ASPI manager. Request blocks keep their documented byte layout;
// pointer fields carry handles of ScsiHandles.h.
class ScsiManager
{
public:
    virtual ~ScsiManager() = default;

    // Bits 8-15: 1 when the manager works (0xE8 when it has no adapter); bits 0-7: the
    // number of host adapters.
    virtual uint32_t GetSupportInfo() = 0;

    // Carries out one request block (host adapter inquiry, get device type, execute or
    // abort) and returns its status byte. Completion is signalled through the block's
    // post event when it asks for one.
    virtual uint32_t SendCommand(uint8_t* srb) = 0;
};

// The manager for this process: virtual drives when QUILLON_VIRTUAL_CD names a drive
// list, Linux SG_IO otherwise. Null when the drive list cannot be read.
std::unique_ptr<ScsiManager> LoadScsiManager();

// Virtual drives from the list file at `path`; null when it cannot be read. Wrong lines
// are reported on standard error with their line numbers and skipped.
std::unique_ptr<ScsiManager> LoadVirtualCdManager(const std::string& path);

class SgSystem;
struct SgRoots;

// Real drives through SG_IO: the sr block devices, and the sg devices where a command
// needs them, found through sysfs.
std::unique_ptr<ScsiManager> LoadSgIoManager();
// The same over the given system calls and roots (tests serve them without hardware).
std::unique_ptr<ScsiManager> LoadSgIoManager(std::shared_ptr<SgSystem> system, const SgRoots& roots);

// Makes LoadScsiManager return what `factory` makes, so that tests can run detection
// and grabs over a manager of their own; an empty function restores the usual choice.
void SetScsiManagerFactory(std::function<std::unique_ptr<ScsiManager>()> factory);

} // namespace quillon
