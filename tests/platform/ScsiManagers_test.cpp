#include "platform/scsi/ScsiRequest.h"
#include "platform/scsi/SgIo.h"
#include "platform/scsi/SrbLayout.h"
#include "platform/scsi/VirtualDriveList.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(VirtualDriveList, ParsesFieldsFlagsAndRelativeDiscs)
{
    std::vector<std::string> errors;
    const auto drives =
        ParseVirtualDriveList("# comment | x\n"
                              "\n"
                              "  ATAPI | HL-DT-ST | DVDRAM GH24NSD1 | LG00 | disc.cue\n"
                              "aic7xxx|TOSHIBA|CD-ROM XM-6201TA|1037|/abs/d.cue| swap | fail=100:5 fail=7:1\n"
                              "aic7xxx | PLEXTOR | CD-R PX-W4012A | 1.01 | none | modeselect nocdda delay=20\n",
                              "/base", errors);
    EXPECT_TRUE(errors.empty());
    ASSERT_EQ(drives.size(), 3u);
    EXPECT_EQ(drives[0].line, 3);
    EXPECT_EQ(drives[0].adapterIdentifier, "ATAPI");
    EXPECT_EQ(drives[0].vendor, "HL-DT-ST");
    EXPECT_EQ(drives[0].product, "DVDRAM GH24NSD1");
    EXPECT_EQ(drives[0].revision, "LG00");
    EXPECT_EQ(drives[0].disc, "/base/disc.cue");
    EXPECT_FALSE(drives[0].swap);
    EXPECT_EQ(drives[1].disc, "/abs/d.cue");
    EXPECT_TRUE(drives[1].swap);
    ASSERT_EQ(drives[1].faults.size(), 2u);
    EXPECT_EQ(drives[1].faults[0].lba, 100u);
    EXPECT_EQ(drives[1].faults[0].count, 5);
    EXPECT_EQ(drives[1].faults[1].lba, 7u);
    EXPECT_TRUE(drives[2].disc.empty()) << "none means no disc";
    EXPECT_TRUE(drives[2].modeSelect);
    EXPECT_TRUE(drives[2].noCdda);
    EXPECT_EQ(drives[2].delayMs, 20);
}

TEST(VirtualDriveList, WrongLinesAreReportedWithTheirNumbersAndSkipped)
{
    const struct
    {
        const char* line;
        const char* why;
    } rows[] = {
        {"ATAPI | V | P | R", "too few fields"},
        {"ATAPI | V | P | R | d.cue | wobble", "unknown flag"},
        {"ATAPI | V | P | R | d.cue | fail=12", "fault without count"},
        {"ATAPI | V | P | R | d.cue | fail=x:1", "fault with a bad LBA"},
        {"ATAPI | V | P | R | d.cue | delay=-5", "negative delay"},
        {" | V | P | R | d.cue", "empty adapter"},
        {"ATAPI | V | P | R |  ", "empty disc"},
    };
    for (const auto& row : rows) {
        std::vector<std::string> errors;
        const std::string text = std::string("ATAPI | A | B | C | none\n") + row.line + "\nATAPI | D | E | F | none\n";
        const auto drives = ParseVirtualDriveList(text, ".", errors);
        EXPECT_EQ(drives.size(), 2u) << row.why;
        ASSERT_EQ(errors.size(), 1u) << row.why;
        EXPECT_EQ(errors[0].rfind("line 2: ", 0), 0u) << row.why << ": " << errors[0];
    }
}

TEST(ScsiSense, FixedAndDescriptorFormats)
{
    const uint8_t fixed[18] = {0x70, 0, 0x03, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x11, 0x05};
    const uint8_t descriptor[8] = {0x72, 0x05, 0x24, 0x01};
    const uint8_t deferred[18] = {0xF1, 0, 0x06, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x29, 0x00};
    const struct
    {
        const uint8_t* data;
        size_t length;
        SenseData want;
        const char* name;
    } rows[] = {
        {fixed, sizeof fixed, {3, 0x11, 0x05}, "fixed"},
        {descriptor, sizeof descriptor, {5, 0x24, 0x01}, "descriptor"},
        {deferred, sizeof deferred, {6, 0x29, 0}, "deferred fixed with valid bit"},
        {fixed, 3, {3, 0, 0}, "cut after the key"},
        {fixed, 0, {0, 0, 0}, "nothing"},
    };
    for (const auto& row : rows) {
        const SenseData s = ParseSense(row.data, row.length);
        EXPECT_EQ(s.key, row.want.key) << row.name;
        EXPECT_EQ(s.asc, row.want.asc) << row.name;
        EXPECT_EQ(s.ascq, row.want.ascq) << row.name;
    }
}

TEST(ScsiSense, OutcomeLandsInTheBlockSenseArea)
{
    uint8_t block[srb::kExecuteSize] = {};
    block[srb::kSenseLength] = 32;
    std::fill(block + srb::kSenseArea, block + srb::kExecuteSize, 0xEE);
    StoreOutcome(block, CheckCondition(5, 0x64, 0));
    EXPECT_EQ(block[srb::kStatus], 4);
    EXPECT_EQ(block[srb::kTargetStatus], 2);
    EXPECT_EQ(block[srb::kSenseArea + 2], 5);
    EXPECT_EQ(block[srb::kSenseArea + 12], 0x64);
    EXPECT_EQ(block[srb::kSenseArea + 31], 0) << "the asked-for sense length is cleared";
    EXPECT_EQ(block[srb::kSenseArea + 32], 0xEE) << "nothing beyond the sense length is written";
}

TEST(SgIo, AdapterIdentifierRule)
{
    const struct
    {
        const char* driver;
        const char* id;
    } rows[] = {
        {"ahci", "ATAPI"},        {"ata_piix", "ATAPI"}, {"pata_via", "ATAPI"},  {"sata_nv", "ATAPI"},
        {"usb-storage", "ATAPI"}, {"uas", "ATAPI"},      {"aic7xxx", "aic7xxx"}, {"sym53c8xx", "sym53c8xx"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(AdapterIdentifierForDriver(row.driver), row.id) << row.driver;
}

TEST(SgIo, RequestBecomesHeader)
{
    uint8_t data[2352 * 2];
    ScsiRequest r;
    r.adapter = 1;
    r.target = 0;
    r.cdbLength = 12;
    const uint8_t cdb[12] = {0xBE, 0, 0, 0, 0, 9, 0, 0, 2, 0x10, 0, 0};
    std::copy(std::begin(cdb), std::end(cdb), r.cdb);
    r.direction = ScsiDirection::In;
    r.data = data;
    r.dataLength = sizeof data;
    uint8_t sense[32];
    sg_io_hdr_t h;
    BuildSgIoHeader(r, sense, sizeof sense, 5000, h);
    EXPECT_EQ(h.interface_id, 'S');
    EXPECT_EQ(h.dxfer_direction, SG_DXFER_FROM_DEV);
    EXPECT_EQ(h.cmd_len, 12);
    EXPECT_EQ(h.cmdp, r.cdb);
    EXPECT_EQ(h.dxferp, data);
    EXPECT_EQ(h.dxfer_len, sizeof data);
    EXPECT_EQ(h.sbp, sense);
    EXPECT_EQ(h.mx_sb_len, 32);
    EXPECT_EQ(h.timeout, 5000u);

    r.direction = ScsiDirection::Out;
    BuildSgIoHeader(r, sense, sizeof sense, 5000, h);
    EXPECT_EQ(h.dxfer_direction, SG_DXFER_TO_DEV);
    r.direction = ScsiDirection::None;
    BuildSgIoHeader(r, sense, sizeof sense, 5000, h);
    EXPECT_EQ(h.dxfer_direction, SG_DXFER_NONE);
    EXPECT_EQ(h.dxfer_len, 0u);
}

TEST(SgIo, HeaderBecomesOutcome)
{
    uint8_t sense[32] = {0x70, 0, 0x03, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x11, 0};
    const struct
    {
        const char* name;
        uint8_t status, host, driver, senseLength;
        int resid;
        bool fullTransfer;
        ScsiOutcome want;
    } rows[] = {
        {"good status", 0, 0, 0, 0, 0, true, {1, 0, {}, 0}},
        {"check condition with sense", 2, 0, 0x08, 18, 0, true, {4, 2, {3, 0x11, 0}, 0}},
        {"host error", 0, 0x01, 0, 0, 0, true, {4, 0, {}, 0}},
        {"driver error", 0, 0, 0x04, 0, 0, true, {4, 0, {}, 0}},
        {"kernel timeout (host)", 0, 0x03, 0, 0, 0, true, {0, 0, {}, srb::kHaCommandTimeout}},
        {"kernel timeout (driver)", 0, 0, 0x06, 0, 0, true, {0, 0, {}, srb::kHaCommandTimeout}},
        {"short read", 0, 0, 0, 0, 2352, true, {4, 0, {}, srb::kHaDataUnderrun}},
        {"short reply where the drive chooses its length", 0, 0, 0, 0, 100, false, {1, 0, {}, 0}},
    };
    for (const auto& row : rows) {
        sg_io_hdr_t h{};
        h.dxfer_direction = SG_DXFER_FROM_DEV;
        h.status = row.status;
        h.host_status = row.host;
        h.driver_status = row.driver;
        h.sb_len_wr = row.senseLength;
        h.mx_sb_len = sizeof sense;
        h.resid = row.resid;
        const ScsiOutcome o = OutcomeFromSgIo(h, sense, row.fullTransfer);
        EXPECT_EQ(o.status, row.want.status) << row.name;
        EXPECT_EQ(o.targetStatus, row.want.targetStatus) << row.name;
        EXPECT_EQ(o.sense.key, row.want.sense.key) << row.name;
        EXPECT_EQ(o.sense.asc, row.want.sense.asc) << row.name;
        EXPECT_EQ(o.adapterStatus, row.want.adapterStatus) << row.name;
    }
    EXPECT_TRUE(ReplyMayBeShort(0x43));
    EXPECT_FALSE(ReplyMayBeShort(0xD8)) << "a vendor read must deliver every byte";
}

} // namespace
} // namespace quillon
