// l3.dll with -l1 and d3.dll, run as Quillon runs them: option words, PCM fed through a pipe
// in blocks of 8192 bytes, every frame of the MPEG file checked, then decoded by d3.dll.

#include "Layer1TestSupport.h"
#include "tests/codecs/CodecTestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace quillon::layer1 {
namespace {

namespace l1 = quillon::layer1::test;
namespace codec = quillon::test;

std::vector<unsigned char> PcmBytes(const std::vector<int16_t>& pcm)
{
    std::vector<unsigned char> bytes(pcm.size() * 2);
    for (size_t i = 0; i < pcm.size(); ++i) {
        bytes[2 * i] = static_cast<unsigned char>(pcm[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<unsigned char>((pcm[i] >> 8) & 0xFF);
    }
    return bytes;
}

// The samples of a canonical 44-byte WAV file as d3.dll writes it.
std::vector<int16_t> WavSamples(const std::vector<unsigned char>& wav)
{
    std::vector<int16_t> pcm;
    for (size_t i = 44; i + 1 < wav.size(); i += 2) {
        pcm.push_back(static_cast<int16_t>(wav[i] | (wav[i + 1] << 8)));
    }
    return pcm;
}

TEST(Layer1Program, OptionWordsReachEveryFrameAndD3DecodesTheStream)
{
    struct Row
    {
        const char* what;
        std::vector<std::string> words;
        int rate;
        int channels;
        int version;
        int mode;
        bool crc, copyright, original;
        int emphasis;
        double leastSnr; // through d3.dll, for a 1 kHz tone
    };
    const Row rows[] = {
        {"stereo 384, high quality",
         {"-ms", "-b384", "-s44.10", "-p1", "-l1"},
         44100,
         2,
         1,
         0,
         false,
         false,
         false,
         0,
         60.0},
        {"joint 192, all flags, J.17",
         {"-mj", "-b192", "-s48.00", "-p1", "-l1 -c -o -e -dc"},
         48000,
         2,
         1,
         1,
         true,
         true,
         true,
         3,
         30.0},
        {"dual 256 fast, 50/15",
         {"-md", "-b256", "-s32.00", "-p1", "-l1", "-d5", "-t"},
         32000,
         2,
         1,
         2,
         false,
         false,
         false,
         1,
         30.0},
        {"mono 128, check word, original",
         {"-mm", "-b128", "-s44.10", "-p1", "-l1", "-e", "-o"},
         44100,
         1,
         1,
         3,
         true,
         false,
         true,
         0,
         40.0},
        {"low rate stereo 256",
         {"-ms", "-b256", "-s22.05", "-p1", "-l1"},
         22050,
         2,
         0,
         0,
         false,
         false,
         false,
         0,
         40.0},
        {"low rate mono 32, copyright",
         {"-mm", "-b32", "-s16.00", "-p1", "-l1", "-c", ""},
         16000,
         1,
         0,
         3,
         false,
         true,
         false,
         0,
         15.0},
    };
    codec::TempFolder folder;
    for (const Row& row : rows) {
        const size_t frames = static_cast<size_t>(row.rate) + 1000; // a partial last frame
        const std::vector<int16_t> pcm = l1::Sine(row.rate, row.channels, frames, 1000.0, 0.5);
        const std::string input = folder / "in.pcm";
        const std::string output = folder / "out.mp1";
        codec::WriteFileBytes(input, PcmBytes(pcm));
        std::vector<std::string> words = row.words;
        words.push_back(input);
        words.push_back(output);
        const codec::ProgramResult run = codec::RunProgram(codec::EncoderPath(), words, input, false, 8192);
        ASSERT_EQ(run.exitCode, 0) << row.what << ": " << run.output;
        EXPECT_NE(run.output.find("Layer I,"), std::string::npos) << row.what << ": " << run.output;

        const std::vector<uint8_t> stream = l1::ReadFile(output);
        std::string error;
        const auto parsed = l1::ParseFrames(stream, error);
        ASSERT_TRUE(error.empty()) << row.what << ": " << error;
        ASSERT_EQ(parsed.size(), (frames + 383) / 384) << row.what;
        for (const auto& f : parsed) {
            const std::string where = std::string(row.what) + ", frame at byte " + std::to_string(f.offset);
            ASSERT_EQ(f.layerBits, 3) << where;
            ASSERT_EQ(f.version, row.version) << where;
            ASSERT_EQ(l1::SampleRate(f), row.rate) << where;
            ASSERT_EQ(f.mode, row.mode) << where;
            ASSERT_EQ(f.protectedByCrc, row.crc) << where;
            ASSERT_EQ(f.copyright, row.copyright) << where;
            ASSERT_EQ(f.original, row.original) << where;
            ASSERT_EQ(f.emphasis, row.emphasis) << where;
        }

        const std::string wav = folder / "out.wav";
        const codec::ProgramResult decoded = codec::RunProgram(codec::DecoderPath(), {output, wav}, output);
        ASSERT_EQ(decoded.exitCode, 0) << row.what << ": " << decoded.output;
        const std::vector<int16_t> back = WavSamples(codec::ReadFileBytes(wav));
        const size_t n = pcm.size() / row.channels;
        EXPECT_GE(l1::SnrAt(pcm, back, row.channels, Layer1Encoder::kDecoderDelay, 1000, n - 1000), row.leastSnr)
            << row.what;
    }
}

TEST(Layer1Program, EmptyInputMakesAnEmptyFile)
{
    codec::TempFolder folder;
    const std::string input = folder / "empty.pcm";
    const std::string output = folder / "empty.mp1";
    codec::WriteFileBytes(input, {});
    const codec::ProgramResult run =
        codec::RunProgram(codec::EncoderPath(), {"-ms", "-b128", "-s44.10", "-p1", "-l1", input, output}, input);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    struct stat info
    {};
    ASSERT_EQ(stat(output.c_str(), &info), 0);
    EXPECT_EQ(info.st_size, 0);
}

TEST(Layer1Program, RefusesWhatLayerICannotCode)
{
    const struct
    {
        const char* what;
        std::vector<std::string> words;
    } rows[] = {
        {"MPEG-2.5 rate", {"-mm", "-b32", "-s11.03", "-p1", "-l1"}},
        {"not a Layer I bitrate at 44.1 kHz", {"-ms", "-b48", "-s44.10", "-p1", "-l1"}},
        {"not a low-rate Layer I bitrate", {"-ms", "-b384", "-s24.00", "-p1", "-l1"}},
        {"stereo at 32 kbit/s and 48 kHz leaves no room", {"-ms", "-b32", "-s48.00", "-p1", "-l1"}},
    };
    codec::TempFolder folder;
    const std::string input = folder / "in.pcm";
    codec::WriteFileBytes(input, PcmBytes(l1::Sine(44100, 2, 4410, 440.0, 0.3)));
    for (const auto& row : rows) {
        const std::string output = folder / "refused.mp1";
        std::vector<std::string> words = row.words;
        words.push_back(input);
        words.push_back(output);
        const codec::ProgramResult run = codec::RunProgram(codec::EncoderPath(), words, input);
        EXPECT_NE(run.exitCode, 0) << row.what;
        EXPECT_EQ(run.output.rfind("Error: ", 0), 0u) << row.what << ": " << run.output;
        EXPECT_LT(run.output.find('\n'), 100u) << row.what << ": Quillon's log splits longer lines";
        struct stat info
        {};
        EXPECT_NE(stat(output.c_str(), &info), 0) << row.what << ": an output file was made";
    }
}

} // namespace
} // namespace quillon::layer1
