#include <gtest/gtest.h>

#include "codecs/ConsoleText.h"
#include "codecs/PcmWavHeader.h"

namespace quillon {
namespace {

TEST(ConsoleText, NoByteThatStopsQuillonsReaderSurvives)
{
    std::string every;
    for (int byte = 0; byte < 256; ++byte) {
        every += static_cast<char>(byte);
    }
    const std::string clean = SanitizeConsoleText(every);
    ASSERT_EQ(clean.size(), every.size());
    for (int byte = 0; byte < 256; ++byte) {
        const bool control = byte < 0x20 || byte == 0x7F || byte == 0xFF;
        EXPECT_EQ(static_cast<unsigned char>(clean[byte]), control ? '?' : byte) << "byte " << byte;
    }
}

TEST(ConsoleText, ShortFileNamesKeepTheTailAndWholeCharacters)
{
    struct Row
    {
        const char* path;
        size_t max;
        const char* name;
    };
    const Row rows[] = {
        {"/music/album/track01.wav", 48, "track01.wav"},
        {"track01.wav", 48, "track01.wav"},
        {"/music/folder/", 48, ""},
        {"/a/0123456789abcdef.wav", 10, "...def.wav"},
        // "é" is two bytes; the cut falls inside it and moves past it.
        {"/a/abcd\xC3\xA9yz.mp3", 10, "...yz.mp3"},
        {"/a/abcd\xC3\xA9yz.mp3", 11, "...\xC3\xA9yz.mp3"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ShortFileName(row.path, row.max), row.name) << row.path << " in " << row.max;
        EXPECT_LE(ShortFileName(row.path, row.max).size(), row.max) << row.path;
    }
}

TEST(ConsoleText, AudioTimesInMinutesSecondsAndTenths)
{
    EXPECT_EQ(FormatAudioTime(0), "0:00.0");
    EXPECT_EQ(FormatAudioTime(2.04), "0:02.0");
    EXPECT_EQ(FormatAudioTime(65.35), "1:05.4");
    EXPECT_EQ(FormatAudioTime(3600), "60:00.0");
    EXPECT_EQ(FormatAudioTime(-1), "0:00.0");
}

TEST(PcmWavHeader, CanonicalFieldsForEachLayout)
{
    struct Row
    {
        int channels;
        long rate;
        std::uint32_t data;
    };
    const Row rows[] = {{2, 44100, 176400}, {1, 22050, 0}, {2, 8000, kMaxWavDataBytes}};
    for (const Row& row : rows) {
        const auto h = PcmWavHeader(row.channels, row.rate, row.data);
        auto u32 = [&](size_t at) { return h[at] | h[at + 1] << 8 | h[at + 2] << 16 | std::uint32_t(h[at + 3]) << 24; };
        auto u16 = [&](size_t at) { return h[at] | h[at + 1] << 8; };
        EXPECT_EQ(std::string(h.begin(), h.begin() + 4), "RIFF");
        EXPECT_EQ(u32(4), 36u + row.data) << row.rate;
        EXPECT_EQ(std::string(h.begin() + 8, h.begin() + 16), "WAVEfmt ");
        EXPECT_EQ(u32(16), 16u);
        EXPECT_EQ(u16(20), 1u);
        EXPECT_EQ(u16(22), static_cast<std::uint32_t>(row.channels));
        EXPECT_EQ(u32(24), static_cast<std::uint32_t>(row.rate));
        EXPECT_EQ(u32(28), static_cast<std::uint32_t>(row.rate * row.channels * 2));
        EXPECT_EQ(u16(32), static_cast<std::uint32_t>(row.channels * 2));
        EXPECT_EQ(u16(34), 16u);
        EXPECT_EQ(std::string(h.begin() + 36, h.begin() + 40), "data");
        EXPECT_EQ(u32(40), row.data);
    }
}

} // namespace
} // namespace quillon
