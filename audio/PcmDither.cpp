#include "audio/PcmDither.h"

#include <cmath>

namespace quillon {

double TpdfDither::Uniform()
{
    // xorshift64*: fast, and plenty for noise that sits below one bit.
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return static_cast<double>((state_ * 0x2545F4914F6CDD1Dull) >> 11) * 0x1.0p-53;
}

int16_t TpdfDither::Quantize(double sample)
{
    // The sum of two uniform values lies in (-1, 1) with a triangular density.
    const double noise = Uniform() - Uniform();
    double scaled = std::floor(sample * 32768.0 + noise + 0.5);
    // Float sources may go past full scale, and NaN must not reach the cast.
    if (!(scaled > -32768.0))
        scaled = -32768.0;
    if (scaled > 32767.0)
        scaled = 32767.0;
    return static_cast<int16_t>(scaled);
}

} // namespace quillon
