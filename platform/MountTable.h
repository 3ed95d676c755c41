#pragma once

#include <string>
#include <vector>

namespace quillon {

// The picture a drive node gets in the folder tree, by its index in the image list.
enum class DriveType {
    Removable = 0,
    Fixed = 1,
    Optical = 2,
    Network = 3,
};

struct MountEntry
{
    std::string source;
    std::string mountPoint;
    std::string fsType;
};

// A "drive" of the folder tree: a mounted file system worth showing.
struct DriveInfo
{
    std::string root;  // mount point ending in "/"
    std::string label; // file-system label, empty when none
    DriveType type = DriveType::Fixed;
    std::string networkName; // the share ("server:/export") of a network mount
};

// Lines of /proc/self/mounts; octal escapes (\040 for a blank) are decoded.
std::vector<MountEntry> ParseMountTable(const std::string& text);

// Kernel and virtual file systems that hold no user folders.
bool IsPseudoFileSystem(const std::string& fsType);
bool IsNetworkFileSystem(const std::string& fsType);

// The mounts worth showing, sorted by mount point, each mount point once (the last mount
// over a point is the one visible there).
std::vector<MountEntry> MountsWorthShowing(const std::vector<MountEntry>& mounts);

// "%s [ %s ]" with the root and the label (or the network name).
std::string DriveNodeText(const DriveInfo& drive);

// The label of a device from the names in a by-label folder: the entry whose link
// resolves to the device, with "\x20"-style escapes decoded. Empty when none does.
std::string DecodeLabelName(const std::string& encoded);

// Reads the drives of this machine: /proc/self/mounts, labels from /dev/disk/by-label,
// removable and optical flags from /sys/block. Mount points that are not readable
// folders are left out, like drives without a medium.
std::vector<DriveInfo> ReadDrives();
std::vector<DriveInfo> DrivesFromMounts(const std::vector<MountEntry>& mounts);

} // namespace quillon
