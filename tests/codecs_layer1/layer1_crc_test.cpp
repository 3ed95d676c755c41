#include "Layer1TestSupport.h"
#include "codecs/layer1/Crc16.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace quillon::layer1 {
namespace {

// One bit at a time, straight from the polynomial: the reference for the table-driven code.
uint16_t BitwiseCrc(uint16_t crc, const std::vector<int>& bits)
{
    for (int bit : bits) {
        const bool feedback = ((crc >> 15) & 1) != (bit & 1);
        crc = static_cast<uint16_t>(crc << 1);
        if (feedback) {
            crc ^= 0x8005;
        }
    }
    return crc;
}

std::vector<int> BitsOf(const std::string& text)
{
    std::vector<int> bits;
    for (unsigned char c : text) {
        for (int i = 7; i >= 0; --i) {
            bits.push_back((c >> i) & 1);
        }
    }
    return bits;
}

TEST(Layer1Crc, KnownVectors)
{
    struct Row
    {
        const char* name;
        std::string data;
        uint16_t init;
        uint16_t expected;
    };
    // CRC-16/CMS (poly 0x8005, init 0xFFFF, no reflection) is the MPEG audio frame check;
    // CRC-16/BUYPASS is the same register started from zero.
    const Row rows[] = {
        {"CRC-16/CMS check string", "123456789", 0xFFFF, 0xAEE7},
        {"CRC-16/BUYPASS check string", "123456789", 0x0000, 0xFEE8},
        {"empty input keeps the start value", "", 0xFFFF, 0xFFFF},
    };
    for (const Row& row : rows) {
        Crc16 crc(row.init);
        crc.AddBytes(reinterpret_cast<const uint8_t*>(row.data.data()), row.data.size());
        EXPECT_EQ(crc.Value(), row.expected) << row.name;
        EXPECT_EQ(BitwiseCrc(row.init, BitsOf(row.data)), row.expected) << row.name << " (bitwise reference)";
    }
}

TEST(Layer1Crc, FieldsOfAnyWidthMatchTheBitwiseReference)
{
    std::mt19937 rng(3);
    for (int trial = 0; trial < 200; ++trial) {
        Crc16 crc;
        std::vector<int> bits;
        const int fields = 1 + static_cast<int>(rng() % 40);
        for (int f = 0; f < fields; ++f) {
            const int width = 1 + static_cast<int>(rng() % 32);
            const uint32_t value = static_cast<uint32_t>(rng()) & (0xFFFFFFFFu >> (32 - width));
            crc.AddBits(value, width);
            for (int i = width - 1; i >= 0; --i) {
                bits.push_back((value >> i) & 1);
            }
        }
        ASSERT_EQ(crc.Value(), BitwiseCrc(0xFFFF, bits)) << "trial " << trial;
    }
}

TEST(Layer1Crc, EveryProtectedFrameCarriesTheCheckOfHeaderAndAllocation)
{
    const ChannelMode modes[] = {ChannelMode::Mono, ChannelMode::Stereo, ChannelMode::DualChannel,
                                 ChannelMode::JointStereo};
    for (ChannelMode mode : modes) {
        Layer1Config config;
        config.sampleRate = 44100;
        config.bitrateKbps = 128;
        config.mode = mode;
        config.inputChannels = mode == ChannelMode::Mono ? 1 : 2;
        config.crc = true;
        const auto pcm = test::MusicLike(44100, config.inputChannels, 44100, 5);
        const auto stream = test::EncodeAll(config, pcm);
        std::string error;
        const auto frames = test::ParseFrames(stream, error);
        ASSERT_TRUE(error.empty()) << error;
        ASSERT_FALSE(frames.empty());
        for (const auto& f : frames) {
            // Header bits 16..31, then the allocation fields (one per shared subband above the
            // intensity bound).
            test::BitReader reader(stream.data() + f.offset, f.length);
            std::vector<int> bits;
            reader.Get(16);
            for (int i = 0; i < 16; ++i) {
                bits.push_back(static_cast<int>(reader.Get(1)));
            }
            const uint16_t stored = static_cast<uint16_t>(reader.Get(16));
            const int channels = f.mode == 3 ? 1 : 2;
            const int bound = f.mode == 1 ? 4 * (f.modeExtension + 1) : 32;
            const int fields = 4 * (channels * bound + (32 - bound));
            for (int i = 0; i < fields; ++i) {
                bits.push_back(static_cast<int>(reader.Get(1)));
            }
            ASSERT_EQ(stored, BitwiseCrc(0xFFFF, bits))
                << "mode " << static_cast<int>(mode) << " frame at byte " << f.offset;
        }
    }
}

} // namespace
} // namespace quillon::layer1
