#include "Layer1TestSupport.h"
#include "codecs/layer1/BitAllocation.h"

#include <gtest/gtest.h>

#include <random>

namespace quillon::layer1 {
namespace {

int UnitCost(int code, bool shared)
{
    return code == 0 ? 0 : (shared ? 12 : 6) + 12 * (code + 1);
}

TEST(Layer1Allocation, NeverExceedsTheBudgetAndLeavesNoAffordableStep)
{
    std::mt19937 rng(17);
    std::uniform_real_distribution<float> smrDist(-40.0f, 110.0f);
    struct Family
    {
        int rate;
        const std::array<int, 15>* bitrates;
    };
    const Family families[] = {{32000, &kBitratesMpeg1}, {44100, &kBitratesMpeg1}, {48000, &kBitratesMpeg1},
                               {16000, &kBitratesLsf},   {22050, &kBitratesLsf},   {24000, &kBitratesLsf}};
    const int shapes[][2] = {{1, 32}, {2, 32}, {2, 16}, {2, 12}, {2, 8}, {2, 4}}; // channels, bound
    for (const Family& family : families) {
        for (int b = 1; b < 15; ++b) {
            const int frameBits = 12 * (*family.bitrates)[b] * 1000 / family.rate * 32;
            for (const auto& shape : shapes) {
                for (int crc = 0; crc < 2; ++crc) {
                    float smr[2][kSubbands];
                    for (auto& row : smr) {
                        for (float& v : row) {
                            v = smrDist(rng);
                        }
                    }
                    // With scale factors (noise-driven beyond the margin) and without (mask-driven).
                    int scaleIndex[2][kSubbands];
                    for (auto& row : scaleIndex) {
                        for (int& v : row) {
                            v = static_cast<int>(rng() % kScaleFactorCount);
                        }
                    }
                    const int available = frameBits - 32 - 16 * crc;
                    const Allocation a = AllocateBits(smr, crc ? scaleIndex : nullptr, shape[0], shape[1], available);
                    const std::string where = std::to_string(family.rate) + " Hz " +
                                              std::to_string((*family.bitrates)[b]) + " kbit/s, " +
                                              std::to_string(shape[0]) + " ch, bound " + std::to_string(shape[1]);
                    int bits = AllocationFieldBits(shape[0], shape[1]);
                    if (bits > available) {
                        // Refused by the configuration check; the allocation must still stay empty.
                        for (int sb = 0; sb < kSubbands; ++sb) {
                            ASSERT_EQ(a.codes[0][sb] + a.codes[1][sb], 0) << where;
                        }
                        continue;
                    }
                    for (int sb = 0; sb < kSubbands; ++sb) {
                        const bool shared = shape[0] == 2 && sb >= shape[1];
                        if (shared) {
                            ASSERT_EQ(a.codes[0][sb], a.codes[1][sb]) << where << ", subband " << sb;
                        }
                        for (int ch = 0; ch < (shared ? 1 : shape[0]); ++ch) {
                            ASSERT_GE(a.codes[ch][sb], 0) << where;
                            ASSERT_LE(a.codes[ch][sb], kMaxAllocation) << where;
                            bits += UnitCost(a.codes[ch][sb], shared);
                        }
                    }
                    ASSERT_EQ(bits, a.bitsUsed) << where;
                    ASSERT_LE(a.bitsUsed, available) << where;
                    // What is left must be too little for any further step.
                    for (int sb = 0; sb < kSubbands; ++sb) {
                        const bool shared = shape[0] == 2 && sb >= shape[1];
                        for (int ch = 0; ch < (shared ? 1 : shape[0]); ++ch) {
                            const int code = a.codes[ch][sb];
                            if (code < kMaxAllocation) {
                                const int step = UnitCost(code + 1, shared) - UnitCost(code, shared);
                                ASSERT_GT(a.bitsUsed + step, available) << where << ", subband " << sb;
                            }
                        }
                    }
                }
            }
        }
    }
}

TEST(Layer1Allocation, MaskedSubbandsGetNothingWhenBitsAreShort)
{
    float smr[2][kSubbands];
    for (int sb = 0; sb < kSubbands; ++sb) {
        smr[0][sb] = sb < 4 ? 30.0f : -30.0f;
        smr[1][sb] = smr[0][sb];
    }
    // 128 kbit/s at 48 kHz: 1024 bits a frame, less the header.
    const Allocation a = AllocateBits(smr, nullptr, 2, 32, 1024 - 32);
    for (int sb = 4; sb < kSubbands; ++sb) {
        EXPECT_EQ(a.codes[0][sb], 0) << "subband " << sb;
    }
    for (int sb = 0; sb < 4; ++sb) {
        EXPECT_GE(a.codes[0][sb], 4) << "subband " << sb;
    }
}

TEST(Layer1Allocation, EncodedFramesHoldTheirAudioData)
{
    // Through the whole encoder: the bits the allocation fields announce fit in every frame.
    const int rates[] = {32000, 44100, 48000, 16000, 22050, 24000};
    const ChannelMode modes[] = {ChannelMode::Stereo, ChannelMode::JointStereo, ChannelMode::DualChannel,
                                 ChannelMode::Mono};
    int round = 0;
    for (int rate : rates) {
        bool lsf = false;
        SampleRateIndex(rate, lsf);
        for (int b = 1; b < 15; ++b, ++round) {
            Layer1Config config;
            config.sampleRate = rate;
            config.bitrateKbps = (lsf ? kBitratesLsf : kBitratesMpeg1)[b];
            config.mode = modes[round % 4];
            config.inputChannels = config.mode == ChannelMode::Mono ? 1 : 2;
            config.crc = round % 3 == 0;
            config.fast = round % 5 == 0;
            if (!CheckLayer1Config(config).empty()) {
                config.mode = ChannelMode::JointStereo; // plain stereo cannot fit the smallest frames
            }
            const auto pcm = test::PinkNoise(config.inputChannels, 4000, 0.8, static_cast<unsigned>(round));
            const auto stream = test::EncodeAll(config, pcm);
            std::string error;
            const auto frames = test::ParseFrames(stream, error);
            ASSERT_TRUE(error.empty()) << error;
            for (const auto& f : frames) {
                int allocation[2][32];
                ASSERT_LE(test::AudioDataBits(stream, f, allocation), f.length * 8)
                    << rate << " Hz, " << config.bitrateKbps << " kbit/s, frame at byte " << f.offset;
            }
        }
    }
}

} // namespace
} // namespace quillon::layer1
