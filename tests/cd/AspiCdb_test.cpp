#include "cd/AspiCdb.h"
#include "cd/AspiLayer.h"
#include "platform/scsi/SrbLayout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillon {
namespace {

std::vector<uint8_t> Bytes(const Cdb& c)
{
    return std::vector<uint8_t>(c.bytes.begin(), c.bytes.begin() + c.length);
}

TEST(AspiCdb, EveryCommandByteByByte)
{
    const uint8_t callerSelect[6] = {0x00, 0x10, 0x00, 0x00, 0x0C, 0x00};
    const uint8_t callerSense[6] = {0x77, 0x00, 0x01, 0x00, 0x0C, 0x00};
    const struct
    {
        const char* name;
        Cdb cdb;
        std::vector<uint8_t> expected;
    } rows[] = {
        {"INQUIRY", CdbInquiry(), {0x12, 0, 0, 0, 0x2C, 0}},
        {"six-byte exec", CdbSixByte(0x12, 0x12C), {0x12, 0, 0, 0, 0x2C, 0}},
        {"READ TOC", CdbReadToc(), {0x43, 0, 0, 0, 0, 0, 0x01, 0x08, 0, 0}},
        {"READ CD 10", CdbReadCd10(0x01020304, 0x0A0B), {0xBE, 0, 1, 2, 3, 4, 0, 0x0A, 0x0B, 0x10}},
        {"READ CD 12", CdbReadCd12(0x01020304, 0x0A0B), {0xBE, 0, 1, 2, 3, 4, 0, 0x0A, 0x0B, 0x10, 0, 0}},
        {"READ CD with Q", CdbReadCdQ(0x01020304), {0xBE, 0, 1, 2, 3, 4, 0, 0, 1, 0x10, 0x02, 0}},
        {"READ SUB-CHANNEL ISRC", CdbReadSubChannel(3, 12), {0x42, 0, 0x40, 3, 0, 0, 12, 0, 24, 0}},
        {"READ(10)", CdbRead10(0xA1B2C3D4, 26), {0x28, 0, 0xA1, 0xB2, 0xC3, 0xD4, 0, 0, 26, 0}},
        {"D4", CdbReadD4(150, 0x0102), {0xD4, 0, 0, 0, 0, 150, 0, 1, 2, 0}},
        {"custom 3C", CdbReadCustom10(0x3C, 1, 2), {0x3C, 0, 0, 0, 0, 1, 0, 0, 2, 0}},
        {"D8", CdbReadD8(0x00012345, 0x0304), {0xD8, 0, 0, 1, 0x23, 0x45, 0, 0, 3, 4, 0, 0}},
        {"READ(12)", CdbRead12(7, 0x0102), {0xA8, 0, 0, 0, 0, 7, 0, 0, 1, 2, 0, 0}},
        {"D9 of LBA 0, 75 sectors", CdbReadD9Msf(0, 75), {0xD9, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0}},
        {"D9 across a minute", CdbReadD9Msf(4500 - 150 - 1, 2), {0xD9, 0, 0, 0, 59, 74, 0, 1, 0, 1, 0, 0}},
        {"MODE SENSE(10) 2A", CdbModeSenseCapabilities(), {0x5A, 0, 0x2A, 0, 0, 0, 0, 0, 0x1C, 0}},
        {"MODE SELECT(6)", CdbModeSelect6(callerSelect), {0x15, 0x10, 0, 0, 0x0C, 0}},
        {"MODE SENSE(6)", CdbModeSense6(callerSense), {0x1A, 0, 1, 0, 0x0C, 0}},
        {"read of 0 sectors", CdbRead10(5, 0), {0x28, 0, 0, 0, 0, 5, 0, 0, 0, 0}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Bytes(row.cdb), row.expected) << row.name;
}

TEST(AspiCdb, ExecuteBlockLayout)
{
    uint8_t block[srb::kExecuteSize] = {};
    const Cdb cdb = CdbReadCd10(0x11223344, 4);
    BuildExecuteBlock(block, 3, 5, srb::kDataIn, 4 * 2352, 0xAABBCCDD, 0x01020304, cdb.bytes.data(), cdb.length);

    std::vector<uint8_t> expected(srb::kExecuteSize, 0);
    expected[0] = 2;
    expected[2] = 3;
    expected[3] = 0x48;
    expected[8] = 5;
    expected[12] = 0xC0; // 9408 = 0x24C0, little-endian
    expected[13] = 0x24;
    expected[16] = 0xDD;
    expected[17] = 0xCC;
    expected[18] = 0xBB;
    expected[19] = 0xAA;
    expected[20] = 32;
    expected[21] = 10;
    expected[24] = 0x04;
    expected[25] = 0x03;
    expected[26] = 0x02;
    expected[27] = 0x01;
    const uint8_t cdbBytes[] = {0xBE, 0, 0x11, 0x22, 0x33, 0x44, 0, 0, 4, 0x10};
    std::copy(std::begin(cdbBytes), std::end(cdbBytes), expected.begin() + 48);
    EXPECT_EQ(std::vector<uint8_t>(block, block + sizeof block), expected);

    uint8_t out[srb::kExecuteSize] = {};
    BuildExecuteBlock(out, 0, 0, srb::kDataOut, 12, 1, 2, cdb.bytes.data(), 6);
    EXPECT_EQ(out[3], 0x50) << "data out is posted by event too";
}

TEST(AspiCdb, SmallBlocksLayout)
{
    uint8_t ha[srb::kHostAdapterInquirySize];
    std::fill(std::begin(ha), std::end(ha), 0xEE);
    BuildHostAdapterInquiryBlock(ha, 2);
    std::vector<uint8_t> expectHa(60, 0);
    expectHa[2] = 2;
    EXPECT_EQ(std::vector<uint8_t>(ha, ha + 60), expectHa);

    uint8_t dt[srb::kDeviceTypeSize];
    std::fill(std::begin(dt), std::end(dt), 0xEE);
    BuildDeviceTypeBlock(dt, 1, 6);
    EXPECT_EQ(std::vector<uint8_t>(dt, dt + 16),
              (std::vector<uint8_t>{1, 0, 1, 0, 0, 0, 0, 0, 6, 0, 0, 0, 0, 0, 0, 0}));

    uint8_t ab[srb::kAbortSize];
    std::fill(std::begin(ab), std::end(ab), 0xEE);
    BuildAbortBlock(ab, 4, 0x0A0B0C0D);
    EXPECT_EQ(std::vector<uint8_t>(ab, ab + 16),
              (std::vector<uint8_t>{3, 0, 4, 0, 0, 0, 0, 0, 0x0D, 0x0C, 0x0B, 0x0A, 0, 0, 0, 0}));
}

TEST(AspiCdb, BounceBufferIsWholeUnitsAndLonger)
{
    const struct
    {
        uint32_t length, size;
    } rows[] = {{0, 16}, {1, 16}, {15, 16}, {16, 32}, {2352, 2368}, {44, 48}};
    for (const auto& row : rows)
        EXPECT_EQ(BounceBufferSize(row.length), row.size) << "length " << row.length;
}

TEST(AspiCdb, ResultCombinesStatusAndSenseKey)
{
    EXPECT_EQ(CombineResult(4, 0x05), 0x50004);
    EXPECT_EQ(CombineResult(4, 0xF3), 0x30004) << "only the low nibble of sense byte 2 is the key";
    EXPECT_EQ(CombineResult(1, 0), 1);
}

} // namespace
} // namespace quillon
