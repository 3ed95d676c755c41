#include "run/StatusFigures.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

StatusInputs Encode(uint64_t size, std::optional<uint64_t> position, int64_t elapsed)
{
    StatusInputs in;
    in.encode = true;
    in.inputSize = size;
    in.inputPosition = position;
    in.bitrate = 128;
    in.mode = 1;
    in.bitrateText = "128 kbps";
    in.elapsedSeconds = elapsed;
    return in;
}

TEST(StatusFigures, WorkedExampleAfterTenSeconds)
{
    StatusInputs in = Encode(46080044, 1000000, 10);
    in.bytesFed = 999956;
    const StatusFigures f = ComputeStatusFigures(in);
    EXPECT_EQ(f.totalFrames, 10000);
    EXPECT_EQ(f.totalFramesText, "10000");
    EXPECT_EQ(f.framesDone, 215);
    EXPECT_EQ(f.frameText, "  215  ");
    EXPECT_EQ(f.speedText, " [21] Frames / second. ");
    EXPECT_EQ(f.sizesText, "0MB Compressed to 0.1MB"); // estimate 90,698 bytes
    EXPECT_EQ(f.elapsedText, "00:00:10");
    EXPECT_EQ(f.remainingText, "00:07:46"); // 10000 / 21 - 10 = 466.19
    EXPECT_EQ(f.currentBarPosition, 1000);  // (P + 1) / 1000
    EXPECT_EQ(f.bitrateText, "128 kbps");
}

TEST(StatusFigures, BarDivisorChangesAboveOneMillionBytes)
{
    struct Row
    {
        uint64_t size;
        uint64_t divisor;
    };
    const Row rows[] = {{999999, 10}, {1000000, 10}, {1000001, 1000}, {46080044, 1000}};
    for (const auto& row : rows)
        EXPECT_EQ(CurrentBarDivisor(row.size), row.divisor) << row.size;
}

TEST(StatusFigures, ClockTexts)
{
    struct Row
    {
        int64_t elapsed;
        const char* elapsedText;
    };
    const Row rows[] = {
        {0, "00:00:00"}, {59, "00:00:59"}, {3661, "01:01:01"}, {25 * 3600, "01:00:00"}, {24 * 3600 - 1, "23:59:59"}};
    for (const auto& row : rows) {
        const StatusFigures f = ComputeStatusFigures(Encode(10000000, 100000, row.elapsed));
        EXPECT_EQ(f.elapsedText, row.elapsedText) << row.elapsed;
    }
    EXPECT_EQ(FormatClock(100 * 3600 + 61, false), "100:01:01");
}

TEST(StatusFigures, RemainingTime)
{
    struct Row
    {
        uint64_t size;
        uint64_t position;
        int64_t elapsed;
        const char* remaining;
        const char* why;
    };
    const Row rows[] = {
        {46080044, 1000000, 10, "00:07:46", "the estimate"},
        {46080044, 4650 * 5, 10, "00:00:00", "rate 0: fewer frames than seconds"},
        {46080044, 0, 0, "00:00:00", "nothing read yet"},
        {46500, 46500, 1, "00:00:00", "all frames done"},
        {46080044 * 10, 46080044, 86401, "00:00:00", "past a day the estimate would lie before now"},
    };
    for (const auto& row : rows) {
        const StatusFigures f = ComputeStatusFigures(Encode(row.size, row.position, row.elapsed));
        EXPECT_EQ(f.remainingText, row.remaining) << row.why;
    }
    // Hours of the remaining time are not wrapped at 24.
    const StatusFigures slow = ComputeStatusFigures(Encode(4608ull * 1000000, 4650ull * 2, 1));
    EXPECT_EQ(slow.remainingText, "138:53:19"); // 1,000,000 frames at 2 per second, minus 1 s
}

TEST(StatusFigures, SizesProductDoesNotWrapOnLargeInputs)
{
    StatusInputs in = Encode(400000000, 300000000, 100);
    in.bitrate = 320;
    in.bytesFed = 300000000;
    const StatusFigures f = ComputeStatusFigures(in);
    // 40 * 300,000,000 / 176.4 = 68,027,210 bytes.
    EXPECT_EQ(f.sizesText, "286MB Compressed to 64.9MB");

    in.mode = 0;
    EXPECT_EQ(ComputeStatusFigures(in).sizesText, "286MB Compressed to 129.8MB");
}

TEST(StatusFigures, DecodeJobShowsNoFrameField)
{
    StatusInputs in = Encode(500000, 40000, 3);
    in.encode = false;
    in.bitrateText = "N/A";
    in.outputLength = 4608 * 30 + 17;
    const StatusFigures f = ComputeStatusFigures(in);
    EXPECT_EQ(f.totalFramesText, "N/A");
    EXPECT_EQ(f.totalFrames, 30);
    EXPECT_EQ(f.framesDone, 30);
    EXPECT_FALSE(f.frameText.has_value());
    EXPECT_EQ(f.sizesText, "-");
    EXPECT_EQ(f.currentBarPosition, 4000);
}

TEST(StatusFigures, WithoutInputPositionOnlyTheTotalsChange)
{
    StatusInputs in = Encode(46080044, std::nullopt, 10);
    in.doneKiB = 77;
    const StatusFigures f = ComputeStatusFigures(in);
    EXPECT_EQ(f.totalFramesText, "10000");
    EXPECT_FALSE(f.currentBarPosition.has_value());
    EXPECT_FALSE(f.overallBarPosition.has_value());
    EXPECT_FALSE(f.frameText.has_value());
    EXPECT_FALSE(f.elapsedText.has_value());
    EXPECT_FALSE(f.sizesText.has_value());

    in.inputPosition = 2048 * 3;
    EXPECT_EQ(ComputeStatusFigures(in).overallBarPosition, 77 + 6);
}

TEST(StatusFigures, FrameFieldStopsAtTheTotal)
{
    // A WAV with extra bytes: the position can run past S / 4608 frames only on tiny files.
    const StatusFigures f = ComputeStatusFigures(Encode(4608, 4650 * 2, 1));
    EXPECT_EQ(f.totalFrames, 1);
    EXPECT_EQ(f.framesDone, 2);
    EXPECT_FALSE(f.frameText.has_value());
}

} // namespace
} // namespace quillon
