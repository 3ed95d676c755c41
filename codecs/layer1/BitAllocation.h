#pragma once

#include "codecs/layer1/Layer1Tables.h"

namespace quillon::layer1 {

// Allocation codes per channel and subband; code 0 sends nothing, code n > 0 sends a scale
// factor and 12 samples of n + 1 bits. Subbands at or above `bound` are coded once for both
// channels (intensity stereo) and carry the same code in both rows.
struct Allocation
{
    int codes[2][kSubbands] = {};
    int bitsUsed = 0;      // allocation fields, scale factors and samples
    float worstMnr = 0.0f; // smallest mask-to-noise ratio reached in dB
};

// Bits of the allocation fields alone for a channel count and bound.
int AllocationFieldBits(int channels, int bound);

// Distributes `availableBits` (everything after the header and check word) so that the smallest
// mask-to-noise ratio over all coded subbands is as large as possible. With the scale factor
// indexes at hand, bits beyond a comfortable margin under the mask go instead to the loudest
// quantisation noise, which keeps the decoded waveform closest to the input. Never uses more than
// `availableBits`, unless the budget is too small even for the allocation fields: then all codes
// are zero and `bitsUsed` counts the fields alone (such configurations are refused up front).
Allocation AllocateBits(const float (*smr)[kSubbands], const int (*scaleIndex)[kSubbands], int channels, int bound,
                        int availableBits);

} // namespace quillon::layer1
