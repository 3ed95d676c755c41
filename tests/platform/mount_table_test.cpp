#include <gtest/gtest.h>

#include "platform/MountTable.h"
#include "tests/support/TempFolder.h"

namespace quillon {
namespace {

const char* kMounts = "overlay / overlay rw,relatime 0 0\n"
                      "proc /proc proc rw,nosuid 0 0\n"
                      "tmpfs /dev tmpfs rw,nosuid 0 0\n"
                      "sysfs /sys sysfs ro 0 0\n"
                      "/dev/sda1 /home ext4 rw 0 0\n"
                      "/dev/sdb1 /media/user/My\\040Stick vfat rw 0 0\n"
                      "server:/export /mnt/share nfs4 rw 0 0\n"
                      "tmpfs /run/user/1000 tmpfs rw 0 0\n"
                      "/dev/sda2 /home ext4 rw 0 0\n"
                      "binfmt_misc /proc/sys/fs/binfmt_misc binfmt_misc rw 0 0\n"
                      "tmpfs /tmp tmpfs rw 0 0\n"
                      "short line\n";

TEST(MountTable, ParsesEntriesAndDecodesEscapes)
{
    std::vector<MountEntry> mounts = ParseMountTable(kMounts);
    ASSERT_EQ(mounts.size(), 11u);
    EXPECT_EQ(mounts[5].mountPoint, "/media/user/My Stick");
    EXPECT_EQ(mounts[5].source, "/dev/sdb1");
    EXPECT_EQ(mounts[6].fsType, "nfs4");
}

TEST(MountTable, ShowsUserFileSystemsOncePerMountPoint)
{
    std::vector<MountEntry> shown = MountsWorthShowing(ParseMountTable(kMounts));
    std::vector<std::string> points;
    for (const MountEntry& m : shown) {
        points.push_back(m.mountPoint);
    }
    EXPECT_EQ(points, (std::vector<std::string>{"/", "/home", "/media/user/My Stick", "/mnt/share", "/tmp"}));
    // The later mount over /home hides the earlier one.
    EXPECT_EQ(shown[1].source, "/dev/sda2");
}

TEST(MountTable, NodeTexts)
{
    struct Row
    {
        DriveInfo drive;
        const char* text;
    };
    const Row rows[] = {
        {{"/", "SYSTEM", DriveType::Fixed, ""}, "/ [ SYSTEM ]"},
        {{"/home/", "", DriveType::Fixed, ""}, "/home/ [  ]"},
        {{"/mnt/share/", "", DriveType::Network, "server:/export"}, "/mnt/share/ [ server:/export ]"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(DriveNodeText(row.drive), row.text);
    }
    EXPECT_EQ(DecodeLabelName("My\\x20Disc"), "My Disc");
    EXPECT_EQ(DecodeLabelName("AUDIO"), "AUDIO");
}

TEST(MountTable, DrivesLeaveOutUnreadableMountPoints)
{
    testing_support::TempFolder root;
    root.MakeFolder("data");
    root.MakeFile("a-file");
    std::vector<MountEntry> mounts = {
        {"/dev/nonexistent1", root / "data", "ext4"},
        {"/dev/nonexistent2", root / "missing", "ext4"},
        {"/dev/nonexistent3", root / "a-file", "ext4"}, // a bind-mounted file is no drive
        {"host:/srv", root.Path(), "nfs"},
        {"/dev/sr7", root / "data", "iso9660"},
    };
    std::vector<DriveInfo> drives = DrivesFromMounts(mounts);
    ASSERT_EQ(drives.size(), 2u);
    EXPECT_EQ(drives[0].root, root.Path() + "/");
    EXPECT_EQ(drives[0].type, DriveType::Network);
    EXPECT_EQ(drives[0].networkName, "host:/srv");
    EXPECT_EQ(drives[1].root, root.Path() + "/data/");
    EXPECT_EQ(drives[1].type, DriveType::Optical);
}

} // namespace
} // namespace quillon
