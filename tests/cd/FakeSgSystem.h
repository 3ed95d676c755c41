#pragma once

// SG_IO without hardware: a fake sysfs tree and /dev folder in a temporary folder, and
// system calls that serve SG_IO from virtual units, with the kernel's access rules (the
// block device's command filter, sg's check at open) and the faults tests need.

#include "TestDisc.h"
#include "platform/scsi/SgSystem.h"
#include "platform/scsi/VirtualCdUnit.h"

#include <cerrno>
#include <fcntl.h>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon::testing {

class FakeSgSystem : public SgSystem
{
public:
    struct Device
    {
        std::shared_ptr<VirtualCdUnit> unit;
        bool sg = false;
        bool mayRead = true;
        bool mayWrite = true;
    };
    struct Sent
    {
        std::string path;
        uint8_t opcode = 0;
    };

    explicit FakeSgSystem(const TempDir& dir) : sys(dir / "sys"), dev(dir / "dev") {}

    SgRoots Roots() const { return SgRoots{sys, dev}; }

    // A unit at `address` ("H:C:T:L") of SCSI type `type`, reached through device file
    // `name` ("sr0", "sg1"); the two device files of one drive share the unit.
    void AddDevice(const std::string& name, const std::string& address, std::shared_ptr<VirtualCdUnit> unit,
                   int type = 5, const std::string& hostDriver = "ahci")
    {
        const bool isSg = name.rfind("sg", 0) == 0;
        const std::string unitDir = sys + "/devices/" + address;
        MakeDirs(unitDir);
        if (unit) {
            WriteTextFile(unitDir + "/vendor", unit->Entry().vendor + "\n");
            WriteTextFile(unitDir + "/model", unit->Entry().product + "\n");
            WriteTextFile(unitDir + "/rev", unit->Entry().revision + "\n");
        }
        WriteTextFile(unitDir + "/type", std::to_string(type) + "\n");
        const std::string classDir = sys + (isSg ? "/class/scsi_generic/" : "/class/block/") + name;
        MakeDirs(classDir);
        if (::symlink(("../../../devices/" + address).c_str(), (classDir + "/device").c_str()) != 0)
            std::abort();
        const std::string host = address.substr(0, address.find(':'));
        MakeDirs(sys + "/class/scsi_host/host" + host);
        WriteTextFile(sys + "/class/scsi_host/host" + host + "/proc_name", hostDriver + "\n");
        MakeDirs(dev);
        WriteTextFile(dev + "/" + name, "");
        devices[dev + "/" + name] = Device{std::move(unit), isSg};
    }

    Device& At(const std::string& name) { return devices.at(dev + "/" + name); }

    int Open(const std::string& path, int flags) override
    {
        auto it = devices.find(path);
        if (it == devices.end())
            return -ENOENT;
        const bool write = (flags & O_ACCMODE) == O_RDWR;
        if (!it->second.mayRead || (write && !it->second.mayWrite))
            return -EACCES;
        ++opens[path];
        descriptors[nextFd] = {path, write};
        return nextFd++;
    }

    int SgIo(int fd, sg_io_hdr_t& h) override
    {
        const auto& [path, writable] = descriptors.at(fd);
        Device& d = devices.at(path);
        const uint8_t opcode = h.cmdp[0];
        // The kernel's filter: read-safe commands for everyone, MODE SELECT for a
        // writable descriptor, the rest for CAP_SYS_RAWIO or a read-write sg descriptor.
        const bool readSafe = opcode == 0x12 || opcode == 0x43 || opcode == 0x28 || opcode == 0xA8 || opcode == 0xBE ||
                              opcode == 0x5A || opcode == 0x1A;
        if (!(d.sg && writable) && !rawIo && !readSafe && !(opcode == 0x15 && writable))
            return -EPERM;
        sent.push_back({path, opcode});
        h.status = h.host_status = h.driver_status = 0;
        h.sb_len_wr = 0;
        h.resid = 0;
        if (timeoutsLeft > 0) {
            --timeoutsLeft;
            h.host_status = 0x03; // DID_TIME_OUT: the kernel aborted the command
            return 0;
        }
        ScsiRequest r;
        std::copy(h.cmdp, h.cmdp + h.cmd_len, r.cdb);
        r.cdbLength = h.cmd_len;
        r.direction = h.dxfer_direction == SG_DXFER_FROM_DEV ? ScsiDirection::In
                      : h.dxfer_direction == SG_DXFER_TO_DEV ? ScsiDirection::Out
                                                             : ScsiDirection::None;
        r.data = static_cast<uint8_t*>(h.dxferp);
        r.dataLength = h.dxfer_len;
        const ScsiOutcome o = d.unit->Execute(r);
        h.status = o.targetStatus;
        if (o.targetStatus == 2) {
            uint8_t sense[18] = {0x70, 0, o.sense.key, 0, 0, 0, 0, 10, 0, 0, 0, 0, o.sense.asc, o.sense.ascq};
            h.sb_len_wr = static_cast<unsigned char>(std::min<int>(sizeof sense, h.mx_sb_len));
            std::copy(sense, sense + h.sb_len_wr, h.sbp);
            h.driver_status = 0x08;
        } else if (shortReadsLeft > 0 && h.dxfer_len > 0 && (opcode == 0xBE || opcode == 0x28 || opcode == 0xD8)) {
            --shortReadsLeft;
            h.resid = 2352; // the last sector never arrived
        }
        return 0;
    }

    void Close(int fd) override
    {
        descriptors.erase(fd);
        ++closes;
    }

    bool HasRawIo() override { return rawIo; }
    void Report(const std::string& line) override { reports.push_back(line); }

    std::string sys, dev;
    std::map<std::string, Device> devices;
    std::map<int, std::pair<std::string, bool>> descriptors; // path, opened read-write
    std::map<std::string, int> opens;
    int closes = 0;
    int nextFd = 100;
    bool rawIo = false;
    int timeoutsLeft = 0;
    int shortReadsLeft = 0;
    std::vector<Sent> sent;
    std::vector<std::string> reports;

private:
    static void MakeDirs(const std::string& path)
    {
        for (size_t i = 1; i <= path.size(); ++i)
            if (i == path.size() || path[i] == '/')
                ::mkdir(path.substr(0, i).c_str(), 0755);
    }
};

// A virtual unit over `cue` (none when empty) with the flags of a drive list line.
inline std::shared_ptr<VirtualCdUnit> MakeUnit(const std::string& vendor, const std::string& product,
                                               const std::string& cue, const std::string& flags = "")
{
    std::vector<std::string> errors;
    auto entries = ParseVirtualDriveList("ATAPI | " + vendor + " | " + product + " | 1.0 | " +
                                             (cue.empty() ? "none" : cue) + (flags.empty() ? "" : " | " + flags),
                                         "/", errors);
    std::unique_ptr<VirtualDisc> disc;
    std::string error;
    if (!cue.empty())
        disc = OpenCueDisc(cue, error);
    return std::make_shared<VirtualCdUnit>(entries.at(0), std::move(disc));
}

} // namespace quillon::testing
