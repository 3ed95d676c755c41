#include "FakeScsi.h"
#include "TestDisc.h"
#include "cd/CdDrive.h"
#include "cd/DriveQuirks.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(DriveQuirks, LineParsing)
{
    const struct
    {
        const char* line;
        bool parsed;
        const char* vendor;
        const char* product;
        const char* revision;
        int opcode, modeSelect, density, swap, sectors, reserved;
    } rows[] = {
        {"\"V\" \"P\" \"\" D8 1 82 0 26 0\n", true, "V", "P", "", 0xD8, 1, 0x82, 0, 26, 0},
        {"\"TOSHIBA\" \"CD-ROM XM\" \"1\" 28 0 0 1 8 7\r\n", true, "TOSHIBA", "CD-ROM XM", "1", 0x28, 0, 0, 1, 8, 7},
        {"#\"V\" \"P\" \"\" D8 1 82 0 26 0\n", false, "", "", "", 0, 0, 0, 0, 0, 0},
        {"\"\" \"\" 3C\n", false, "", "", "", 0, 0, 0, 0, 0, 0},               // 9 characters with its line end
        {"\"V\" \"P\" D8 1 82 0 26 0\n", false, "", "", "", 0, 0, 0, 0, 0, 0}, // two quoted texts
        {"\"V\" \"P\" \"R\" D8 1 82\n", false, "", "", "", 0, 0, 0, 0, 0, 0},  // numbers missing
        {"\"ABCDEFGHIJKLMNOPQRSTUVWXYZ\" \"P\" \"R\" be 0 0 0 4 0\n", true, "ABCDEFGHIJKLMNOPQRS", "P", "R", 0xBE, 0, 0,
         0, 4, 0},
        {"\"V\" \"P\" \"R\" A8 0 0 0 500 0\n", true, "V", "P", "R", 0xA8, 0, 0, 0, 128, 0},
        {"\"V\" \"P\" \"R\" A8 0 0 0 0 0\n", true, "V", "P", "R", 0xA8, 0, 0, 0, 1, 0},
        {"\"V\" \"P\" \"R\" A8 0 0 0 -3 0\n", true, "V", "P", "R", 0xA8, 0, 0, 0, 1, 0},
    };
    for (const auto& row : rows) {
        DriveQuirk q;
        ASSERT_EQ(ParseDriveQuirkLine(row.line, q), row.parsed) << row.line;
        if (!row.parsed)
            continue;
        EXPECT_STREQ(q.vendor, row.vendor) << row.line;
        EXPECT_STREQ(q.product, row.product) << row.line;
        EXPECT_STREQ(q.revision, row.revision) << row.line;
        EXPECT_EQ(q.opcode, row.opcode) << row.line;
        EXPECT_EQ(q.modeSelect, row.modeSelect) << row.line;
        EXPECT_EQ(q.density, row.density) << row.line;
        EXPECT_EQ(q.byteSwap, row.swap) << row.line;
        EXPECT_EQ(q.sectorsPerRead, row.sectors) << row.line;
        EXPECT_EQ(q.reserved, row.reserved) << row.line;
    }
}

TEST(DriveQuirks, FileKeepsUsableLinesInOrder)
{
    testing::TempDir dir;
    testing::WriteTextFile(dir / "tosharc", "# quirks\n"
                                            "short\n"
                                            "\"A\" \"B\" \"\" D4 0 0 0 10 0\n"
                                            "\"only one\" quoted D4 0 0 0 10 0\n"
                                            "\"A\" \"\" \"\" D8 0 0 0 12 0\n");
    std::vector<DriveQuirk> table;
    ASSERT_TRUE(ReadDriveQuirksFile(dir / "tosharc", table));
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table[0].opcode, 0xD4);
    EXPECT_EQ(table[1].opcode, 0xD8);
    EXPECT_FALSE(ReadDriveQuirksFile(dir / "missing", table));

    std::string many;
    for (int i = 0; i < 300; ++i)
        many += "\"V\" \"P\" \"R\" 28 0 0 0 4 " + std::to_string(i) + "\n";
    testing::WriteTextFile(dir / "many", many);
    table.clear();
    ReadDriveQuirksFile(dir / "many", table);
    EXPECT_EQ(table.size(), 256u) << "the table holds 256 entries";
}

// A drive initialised on a fake unit after the given quirks file, with its reads recorded.
struct QuirkedDrive
{
    testing::FakeScsiManager* fake = nullptr;
    CdDrive drive;
};

QuirkedDrive InitWithQuirks(const std::string& quirks, const std::string& adapterId)
{
    testing::TempDir dir;
    testing::ScopedChdir cd(dir.Path());
    testing::WriteTextFile("tosharc", quirks);
    ResetDriveQuirks();
    auto fake = std::make_unique<testing::FakeScsiManager>();
    QuirkedDrive q;
    q.fake = fake.get();
    aspi_load_manager(std::move(fake));
    q.drive.Init(0, 0, adapterId.c_str());
    ResetDriveQuirks();
    return q;
}

TEST(CdDrive, ReadMethodFromQuirksAndBus)
{
    const struct
    {
        const char* quirks;
        const char* adapter;
        std::vector<uint8_t> cdb;
        const char* name;
    } rows[] = {
        {"", "aic7xxx", {0x28, 0, 0, 0, 0, 9, 0, 0, 3, 0}, "no quirks file entry: READ(10)"},
        {"\"VENDOR\" \"\" \"\" BE 0 0 0 4 0\n",
         "aic7xxx",
         {0xBE, 0, 0, 0, 0, 9, 0, 0, 3, 0x10, 0, 0},
         "BE on SCSI: 12-byte READ CD"},
        {"\"VENDOR\" \"\" \"\" BE 0 0 0 4 0\n",
         "atapi",
         {0xBE, 0, 0, 0, 0, 9, 0, 0, 3, 0x10},
         "lower-case atapi is IDE: 10-byte READ CD"},
        {"\"VENDOR\" \"\" \"\" 28 0 0 0 4 0\n",
         "ESDI_506 x",
         {0xBE, 0, 0, 0, 0, 9, 0, 0, 3, 0x10},
         "IDE whatever the entry says"},
        {"\"VENDOR\" \"\" \"\" D8 0 0 0 4 0\n", "aic7xxx", {0xD8, 0, 0, 0, 0, 9, 0, 0, 0, 3, 0, 0}, "D8"},
        {"\"VENDOR\" \"\" \"\" D4 0 0 0 4 0\n", "aic7xxx", {0xD4, 0, 0, 0, 0, 9, 0, 0, 3, 0}, "D4"},
        {"\"VENDOR\" \"\" \"\" A8 0 0 0 4 0\n", "aic7xxx", {0xA8, 0, 0, 0, 0, 9, 0, 0, 0, 3, 0, 0}, "A8"},
        {"\"VENDOR\" \"\" \"\" 3C 0 0 0 4 0\n", "aic7xxx", {0x3C, 0, 0, 0, 0, 9, 0, 0, 3, 0}, "3C: custom"},
        {"\"vendorxx\" \"product\" \"ev\" D4 0 0 0 4 0\n\"VENDOR\" \"\" \"\" D8 0 0 0 4 0\n",
         "aic7xxx",
         {0xD4, 0, 0, 0, 0, 9, 0, 0, 3, 0},
         "case-insensitive prefixes; the earlier line wins"},
        {"\"VENDORXY\" \"\" \"\" D4 0 0 0 4 0\n",
         "aic7xxx",
         {0x28, 0, 0, 0, 0, 9, 0, 0, 3, 0},
         "longer entry text does not match"},
    };
    for (const auto& row : rows) {
        QuirkedDrive q = InitWithQuirks(row.quirks, row.adapter);
        std::vector<uint8_t> buffer(3 * 2352);
        EXPECT_EQ(q.drive.ReadAudio(9, 3, buffer.data()), 1) << row.name;
        EXPECT_EQ(q.fake->LastCdb(), row.cdb) << row.name;
        EXPECT_EQ(q.fake->sent.back().dataLength, 3u * 2352) << row.name;
    }
}

TEST(CdDrive, DefaultsWithoutQuirks)
{
    QuirkedDrive q = InitWithQuirks("", "aic7xxx");
    EXPECT_EQ(q.drive.bus, "SCSI");
    EXPECT_EQ(q.drive.isScsi, 1);
    EXPECT_EQ(q.drive.readMethod, 40);
    EXPECT_EQ(q.drive.sectorsPerRead, 4);
    EXPECT_EQ(q.drive.needsModeSelect, 0);
    EXPECT_EQ(q.drive.byteSwap, 0);
    EXPECT_EQ(q.drive.vendor, "VENDORXX");
    EXPECT_EQ(q.drive.product, "PRODUCT-NAME-16R");
    EXPECT_EQ(q.drive.revision, "EV1");
    const size_t before = q.fake->sent.size();
    EXPECT_EQ(q.drive.PrepareForAudio(), 1);
    EXPECT_EQ(q.drive.RestoreAfterAudio(), 1);
    EXPECT_EQ(q.fake->sent.size(), before) << "nothing sent without mode select";
    uint8_t caps[32];
    std::memset(caps, 0xFF, sizeof caps);
    EXPECT_EQ(q.drive.GetCapabilities(caps), 1);
    EXPECT_TRUE(CdDrive::SupportsRawAudio(caps)) << "SCSI units always claim CD-DA";
    EXPECT_EQ(caps[0], 0);
}

TEST(CdDrive, ModeSelectPrepareAndRestore)
{
    QuirkedDrive q = InitWithQuirks("\"VENDOR\" \"\" \"\" D8 1 82 0 26 0\n", "aic7xxx");
    EXPECT_EQ(q.drive.sectorsPerRead, 26);
    EXPECT_EQ(q.drive.densityCode, 0x82);
    ASSERT_EQ(q.drive.PrepareForAudio(), 1);
    EXPECT_EQ(q.fake->LastCdb(), (std::vector<uint8_t>{0x15, 0x10, 0, 0, 0x0C, 0}));
    EXPECT_EQ(q.fake->sent.back().dataOut, (std::vector<uint8_t>{0, 0, 0, 8, 0x82, 0, 0, 0, 0, 0, 0x09, 0x30}));
    ASSERT_EQ(q.drive.RestoreAfterAudio(), 1);
    EXPECT_EQ(q.fake->sent.back().dataOut, (std::vector<uint8_t>{0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0x08, 0x00}));

    QuirkedDrive ide = InitWithQuirks("\"VENDOR\" \"\" \"\" D8 1 82 0 26 0\n", "ATAPI");
    const size_t before = ide.fake->sent.size();
    EXPECT_EQ(ide.drive.PrepareForAudio(), 1);
    EXPECT_EQ(ide.fake->sent.size(), before) << "IDE units are never switched";
}

TEST(CdDrive, SwapOnlyForScsiAfterSuccess)
{
    for (const char* adapter : {"aic7xxx", "ATAPI"}) {
        QuirkedDrive q = InitWithQuirks("\"VENDOR\" \"\" \"\" D8 0 0 1 4 0\n", adapter);
        q.fake->answer = [](const ScsiRequest& r) {
            for (uint32_t i = 0; i < r.dataLength; ++i)
                r.data[i] = static_cast<uint8_t>(i);
            return GoodOutcome();
        };
        std::vector<uint8_t> buffer(2352);
        ASSERT_EQ(q.drive.ReadAudio(0, 1, buffer.data()), 1);
        const bool scsi = std::string(adapter) == "aic7xxx";
        EXPECT_EQ(buffer[0], scsi ? 1 : 0) << adapter;
        EXPECT_EQ(buffer[2351], scsi ? static_cast<uint8_t>(2350) : static_cast<uint8_t>(2351)) << adapter;
    }
}

TEST(CdDrive, DetectionKeepsTheFirstSevenUnits)
{
    testing::TempDir dir;
    std::string list;
    for (int i = 0; i < 9; ++i)
        list += std::string(i < 5 ? "ATAPI" : "aic7xxx") + " | VEND" + std::to_string(i) + " | PROD | 1.0 | none\n";
    testing::WriteTextFile(dir / "drives", list);
    testing::ScopedVirtualCd env(dir / "drives");
    DriveTable drives;
    ASSERT_EQ(DetectDrives(drives), 7);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(drives[i].vendor, "VEND" + std::to_string(i) + "   ");
        EXPECT_EQ(drives[i].hostAdapter, i < 5 ? 0 : 1);
        EXPECT_EQ(drives[i].target, i < 5 ? i : i - 5);
        EXPECT_EQ(drives[i].bus, i < 5 ? "IDE" : "SCSI");
    }
}

TEST(CdDrive, DetectionWithoutUnits)
{
    testing::TempDir dir;
    testing::WriteTextFile(dir / "drives", "# nothing here\n");
    testing::ScopedVirtualCd env(dir / "drives");
    DriveTable drives;
    EXPECT_EQ(DetectDrives(drives), -1);
}

TEST(CdDrive, CapabilitiesOfVirtualUnits)
{
    testing::TempDir dir;
    testing::WriteTextFile(dir / "drives", "ATAPI | Q | PLAIN | 1 | none\n"
                                           "ATAPI | Q | NO CDDA | 1 | none | nocdda\n"
                                           "aic7xxx | Q | SCSI NO CDDA | 1 | none | nocdda\n");
    testing::ScopedVirtualCd env(dir / "drives");
    DriveTable drives;
    ASSERT_EQ(DetectDrives(drives), 3);
    const bool expected[] = {true, false, true};
    for (int i = 0; i < 3; ++i) {
        uint8_t caps[32] = {};
        ASSERT_EQ(drives[i].GetCapabilities(caps), 1) << drives[i].product;
        EXPECT_EQ(CdDrive::SupportsRawAudio(caps), expected[i]) << drives[i].product;
    }
}

TEST(CdDrive, VirtualUnitAnswersWhatItKnowsOnly)
{
    testing::TempDir dir;
    testing::MakeTestDisc(dir.Path(), "disc", {{false, 200}});
    testing::WriteTextFile(dir / "drives", "aic7xxx | Q | UNIT | 1 | disc.cue\n");
    testing::ScopedVirtualCd env(dir / "drives");
    DriveTable drives;
    ASSERT_EQ(DetectDrives(drives), 1);
    std::vector<uint8_t> buffer(2 * 2352);
    EXPECT_EQ(aspi_device_read_custom_audio_blocks10(0, 0, 0, 1, buffer.data(), 0x3C), 0x50004)
        << "an unknown opcode gets sense key 5";
    EXPECT_EQ(aspi_device_read_audio_blocks12MSF(0, 0, 100, 2, buffer.data()), 1);
    EXPECT_EQ(buffer[0], testing::PatternByte(100, 0));
    EXPECT_EQ(buffer[2352], testing::PatternByte(101, 0));
    EXPECT_EQ(aspi_cd_read_audio_blocks(0, 0, 199, 2, buffer.data()), 0x50004) << "past the lead-out";
    uint8_t header[4] = {}, descriptor[8] = {};
    const uint8_t cdb[6] = {0x1A, 0, 0, 0, 12, 0};
    ASSERT_EQ(drives[0].SetBlockMode(0x82, 2352), 1);
    ASSERT_EQ(aspi_mode_sense(0, 0, cdb, descriptor, header), 1);
    EXPECT_EQ(descriptor[0], 0x82);
    EXPECT_EQ(descriptor[6], 0x09);
    EXPECT_EQ(descriptor[7], 0x30);
}

} // namespace
} // namespace quillon
