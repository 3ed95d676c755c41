// Real drives as a desktop user has them, without hardware: sysfs and /dev in a
// temporary folder, SG_IO served by virtual units with the kernel's access rules.

#include "FakeSgSystem.h"
#include "RecordingWindow.h"
#include "TestDisc.h"
#include "cd/AudioGrab.h"
#include "cd/CdDrive.h"
#include "cd/CommandSense.h"
#include "cd/DriveQuirks.h"
#include "platform/scsi/ScsiManager.h"
#include "platform/scsi/SgDiscovery.h"
#include "platform/scsi/SrbLayout.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

using testing::FakeSgSystem;
using testing::MakeUnit;

std::string Joined(const std::vector<std::string>& lines)
{
    std::string out;
    for (const auto& l : lines)
        out += l + "\n";
    return out;
}

class SgDrives : public ::testing::Test
{
protected:
    testing::TempDir dir;
    testing::TestDisc disc = testing::MakeTestDisc(dir.Path(), "disc", {{false, 300}, {false, 150}});
    std::shared_ptr<FakeSgSystem> fake = std::make_shared<FakeSgSystem>(dir);

    // Loads a manager over the fake and returns the number of adapters.
    int Load() { return aspi_load_manager(LoadSgIoManager(fake, fake->Roots())); }

    // The drive of most tests: sr0 and sg1 of unit 1:0:0:0.
    void AddDrive(const std::string& flags = "", const std::string& driver = "ahci")
    {
        auto unit = MakeUnit("PLEXTOR", "DVDR PX-891SA", disc.cue, flags);
        fake->AddDevice("sr0", "1:0:0:0", unit, 5, driver);
        fake->AddDevice("sg1", "1:0:0:0", unit, 5, driver);
    }

    std::vector<std::string> PathsSent() const
    {
        std::vector<std::string> out;
        for (const auto& s : fake->sent)
            out.push_back(s.path.substr(s.path.rfind('/') + 1));
        return out;
    }
};

TEST_F(SgDrives, SrAndSgOfOneDriveAreOneUnitOpenedOnce)
{
    AddDrive();
    fake->AddDevice("sg0", "0:0:0:0", nullptr, 0); // a disk
    fake->AddDevice("sg2", "2:0:1:0", MakeUnit("OLD", "SG ONLY", disc.cue), 5, "aic7xxx");
    const auto units = DiscoverSgUnits(fake->Roots());
    ASSERT_EQ(units.size(), 2u) << "the disk is left out, the drive with sr0 and sg1 listed once";
    EXPECT_EQ(units[0].blockPath, fake->dev + "/sr0");
    EXPECT_EQ(units[0].sgPath, fake->dev + "/sg1");
    EXPECT_EQ(units[0].vendor, "PLEXTOR");
    EXPECT_EQ(units[0].model, "DVDR PX-891SA");
    EXPECT_TRUE(units[1].blockPath.empty());
    EXPECT_EQ(units[1].sgPath, fake->dev + "/sg2");
    EXPECT_EQ(units[1].target, 1);

    ASSERT_EQ(Load(), 3);
    char manager[17], adapter[17];
    ASSERT_EQ(aspi_inquire_host_adapter(1, manager, adapter), 1);
    EXPECT_STREQ(adapter, "ATAPI           ");
    ASSERT_EQ(aspi_inquire_host_adapter(2, manager, adapter), 1);
    EXPECT_STREQ(adapter, "aic7xxx         ");
    int type = -1;
    EXPECT_EQ(aspi_get_device_type(0, 0, type), srb::kNoDevice) << "the disk is no unit of ours";
    EXPECT_EQ(aspi_get_device_type(1, 0, type), 1);
    EXPECT_EQ(aspi_get_device_type(2, 1, type), 1);

    char v[9], p[17], r[5];
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(aspi_inquire_device(1, 0, v, p, r), 1);
        std::vector<uint8_t> sector(2352);
        ASSERT_EQ(aspi_cd_read_audio_blocks(1, 0, 10, 1, sector.data()), 1);
        EXPECT_EQ(sector, testing::PatternSectors(10, 1));
    }
    EXPECT_STREQ(v, "PLEXTOR ");
    EXPECT_EQ(fake->opens[fake->dev + "/sr0"], 1) << "opened once, not per command";
    EXPECT_EQ(fake->opens[fake->dev + "/sg1"], 0) << "sg is not needed for read-safe commands";
    EXPECT_EQ(fake->opens[fake->dev + "/sg2"], 1);
    ASSERT_EQ(fake->descriptors.at(100).first, fake->dev + "/sr0");
    EXPECT_TRUE(fake->descriptors.at(100).second) << "read-write where the user may";
    aspi_load_manager(nullptr);
    EXPECT_TRUE(fake->descriptors.empty()) << "descriptors are closed with the manager";
}

// Which device a command goes through, and what a user is told when none will do.
TEST_F(SgDrives, AccessRules)
{
    enum Command { VendorRead, ModeSelect };
    const struct
    {
        const char* name;
        bool srRead, srWrite, hasSg, sgRead, sgWrite, rawIo;
        Command command;
        const char* via;    // device the command went through; "" when refused
        const char* report; // part of the one line the user gets
    } rows[] = {
        {"vendor read through a writable sg", true, true, true, true, true, false, VendorRead, "sg1", ""},
        {"vendor read with CAP_SYS_RAWIO", true, true, true, true, true, true, VendorRead, "sr0", ""},
        {"vendor read, sg read-only", true, true, true, true, false, false, VendorRead, "",
         "/sr0: the kernel refused vendor read D8h: the block device passes it only to a process with CAP_SYS_RAWIO, "
         "and "},
        {"vendor read, no sg module", true, true, false, false, false, false, VendorRead, "", "(sudo modprobe sg)"},
        {"MODE SELECT on a writable sr", true, true, true, true, true, false, ModeSelect, "sr0", ""},
        {"MODE SELECT, sr read-only, sg writable", true, false, true, true, true, false, ModeSelect, "sg1", ""},
        {"MODE SELECT, read-only everywhere", true, false, false, false, false, false, ModeSelect, "",
         "/sr0: the kernel refused MODE SELECT(6): it needs the device opened read-write, and this user may only "
         "read it; "},
        {"sr refused, sg writable", false, false, true, true, true, false, VendorRead, "sg1", ""},
        {"sr and sg refused", false, false, true, false, false, false, VendorRead, "", "/sr0: Permission denied; "},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fake = std::make_shared<FakeSgSystem>(dir);
        ASSERT_EQ(std::system(("rm -rf '" + dir.Path() + "/sys' '" + dir.Path() + "/dev'").c_str()), 0);
        auto unit = MakeUnit("PLEXTOR", "PX-W4012A", disc.cue);
        fake->AddDevice("sr0", "1:0:0:0", unit);
        if (row.hasSg)
            fake->AddDevice("sg1", "1:0:0:0", unit);
        fake->At("sr0").mayRead = row.srRead;
        fake->At("sr0").mayWrite = row.srWrite;
        if (row.hasSg) {
            fake->At("sg1").mayRead = row.sgRead;
            fake->At("sg1").mayWrite = row.sgWrite;
        }
        fake->rawIo = row.rawIo;
        const bool found = Load() == 2;
        int type = -1;
        int32_t result = -1;
        if (found && aspi_get_device_type(1, 0, type) == 1) {
            std::vector<uint8_t> sector(2352);
            const uint8_t cdb[6] = {0x15, 0x10, 0, 0, 12, 0};
            const uint8_t header[4] = {0, 0, 0, 8};
            const uint8_t block[8] = {0, 0, 0, 0, 0, 0x00, 0x09, 0x30};
            result = row.command == VendorRead ? aspi_device_read_audio_blocks12(1, 0, 20, 1, sector.data())
                                               : aspi_mode_select(1, 0, cdb, block, header);
            if (result == 1 && row.command == VendorRead) {
                EXPECT_EQ(sector, testing::PatternSectors(20, 1));
            }
            if (result == 1 && row.command == ModeSelect) {
                EXPECT_EQ(unit->BlockLength(), 2352u);
            }
        }
        const auto sent = PathsSent();
        if (*row.via) {
            EXPECT_EQ(result, 1);
            ASSERT_FALSE(sent.empty());
            EXPECT_EQ(sent.back(), row.via);
            EXPECT_TRUE(fake->reports.empty()) << Joined(fake->reports);
        } else {
            EXPECT_NE(result, 1);
            ASSERT_EQ(fake->reports.size(), 1u) << Joined(fake->reports);
            EXPECT_NE(fake->reports[0].find(row.report), std::string::npos) << fake->reports[0];
        }
    }
}

// Sense, timeouts and short transfers reach the caller, the debug log and the texts
// the command line shows.
TEST_F(SgDrives, FailedCommandsKeepTheirSense)
{
    AddDrive("fail=40:1");
    fake->AddDevice("sr1", "2:0:0:0", MakeUnit("EMPTY", "TRAY", ""));
    testing::WriteTextFile(dir / "debug", "");
    testing::ScopedChdir cd(dir.Path());
    ASSERT_EQ(Load(), 3);
    std::vector<uint8_t> buffer(2 * 2352, 0xEE);

    int count = 0;
    TocEntry toc[kTocCapacity];
    EXPECT_EQ(aspi_cd_read_toc(2, 0, count, toc), 0x20004) << "NOT READY in the designed result";
    EXPECT_EQ(DescribeCommandFailure(aspi_last_command()), "not ready, ASC 3Ah, ASCQ 00h (medium not present)");

    EXPECT_EQ(aspi_cd_read_audio_blocks(1, 0, 39, 2, buffer.data()), 0x30004);
    const AspiCommandRecord medium = aspi_last_failed_read();
    EXPECT_STREQ(medium.name, "aspi_cd_read_audio_blocks");
    EXPECT_EQ(medium.sense.key, 3);
    EXPECT_EQ(medium.sense.asc, 0x11);
    EXPECT_EQ(DescribeCommandFailure(medium), "medium error, ASC 11h, ASCQ 00h (unrecovered read error)");
    uint8_t modeCdb[6] = {0x1A, 0, 0, 0, 12, 0}, header[4] = {}, block[8] = {};
    EXPECT_EQ(aspi_mode_sense(1, 0, modeCdb, block, header), 1);
    EXPECT_EQ(aspi_last_failed_read().sense.key, 3) << "other commands leave the failed read alone";

    fake->shortReadsLeft = 1;
    EXPECT_NE(aspi_cd_read_audio_blocks(1, 0, 50, 2, buffer.data()), 1) << "a short transfer is a failed read";
    EXPECT_EQ(aspi_last_failed_read().adapterStatus, srb::kHaDataUnderrun);

    fake->timeoutsLeft = 1;
    EXPECT_EQ(aspi_cd_read_audio_blocks(1, 0, 60, 2, buffer.data()), 0) << "a timed-out command reports status 0";
    EXPECT_EQ(DescribeCommandFailure(aspi_last_failed_read()), "no answer within the timeout");
    ASSERT_EQ(fake->reports.size(), 1u);
    EXPECT_NE(fake->reports[0].find("/sr0: the drive did not answer READ CD within 5 s"), std::string::npos)
        << fake->reports[0];
    ASSERT_EQ(aspi_cd_read_audio_blocks(1, 0, 60, 2, buffer.data()), 1) << "the unit stays usable";
    EXPECT_EQ(buffer, testing::PatternSectors(60, 2));
    EXPECT_EQ(DescribeCommandFailure(aspi_last_failed_read()), "") << "a good read clears the failed one";
    aspi_load_manager(nullptr);

    const auto log = testing::ReadBinaryFile(dir / "aspidbg.txt");
    const std::string text(log.begin(), log.end());
    for (const char* line : {
             "aspi_cd_read_toc : ha=2 target=0 ret=131076\n"
             "aspi_cd_read_toc : ha=2 target=0 failed with not ready, ASC 3Ah, ASCQ 00h (medium not present)\n",
             "aspi_cd_read_audio_blocks : ha=1 target=0 ret=196612\n"
             "aspi_cd_read_audio_blocks : ha=1 target=0 failed with medium error, ASC 11h, ASCQ 00h",
             "aspi_cd_read_audio_blocks : ha=1 target=0 failed with short transfer",
             "aspi_cd_read_audio_blocks : ha=1 target=0 ret=0\n"
             "aspi_cd_read_audio_blocks : ha=1 target=0 failed with no answer within the timeout\n",
         })
        EXPECT_NE(text.find(line), std::string::npos) << line << "\nin\n" << text;
}

TEST(CommandSense, Descriptions)
{
    const struct
    {
        AspiCommandRecord record;
        const char* want;
    } rows[] = {
        {{"r", 1, {}, 0}, ""},
        {{"r", 0x50004, {5, 0x64, 0}, 0}, "illegal request, ASC 64h, ASCQ 00h (illegal mode for this track)"},
        {{"r", 0x60004, {6, 0x28, 0}, 0}, "unit attention, ASC 28h, ASCQ 00h (medium may have changed)"},
        {{"r", 0x40004, {4, 0x44, 0x01}, 0}, "hardware error, ASC 44h, ASCQ 01h"},
        {{"r", 0x20004, {2, 0x04, 0x01}, 0}, "not ready, ASC 04h, ASCQ 01h (becoming ready)"},
        {{"r", 4, {}, srb::kHaDataUnderrun}, "short transfer (fewer bytes than asked for)"},
        {{"r", 4, {}, 0}, ""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(DescribeCommandFailure(row.record), row.want) << row.want;
}

// A grab through the SG_IO path, byte for byte: an IDE unit reads with READ CD through
// its block device, a SCSI unit with the vendor read D8h of its quirks through sg.
TEST_F(SgDrives, GrabMatchesTheImage)
{
    const struct
    {
        const char* driver;
        const char* tosharc;
        const char* via;
    } rows[] = {
        {"ahci", "", "sr0"},
        {"aic7xxx", "\"PLEXTOR\" \"\" \"\" D8 0 0 0 26 0\n", "sg1"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.driver);
        fake = std::make_shared<FakeSgSystem>(dir);
        ASSERT_EQ(
            std::system(("rm -rf '" + dir.Path() + "/sys' '" + dir.Path() + "/dev' '" + dir.Path() + "/out'").c_str()),
            0);
        ::mkdir((dir / "out").c_str(), 0755);
        AddDrive("", row.driver);
        testing::WriteTextFile(dir / "tosharc", row.tosharc);
        testing::ScopedChdir cd(dir.Path());
        SetScsiManagerFactory([this] { return LoadSgIoManager(fake, fake->Roots()); });
        ResetDriveQuirks();
        DriveTable drives;
        ASSERT_EQ(DetectDrives(drives), 1);
        DiscToc toc;
        int count = 0;
        ASSERT_EQ(drives[0].ReadToc(count, toc.data()), 1);
        testing::RecordingWindow window;
        fake->sent.clear();
        EXPECT_EQ(AudioGrab(
                      drives[0], {{0, "Track01"}, {1, "Track02"}},
                      [&](const std::string&) { return std::optional(dir / "out"); }, window),
                  GrabOutcome::Completed);
        SetScsiManagerFactory(nullptr);
        ResetDriveQuirks();
        for (int t = 0; t < 2; ++t) {
            const auto wav = testing::ReadBinaryFile(dir / ("out/Track0" + std::to_string(t + 1) + ".WAV"));
            ASSERT_EQ(wav.size(), 44u + (t == 0 ? 300u : 150u) * 2352u);
            EXPECT_TRUE(std::equal(wav.begin() + 44, wav.end(),
                                   testing::PatternSectors(disc.starts[t], t == 0 ? 300 : 150).begin()))
                << "track " << t + 1;
        }
        for (const auto& path : PathsSent())
            ASSERT_EQ(path, row.via);
        aspi_load_manager(nullptr);
    }
}

} // namespace
} // namespace quillon
