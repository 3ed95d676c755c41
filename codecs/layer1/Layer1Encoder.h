#pragma once

#include "codecs/layer1/BitAllocation.h"
#include "codecs/layer1/Layer1Tables.h"
#include "codecs/layer1/PolyphaseAnalysis.h"
#include "codecs/layer1/PsychoModel.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quillon::layer1 {

enum class ChannelMode {
    Stereo = 0,
    JointStereo = 1,
    DualChannel = 2,
    Mono = 3,
}; // values are the header's mode field

enum class Emphasis {
    None = 0,
    Ms50_15 = 1,
    CcittJ17 = 3,
}; // values are the header's emphasis field

struct Layer1Config
{
    int sampleRate = 44100;
    int bitrateKbps = 384;
    ChannelMode mode = ChannelMode::Stereo;
    int inputChannels = 2; // interleaved channels of the PCM handed to Encode: 1 or 2
    bool copyright = false;
    bool original = false;
    bool crc = false;
    Emphasis emphasis = Emphasis::None;
    bool fast = false; // cheaper masking model
};

// Why a configuration cannot be encoded, or an empty text when it can.
std::string CheckLayer1Config(const Layer1Config& config);

// MPEG-1 Layer I encoder (and MPEG-2 Layer I at 16, 22.05 and 24 kHz): 16-bit PCM in, frames
// of 384 samples out.
class Layer1Encoder
{
public:
    // The configuration must pass CheckLayer1Config; Configure says so otherwise.
    Layer1Encoder();
    ~Layer1Encoder();

    bool Configure(const Layer1Config& config, std::string& error);

    // Appends every complete frame the new samples make to `out`.
    void Encode(const int16_t* interleaved, size_t frames, std::vector<uint8_t>& out);

    // Pads a last partial frame with silence and appends it; no frame when nothing is pending.
    void Flush(std::vector<uint8_t>& out);

    // Frames written so far.
    long FrameCount() const { return frameCount_; }

    // Samples of delay between the input and a standard decoder's output.
    static constexpr int kDecoderDelay = kWindowLength - kSubbands + 1; // 481

private:
    void EncodeFrame(std::vector<uint8_t>& out);
    int ChooseBound(const float (*smr)[kSubbands], int availableBits, Allocation& allocation) const;
    void MakeIntensityBands(int bound);
    void WriteFrame(const Allocation& allocation, int bound, bool padding, std::vector<uint8_t>& out);

    Layer1Config config_;
    bool lsf_ = false;
    int rateIndex_ = 0;
    int bitrateIndex_ = 0;
    int codedChannels_ = 2;
    int slotsPerFrame_ = 0; // whole 4-byte slots
    int slotRemainder_ = 0; // fraction of a slot, in units of 1 / sampleRate
    int paddingAccumulator_ = 0;
    long frameCount_ = 0;

    std::vector<float> pending_[2];
    size_t pendingCount_ = 0;

    PolyphaseAnalysis analysis_[2];
    std::unique_ptr<PsychoModel> psycho_[2];
    float subbands_[2][kBlocksPerFrame][kSubbands] = {};
    float jointSamples_[kBlocksPerFrame][kSubbands] = {};
    int scaleIndex_[2][kSubbands] = {};
    int jointScaleIndex_[kSubbands] = {};
    int quantised_[2][kBlocksPerFrame][kSubbands] = {};
};

} // namespace quillon::layer1
