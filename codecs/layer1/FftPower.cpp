#include "codecs/layer1/FftPower.h"

#include <cmath>

namespace quillon::layer1 {

namespace {

// One stage's butterflies over a block; the halves never overlap, which lets them vectorise.
inline void Butterflies(float* __restrict r0, float* __restrict i0, float* __restrict r1, float* __restrict i1,
                        const float* __restrict wr, const float* __restrict wi, int half)
{
    for (int j = 0; j < half; ++j) {
        const float tr = wr[j] * r1[j] - wi[j] * i1[j];
        const float ti = wr[j] * i1[j] + wi[j] * r1[j];
        r1[j] = r0[j] - tr;
        i1[j] = i0[j] - ti;
        r0[j] += tr;
        i0[j] += ti;
    }
}

} // namespace

FftPower::FftPower()
{
    for (int len = 2; len <= kHalf; len <<= 1) {
        for (int j = 0; j < len / 2; ++j) {
            const double a = -2.0 * M_PI * j / len;
            twiddleRe_[len / 2 - 1 + j] = static_cast<float>(std::cos(a));
            twiddleIm_[len / 2 - 1 + j] = static_cast<float>(std::sin(a));
        }
    }
    for (int k = 0; k <= kHalf; ++k) {
        const double a = -2.0 * M_PI * k / kSize;
        splitRe_[k] = static_cast<float>(std::cos(a));
        splitIm_[k] = static_cast<float>(std::sin(a));
    }
    int bits = 0;
    while ((1 << bits) < kHalf) {
        ++bits;
    }
    for (int n = 0; n < kHalf; ++n) {
        int r = 0;
        for (int b = 0; b < bits; ++b) {
            r |= ((n >> b) & 1) << (bits - 1 - b);
        }
        reverse_[n] = r;
    }
}

void FftPower::Compute(const float* x, float* power)
{
    float* re = re_.data();
    float* im = im_.data();
    // Even samples as real parts, odd samples as imaginary parts, in bit-reversed order.
    for (int n = 0; n < kHalf; ++n) {
        const int r = reverse_[n];
        re[r] = x[2 * n];
        im[r] = x[2 * n + 1];
    }
    // The first two stages at once: their twiddles are 1 and -i.
    for (int start = 0; start < kHalf; start += 4) {
        const float ar = re[start] + re[start + 1];
        const float ai = im[start] + im[start + 1];
        const float br = re[start] - re[start + 1];
        const float bi = im[start] - im[start + 1];
        const float cr = re[start + 2] + re[start + 3];
        const float ci = im[start + 2] + im[start + 3];
        const float dr = re[start + 2] - re[start + 3];
        const float di = im[start + 2] - im[start + 3];
        re[start] = ar + cr;
        im[start] = ai + ci;
        re[start + 2] = ar - cr;
        im[start + 2] = ai - ci;
        // (dr + i di) * -i = di - i dr
        re[start + 1] = br + di;
        im[start + 1] = bi - dr;
        re[start + 3] = br - di;
        im[start + 3] = bi + dr;
    }
    for (int len = 8; len <= kHalf; len <<= 1) {
        const int half = len / 2;
        const float* wr = twiddleRe_.data() + half - 1;
        const float* wi = twiddleIm_.data() + half - 1;
        for (int start = 0; start < kHalf; start += len) {
            Butterflies(re + start, im + start, re + start + half, im + start + half, wr, wi, half);
        }
    }
    // Separate the spectra of the even and odd samples and combine them.
    for (int k = 0; k <= kHalf; ++k) {
        const int a = k & (kHalf - 1);
        const int b = (kHalf - k) & (kHalf - 1);
        const float evenRe = 0.5f * (re[a] + re[b]);
        const float evenIm = 0.5f * (im[a] - im[b]);
        const float diffRe = 0.5f * (re[a] - re[b]);
        const float diffIm = 0.5f * (im[a] + im[b]);
        // odd = diff / i
        const float oddRe = diffIm;
        const float oddIm = -diffRe;
        const float valueRe = evenRe + splitRe_[k] * oddRe - splitIm_[k] * oddIm;
        const float valueIm = evenIm + splitRe_[k] * oddIm + splitIm_[k] * oddRe;
        power[k] = valueRe * valueRe + valueIm * valueIm;
    }
}

} // namespace quillon::layer1
