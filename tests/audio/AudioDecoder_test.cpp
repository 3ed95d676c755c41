// The decoder over files made here by sox: the rate each source is fed at, the length
// the resampler gives, the dither's size, and that two decodes give the same bytes.
#include "audio/AudioDecoder.h"
#include "tests/support/ShellRun.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace quillon {
namespace {

struct Decoded
{
    bool open = false;
    uint32_t fedRate = 0;
    uint64_t expected = 0;
    std::string pcm;
    std::string problem;
};

Decoded DecodeFile(const std::string& path, size_t blockSize = 8192)
{
    Decoded d;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    AudioDecoder decoder(FileBytes(fd));
    d.open = decoder.IsOpen();
    d.fedRate = decoder.FedRate();
    d.expected = decoder.ExpectedBytes();
    std::string block(blockSize, '\0');
    ptrdiff_t n;
    while ((n = decoder.Read(reinterpret_cast<uint8_t*>(block.data()), block.size())) > 0)
        d.pcm.append(block, 0, static_cast<size_t>(n));
    d.problem = decoder.Problem();
    close(fd);
    return d;
}

int16_t SampleAt(const std::string& pcm, size_t index)
{
    return static_cast<int16_t>(static_cast<uint8_t>(pcm[2 * index]) | static_cast<uint8_t>(pcm[2 * index + 1]) << 8);
}

TEST(AudioDecoder, FeedsEachRateAtTheEncodersRateForTheLengthPromised)
{
    testing_support::TempFolder dir;
    struct Row
    {
        int rate;
        const char* shape;
        uint32_t fedRate;
    } rows[] = {
        {44100, "-b 24", 44100},  {48000, "-b 32 -e floating-point", 48000},
        {32000, "-b 8", 32000},   {11025, "-b 16", 44100},
        {22050, "-b 24", 44100},  {88200, "-b 24", 44100},
        {176400, "-b 16", 44100}, {96000, "-b 24", 48000},
        {192000, "-b 24", 48000}, {8000, "-b 16", 48000},
        {37800, "-b 16", 48000},  {16000, "-b 8", 48000},
    };
    for (const Row& row : rows) {
        const std::string name = std::to_string(row.rate) + " Hz " + row.shape;
        SCOPED_TRACE(name);
        const std::string path = dir / (std::to_string(row.rate) + ".wav");
        // An odd length, so that the rounding of the resampled length shows.
        const int frames = 14707;
        ASSERT_EQ(std::system(("sox -n -r " + std::to_string(row.rate) + " -c 2 " + row.shape + " -t wavpcm " + path +
                               " synth 1 sine 997 sine 1499 vol 0.5 trim 0 " + std::to_string(frames) + "s")
                                  .c_str()),
                  0);
        // Blocks that hold no whole number of frames still give whole frames.
        const Decoded d = DecodeFile(path, 8190);
        ASSERT_TRUE(d.open);
        EXPECT_TRUE(d.problem.empty()) << d.problem;
        EXPECT_EQ(d.fedRate, row.fedRate);
        const long long made = std::atoll(RunShell("soxi -s " + path).out.c_str());
        ASSERT_GT(made, 0);
        const auto promised = std::llround(static_cast<double>(made) * row.fedRate / row.rate);
        EXPECT_EQ(d.pcm.size(), static_cast<size_t>(promised) * 4);
        EXPECT_EQ(d.expected, d.pcm.size()) << "the figures expect what is fed";
    }
}

TEST(AudioDecoder, DitherStaysWithinOneStepAndRepeatsItself)
{
    testing_support::TempFolder dir;
    const std::string deep = dir / "deep.wav", plain = dir / "plain.wav";
    // The same tone in 24 bits and, rounded by sox without dither (-D), in 16.
    ASSERT_EQ(std::system(("sox -n -r 44100 -c 2 -b 24 " + deep + " synth 1 sine 997 sine 1499 vol 0.5 && sox -D " +
                           deep + " -b 16 " + plain)
                              .c_str()),
              0);
    const Decoded first = DecodeFile(deep), second = DecodeFile(deep), reference = DecodeFile(plain);
    ASSERT_EQ(first.pcm.size(), reference.pcm.size());
    EXPECT_TRUE(first.pcm == second.pcm) << "seeded: every run gives the same bytes";
    EXPECT_FALSE(first.pcm == reference.pcm) << "the deeper bits are dithered, not cut off";
    int largest = 0;
    double offset = 0;
    for (size_t i = 0; i < first.pcm.size() / 2; ++i) {
        const int step = SampleAt(first.pcm, i) - SampleAt(reference.pcm, i);
        largest = std::max(largest, std::abs(step));
        offset += step;
    }
    EXPECT_LE(largest, 1) << "triangular dither moves a sample by one step at most";
    EXPECT_LT(std::abs(offset / static_cast<double>(first.pcm.size() / 2)), 0.6) << "and adds no offset";
}

TEST(AudioDecoder, TruncatedFileFailsWithItsReason)
{
    testing_support::TempFolder dir;
    const std::string whole = dir / "whole.flac", cut = dir / "cut.flac";
    ASSERT_EQ(std::system(("sox -n -r 44100 -c 2 -b 16 " + whole + " synth 2 pinknoise vol 0.5 && head -c 120000 " +
                           whole + " > " + cut)
                              .c_str()),
              0);
    const Decoded d = DecodeFile(cut);
    ASSERT_TRUE(d.open);
    EXPECT_LT(d.pcm.size(), d.expected);
    EXPECT_NE(d.problem.find(" of its 88200 sample frames"), std::string::npos) << d.problem;
    EXPECT_FALSE(DecodeFile(dir / "whole.flac").pcm.empty());
    EXPECT_FALSE(DecodeFile("/dev/null").open);
}

} // namespace
} // namespace quillon
