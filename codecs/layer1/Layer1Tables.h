#pragma once

#include <array>
#include <cstdint>

namespace quillon::layer1 {

inline constexpr int kSubbands = 32;
inline constexpr int kBlocksPerFrame = 12;
inline constexpr int kSamplesPerFrame = kSubbands * kBlocksPerFrame; // 384
inline constexpr int kWindowLength = 512;
inline constexpr int kScaleFactorCount = 63;
inline constexpr int kMaxAllocation = 14; // allocation code 15 is forbidden

// Bitrates in kbit/s by header index 1..14 (index 0 is free format, 15 forbidden).
extern const std::array<int, 15> kBitratesMpeg1;
extern const std::array<int, 15> kBitratesLsf;

// Header sampling-frequency index (0..2) of a rate, or -1; `lsf` tells which family it belongs to.
int SampleRateIndex(int sampleRate, bool& lsf);

// Header bitrate index (1..14) of a bitrate in kbit/s for the family, or -1.
int BitrateIndex(int bitrateKbps, bool lsf);

// Scale factor by index: 2.0 * 2^(-index/3), index 0..62.
extern const std::array<float, kScaleFactorCount> kScaleFactors;

// Signal-to-noise ratio in dB reached by allocation code 0..14 (code n codes n+1 bits, 2^(n+1)-1 steps).
extern const std::array<float, kMaxAllocation + 1> kAllocationSnr;

// The analysis window C[0..511] of the polyphase filterbank, float.
const std::array<float, kWindowLength>& AnalysisWindow();

// The synthesis window D[i] in units of 2^-16; D[i] = 32 * C[i].
int32_t SynthesisWindowUnits(int i);

} // namespace quillon::layer1
