#include <gtest/gtest.h>

#include "codecs/CodecArguments.h"
#include "codecs/MpegTables.h"

namespace quillon {
namespace {

std::vector<std::string> Words(std::initializer_list<const char*> words)
{
    return {words.begin(), words.end()};
}

TEST(CodecArguments, EachEncoderWordTakesItsPlace)
{
    struct Row
    {
        const char* what;
        std::vector<std::string> words;
        ChannelMode mode;
        int bitrate;
        int rate;
        int psycho;
        int layer;
        bool copyright, original, crc, fast;
        Emphasis emphasis;
    };
    const Row rows[] = {
        {"the example job", Words({"-mj", "-b128", "-s44.10", "-p2", "-l3", "-c", "-t", "in.wav", "out.mp3"}),
         ChannelMode::JointStereo, 128, 44100, 2, 3, true, false, false, true, Emphasis::None},
        {"high quality passes an empty word", Words({"-ms", "-b192", "-s48.00", "-p1", "-l2", "", "in", "out"}),
         ChannelMode::Stereo, 192, 48000, 1, 2, false, false, false, false, Emphasis::None},
        {"every flag", Words({"-mm", "-b64", "-s32.00", "-p1", "-l2", "-c", "-o", "-e", "-d5", "-t", "a", "b"}),
         ChannelMode::Mono, 64, 32000, 1, 2, true, true, true, true, Emphasis::Microseconds50_15},
        {"CCITT and dual channel", Words({"-md", "-b256", "-s44.10", "-p2", "-l3", "-dc", "a", "b"}),
         ChannelMode::DualChannel, 256, 44100, 2, 3, false, false, false, false, Emphasis::CcittJ17},
        {"flags joined to the layer word", Words({"-mj", "-b96", "-s22.05", "-p2", "-l3 -c -o -e -d5", "", "a", "b"}),
         ChannelMode::JointStereo, 96, 22050, 2, 3, true, true, true, false, Emphasis::Microseconds50_15},
        {"no -p follows the layer", Words({"-mj", "-b96", "-s24.00", "-l2", "a", "b"}), ChannelMode::JointStereo, 96,
         24000, 1, 2, false, false, false, false, Emphasis::None},
        {"11025 Hz written as 11.03", Words({"-mm", "-b32", "-s11.03", "-p2", "-l3", "a", "b"}), ChannelMode::Mono, 32,
         11025, 2, 3, false, false, false, false, Emphasis::None},
    };
    for (const Row& row : rows) {
        const EncoderArgumentsResult result = ParseEncoderArguments(row.words);
        ASSERT_TRUE(result.ok) << row.what << ": " << result.error;
        const EncoderArguments& a = result.arguments;
        EXPECT_EQ(a.mode, row.mode) << row.what;
        EXPECT_EQ(a.bitrateKbps, row.bitrate) << row.what;
        EXPECT_EQ(a.sampleRateHz, row.rate) << row.what;
        EXPECT_EQ(a.psychoModel, row.psycho) << row.what;
        EXPECT_EQ(a.layer, row.layer) << row.what;
        EXPECT_EQ(a.copyright, row.copyright) << row.what;
        EXPECT_EQ(a.original, row.original) << row.what;
        EXPECT_EQ(a.errorProtection, row.crc) << row.what;
        EXPECT_EQ(a.fast, row.fast) << row.what;
        EXPECT_EQ(a.emphasis, row.emphasis) << row.what;
        EXPECT_EQ(a.inputPath, row.words[row.words.size() - 2]) << row.what;
        EXPECT_EQ(a.outputPath, row.words.back()) << row.what;
    }
}

TEST(CodecArguments, PathsAreTakenAsTheyAre)
{
    const EncoderArgumentsResult result =
        ParseEncoderArguments(Words({"-ms", "-b128", "-s44.10", "-p2", "-l3", "-t", "/my music/a -c.wav", "-o"}));
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.arguments.inputPath, "/my music/a -c.wav");
    EXPECT_EQ(result.arguments.outputPath, "-o");
    EXPECT_FALSE(result.arguments.copyright);
    EXPECT_FALSE(result.arguments.original);
}

TEST(CodecArguments, BadEncoderWordsAreRefusedWithALine)
{
    struct Row
    {
        const char* what;
        std::vector<std::string> words;
    };
    const Row rows[] = {
        {"nothing at all", {}},
        {"only empty words", Words({"", "", ""})},
        {"one path", Words({"-ms", "-b128", "-s44.10", "-p2", "-l3", "out.mp3"})},
        {"unknown mode letter", Words({"-mx", "-b128", "-s44.10", "-p2", "-l3", "a", "b"})},
        {"bitrate not a number", Words({"-ms", "-b12x", "-s44.10", "-p2", "-l3", "a", "b"})},
        {"bitrate zero", Words({"-ms", "-b0", "-s44.10", "-p2", "-l3", "a", "b"})},
        {"bitrate huge", Words({"-ms", "-b99999999", "-s44.10", "-p2", "-l3", "a", "b"})},
        {"layer four", Words({"-ms", "-b128", "-s44.10", "-p2", "-l4", "a", "b"})},
        {"model three", Words({"-ms", "-b128", "-s44.10", "-p3", "-l3", "a", "b"})},
        {"de-emphasis letter", Words({"-ms", "-b128", "-s44.10", "-p2", "-l3", "-dn", "a", "b"})},
        {"flag with a tail", Words({"-ms", "-b128", "-s44.10", "-p2", "-l3", "-cx", "a", "b"})},
        {"flag twice", Words({"-ms", "-b128", "-s44.10", "-p2", "-l3", "-e", "-e", "a", "b"})},
        {"layer twice", Words({"-ms", "-b128", "-s44.10", "-p2", "-l3", "-l2", "a", "b"})},
        {"unknown option", Words({"-ms", "-b128", "-s44.10", "-p2", "-l3", "-q", "a", "b"})},
        {"a third path", Words({"-ms", "-b128", "-s44.10", "-p2", "-l3", "x", "a", "b"})},
        {"missing mode", Words({"-b128", "-s44.10", "-p2", "-l3", "a", "b"})},
        {"missing bitrate", Words({"-ms", "-s44.10", "-p2", "-l3", "a", "b"})},
        {"missing rate", Words({"-ms", "-b128", "-p2", "-l3", "a", "b"})},
        {"missing layer", Words({"-ms", "-b128", "-s44.10", "-p2", "a", "b"})},
        {"rate no MPEG rate", Words({"-ms", "-b128", "-s96.00", "-p2", "-l3", "a", "b"})},
        {"rate with a comma", Words({"-ms", "-b128", "-s44,10", "-p2", "-l3", "a", "b"})},
        {"rate empty", Words({"-ms", "-b128", "-s", "-p2", "-l3", "a", "b"})},
        {"long bad word", Words({"-ms", "-b128", "-s44.10", std::string(300, 'x').c_str(), "-l3", "a", "b"})},
        {"long bad rate", Words({"-ms", "-b128", ("-s" + std::string(300, '4')).c_str(), "-l3", "a", "b"})},
    };
    for (const Row& row : rows) {
        const EncoderArgumentsResult result = ParseEncoderArguments(row.words);
        EXPECT_FALSE(result.ok) << row.what;
        EXPECT_EQ(result.error.rfind("Error: ", 0), 0u) << row.what << ": " << result.error;
        EXPECT_LT(result.error.size(), 100u) << row.what << ": " << result.error;
    }
}

TEST(CodecArguments, SampleRateWordsFindTheMpegRate)
{
    struct Row
    {
        const char* text;
        int rate;
    };
    const Row rows[] = {
        {"44.10", 44100}, {"48.00", 48000},
        {"32.00", 32000}, {"22.05", 22050},
        {"24.00", 24000}, {"16.00", 16000},
        {"11.03", 11025}, {"12.00", 12000},
        {"8.00", 8000},   {"44.1", 44100},
        {"44", 44100},    {"44.50", 44100},
        {"44.60", 0},     {"96.00", 0},
        {"0.00", 0},      {"", 0},
        {".", 0},         {"4.4.1", 0},
        {"-44.10", 0},    {"44.10k", 0},
        {"1e3", 0},       {"99999999999999999999", 0},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(SampleRateFromKilohertz(row.text), row.rate) << "\"" << row.text << "\"";
    }
}

TEST(CodecArguments, DecoderTakesExactlyTwoPaths)
{
    struct Row
    {
        std::vector<std::string> words;
        bool ok;
    };
    const Row rows[] = {
        {Words({"in.mp3", "out.wav"}), true}, {Words({"", "in.mp3", "", "out.wav", ""}), true},
        {Words({"in.mp3"}), false},           {Words({}), false},
        {Words({"a", "b", "c"}), false},
    };
    for (const Row& row : rows) {
        const DecoderArgumentsResult result = ParseDecoderArguments(row.words);
        EXPECT_EQ(result.ok, row.ok) << row.words.size() << " words";
        if (result.ok) {
            EXPECT_EQ(result.arguments.inputPath, "in.mp3");
            EXPECT_EQ(result.arguments.outputPath, "out.wav");
        } else {
            EXPECT_EQ(result.error.rfind("Error: ", 0), 0u);
        }
    }
}

TEST(MpegTables, StreamsOutsideTheStandardAreRefused)
{
    struct Row
    {
        int layer;
        int rate;
        int bitrate;
        ChannelMode mode;
        bool ok;
    };
    const Row rows[] = {
        {3, 44100, 128, ChannelMode::JointStereo, true}, {3, 44100, 200, ChannelMode::Stereo, false},
        {3, 44100, 384, ChannelMode::Stereo, false},     {3, 44100, 8, ChannelMode::Mono, false},
        {3, 22050, 160, ChannelMode::Stereo, true},      {3, 22050, 192, ChannelMode::Stereo, false},
        {3, 8000, 8, ChannelMode::Mono, true},           {3, 11025, 64, ChannelMode::Stereo, true},
        {2, 11025, 64, ChannelMode::Stereo, false},      {2, 44100, 384, ChannelMode::Stereo, true},
        {2, 44100, 384, ChannelMode::Mono, false},       {2, 44100, 192, ChannelMode::Mono, true},
        {2, 44100, 224, ChannelMode::Mono, false},       {2, 44100, 32, ChannelMode::Mono, true},
        {2, 44100, 32, ChannelMode::Stereo, false},      {2, 48000, 56, ChannelMode::DualChannel, false},
        {2, 48000, 80, ChannelMode::JointStereo, false}, {2, 48000, 80, ChannelMode::Mono, true},
        {2, 48000, 64, ChannelMode::JointStereo, true},  {2, 24000, 8, ChannelMode::Mono, true},
        {2, 24000, 160, ChannelMode::Stereo, true},      {2, 16000, 192, ChannelMode::Stereo, false},
        {1, 44100, 448, ChannelMode::Stereo, true},      {1, 44100, 40, ChannelMode::Stereo, false},
        {1, 22050, 256, ChannelMode::Stereo, true},      {1, 22050, 288, ChannelMode::Stereo, false},
        {1, 8000, 32, ChannelMode::Mono, false},         {3, 44000, 128, ChannelMode::Stereo, false},
    };
    for (const Row& row : rows) {
        EncoderArguments arguments;
        arguments.layer = row.layer;
        arguments.sampleRateHz = row.rate;
        arguments.bitrateKbps = row.bitrate;
        arguments.mode = row.mode;
        const std::string problem = CheckMpegStream(arguments);
        EXPECT_LT(problem.size(), 100u) << problem;
        EXPECT_EQ(problem.empty(), row.ok) << "layer " << row.layer << ", " << row.rate << " Hz, " << row.bitrate
                                           << " kbit/s, " << ChannelModeName(row.mode) << ": " << problem;
    }
}

} // namespace
} // namespace quillon
