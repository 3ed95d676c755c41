#include "codecs/layer1/Layer1Tables.h"
#include "codecs/layer1/PolyphaseAnalysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace quillon::layer1 {
namespace {

// The analysis as the standard writes it: shift 32 samples into X (newest at X[0]), window with
// C, sum the eight 64-tap partials, matrix with cos((2i+1)(k-16)pi/64). Double precision.
class DirectAnalysis
{
public:
    void Block(const float* samples, double* subbands)
    {
        for (int i = 511; i >= 32; --i) {
            x_[i] = x_[i - 32];
        }
        for (int i = 31; i >= 0; --i) {
            x_[i] = samples[31 - i];
        }
        const auto& c = AnalysisWindow();
        double y[64] = {};
        for (int k = 0; k < 64; ++k) {
            for (int j = 0; j < 8; ++j) {
                y[k] += static_cast<double>(c[k + 64 * j]) * x_[k + 64 * j];
            }
        }
        for (int i = 0; i < 32; ++i) {
            subbands[i] = 0.0;
            for (int k = 0; k < 64; ++k) {
                subbands[i] += std::cos((2 * i + 1) * (k - 16) * M_PI / 64.0) * y[k];
            }
        }
    }

private:
    double x_[512] = {};
};

// The standard's synthesis with D[i] = 32 C[i]: 32 subband samples in, 32 output samples out.
class DirectSynthesis
{
public:
    void Block(const float* subbands, double* out)
    {
        for (int i = 1023; i >= 64; --i) {
            v_[i] = v_[i - 64];
        }
        for (int i = 0; i < 64; ++i) {
            v_[i] = 0.0;
            for (int k = 0; k < 32; ++k) {
                v_[i] += std::cos((16 + i) * (2 * k + 1) * M_PI / 64.0) * subbands[k];
            }
        }
        double u[512];
        for (int i = 0; i < 8; ++i) {
            for (int j = 0; j < 32; ++j) {
                u[i * 64 + j] = v_[i * 128 + j];
                u[i * 64 + 32 + j] = v_[i * 128 + 96 + j];
            }
        }
        for (int j = 0; j < 32; ++j) {
            out[j] = 0.0;
            for (int i = 0; i < 16; ++i) {
                out[j] += u[j + 32 * i] * SynthesisWindowUnits(j + 32 * i) / 65536.0;
            }
        }
    }

private:
    double v_[1024] = {};
};

std::vector<float> Noise(size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> dist(-0.9f, 0.9f);
    std::vector<float> v(n);
    for (float& s : v) {
        s = dist(rng);
    }
    return v;
}

TEST(Layer1Filterbank, MatchesTheStandardFormulaBlockForBlock)
{
    const int frames = 6;
    const std::vector<float> input = Noise(static_cast<size_t>(frames) * kSamplesPerFrame, 7);
    PolyphaseAnalysis fast;
    DirectAnalysis direct;
    float subbands[kBlocksPerFrame][kSubbands];
    double worst = 0.0;
    for (int f = 0; f < frames; ++f) {
        fast.AnalyseFrame(input.data() + f * kSamplesPerFrame, subbands);
        for (int b = 0; b < kBlocksPerFrame; ++b) {
            double expected[32];
            direct.Block(input.data() + f * kSamplesPerFrame + b * 32, expected);
            for (int i = 0; i < 32; ++i) {
                worst = std::max(worst, std::fabs(expected[i] - subbands[b][i]));
            }
        }
    }
    EXPECT_LT(worst, 2e-6) << "largest difference between the fast and the direct filterbank";
}

TEST(Layer1Filterbank, StandardSynthesisRebuildsTheInputAfter481Samples)
{
    // Analysis with C and synthesis with D = 32 C must be nearly perfect; a wrong tap or sign in
    // the window table shows up here as a large error.
    const int frames = 12;
    const std::vector<float> input = Noise(static_cast<size_t>(frames) * kSamplesPerFrame, 11);
    PolyphaseAnalysis analysis;
    DirectSynthesis synthesis;
    std::vector<double> output;
    float subbands[kBlocksPerFrame][kSubbands];
    for (int f = 0; f < frames; ++f) {
        analysis.AnalyseFrame(input.data() + f * kSamplesPerFrame, subbands);
        for (int b = 0; b < kBlocksPerFrame; ++b) {
            double out[32];
            synthesis.Block(subbands[b], out);
            output.insert(output.end(), out, out + 32);
        }
    }
    constexpr int kDelay = 481;
    double signal = 0.0;
    double error = 0.0;
    for (size_t n = 1024; n + kDelay < output.size(); ++n) {
        signal += static_cast<double>(input[n]) * input[n];
        error += (output[n + kDelay] - input[n]) * (output[n + kDelay] - input[n]);
    }
    EXPECT_GT(10.0 * std::log10(signal / error), 80.0) << "the standard filterbank pair reaches about 84 dB";
}

TEST(Layer1Filterbank, WindowHasTheStandardShape)
{
    const auto& c = AnalysisWindow();
    EXPECT_EQ(c[0], 0.0f);
    for (int i = 1; i < 512; ++i) {
        // The prototype is symmetric; the window flips its sign in every odd block of 64 taps.
        const bool sameBlockParity = ((i / 64) % 2) == (((512 - i) / 64) % 2);
        const float mirrored = sameBlockParity ? c[512 - i] : -c[512 - i];
        ASSERT_EQ(c[i], mirrored) << "tap " << i;
        ASSERT_EQ(SynthesisWindowUnits(i), std::lround(c[i] * 65536.0 * 32.0)) << "tap " << i;
    }
    EXPECT_NEAR(c[256], 0.035780907, 1e-9); // the centre tap, 1.144989014 / 32
    double gain = 0.0;
    for (int i = 0; i < 512; ++i) {
        gain += ((i / 64) % 2 ? -c[i] : c[i]);
    }
    EXPECT_NEAR(gain, 2.0, 1e-3) << "the prototype's gain at DC";
}

} // namespace
} // namespace quillon::layer1
