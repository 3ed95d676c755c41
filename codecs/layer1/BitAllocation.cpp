#include "codecs/layer1/BitAllocation.h"

#include <algorithm>
#include <cstdint>

namespace quillon::layer1 {

namespace {

constexpr int kScaleFactorBits = 6;

// A coding unit: one channel of a subband below the bound, or a shared subband above it.
struct Unit
{
    float smr;
    float levelDb; // of its scale factor; the quantisation noise lies SNR dB below it
    int scaleFactorBits;
};

// Once every unit's noise lies under its mask (by this margin), further bits go where the noise
// is loudest: the model hears no difference, and the waveform comes closest to the input.
constexpr float kEnoughMnr = 0.0f;

// The largest x in [-200, 200] for which cost(x) fits the budget, when cost rises with x.
template <typename Cost>
float LargestFitting(Cost cost, int budget)
{
    float low = -200.0f;
    float high = 200.0f;
    if (cost(high) <= budget) {
        return high;
    }
    for (int iteration = 0; iteration < 12; ++iteration) {
        const float mid = 0.5f * (low + high);
        (cost(mid) <= budget ? low : high) = mid;
    }
    return low;
}

int CodeCost(const Unit& unit, int code)
{
    return code == 0 ? 0 : unit.scaleFactorBits + kBlocksPerFrame * (code + 1);
}

// Smallest code whose signal-to-noise ratio reaches `needed` dB, looked up on a quarter-dB grid
// (rounded up, so the code reached never falls short of the need).
constexpr int kGridPerDb = 4;
constexpr int kGridSize = 96 * kGridPerDb;

struct CodeGrid
{
    uint8_t code[kGridSize + 1];
};

CodeGrid MakeCodeGrid()
{
    CodeGrid grid{};
    for (int i = 0; i <= kGridSize; ++i) {
        const float needed = static_cast<float>(i) / kGridPerDb;
        int code = 0;
        while (code < kMaxAllocation && kAllocationSnr[code] < needed) {
            ++code;
        }
        grid.code[i] = static_cast<uint8_t>(code);
    }
    return grid;
}

const CodeGrid kCodeGrid = MakeCodeGrid();

inline int CodeFor(float needed)
{
    if (needed <= 0.0f) {
        return 0;
    }
    const int i = static_cast<int>(needed * kGridPerDb) + 1;
    return i >= kGridSize ? kMaxAllocation : kCodeGrid.code[i];
}

} // namespace

int AllocationFieldBits(int channels, int bound)
{
    return 4 * (channels * bound + (kSubbands - bound));
}

Allocation AllocateBits(const float (*smr)[kSubbands], const int (*scaleIndex)[kSubbands], int channels, int bound,
                        int availableBits)
{
    Allocation result;
    if (channels == 1) {
        bound = kSubbands;
    }
    const int fieldBits = AllocationFieldBits(channels, bound);
    result.bitsUsed = fieldBits;
    if (availableBits < fieldBits) {
        return result;
    }
    // A scale factor index step is 2^(-1/3), about 2 dB.
    constexpr float kDbPerScaleIndex = -2.0068666f;
    auto level = [&](int ch, int sb) {
        return scaleIndex ? kDbPerScaleIndex * static_cast<float>(scaleIndex[ch][sb]) : 0.0f;
    };
    // Units in a flat list: per channel below the bound, shared above it.
    Unit units[2 * kSubbands];
    int unitChannel[2 * kSubbands];
    int unitBand[2 * kSubbands];
    int count = 0;
    for (int sb = 0; sb < kSubbands; ++sb) {
        if (sb < bound) {
            for (int ch = 0; ch < channels; ++ch) {
                units[count] = {smr[ch][sb], level(ch, sb), kScaleFactorBits};
                unitChannel[count] = ch;
                unitBand[count++] = sb;
            }
        } else {
            units[count] = {std::max(smr[0][sb], smr[1][sb]), std::max(level(0, sb), level(1, sb)),
                            2 * kScaleFactorBits};
            unitChannel[count] = -1;
            unitBand[count++] = sb;
        }
    }
    const int budget = availableBits - fieldBits;
    int codes[2 * kSubbands];
    auto total = [&]() {
        int bits = 0;
        for (int u = 0; u < count; ++u) {
            bits += CodeCost(units[u], codes[u]);
        }
        return bits;
    };

    // The largest mask-to-noise ratio reachable in every unit.
    const float target = LargestFitting(
        [&](float t) {
            int bits = 0;
            for (int u = 0; u < count; ++u) {
                bits += CodeCost(units[u], CodeFor(units[u].smr + t));
            }
            return bits;
        },
        budget);
    const bool byNoise = scaleIndex != nullptr && target > kEnoughMnr;
    for (int u = 0; u < count; ++u) {
        codes[u] = CodeFor(units[u].smr + (byNoise ? kEnoughMnr : target));
    }
    if (byNoise) {
        // Keep that margin and bring the loudest noise down as far as the bits go.
        int floorCodes[2 * kSubbands];
        for (int u = 0; u < count; ++u) {
            floorCodes[u] = codes[u];
        }
        const float negativeFloor = LargestFitting(
            [&](float n) {
                int bits = 0;
                for (int u = 0; u < count; ++u) {
                    bits += CodeCost(units[u], std::max(floorCodes[u], CodeFor(units[u].levelDb + n)));
                }
                return bits;
            },
            budget);
        for (int u = 0; u < count; ++u) {
            codes[u] = std::max(floorCodes[u], CodeFor(units[u].levelDb + negativeFloor));
        }
    }
    int used = total();
    // Spend what is left one step at a time on the unit that needs it most.
    for (;;) {
        int best = -1;
        float bestNeed = 0.0f;
        for (int u = 0; u < count; ++u) {
            if (codes[u] >= kMaxAllocation) {
                continue;
            }
            const int step = CodeCost(units[u], codes[u] + 1) - CodeCost(units[u], codes[u]);
            const float need = (byNoise ? units[u].levelDb : units[u].smr) - kAllocationSnr[codes[u]];
            if (used + step <= budget && (best < 0 || need > bestNeed)) {
                best = u;
                bestNeed = need;
            }
        }
        if (best < 0) {
            break;
        }
        used += CodeCost(units[best], codes[best] + 1) - CodeCost(units[best], codes[best]);
        ++codes[best];
    }
    result.worstMnr = 1e9f;
    for (int u = 0; u < count; ++u) {
        const int sb = unitBand[u];
        if (unitChannel[u] < 0) {
            result.codes[0][sb] = codes[u];
            result.codes[1][sb] = codes[u];
        } else {
            result.codes[unitChannel[u]][sb] = codes[u];
        }
        result.worstMnr = std::min(result.worstMnr, kAllocationSnr[codes[u]] - units[u].smr);
    }
    result.bitsUsed = fieldBits + used;
    return result;
}

} // namespace quillon::layer1
