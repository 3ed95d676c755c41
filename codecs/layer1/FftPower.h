#pragma once

#include <array>

namespace quillon::layer1 {

// Power spectrum of 512 real samples through one 256-point complex FFT and a split step.
class FftPower
{
public:
    static constexpr int kSize = 512;
    static constexpr int kBins = kSize / 2 + 1;

    FftPower();

    // power[k] = |sum_n x[n] e^{-2 pi i k n / 512}|^2 for k = 0..256.
    void Compute(const float* x, float* power);

private:
    static constexpr int kHalf = kSize / 2;
    // Real and imaginary parts in separate arrays keep the butterflies in registers.
    std::array<float, kHalf> re_{};
    std::array<float, kHalf> im_{};
    std::array<float, kHalf> twiddleRe_{};   // per stage of length L: e^{-2 pi i j / L}, j < L/2,
    std::array<float, kHalf> twiddleIm_{};   // stored from offset L/2 - 1
    std::array<float, kHalf + 1> splitRe_{}; // e^{-2 pi i k / 512}
    std::array<float, kHalf + 1> splitIm_{};
    std::array<int, kHalf> reverse_{};
};

} // namespace quillon::layer1
