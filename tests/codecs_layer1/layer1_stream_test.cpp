#include "Layer1TestSupport.h"

#include <gtest/gtest.h>

namespace quillon::layer1 {
namespace {

struct StreamRow
{
    const char* name;
    Layer1Config config;
    int version;
    int rateIndex;
    int bitrateIndex;
};

Layer1Config Make(int rate, int kbps, ChannelMode mode, bool crc, bool copyright, bool original, Emphasis emphasis)
{
    Layer1Config c;
    c.sampleRate = rate;
    c.bitrateKbps = kbps;
    c.mode = mode;
    c.inputChannels = mode == ChannelMode::Mono ? 1 : 2;
    c.crc = crc;
    c.copyright = copyright;
    c.original = original;
    c.emphasis = emphasis;
    return c;
}

TEST(Layer1Stream, EveryFrameCarriesTheConfiguredHeader)
{
    const StreamRow rows[] = {
        {"44.1 kHz stereo 384, plain", Make(44100, 384, ChannelMode::Stereo, false, false, false, Emphasis::None), 1, 0,
         12},
        {"48 kHz joint 192 with check word",
         Make(48000, 192, ChannelMode::JointStereo, true, false, false, Emphasis::None), 1, 1, 6},
        {"32 kHz dual 448, copyright", Make(32000, 448, ChannelMode::DualChannel, false, true, false, Emphasis::None),
         1, 2, 14},
        {"44.1 kHz mono 32, original, 50/15", Make(44100, 32, ChannelMode::Mono, false, false, true, Emphasis::Ms50_15),
         1, 0, 1},
        {"48 kHz mono 64, all flags, J.17", Make(48000, 64, ChannelMode::Mono, true, true, true, Emphasis::CcittJ17), 1,
         1, 2},
        {"22.05 kHz stereo 256", Make(22050, 256, ChannelMode::Stereo, false, false, false, Emphasis::None), 0, 0, 14},
        {"24 kHz joint 48 with check word",
         Make(24000, 48, ChannelMode::JointStereo, true, true, false, Emphasis::None), 0, 1, 2},
        {"16 kHz mono 144", Make(16000, 144, ChannelMode::Mono, false, false, true, Emphasis::Ms50_15), 0, 2, 9},
    };
    for (const StreamRow& row : rows) {
        const auto pcm = test::MusicLike(row.config.sampleRate, row.config.inputChannels, 10000, 3);
        const auto stream = test::EncodeAll(row.config, pcm);
        std::string error;
        const auto frames = test::ParseFrames(stream, error);
        ASSERT_TRUE(error.empty()) << row.name << ": " << error;
        ASSERT_EQ(frames.size(), (10000u + 383u) / 384u) << row.name;
        for (const auto& f : frames) {
            const std::string where = std::string(row.name) + ", frame at byte " + std::to_string(f.offset);
            ASSERT_EQ(f.version, row.version) << where;
            ASSERT_EQ(f.layerBits, 3) << where << " (Layer I)";
            ASSERT_EQ(f.protectedByCrc, row.config.crc) << where;
            ASSERT_EQ(f.bitrateIndex, row.bitrateIndex) << where;
            ASSERT_EQ(f.rateIndex, row.rateIndex) << where;
            ASSERT_EQ(f.mode, static_cast<int>(row.config.mode)) << where;
            if (row.config.mode != ChannelMode::JointStereo) {
                ASSERT_EQ(f.modeExtension, 0) << where;
            }
            ASSERT_EQ(f.copyright, row.config.copyright) << where;
            ASSERT_EQ(f.original, row.config.original) << where;
            ASSERT_EQ(f.emphasis, static_cast<int>(row.config.emphasis)) << where;
        }
    }
}

TEST(Layer1Stream, FrameCountFollowsTheInputLength)
{
    const struct
    {
        size_t samples;
        size_t frames;
    } rows[] = {{0, 0}, {1, 1}, {383, 1}, {384, 1}, {385, 2}, {3840, 10}, {3841, 11}};
    for (const auto& row : rows) {
        Layer1Config config;
        const auto pcm = test::Sine(44100, 2, row.samples, 440.0, 0.5);
        const auto stream = test::EncodeAll(config, pcm);
        std::string error;
        const auto frames = test::ParseFrames(stream, error);
        EXPECT_TRUE(error.empty()) << row.samples << " samples: " << error;
        EXPECT_EQ(frames.size(), row.frames) << row.samples << " samples";
        if (row.samples == 0) {
            EXPECT_TRUE(stream.empty()) << "empty input makes an empty file";
        }
    }
}

TEST(Layer1Stream, PaddingKeepsTheBitrateExact)
{
    // 44.1 kHz needs a padding slot in some frames; 32 and 48 kHz never do.
    const struct
    {
        int rate;
        int kbps;
        bool padded;
    } rows[] = {{44100, 32, true},  {44100, 384, true}, {44100, 448, true}, {48000, 384, false},
                {32000, 96, false}, {22050, 144, true}, {24000, 256, false}};
    for (const auto& row : rows) {
        Layer1Config config;
        config.sampleRate = row.rate;
        config.bitrateKbps = row.kbps;
        config.mode = ChannelMode::Mono;
        config.inputChannels = 1;
        const size_t frameCount = 400;
        const auto pcm = test::Sine(row.rate, 1, frameCount * 384, 1000.0, 0.3);
        const auto stream = test::EncodeAll(config, pcm);
        std::string error;
        const auto frames = test::ParseFrames(stream, error);
        ASSERT_TRUE(error.empty()) << error;
        ASSERT_EQ(frames.size(), frameCount);
        size_t paddedFrames = 0;
        for (const auto& f : frames) {
            paddedFrames += f.padding ? 1 : 0;
        }
        EXPECT_EQ(paddedFrames > 0, row.padded) << row.rate << " Hz " << row.kbps << " kbit/s";
        // Bytes written against the bitrate's exact share of the duration: within one slot.
        const double exact = frameCount * 384.0 / row.rate * row.kbps * 1000.0 / 8.0;
        EXPECT_NEAR(static_cast<double>(stream.size()), exact, 4.0) << row.rate << " Hz " << row.kbps << " kbit/s";
    }
}

TEST(Layer1Stream, RefusesWhatLayerICannotCode)
{
    const struct
    {
        const char* name;
        Layer1Config config;
    } rows[] = {
        {"8 kHz", Make(8000, 32, ChannelMode::Mono, false, false, false, Emphasis::None)},
        {"11.025 kHz", Make(11025, 32, ChannelMode::Mono, false, false, false, Emphasis::None)},
        {"96 kHz", Make(96000, 384, ChannelMode::Stereo, false, false, false, Emphasis::None)},
        {"288 kbit/s is not in the low-rate list",
         Make(22050, 288, ChannelMode::Stereo, false, false, false, Emphasis::None)},
        {"48 kbit/s is not in the MPEG-1 list",
         Make(44100, 48, ChannelMode::Stereo, false, false, false, Emphasis::None)},
        {"stereo 32 kbit/s at 48 kHz cannot hold its allocation",
         Make(48000, 32, ChannelMode::Stereo, false, false, false, Emphasis::None)},
        {"dual channel 32 kbit/s at 44.1 kHz likewise",
         Make(44100, 32, ChannelMode::DualChannel, false, false, false, Emphasis::None)},
    };
    for (const auto& row : rows) {
        Layer1Encoder encoder;
        std::string error;
        EXPECT_FALSE(encoder.Configure(row.config, error)) << row.name;
        EXPECT_FALSE(error.empty()) << row.name;
    }
    Layer1Config threeChannels;
    threeChannels.inputChannels = 3;
    EXPECT_FALSE(CheckLayer1Config(threeChannels).empty());
    const Layer1Config jointAtTheSmallestFrame =
        Make(48000, 32, ChannelMode::JointStereo, true, false, false, Emphasis::None);
    EXPECT_EQ(CheckLayer1Config(jointAtTheSmallestFrame), "") << "joint stereo shares the upper allocation fields";
}

TEST(Layer1Stream, PiecesAndOneCallGiveTheSameBytes)
{
    Layer1Config config;
    config.mode = ChannelMode::JointStereo;
    const auto pcm = test::MusicLike(44100, 2, 20000, 9);
    Layer1Encoder encoder;
    std::string error;
    ASSERT_TRUE(encoder.Configure(config, error)) << error;
    std::vector<uint8_t> whole;
    encoder.Encode(pcm.data(), 20000, whole);
    encoder.Flush(whole);
    EXPECT_EQ(whole, test::EncodeAll(config, pcm));
}

} // namespace
} // namespace quillon::layer1
