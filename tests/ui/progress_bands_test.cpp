#include <gtest/gtest.h>

#include "ui/core/ProgressBands.h"

namespace quillon {
namespace {

const Rgb kRed{255, 0, 0};
const Rgb kBlue{0, 0, 255};

TEST(ProgressBands, EmptyLookAndTextByPosition)
{
    struct Row
    {
        std::int32_t lower, upper, pos;
        bool empty;
        const char* text;
    };
    const Row rows[] = {
        {0, 100, 0, true, ""},   // at the lower bound
        {0, 100, 100, true, ""}, // at the upper bound: never the full gradient
        {0, 100, 130, true, ""}, // beyond the range
        {0, 100, -5, true, ""},  // below the range
        {0, 100, 50, false, "50%"}, {0, 3, 1, false, "33%"},
        {0, 3, 2, false, "67%"},    {0, 100000, 50000, false, "50%"}, // beyond 16 bits
        {0, 200, 1, false, "0%"},                                     // 0.5 rounds to even
        {-10, 0, -5, false, "0%"}, // upper 0: counted as unfilled, no division by zero
    };
    for (const Row& row : rows) {
        BarPicture bar = ComposeBar(row.pos, row.lower, row.upper, 200, kRed, kBlue);
        SCOPED_TRACE(testing::Message() << row.pos << " of " << row.lower << " ... " << row.upper);
        EXPECT_EQ(bar.empty, row.empty);
        EXPECT_EQ(bar.text, row.text);
        if (row.empty) {
            EXPECT_TRUE(bar.bands.empty());
        }
    }
}

TEST(ProgressBands, DefaultGradientRunsRedToBlueInOneStepBands)
{
    int backFrom = 0;
    std::vector<BarBand> bands = BarGradientBands(kRed, kBlue, 510, 510, backFrom);
    ASSERT_EQ(bands.size(), 255u);
    for (int i = 0; i < 255; ++i) {
        ASSERT_EQ(bands[i].colour, (Rgb{static_cast<std::uint8_t>(255 - i), 0, static_cast<std::uint8_t>(i)}))
            << "band " << i;
        ASSERT_EQ(bands[i].x0, 2 * i) << "band " << i;
        ASSERT_EQ(bands[i].x1, 2 * i + 2) << "band " << i;
    }
    EXPECT_EQ(bands.back().colour, (Rgb{1, 0, 254}));
    EXPECT_EQ(backFrom, 510);
}

TEST(ProgressBands, FillStopsAtFirstBandEdgeBeyondFilledWidth)
{
    struct Row
    {
        std::int32_t pos;
        int width;
        int filled;
    };
    const Row rows[] = {{50, 200, 100}, {1, 200, 2}, {99, 200, 198}, {1, 1000, 10}, {37, 333, 123}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "pos " << row.pos << " width " << row.width);
        EXPECT_EQ(BarFilledWidth(row.pos, 100, row.width), row.filled);
        BarPicture bar = ComposeBar(row.pos, 0, 100, row.width, kRed, kBlue);
        ASSERT_FALSE(bar.bands.empty());
        EXPECT_GT(bar.backFrom, row.filled);
        EXPECT_EQ(bar.backFrom, bar.bands.back().x1);
        // Every band but the last ends at or before the filled width.
        for (std::size_t i = 0; i + 1 < bar.bands.size(); ++i) {
            EXPECT_LE(bar.bands[i].x1, row.filled);
        }
        // The colour at an x does not depend on the position.
        BarPicture fuller = ComposeBar(99, 0, 100, row.width, kRed, kBlue);
        for (std::size_t i = 0; i < bar.bands.size(); ++i) {
            EXPECT_EQ(bar.bands[i].colour, fuller.bands[i].colour);
        }
    }
}

TEST(ProgressBands, OtherColourPairs)
{
    int backFrom = 0;
    // Equal colours still paint one band instead of leaving the bar unpainted.
    std::vector<BarBand> same = BarGradientBands(kRed, kRed, 100, 100, backFrom);
    ASSERT_EQ(same.size(), 1u);
    EXPECT_EQ(same[0].x0, 0);
    EXPECT_EQ(same[0].x1, 100);
    EXPECT_EQ(same[0].colour, kRed);

    // The widest channel difference sets the band count; the others step in fractions.
    std::vector<BarBand> grey = BarGradientBands(Rgb{0, 0, 0}, Rgb{100, 50, 10}, 100, 100, backFrom);
    ASSERT_EQ(grey.size(), 100u);
    EXPECT_EQ(grey[99].colour, (Rgb{99, 49, 9}));
    EXPECT_EQ(grey[51].colour, (Rgb{51, 25, 5}));
}

TEST(ProgressBands, UnderlyingControlKeepsSixteenBitPositions)
{
    struct Row
    {
        std::int32_t pos, lower, upper, control;
    };
    const Row rows[] = {
        {50, 0, 100, 50},        {130, 0, 100, 100},        // clamped to the range
        {-3, 0, 100, 0},         {50000, 0, 100000, 34464}, // upper 100000 is 34464 in 16 bits
        {70000, 0, 70000, 4464},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ControlPosition16(row.pos, row.lower, row.upper), row.control)
            << row.pos << " of " << row.lower << " ... " << row.upper;
    }
}

} // namespace
} // namespace quillon
