#include "FakeScsi.h"
#include "TestDisc.h"
#include "cd/AspiLayer.h"
#include "platform/scsi/ScsiManager.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace quillon {
namespace {

using testing::FakeScsiManager;

FakeScsiManager* LoadFake(int* adapters = nullptr)
{
    auto fake = std::make_unique<FakeScsiManager>();
    FakeScsiManager* raw = fake.get();
    const int n = aspi_load_manager(std::move(fake));
    if (adapters)
        *adapters = n;
    return raw;
}

// A TOC reply with `claimed` in its length field and `real` descriptors behind it.
ScsiOutcome TocReply(const ScsiRequest& r, int lengthField, int real)
{
    std::memset(r.data, 0, r.dataLength);
    r.data[0] = static_cast<uint8_t>(lengthField >> 8);
    r.data[1] = static_cast<uint8_t>(lengthField);
    for (int i = 0; i < real && 4 + 8 * i + 8 <= static_cast<int>(r.dataLength); ++i) {
        uint8_t* d = r.data + 4 + 8 * i;
        d[1] = 0x10;
        d[2] = static_cast<uint8_t>(i + 1);
        const uint32_t start = 1000u * i + 0x01000000u * (i == 1);
        d[4] = static_cast<uint8_t>(start >> 24);
        d[5] = static_cast<uint8_t>(start >> 16);
        d[6] = static_cast<uint8_t>(start >> 8);
        d[7] = static_cast<uint8_t>(start);
    }
    return GoodOutcome();
}

TEST(AspiLayer, LoadReportsAdaptersOrFailure)
{
    int n = 0;
    FakeScsiManager* fake = LoadFake(&n);
    (void)fake;
    EXPECT_EQ(n, 1);
    EXPECT_EQ(aspi_last_load_status(), 0);

    auto none = std::make_unique<FakeScsiManager>();
    none->adapters.clear();
    EXPECT_EQ(aspi_load_manager(std::move(none)), -1);
    EXPECT_EQ(aspi_last_load_status(), 0xE800) << "the raw support value is kept";

    EXPECT_EQ(aspi_load_manager(nullptr), -3);
    EXPECT_EQ(aspi_load_manager(LoadVirtualCdManager("/nonexistent/list")), -3);
}

TEST(AspiLayer, TocDescriptorCountFollowsTheLengthField)
{
    FakeScsiManager* fake = LoadFake();
    const struct
    {
        int lengthField, real, want;
        const char* name;
    } rows[] = {
        {2, 0, 0, "length 2: no descriptor"},
        {0x52, 10, 10, "length 0x52: ten descriptors"},
        {2 + 8 * 250, 250, 200, "more than the table: cut to 200"},
        {0xFFFF, 293, 200, "more than the reply buffer: cut"},
        {0, 0, 0, "length 0: nothing"},
    };
    for (const auto& row : rows) {
        fake->answer = [&](const ScsiRequest& r) { return TocReply(r, row.lengthField, row.real); };
        std::vector<TocEntry> table(kTocCapacity + 8);
        table[kTocCapacity].trackNumber = 0xEE;
        int count = -1;
        ASSERT_EQ(aspi_cd_read_toc(0, 0, count, table.data()), 1) << row.name;
        EXPECT_EQ(count, row.want) << row.name;
        EXPECT_EQ(table[kTocCapacity].trackNumber, 0xEE) << row.name << ": wrote past the table";
        if (count > 1) {
            EXPECT_EQ(table[1].start, 0x01000000u + 1000u) << "start converted to host order";
            EXPECT_EQ(table[1].adrControl, 0x10);
            EXPECT_EQ(table[1].trackNumber, 2);
        }
    }
    EXPECT_EQ(fake->sent.back().dataLength, 2352u);
}

TEST(AspiLayer, FailedCommandCarriesSenseKey)
{
    FakeScsiManager* fake = LoadFake();
    fake->answer = [](const ScsiRequest&) { return CheckCondition(5, 0x20); };
    uint8_t buffer[2352];
    EXPECT_EQ(aspi_device_read_blocks(0, 0, 0, 1, 2352, buffer), 0x50004);
    EXPECT_EQ(aspi_cd_read_audio_blocks(0, 0, 0, 1, buffer), 0x50004);
}

TEST(AspiLayer, ZeroSectorReadSendsZeroLength)
{
    FakeScsiManager* fake = LoadFake();
    uint8_t buffer[16];
    EXPECT_EQ(aspi_device_read_audio_blocks12(0, 0, 9, 0, buffer), 1);
    EXPECT_EQ(fake->sent.back().dataLength, 0u);
    EXPECT_EQ(fake->LastCdb(), (std::vector<uint8_t>{0xD8, 0, 0, 0, 0, 9, 0, 0, 0, 0, 0, 0}));
}

TEST(AspiLayer, HostAdapterInquiryOfMissingAdapterLeavesBuffers)
{
    LoadFake();
    char manager[17], adapter[17];
    std::memset(manager, 'm', sizeof manager);
    std::memset(adapter, 'a', sizeof adapter);
    EXPECT_EQ(aspi_inquire_host_adapter(3, manager, adapter), 0x81);
    EXPECT_EQ(manager[0], 'm');
    EXPECT_EQ(adapter[16], 'a');

    EXPECT_EQ(aspi_inquire_host_adapter(0, manager, adapter), 1);
    EXPECT_STREQ(adapter, "ATAPI           ");
    EXPECT_EQ(manager[16], '\0');
}

TEST(AspiLayer, InquiryTextsAreTerminatedAtTheirWidths)
{
    LoadFake();
    char vendor[9], product[17], revision[5];
    ASSERT_EQ(aspi_inquire_device(0, 0, vendor, product, revision), 1);
    EXPECT_STREQ(vendor, "VENDORXX");
    EXPECT_STREQ(product, "PRODUCT-NAME-16R");
    EXPECT_STREQ(revision, "EV1");

    int type = -1;
    EXPECT_EQ(aspi_get_device_type(0, 0, type), 1);
    EXPECT_EQ(type, 5);
    type = -1;
    EXPECT_NE(aspi_get_device_type(0, 4, type), 1);
    EXPECT_EQ(type, -1) << "the type is written only on success";
}

TEST(AspiLayer, ModeSelectAndSenseMoveTwelveBytes)
{
    FakeScsiManager* fake = LoadFake();
    const uint8_t cdb[6] = {0, 0x10, 0, 0, 0x0C, 0};
    const uint8_t header[4] = {0, 0, 0, 8};
    uint8_t descriptor[8] = {0x82, 0, 0, 0, 0, 0, 0x09, 0x30};
    ASSERT_EQ(aspi_mode_select(0, 0, cdb, descriptor, header), 1);
    EXPECT_EQ(fake->sent.back().direction, ScsiDirection::Out);
    EXPECT_EQ(fake->sent.back().dataOut, (std::vector<uint8_t>{0, 0, 0, 8, 0x82, 0, 0, 0, 0, 0, 0x09, 0x30}));

    fake->answer = [](const ScsiRequest& r) {
        for (uint32_t i = 0; i < r.dataLength; ++i)
            r.data[i] = static_cast<uint8_t>(0xA0 + i);
        return CheckCondition(2);
    };
    uint8_t h[4] = {}, d[8] = {};
    EXPECT_EQ(aspi_mode_sense(0, 0, cdb, d, h), 0x20004);
    EXPECT_EQ(h[0], 0xA0) << "copied back whatever the status";
    EXPECT_EQ(d[7], 0xAB);
    EXPECT_EQ(fake->LastCdb()[0], 0x1A);
}

TEST(AspiLayer, DebugLogOnlyWithDebugEntry)
{
    testing::TempDir dir;
    testing::ScopedChdir cd(dir.Path());
    LoadFake();
    struct stat st;
    EXPECT_NE(::stat("aspidbg.txt", &st), 0) << "no debug entry, no log";

    ::mkdir("debug", 0755);
    FakeScsiManager* fake = LoadFake();
    char vendor[9], product[17], revision[5];
    aspi_inquire_device(0, 0, vendor, product, revision);
    uint8_t buffer[2352];
    aspi_device_read_custom_audio_blocks10(0, 0, 0, 1, buffer, 0xD5);
    fake->answer = [](const ScsiRequest&) { return CheckCondition(3); };
    aspi_cd_read_audio_blocks(0, 0, 0, 1, buffer);
    const uint8_t cdb[6] = {};
    uint8_t d[8] = {}, h[4] = {};
    aspi_mode_select(0, 0, cdb, d, h);
    aspi_load_manager(nullptr); // closes the log

    const auto bytes = testing::ReadBinaryFile(dir / "aspidbg.txt");
    const std::string log(bytes.begin(), bytes.end());
    EXPECT_EQ(log.rfind("Debug started at ", 0), 0u) << log;
    const char* const lines[] = {
        "aspi_load OK returned 1\n",
        "aspi_inquire_device ha=0 target=0 vendor=VENDORXX prod=PRODUCT-NAME-16R revis=EV1 ret:1\n",
        "aspi_device_read_custom_audio_blocks10 : ha=0 target=0 cmd=213 ret=1\n",
        "aspi_cd_read_audio_blocks : ha=0 target=0 ret=196612\n",
        "aspi_mode_select : ha=0 target=0 ret=196612\n",
    };
    for (const char* line : lines)
        EXPECT_NE(log.find(line), std::string::npos) << line << "in\n" << log;
}

} // namespace
} // namespace quillon
