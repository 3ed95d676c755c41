#include "run/CodecCommandLine.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

std::string Join(const std::vector<std::string>& words)
{
    std::string text;
    for (size_t i = 1; i < words.size(); ++i)
        text += (i > 1 ? " " : "") + words[i];
    return text;
}

TEST(CodecCommandLine, EncoderWords)
{
    struct Row
    {
        EncodingOptions options;
        uint32_t rate;
        const char* words;
    };
    const Row rows[] = {
        {{3, 128, 2, 0, 1, 0, 0, 0}, 44100, "-mj -b128 -s44.10 -p2 -l3 -c -t in.wav out.mp3"},
        {{}, 44100, "-ms -b128 -s44.10 -p2 -l3 in.wav out.mp3"},
        {{2, 192, 0, 1, 0, 0, 0, 0}, 22050, "-mm -b192 -s22.05 -p1 -l2 in.wav out.mp3"},
        {{1, 384, 3, 1, 1, 1, 1, 1}, 48000, "-md -b384 -s48.00 -p1 -l1 -c -o -e -d5 in.wav out.mp3"},
        {{2, 256, 1, 0, 0, 1, 1, 2}, 32000, "-ms -b256 -s32.00 -p1 -l2 -o -e -dc -t in.wav out.mp3"},
        {{3, 64, 0, 1, 0, 0, 0, 0}, 16000, "-mm -b64 -s16.00 -p2 -l3 in.wav out.mp3"},
        // Stored values outside their tables never index past the letters.
        {{3, 128, 7, 1, 0, 0, 0, 5}, 44100, "-m? -b128 -s44.10 -p2 -l3 -d? in.wav out.mp3"},
    };
    for (const Row& row : rows) {
        const auto words = EncoderArguments("/opt/q/l3.dll", row.options, row.rate, "in.wav", "out.mp3");
        EXPECT_EQ(words.front(), "/opt/q/l3.dll");
        EXPECT_EQ(Join(words), row.words);
    }
}

TEST(CodecCommandLine, PathsWithBlanksStayOneWord)
{
    const auto words = EncoderArguments("/a b/l3.dll", {}, 44100, "/my music/a \"b\".wav", "/out dir/x.mp3");
    ASSERT_EQ(words.size(), 8u);
    EXPECT_EQ(words[6], "/my music/a \"b\".wav");
    EXPECT_EQ(words[7], "/out dir/x.mp3");
}

TEST(CodecCommandLine, DecoderGetsExactlyThreeWords)
{
    const auto words = DecoderArguments("/q/d3.dll", "/in/a.mp3", "/out/a.wav");
    EXPECT_EQ(words, (std::vector<std::string>{"/q/d3.dll", "/in/a.mp3", "/out/a.wav"}));
}

TEST(CodecCommandLine, CodecsLiveBesideTheProgram)
{
    const std::string dir = ProgramDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), '/');
    EXPECT_EQ(CodecPath(kEncoderProgram), dir + "l3.dll");
    EXPECT_EQ(CodecPath(kDecoderProgram), dir + "d3.dll");
}

} // namespace
} // namespace quillon
