#include "platform/scsi/ScsiManager.h"
#include "platform/scsi/SgAccess.h"
#include "platform/scsi/SgDiscovery.h"
#include "platform/scsi/SgIo.h"
#include "platform/scsi/SrbLayout.h"
#include "platform/scsi/UnitManager.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>

namespace quillon {

namespace {

constexpr unsigned kCommandTimeoutMs = 5000;

bool AccessRefused(int error)
{
    return error == EACCES || error == EPERM || error == EROFS;
}

// One way into a unit: an open descriptor of its block or sg device.
struct Channel
{
    std::string path;
    int fd = -1;
    bool writable = false;
    bool sg = false;

    // A read-write sg descriptor passes every command; the rest go through the kernel's
    // command filter.
    bool Passes(uint8_t opcode, bool rawIo) const
    {
        return (sg && writable) || KernelPassesCommand(opcode, writable, rawIo);
    }
};

struct Unit
{
    SgUnitPaths paths;
    Channel primary; // the block device when the user may open it, else the sg device
    Channel sg;      // the sg device opened read-write on first need
    bool sgTried = false;
    int sgError = 0;
};

class SgIoManager : public UnitManager
{
public:
    SgIoManager(std::shared_ptr<SgSystem> system, SgRoots roots)
        : system_(std::move(system)), roots_(std::move(roots)), rawIo_(system_->HasRawIo())
    {
        for (SgUnitPaths& paths : DiscoverSgUnits(roots_)) {
            // The ASPI layer knows units by adapter and target only; LUNs other than 0
            // and a second channel's twin of a target stay out of reach.
            if (paths.lun != 0 || paths.host >= 255 || paths.target >= 256 ||
                units_.count({paths.host, paths.target}) != 0)
                continue;
            Unit unit;
            unit.paths = paths;
            if (!OpenPrimary(unit))
                continue;
            adapterCount_ = std::max(adapterCount_, paths.host + 1);
            units_.emplace(std::make_pair(paths.host, paths.target), std::move(unit));
        }
    }

    ~SgIoManager() override
    {
        for (auto& [address, unit] : units_) {
            for (Channel* c : {&unit.primary, &unit.sg})
                if (c->fd >= 0)
                    system_->Close(c->fd);
        }
    }

protected:
    int AdapterCount() const override { return adapterCount_; }
    std::string ManagerId() const override { return "LINUX SG_IO"; }

    std::string AdapterIdentifier(int adapter) const override
    {
        const std::string driver = HostDriverName(roots_, adapter);
        return AdapterIdentifierForDriver(driver.empty() ? "unknown" : driver);
    }

    int DeviceType(int adapter, int target) const override
    {
        auto it = units_.find({adapter, target});
        return it == units_.end() ? -1 : it->second.paths.type;
    }

    ScsiOutcome Execute(const ScsiRequest& request) override
    {
        Unit& unit = units_.at({request.adapter, request.target});
        const uint8_t opcode = request.cdb[0];
        Channel* channel = &unit.primary;
        if (!channel->Passes(opcode, rawIo_)) {
            if (Channel* sg = SgChannel(unit))
                channel = sg;
        }

        uint8_t sense[32] = {};
        sg_io_hdr_t header;
        BuildSgIoHeader(request, sense, sizeof sense, kCommandTimeoutMs, header);
        int rc = system_->SgIo(channel->fd, header);
        if (AccessRefused(-rc) && channel == &unit.primary) {
            // The kernel's filter is not always the one we expect; the sg device may still do.
            if (Channel* sg = SgChannel(unit)) {
                channel = sg;
                BuildSgIoHeader(request, sense, sizeof sense, kCommandTimeoutMs, header);
                rc = system_->SgIo(channel->fd, header);
            }
        }
        if (rc == -ETIMEDOUT) {
            header.host_status = 0x03;
        } else if (rc != 0) {
            if (AccessRefused(-rc))
                system_->Report(RefusalText(unit, *channel, opcode));
            else
                system_->Report(channel->path + ": " + ScsiCommandName(opcode) + " failed: " + std::strerror(-rc));
            return ScsiOutcome{srb::kError, 0, {}, 0};
        }
        ScsiOutcome outcome = OutcomeFromSgIo(header, sense, !ReplyMayBeShort(opcode));
        if (outcome.adapterStatus == srb::kHaCommandTimeout) {
            // Not once per process: every command the drive leaves unanswered counts.
            ++timeouts_;
            system_->Report(channel->path + ": the drive did not answer " + ScsiCommandName(opcode) + " within " +
                            std::to_string(kCommandTimeoutMs / 1000) + " s (" + std::to_string(timeouts_) +
                            (timeouts_ == 1 ? " time)" : " times)"));
        }
        return outcome;
    }

private:
    // Read-write where the user may, for MODE SELECT; read-only otherwise. O_NONBLOCK so
    // that an empty tray does not block the open.
    bool OpenChannel(Channel& c, const std::string& path, bool sg, int& error)
    {
        c.path = path;
        c.sg = sg;
        int fd = system_->Open(path, O_RDWR | O_NONBLOCK);
        c.writable = fd >= 0;
        if (fd < 0 && AccessRefused(-fd))
            fd = system_->Open(path, O_RDONLY | O_NONBLOCK);
        if (fd < 0) {
            error = -fd;
            return false;
        }
        c.fd = fd;
        return true;
    }

    bool OpenPrimary(Unit& unit)
    {
        int blockError = 0, sgError = 0;
        const SgUnitPaths& p = unit.paths;
        if (!p.blockPath.empty() && OpenChannel(unit.primary, p.blockPath, false, blockError))
            return true;
        if (!p.sgPath.empty() && OpenChannel(unit.primary, p.sgPath, true, sgError)) {
            unit.sgTried = true;
            return true;
        }
        // A drive the user may not open would otherwise vanish without a word.
        const std::string& path = AccessRefused(blockError) || p.sgPath.empty() ? p.blockPath : p.sgPath;
        const int error = AccessRefused(blockError) || p.sgPath.empty() ? blockError : sgError;
        if (AccessRefused(error))
            system_->Report(path + ": " + std::strerror(error) + "; " + AccessFix(path));
        return false;
    }

    // The sg device of a unit reached through its block device, opened read-write once
    // it is needed; null when there is none or the user may not write it.
    Channel* SgChannel(Unit& unit)
    {
        std::lock_guard lock(mutex_);
        if (unit.primary.sg)
            return nullptr;
        if (!unit.sgTried && !unit.paths.sgPath.empty()) {
            unit.sgTried = true;
            const int fd = system_->Open(unit.paths.sgPath, O_RDWR | O_NONBLOCK);
            if (fd >= 0)
                unit.sg = Channel{unit.paths.sgPath, fd, true, true};
            else
                unit.sgError = -fd;
        }
        return unit.sg.fd >= 0 ? &unit.sg : nullptr;
    }

    std::string RefusalText(const Unit& unit, const Channel& c, uint8_t opcode) const
    {
        const std::string head = c.path + ": the kernel refused " + ScsiCommandName(opcode) + ": ";
        if (KernelPassesCommand(opcode, true, false) && !c.writable)
            return head + "it needs the device opened read-write, and this user may only read it; " + AccessFix(c.path);
        if (c.sg)
            return head + "it needs read-write access; " + AccessFix(c.path);
        const std::string& sg = unit.paths.sgPath;
        if (sg.empty())
            return head + "the block device passes it only to a process with CAP_SYS_RAWIO, and the drive has "
                          "no /dev/sg* device (sudo modprobe sg)";
        return head + "the block device passes it only to a process with CAP_SYS_RAWIO, and " + sg +
               " cannot be opened read-write (" + std::strerror(unit.sgError) + "); " + AccessFix(sg);
    }

    std::shared_ptr<SgSystem> system_;
    SgRoots roots_;
    bool rawIo_ = false;
    std::map<std::pair<int, int>, Unit> units_;
    int adapterCount_ = 0;
    int timeouts_ = 0;
    std::mutex mutex_; // guards opening the sg devices
};

} // namespace

std::unique_ptr<ScsiManager> LoadSgIoManager(std::shared_ptr<SgSystem> system, const SgRoots& roots)
{
    return std::make_unique<SgIoManager>(std::move(system), roots);
}

std::unique_ptr<ScsiManager> LoadSgIoManager()
{
    return LoadSgIoManager(RealSgSystem(), SgRoots{});
}

} // namespace quillon
