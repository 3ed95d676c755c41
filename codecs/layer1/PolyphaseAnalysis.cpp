#include "codecs/layer1/PolyphaseAnalysis.h"

#include <cmath>
#include <cstring>

namespace quillon::layer1 {

namespace {

// The 64-point matrixing M[i][k] = cos((2i+1)(k-16)pi/64) has M[i][k] = M[i][32-k] and
// M[i][k] = -M[i][96-k], so the 64 windowed sums fold into 32 values and one 32 x 32 product.
struct Tables
{
    // window[j][m] = C[63 - m + 64 j]: the window laid out so that the taps run forward in memory.
    float window[8][64];
    // matrix[c][i]: the coefficient of folded value c in subband i.
    float matrix[kSubbands][kSubbands];
};

int FoldedColumnSource(int c)
{
    // Columns 0..15 hold Y[k] + Y[32-k] (k = c), column 16 holds Y[16], 17..31 hold Y[k] - Y[96-k]
    // with k = c + 16 (33..47).
    return c <= 16 ? c : c + 16;
}

Tables MakeTables()
{
    Tables t{};
    const auto& c = AnalysisWindow();
    for (int j = 0; j < 8; ++j) {
        for (int m = 0; m < 64; ++m) {
            t.window[j][m] = c[63 - m + 64 * j];
        }
    }
    for (int col = 0; col < kSubbands; ++col) {
        const int k = FoldedColumnSource(col);
        for (int i = 0; i < kSubbands; ++i) {
            t.matrix[col][i] = static_cast<float>(std::cos((2 * i + 1) * (k - 16) * M_PI / 64.0));
        }
    }
    return t;
}

const Tables& GetTables()
{
    static const Tables tables = MakeTables();
    return tables;
}

} // namespace

PolyphaseAnalysis::PolyphaseAnalysis()
{
    GetTables();
}

void PolyphaseAnalysis::AnalyseFrame(const float* samples, float (*subbands)[kSubbands])
{
    const Tables& t = GetTables();
    std::memmove(buffer_.data(), buffer_.data() + kSamplesPerFrame, kHistory * sizeof(float));
    std::memcpy(buffer_.data() + kHistory, samples, kSamplesPerFrame * sizeof(float));

    for (int block = 0; block < kBlocksPerFrame; ++block) {
        // X[n] (n = 0 newest) is buffer_[end - 1 - n]; with k = 63 - m the taps run forward.
        const int end = kHistory + kSubbands * (block + 1);
        const float* x = buffer_.data() + end - 512;
        float y[64];
        for (int m = 0; m < 64; ++m) {
            // Taps j = 7..0 of the window lie 64 samples apart, oldest first.
            y[m] = t.window[7][m] * x[m] + t.window[6][m] * x[m + 64] + t.window[5][m] * x[m + 128] +
                   t.window[4][m] * x[m + 192] + t.window[3][m] * x[m + 256] + t.window[2][m] * x[m + 320] +
                   t.window[1][m] * x[m + 384] + t.window[0][m] * x[m + 448];
        }
        // y[m] is Y[63 - m].
        float folded[kSubbands];
        for (int k = 0; k < 16; ++k) {
            folded[k] = y[63 - k] + y[63 - (32 - k)];
        }
        folded[16] = y[63 - 16];
        for (int k = 33; k < 48; ++k) {
            folded[k - 16] = y[63 - k] - y[63 - (96 - k)];
        }
        // Eight outputs at a time stay in registers over the 32 folded values.
        float* out = subbands[block];
        for (int i0 = 0; i0 < kSubbands; i0 += 8) {
            float acc[8] = {};
            for (int col = 0; col < kSubbands; ++col) {
                const float v = folded[col];
                const float* row = t.matrix[col] + i0;
                for (int i = 0; i < 8; ++i) {
                    acc[i] += row[i] * v;
                }
            }
            for (int i = 0; i < 8; ++i) {
                out[i0 + i] = acc[i];
            }
        }
    }
}

} // namespace quillon::layer1
