#pragma once

#include "codecs/layer1/Layer1Tables.h"

#include <array>

namespace quillon::layer1 {

// The analysis polyphase filterbank of one channel: 32 input samples in, 32 subband samples out.
// Keeps the last 480 samples of history between frames.
class PolyphaseAnalysis
{
public:
    PolyphaseAnalysis();

    // Splits 384 samples (time order, full scale = 1.0) into 12 blocks of 32 subband samples.
    void AnalyseFrame(const float* samples, float (*subbands)[kSubbands]);

    // The input of the current frame preceded by 480 samples of history, valid after
    // AnalyseFrame until the next call: Input()[480 + n] is sample n of the frame.
    const float* Input() const { return buffer_.data(); }

    static constexpr int kHistory = kWindowLength - kSubbands; // 480

private:
    std::array<float, kHistory + kSamplesPerFrame> buffer_{};
};

} // namespace quillon::layer1
