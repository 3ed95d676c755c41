#pragma once

#include "codecs/layer1/FftPower.h"
#include "codecs/layer1/Layer1Tables.h"

#include <array>
#include <vector>

namespace quillon::layer1 {

// Signal-to-mask ratios per subband for one channel and frame. The full model follows the
// structure of psychoacoustic model 1: a 512-point spectrum, tonal and noise maskers, masking
// index and spreading function, global threshold with the threshold in quiet, minimum per
// subband. The fast model works from the subband peaks alone.
class PsychoModel
{
public:
    // `quietOffsetDb` lowers the threshold in quiet (higher bitrates can afford more margin).
    PsychoModel(int sampleRate, float quietOffsetDb);

    // `samples`: 512 samples centred on the frame's subband samples. `peaks`: the largest
    // absolute subband sample per subband. Writes the ratio in dB per subband.
    void Full(const float* samples, const float* peaks, float* smr);
    void Fast(const float* peaks, float* smr) const;

private:
    struct Masker
    {
        int line;
        float power; // linear, full-scale sine = 10^9.6
        bool tonal;
    };

    void FindMaskers();
    void SpreadMaskers();

    static constexpr int kLines = FftPower::kBins; // 257

    FftPower spectrum_;
    std::array<float, FftPower::kSize> hann_{};
    std::array<float, kLines> bark_{};
    std::array<float, kLines> quietLinear_{};
    std::array<float, kSubbands> quietMinDb_{};
    std::vector<int> bandStart_; // first line of each critical band, plus an end marker

    // Lines where the global threshold is evaluated, their bark values and the segment borders
    // (dz = -3, -1, 0, 1, 8) of the spreading function seen from each masker line.
    std::vector<int> evalLine_;
    std::vector<float> evalBark_;
    std::vector<std::array<int, 5>> segments_;
    std::array<int, kSubbands + 1> evalOfSubband_{};

    // Per-frame work areas.
    std::array<float, FftPower::kSize> windowed_{};
    std::array<float, kLines> power_{};
    std::array<uint8_t, kLines> used_{};
    std::vector<Masker> maskers_;
    std::vector<float> threshold_;
};

} // namespace quillon::layer1
