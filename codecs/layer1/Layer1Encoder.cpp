#include "codecs/layer1/Layer1Encoder.h"

#include "codecs/layer1/BitWriter.h"
#include "codecs/layer1/Crc16.h"

#include <algorithm>
#include <cmath>

namespace quillon::layer1 {

namespace {

constexpr int kHeaderBits = 32;
constexpr int kCrcBits = 16;
constexpr int kSlotBytes = 4;
constexpr int kPsychoOffset = 175; // puts the 512 spectrum samples on the frame's subband samples

// Smallest scale factor (largest index) that is not below `peak`.
int ScaleIndexFor(float peak)
{
    if (!(peak > kScaleFactors[kScaleFactorCount - 1])) {
        return kScaleFactorCount - 1;
    }
    int index = static_cast<int>(3.0f * std::log2(2.0f / peak));
    index = std::clamp(index, 0, kScaleFactorCount - 1);
    while (index > 0 && kScaleFactors[index] < peak) {
        --index;
    }
    while (index + 1 < kScaleFactorCount && kScaleFactors[index + 1] >= peak) {
        ++index;
    }
    return index;
}

} // namespace

std::string CheckLayer1Config(const Layer1Config& config)
{
    bool lsf = false;
    if (SampleRateIndex(config.sampleRate, lsf) < 0) {
        return "Layer I has no sample rate of " + std::to_string(config.sampleRate) +
               " Hz (16, 22.05, 24, 32, 44.1 or 48 kHz)";
    }
    if (BitrateIndex(config.bitrateKbps, lsf) < 0) {
        return "Layer I has no bitrate of " + std::to_string(config.bitrateKbps) + " kbit/s at " +
               std::to_string(config.sampleRate) + " Hz";
    }
    if (config.inputChannels != 1 && config.inputChannels != 2) {
        return "Layer I input must have 1 or 2 channels";
    }
    const int mode = static_cast<int>(config.mode);
    if (mode < 0 || mode > 3) {
        return "unknown channel mode";
    }
    // A frame must at least hold the header, the check word and every allocation field; plain
    // two-channel frames at the smallest sizes cannot (joint stereo shares the upper fields).
    const int smallestFrameBits = 12 * config.bitrateKbps * 1000 / config.sampleRate * 32;
    const int channels = config.mode == ChannelMode::Mono ? 1 : 2;
    const int bound = config.mode == ChannelMode::JointStereo ? 4 : kSubbands;
    if (kHeaderBits + (config.crc ? kCrcBits : 0) + AllocationFieldBits(channels, bound) > smallestFrameBits) {
        return std::string("Layer I ") + (config.mode == ChannelMode::DualChannel ? "dual channel" : "stereo") +
               " at " + std::to_string(config.bitrateKbps) + " kbit/s, " + std::to_string(config.sampleRate) +
               " Hz has no room for audio (use joint stereo or mono)";
    }
    const int emphasis = static_cast<int>(config.emphasis);
    if (emphasis != 0 && emphasis != 1 && emphasis != 3) {
        return "unknown emphasis";
    }
    return {};
}

Layer1Encoder::Layer1Encoder() = default;
Layer1Encoder::~Layer1Encoder() = default;

bool Layer1Encoder::Configure(const Layer1Config& config, std::string& error)
{
    error = CheckLayer1Config(config);
    if (!error.empty()) {
        return false;
    }
    config_ = config;
    rateIndex_ = SampleRateIndex(config.sampleRate, lsf_);
    bitrateIndex_ = BitrateIndex(config.bitrateKbps, lsf_);
    codedChannels_ = config.mode == ChannelMode::Mono ? 1 : 2;
    const int slotNumerator = 12 * config.bitrateKbps * 1000;
    slotsPerFrame_ = slotNumerator / config.sampleRate;
    slotRemainder_ = slotNumerator % config.sampleRate;
    paddingAccumulator_ = 0;
    frameCount_ = 0;
    // The standard's model lowers the threshold in quiet by 12 dB from 96 kbit/s per channel on.
    const float quietOffset = config.bitrateKbps / codedChannels_ >= 96 ? 12.0f : 0.0f;
    for (int ch = 0; ch < codedChannels_; ++ch) {
        pending_[ch].assign(kSamplesPerFrame, 0.0f);
        analysis_[ch] = PolyphaseAnalysis();
        psycho_[ch] = std::make_unique<PsychoModel>(config.sampleRate, quietOffset);
    }
    pendingCount_ = 0;
    return true;
}

void Layer1Encoder::Encode(const int16_t* interleaved, size_t frames, std::vector<uint8_t>& out)
{
    constexpr float kScale = 1.0f / 32768.0f;
    const int in = config_.inputChannels;
    for (size_t i = 0; i < frames; ++i) {
        const int16_t* sample = interleaved + i * static_cast<size_t>(in);
        if (codedChannels_ == 1) {
            pending_[0][pendingCount_] =
                in == 1 ? sample[0] * kScale : 0.5f * (static_cast<float>(sample[0]) + sample[1]) * kScale;
        } else {
            pending_[0][pendingCount_] = sample[0] * kScale;
            pending_[1][pendingCount_] = sample[in == 1 ? 0 : 1] * kScale;
        }
        if (++pendingCount_ == kSamplesPerFrame) {
            EncodeFrame(out);
            pendingCount_ = 0;
        }
    }
}

void Layer1Encoder::Flush(std::vector<uint8_t>& out)
{
    if (pendingCount_ == 0) {
        return;
    }
    for (int ch = 0; ch < codedChannels_; ++ch) {
        std::fill(pending_[ch].begin() + static_cast<std::ptrdiff_t>(pendingCount_), pending_[ch].end(), 0.0f);
    }
    EncodeFrame(out);
    pendingCount_ = 0;
}

int Layer1Encoder::ChooseBound(const float (*smr)[kSubbands], int availableBits, Allocation& allocation) const
{
    // The highest bound whose allocation still keeps the noise under the mask; the lowest
    // otherwise, as sharing more subbands frees the most bits.
    static constexpr int kBounds[4] = {16, 12, 8, 4};
    for (int e = 0; e < 4; ++e) {
        if (AllocationFieldBits(2, kBounds[e]) > availableBits && e < 3) {
            continue;
        }
        allocation = AllocateBits(smr, scaleIndex_, 2, kBounds[e], availableBits);
        if (allocation.worstMnr >= 0.0f || e == 3) {
            return kBounds[e];
        }
    }
    return 4;
}

void Layer1Encoder::MakeIntensityBands(int bound)
{
    // Shared subbands carry the mid signal once; each channel's scale factor restores its own
    // level from the energy ratio to the mid signal.
    for (int sb = bound; sb < kSubbands; ++sb) {
        float peak = 0.0f;
        double energyMid = 0.0;
        double energy[2] = {0.0, 0.0};
        for (int s = 0; s < kBlocksPerFrame; ++s) {
            const float l = subbands_[0][s][sb];
            const float r = subbands_[1][s][sb];
            const float mid = 0.5f * (l + r);
            jointSamples_[s][sb] = mid;
            peak = std::max(peak, std::fabs(mid));
            energyMid += static_cast<double>(mid) * mid;
            energy[0] += static_cast<double>(l) * l;
            energy[1] += static_cast<double>(r) * r;
        }
        jointScaleIndex_[sb] = ScaleIndexFor(peak);
        const float jointScale = kScaleFactors[jointScaleIndex_[sb]];
        for (int ch = 0; ch < 2; ++ch) {
            if (energyMid <= 1e-20) {
                scaleIndex_[ch][sb] = kScaleFactorCount - 1;
                continue;
            }
            const double wanted = jointScale * std::sqrt(energy[ch] / energyMid);
            const int index = wanted > 0.0 ? static_cast<int>(std::lround(3.0 * std::log2(2.0 / wanted))) : 62;
            scaleIndex_[ch][sb] = std::clamp(index, 0, kScaleFactorCount - 1);
        }
    }
}

void Layer1Encoder::EncodeFrame(std::vector<uint8_t>& out)
{
    float peaks[2][kSubbands];
    float smr[2][kSubbands] = {};
    for (int ch = 0; ch < codedChannels_; ++ch) {
        analysis_[ch].AnalyseFrame(pending_[ch].data(), subbands_[ch]);
        for (int sb = 0; sb < kSubbands; ++sb) {
            float peak = 0.0f;
            for (int s = 0; s < kBlocksPerFrame; ++s) {
                peak = std::max(peak, std::fabs(subbands_[ch][s][sb]));
            }
            peaks[ch][sb] = peak;
            scaleIndex_[ch][sb] = ScaleIndexFor(peak);
        }
        if (config_.fast) {
            psycho_[ch]->Fast(peaks[ch], smr[ch]);
        } else {
            psycho_[ch]->Full(analysis_[ch].Input() + kPsychoOffset, peaks[ch], smr[ch]);
        }
    }

    bool padding = false;
    paddingAccumulator_ += slotRemainder_;
    if (paddingAccumulator_ >= config_.sampleRate) {
        paddingAccumulator_ -= config_.sampleRate;
        padding = true;
    }
    const int frameBits = (slotsPerFrame_ + (padding ? 1 : 0)) * kSlotBytes * 8;
    const int availableBits = frameBits - kHeaderBits - (config_.crc ? kCrcBits : 0);

    Allocation allocation;
    int bound = kSubbands;
    if (config_.mode == ChannelMode::JointStereo) {
        bound = ChooseBound(smr, availableBits, allocation);
        MakeIntensityBands(bound);
    } else {
        allocation = AllocateBits(smr, scaleIndex_, codedChannels_, kSubbands, availableBits);
    }
    WriteFrame(allocation, bound, padding, out);
    ++frameCount_;
}

void Layer1Encoder::WriteFrame(const Allocation& allocation, int bound, bool padding, std::vector<uint8_t>& out)
{
    const int frameBytes = (slotsPerFrame_ + (padding ? 1 : 0)) * kSlotBytes;
    const size_t start = out.size();
    out.resize(start + static_cast<size_t>(frameBytes), 0);
    BitWriter writer(out.data() + start, static_cast<size_t>(frameBytes));

    const int modeExtension = config_.mode == ChannelMode::JointStereo ? bound / 4 - 1 : 0;
    // The last 16 header bits, which the check word covers.
    const uint32_t headerLow = (static_cast<uint32_t>(bitrateIndex_) << 12) |
                               (static_cast<uint32_t>(rateIndex_) << 10) | ((padding ? 1u : 0u) << 9) |
                               (static_cast<uint32_t>(config_.mode) << 6) |
                               (static_cast<uint32_t>(modeExtension) << 4) | ((config_.copyright ? 1u : 0u) << 3) |
                               ((config_.original ? 1u : 0u) << 2) | static_cast<uint32_t>(config_.emphasis);
    // Sync word, the version bit (1 = MPEG-1), layer 11 = Layer I, and protection_bit = 0 when a
    // check word follows.
    writer.Put(0xFFF, 12);
    writer.Put(lsf_ ? 0 : 1, 1);
    writer.Put(3, 2);
    writer.Put(config_.crc ? 0 : 1, 1);
    writer.Put(headerLow, 16);
    if (config_.crc) {
        writer.Put(0, 16);
    }

    Crc16 crc;
    crc.AddBits(headerLow, 16);
    for (int sb = 0; sb < kSubbands; ++sb) {
        const int channels = sb < bound ? codedChannels_ : 1;
        for (int ch = 0; ch < channels; ++ch) {
            writer.Put(static_cast<uint32_t>(allocation.codes[ch][sb]), 4);
            crc.AddBits(static_cast<uint32_t>(allocation.codes[ch][sb]), 4);
        }
    }
    for (int sb = 0; sb < kSubbands; ++sb) {
        for (int ch = 0; ch < codedChannels_; ++ch) {
            if (allocation.codes[ch][sb] != 0) {
                writer.Put(static_cast<uint32_t>(scaleIndex_[ch][sb]), 6);
            }
        }
    }
    // Quantise every sample in one pass that vectorises: the nearest of the L = 2^(code+1) - 1
    // levels (2c - (L-1)) / L of the sample over its scale factor. Shared subbands take the mid
    // signal and the joint scale factor.
    float gain[2][kSubbands];
    float offset[2][kSubbands];
    int top[2][kSubbands];
    for (int ch = 0; ch < codedChannels_; ++ch) {
        for (int sb = 0; sb < kSubbands; ++sb) {
            const int levels = (2 << allocation.codes[ch][sb]) - 1;
            const int index = sb < bound ? scaleIndex_[ch][sb] : jointScaleIndex_[sb];
            gain[ch][sb] = 0.5f * static_cast<float>(levels) / kScaleFactors[index];
            offset[ch][sb] = 0.5f * static_cast<float>(levels - 1) + 0.5f;
            top[ch][sb] = levels - 1;
        }
    }
    for (int ch = 0; ch < codedChannels_; ++ch) {
        for (int s = 0; s < kBlocksPerFrame; ++s) {
            const float* source = subbands_[ch][s];
            const float* joint = jointSamples_[s];
            int* q = quantised_[ch][s];
            for (int sb = 0; sb < kSubbands; ++sb) {
                const float x = sb < bound ? source[sb] : joint[sb];
                const int v = static_cast<int>(x * gain[ch][sb] + offset[ch][sb]);
                q[sb] = v < 0 ? 0 : (v > top[ch][sb] ? top[ch][sb] : v);
            }
        }
    }
    for (int s = 0; s < kBlocksPerFrame; ++s) {
        for (int sb = 0; sb < kSubbands; ++sb) {
            const int channels = sb < bound ? codedChannels_ : 1;
            for (int ch = 0; ch < channels; ++ch) {
                const int code = allocation.codes[ch][sb];
                if (code != 0) {
                    writer.Put(static_cast<uint32_t>(quantised_[ch][s][sb]), code + 1);
                }
            }
        }
    }
    writer.Finish();
    if (config_.crc) {
        out[start + 4] = static_cast<uint8_t>(crc.Value() >> 8);
        out[start + 5] = static_cast<uint8_t>(crc.Value());
    }
}

} // namespace quillon::layer1
