#include "platform/MountTable.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {

static std::string DecodeOctal(const std::string& field)
{
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3' &&
            field[i + 2] >= '0' && field[i + 2] <= '7' && field[i + 3] >= '0' && field[i + 3] <= '7') {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

std::vector<MountEntry> ParseMountTable(const std::string& text)
{
    std::vector<MountEntry> mounts;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        MountEntry entry;
        if (!(fields >> entry.source >> entry.mountPoint >> entry.fsType)) {
            continue;
        }
        entry.source = DecodeOctal(entry.source);
        entry.mountPoint = DecodeOctal(entry.mountPoint);
        mounts.push_back(std::move(entry));
    }
    return mounts;
}

bool IsPseudoFileSystem(const std::string& fsType)
{
    static const std::set<std::string> pseudo = {
        "proc",    "sysfs",    "devtmpfs",        "devpts",      "cgroup",     "cgroup2",  "mqueue",
        "debugfs", "tracefs",  "securityfs",      "pstore",      "bpf",        "autofs",   "hugetlbfs",
        "fusectl", "configfs", "binfmt_misc",     "efivarfs",    "rpc_pipefs", "nsfs",     "selinuxfs",
        "ramfs",   "nfsd",     "fuse.gvfsd-fuse", "fuse.portal", "fuse.lxcfs", "squashfs", "overlay-ro"};
    return pseudo.count(fsType) != 0;
}

bool IsNetworkFileSystem(const std::string& fsType)
{
    static const std::set<std::string> network = {"nfs",   "nfs4",  "cifs",        "smb3",       "smbfs",
                                                  "ncpfs", "afs",   "ceph",        "glusterfs",  "fuse.sshfs",
                                                  "9p",    "davfs", "fuse.davfs2", "fuse.rclone"};
    return network.count(fsType) != 0;
}

static bool UnderSystemArea(const std::string& point)
{
    for (const char* area : {"/proc", "/sys", "/dev", "/run", "/snap"}) {
        std::string prefix = area;
        if (point == prefix || point.rfind(prefix + "/", 0) == 0) {
            return true;
        }
    }
    return false;
}

std::vector<MountEntry> MountsWorthShowing(const std::vector<MountEntry>& mounts)
{
    std::vector<MountEntry> shown;
    for (const MountEntry& mount : mounts) {
        if (IsPseudoFileSystem(mount.fsType) || UnderSystemArea(mount.mountPoint) || mount.mountPoint.empty() ||
            mount.mountPoint[0] != '/') {
            continue;
        }
        auto same = std::find_if(shown.begin(), shown.end(),
                                 [&](const MountEntry& m) { return m.mountPoint == mount.mountPoint; });
        if (same != shown.end()) {
            *same = mount;
        } else {
            shown.push_back(mount);
        }
    }
    std::sort(shown.begin(), shown.end(),
              [](const MountEntry& a, const MountEntry& b) { return a.mountPoint < b.mountPoint; });
    return shown;
}

std::string DriveNodeText(const DriveInfo& drive)
{
    const std::string& name = drive.networkName.empty() ? drive.label : drive.networkName;
    return drive.root + " [ " + name + " ]";
}

std::string DecodeLabelName(const std::string& encoded)
{
    std::string out;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '\\' && i + 3 < encoded.size() && encoded[i + 1] == 'x' &&
            std::isxdigit(static_cast<unsigned char>(encoded[i + 2])) &&
            std::isxdigit(static_cast<unsigned char>(encoded[i + 3]))) {
            out += static_cast<char>(std::stoi(encoded.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            out += encoded[i];
        }
    }
    return out;
}

static std::string RealPath(const std::string& path)
{
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved) == nullptr) {
        return {};
    }
    return resolved;
}

static std::string LabelOfDevice(const std::string& device)
{
    std::string target = RealPath(device);
    if (target.empty()) {
        return {};
    }
    const std::string folder = "/dev/disk/by-label/";
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        return {};
    }
    std::string label;
    while (const dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != ".." && RealPath(folder + name) == target) {
            label = DecodeLabelName(name);
            break;
        }
    }
    closedir(dir);
    return label;
}

static std::string ReadFirstLine(const std::string& path)
{
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    return line;
}

// Removable and optical flags come from the whole disk the device belongs to.
static DriveType TypeOfDevice(const std::string& source, const std::string& fsType)
{
    if (IsNetworkFileSystem(fsType)) {
        return DriveType::Network;
    }
    if (fsType == "iso9660" || fsType == "udf") {
        return DriveType::Optical;
    }
    std::string device = RealPath(source);
    if (device.rfind("/dev/", 0) != 0) {
        return DriveType::Fixed;
    }
    std::string name = device.substr(5);
    if (name.rfind("sr", 0) == 0) {
        return DriveType::Optical;
    }
    std::string sysPath = RealPath("/sys/class/block/" + name);
    if (sysPath.empty()) {
        return DriveType::Fixed;
    }
    std::string removable = ReadFirstLine(sysPath + "/removable");
    if (removable.empty()) {
        removable = ReadFirstLine(sysPath + "/../removable");
    }
    return removable == "1" ? DriveType::Removable : DriveType::Fixed;
}

std::vector<DriveInfo> DrivesFromMounts(const std::vector<MountEntry>& mounts)
{
    std::vector<DriveInfo> drives;
    for (const MountEntry& mount : MountsWorthShowing(mounts)) {
        struct stat info
        {};
        if (stat(mount.mountPoint.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) ||
            access(mount.mountPoint.c_str(), R_OK | X_OK) != 0) {
            continue;
        }
        DriveInfo drive;
        drive.root = mount.mountPoint.ends_with('/') ? mount.mountPoint : mount.mountPoint + "/";
        drive.type = TypeOfDevice(mount.source, mount.fsType);
        if (drive.type == DriveType::Network) {
            drive.networkName = mount.source;
        } else {
            drive.label = LabelOfDevice(mount.source);
        }
        drives.push_back(std::move(drive));
    }
    return drives;
}

std::vector<DriveInfo> ReadDrives()
{
    std::ifstream file("/proc/self/mounts");
    std::stringstream text;
    text << file.rdbuf();
    return DrivesFromMounts(ParseMountTable(text.str()));
}

} // namespace quillon
