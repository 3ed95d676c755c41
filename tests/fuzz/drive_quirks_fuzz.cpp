// The drive quirks file "tosharc", whatever it holds.
#include "cd/DriveQuirks.h"
#include "tests/fuzz/FuzzInput.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace quillon;
    std::vector<DriveQuirk> table;
    if (!ReadDriveQuirksFile(fuzz::InputFilePath(data, size), table))
        std::abort();
    if (table.size() > kDriveQuirkCapacity)
        std::abort();
    for (const DriveQuirk& q : table) {
        // Texts stay terminated inside their fields and the read size stays usable.
        if (std::memchr(q.vendor, 0, sizeof q.vendor) == nullptr ||
            std::memchr(q.product, 0, sizeof q.product) == nullptr ||
            std::memchr(q.revision, 0, sizeof q.revision) == nullptr)
            std::abort();
        if (q.sectorsPerRead < 1 || q.sectorsPerRead > kMaxSectorsPerRead)
            std::abort();
    }
    return 0;
}
