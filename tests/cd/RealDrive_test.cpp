// Real drives through SG_IO: only where the machine has a CD-ROM unit with a disc.

#include "cd/CdDrive.h"
#include "platform/scsi/ScsiManager.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(RealDrive, InquiryAndTocThroughSgIo)
{
    const int adapters = aspi_load_manager(LoadSgIoManager());
    if (adapters <= 0)
        GTEST_SKIP() << "no SCSI generic adapter on this machine";
    char manager[17], adapter[17];
    int found = 0;
    CdDrive drive;
    for (int a = 0; a < adapters && found == 0; ++a) {
        if (aspi_inquire_host_adapter(a, manager, adapter) != 1)
            continue;
        for (int t = 0; t < 8 && found == 0; ++t) {
            int type = -1;
            if (aspi_get_device_type(a, t, type) == 1 && type == 5) {
                ASSERT_EQ(drive.Init(a, t, adapter), 1) << "INQUIRY of CD[" << a << "," << t << "]";
                ++found;
            }
        }
    }
    if (found == 0)
        GTEST_SKIP() << "no CD-ROM unit on this machine";
    EXPECT_FALSE(drive.vendor.empty());
    DiscToc toc;
    int count = 0;
    if (drive.ReadToc(count, toc.data()) != 1)
        GTEST_SKIP() << "no disc in " << drive.vendor << " " << drive.product;
    EXPECT_GE(count, 2);
    EXPECT_EQ(toc[count - 1].trackNumber, 0xAA);
}

} // namespace
} // namespace quillon
