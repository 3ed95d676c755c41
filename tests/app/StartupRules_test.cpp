#include "app/StartupRules.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(StartupRules, WidgetsVersionCheck)
{
    struct Row
    {
        uint32_t major, minor;
        bool passes;
    };
    const Row rows[] = {
        {0, 0, false}, {5, 15, false}, {6, 0, false}, {6, 1, false},
        {6, 2, true},  {6, 4, true},   {6, 10, true}, {7, 0, true},
    };
    for (const Row& row : rows)
        EXPECT_EQ(WidgetsVersionSufficient(row.major, row.minor), row.passes) << row.major << "." << row.minor;
}

} // namespace
} // namespace quillon
