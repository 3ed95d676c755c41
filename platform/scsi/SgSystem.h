#pragma once

#include <memory>
#include <scsi/sg.h>
#include <string>

namespace quillon {

// The few system calls the SG_IO manager makes, behind one seam so that tests can serve
// SG_IO from virtual units over a fake sysfs tree, without hardware.
class SgSystem
{
public:
    virtual ~SgSystem() = default;

    // A descriptor, or -errno.
    virtual int Open(const std::string& path, int flags) = 0;
    // 0, or -errno when the kernel did not take the command.
    virtual int SgIo(int fd, sg_io_hdr_t& header) = 0;
    virtual void Close(int fd) = 0;
    // Whether the process may send any command through a block device (CAP_SYS_RAWIO).
    virtual bool HasRawIo() = 0;
    // One line for the user; the same line is shown only once per process.
    virtual void Report(const std::string& line) = 0;
};

// The system itself: open(2), ioctl(SG_IO), the effective capabilities of
// /proc/self/status and standard error.
std::shared_ptr<SgSystem> RealSgSystem();

// Where the manager looks for units: the sysfs tree and the device folder.
struct SgRoots
{
    std::string sys = "/sys";
    std::string dev = "/dev";
};

} // namespace quillon
