#include "codecs/layer1/PsychoModel.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

namespace quillon::layer1 {

namespace {

constexpr float kFullScaleDb = 96.0f;
constexpr float kDbToLog2 = 0.33219281f;  // 2^(x * this) = 10^(x / 10)
constexpr float kTonalRatio = 5.0118723f; // 7 dB

// 2^y to about 1e-4 relative error, for summing masking contributions in power. Written
// without branches so that the loops over threshold lines vectorise.
inline float FastExp2(float y)
{
    y = y < -126.0f ? -126.0f : y;
    const float shifted = y + 127.0f; // positive, so truncation is the floor
    const int whole = static_cast<int>(shifted);
    const float f = shifted - static_cast<float>(whole);
    const float p = 1.0f + f * (0.6931472f + f * (0.2402265f + f * (0.0555041f + f * 0.0096181f)));
    return p * std::bit_cast<float>(static_cast<uint32_t>(whole) << 23);
}

// 10 log10(power) to about 0.001 dB: exponent bits plus a polynomial for the mantissa.
inline float ToDb(float power)
{
    power = power > 1e-10f ? power : 1e-10f;
    const uint32_t bits = std::bit_cast<uint32_t>(power);
    const float exponent = static_cast<float>(static_cast<int>(bits >> 23) - 127);
    const float m = std::bit_cast<float>((bits & 0x007FFFFFu) | 0x3F800000u) - 1.0f; // [0, 1)
    const float log2Mantissa =
        m *
        (1.4425171f + m * (-0.7178987f + m * (0.4568956f + m * (-0.2773682f + m * (0.1219173f + m * -0.0260675f)))));
    return 3.0103f * (exponent + log2Mantissa);
}

float Bark(double hz)
{
    return static_cast<float>(13.0 * std::atan(0.00076 * hz) + 3.5 * std::atan((hz / 7500.0) * (hz / 7500.0)));
}

// Threshold in quiet in dB on the scale where a full-scale sine is 96 dB.
float QuietDb(double hz, float offsetDb)
{
    const double f = std::max(hz, 20.0) / 1000.0;
    const double db = 3.64 * std::pow(f, -0.8) - 6.5 * std::exp(-0.6 * (f - 3.3) * (f - 3.3)) + 0.001 * f * f * f * f;
    return static_cast<float>(std::min(db - offsetDb, 120.0));
}

} // namespace

PsychoModel::PsychoModel(int sampleRate, float quietOffsetDb)
{
    for (int n = 0; n < FftPower::kSize; ++n) {
        hann_[n] = static_cast<float>(0.5 * (1.0 - std::cos(2.0 * M_PI * (n + 0.5) / FftPower::kSize)));
    }
    for (int k = 0; k < kLines; ++k) {
        const double hz = static_cast<double>(k) * sampleRate / FftPower::kSize;
        bark_[k] = Bark(hz);
        quietLinear_[k] = std::pow(10.0f, QuietDb(hz, quietOffsetDb) / 10.0f);
    }
    for (int sb = 0; sb < kSubbands; ++sb) {
        float lowest = 1e30f;
        for (int k = std::max(1, sb * 8); k < sb * 8 + 8; ++k) {
            lowest = std::min(lowest, ToDb(quietLinear_[k]));
        }
        quietMinDb_[sb] = lowest;
    }
    // Critical bands of one bark for grouping the noise.
    int lastBand = -1;
    for (int k = 1; k < kLines - 1; ++k) {
        const int band = static_cast<int>(bark_[k]);
        if (band != lastBand) {
            bandStart_.push_back(k);
            lastBand = band;
        }
    }
    bandStart_.push_back(kLines - 1);

    // Every line at low frequencies, every second, then every fourth, as the bands narrow in bark.
    for (int k = 1; k < kLines - 1; k += (k < 48 ? 1 : (k < 96 ? 2 : 4))) {
        evalLine_.push_back(k);
        evalBark_.push_back(bark_[k]);
    }
    for (int sb = 0, i = 0; sb <= kSubbands; ++sb) {
        while (i < static_cast<int>(evalLine_.size()) && evalLine_[i] < sb * 8) {
            ++i;
        }
        evalOfSubband_[sb] = i;
    }
    evalOfSubband_[kSubbands] = static_cast<int>(evalLine_.size());
    segments_.resize(kLines);
    const float borders[5] = {-3.0f, -1.0f, 0.0f, 1.0f, 8.0f};
    for (int k = 0; k < kLines; ++k) {
        for (int s = 0; s < 5; ++s) {
            const auto it = std::lower_bound(evalBark_.begin(), evalBark_.end(), bark_[k] + borders[s]);
            segments_[k][s] = static_cast<int>(it - evalBark_.begin());
        }
    }
    threshold_.resize(evalLine_.size());
    maskers_.reserve(kLines);
}

void PsychoModel::FindMaskers()
{
    maskers_.clear();
    std::fill(used_.begin(), used_.end(), 0);
    const float* p = power_.data();
    // Tonal components: local maxima standing 7 dB above their neighbourhood.
    for (int k = 3; k < 250; ++k) {
        if (!(p[k] > p[k - 1] && p[k] >= p[k + 1])) {
            continue;
        }
        const int reach = k < 63 ? 2 : (k < 127 ? 3 : 6);
        const float limit = p[k] * (1.0f / kTonalRatio);
        bool tonal = true;
        for (int j = 2; j <= reach && tonal; ++j) {
            tonal = p[k - j] <= limit && p[k + j] <= limit;
        }
        if (!tonal) {
            continue;
        }
        maskers_.push_back({k, p[k - 1] + p[k] + p[k + 1], true});
        for (int j = -reach; j <= reach; ++j) {
            if (k + j < kLines) {
                used_[k + j] = 1;
            }
        }
    }
    // Of two tonal components closer than half a bark only the stronger one masks.
    size_t kept = 0;
    for (size_t i = 0; i < maskers_.size(); ++i) {
        if (kept > 0 && bark_[maskers_[i].line] - bark_[maskers_[kept - 1].line] < 0.5f) {
            if (maskers_[i].power > maskers_[kept - 1].power) {
                maskers_[kept - 1] = maskers_[i];
            }
            continue;
        }
        maskers_[kept++] = maskers_[i];
    }
    maskers_.resize(kept);
    // Noise components: what is left in each critical band, placed at its power centre.
    for (size_t b = 0; b + 1 < bandStart_.size(); ++b) {
        float sum = 0.0f;
        float moment = 0.0f;
        for (int k = bandStart_[b]; k < bandStart_[b + 1]; ++k) {
            if (!used_[k]) {
                sum += p[k];
                moment += p[k] * static_cast<float>(k);
            }
        }
        if (sum > 0.0f) {
            const int line = static_cast<int>(moment / sum + 0.5f);
            maskers_.push_back({std::clamp(line, bandStart_[b], bandStart_[b + 1] - 1), sum, false});
        }
    }
    // Components below the threshold in quiet mask nothing.
    std::erase_if(maskers_, [this](const Masker& m) { return m.power < quietLinear_[m.line]; });
}

void PsychoModel::SpreadMaskers()
{
    std::fill(threshold_.begin(), threshold_.end(), 0.0f);
    float* acc = threshold_.data();
    const float* z = evalBark_.data();
    for (const Masker& m : maskers_) {
        const float level = ToDb(m.power);
        const float zm = bark_[m.line];
        const float index = m.tonal ? (-1.525f - 0.275f * zm - 4.5f) : (-1.525f - 0.175f * zm - 0.5f);
        const float base = level + index;
        const float lowSlope = 0.4f * level + 6.0f;
        const float highSlope = 17.0f - 0.15f * level;
        const auto& seg = segments_[m.line];
        for (int i = seg[0]; i < seg[1]; ++i) {
            const float dz = z[i] - zm;
            acc[i] += FastExp2((base + 17.0f * (dz + 1.0f) - lowSlope) * kDbToLog2);
        }
        for (int i = seg[1]; i < seg[2]; ++i) {
            const float dz = z[i] - zm;
            acc[i] += FastExp2((base + lowSlope * dz) * kDbToLog2);
        }
        for (int i = seg[2]; i < seg[3]; ++i) {
            const float dz = z[i] - zm;
            acc[i] += FastExp2((base - 17.0f * dz) * kDbToLog2);
        }
        for (int i = seg[3]; i < seg[4]; ++i) {
            const float dz = z[i] - zm;
            acc[i] += FastExp2((base - (dz - 1.0f) * highSlope - 17.0f) * kDbToLog2);
        }
    }
}

void PsychoModel::Full(const float* samples, const float* peaks, float* smr)
{
    for (int n = 0; n < FftPower::kSize; ++n) {
        windowed_[n] = samples[n] * hann_[n];
    }
    spectrum_.Compute(windowed_.data(), power_.data());
    // A full-scale sine peaks at (512/4)^2 through the Hann window; put it at 96 dB.
    const float norm = std::pow(10.0f, kFullScaleDb / 10.0f) / (128.0f * 128.0f);
    for (float& v : power_) {
        v *= norm;
    }
    FindMaskers();
    SpreadMaskers();
    for (int sb = 0; sb < kSubbands; ++sb) {
        float lowest = 1e30f;
        for (int i = evalOfSubband_[sb]; i < evalOfSubband_[sb + 1]; ++i) {
            lowest = std::min(lowest, threshold_[i] + quietLinear_[evalLine_[i]]);
        }
        float strongest = 0.0f;
        for (int k = sb * 8; k < sb * 8 + 8; ++k) {
            strongest = std::max(strongest, power_[k]);
        }
        const float peakDb = ToDb(peaks[sb] * peaks[sb]) + kFullScaleDb - 10.0f;
        smr[sb] = std::max(ToDb(strongest), peakDb) - ToDb(lowest);
    }
}

void PsychoModel::Fast(const float* peaks, float* smr) const
{
    constexpr float kSelf = 6.0f;  // below a subband's own peak
    constexpr float kUp = 8.0f;    // dB per subband towards higher frequencies
    constexpr float kDown = 20.0f; // and towards lower ones
    // Each subband masks its neighbours with a fixed offset and slopes per subband, steeper
    // downwards than upwards, the rough shape of the spreading function at subband resolution.
    float level[kSubbands];
    for (int sb = 0; sb < kSubbands; ++sb) {
        level[sb] = ToDb(peaks[sb] * peaks[sb]) + kFullScaleDb;
    }
    // Within a frame, whatever lies this far under the loudest subband counts as masked.
    constexpr float kBelowLoudest = 30.0f;
    float loudest = -200.0f;
    for (int sb = 0; sb < kSubbands; ++sb) {
        loudest = std::max(loudest, level[sb]);
    }
    for (int sb = 0; sb < kSubbands; ++sb) {
        float threshold = std::max(quietMinDb_[sb], loudest - kBelowLoudest);
        for (int m = 0; m < kSubbands; ++m) {
            const float distance = static_cast<float>(sb - m);
            const float spread = distance >= 0.0f ? kUp * distance : -kDown * distance;
            threshold = std::max(threshold, level[m] - kSelf - spread);
        }
        smr[sb] = level[sb] - threshold;
    }
}

} // namespace quillon::layer1
