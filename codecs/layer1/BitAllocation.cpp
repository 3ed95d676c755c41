#include "codecs/layer1/BitAllocation.h"

#include <algorithm>
#include <cstdint>

namespace quillon::layer1
{

namespace
{

constexpr int kScaleFactorBits = 6;

// A coding unit: one channel of a subband below the bound, or a shared subband above it.
struct Unit
{
    float smr;
    int scaleFactorBits;
};

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
    for (int i = 0; i <= kGridSize; ++i)
    {
        const float needed = static_cast<float>(i) / kGridPerDb;
        int code = 0;
        while (code < kMaxAllocation && kAllocationSnr[code] < needed)
        {
            ++code;
        }
        grid.code[i] = static_cast<uint8_t>(code);
    }
    return grid;
}

const CodeGrid kCodeGrid = MakeCodeGrid();

inline int CodeFor(float needed)
{
    if (needed <= 0.0f)
    {
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

Allocation AllocateBits(const float (*smr)[kSubbands], int channels, int bound, int availableBits)
{
    Allocation result;
    if (channels == 1)
    {
        bound = kSubbands;
    }
    const int fieldBits = AllocationFieldBits(channels, bound);
    result.bitsUsed = fieldBits;
    if (availableBits < fieldBits)
    {
        return result;
    }
    // Units in a flat list: per channel below the bound, shared above it.
    Unit units[2 * kSubbands];
    int unitChannel[2 * kSubbands];
    int unitBand[2 * kSubbands];
    int count = 0;
    for (int sb = 0; sb < kSubbands; ++sb)
    {
        if (sb < bound)
        {
            for (int ch = 0; ch < channels; ++ch)
            {
                units[count] = {smr[ch][sb], kScaleFactorBits};
                unitChannel[count] = ch;
                unitBand[count++] = sb;
            }
        }
        else
        {
            units[count] = {std::max(smr[0][sb], smr[1][sb]), 2 * kScaleFactorBits};
            unitChannel[count] = -1;
            unitBand[count++] = sb;
        }
    }
    const int budget = availableBits - fieldBits;

    // The largest target mask-to-noise ratio that fits, by bisection (the cost rises with it).
    auto costAt = [&](float target) {
        int bits = 0;
        for (int u = 0; u < count; ++u)
        {
            bits += CodeCost(units[u], CodeFor(units[u].smr + target));
        }
        return bits;
    };
    float low = -200.0f;
    float high = 200.0f;
    if (costAt(high) <= budget)
    {
        low = high;
    }
    else
    {
        for (int iteration = 0; iteration < 12; ++iteration)
        {
            const float mid = 0.5f * (low + high);
            (costAt(mid) <= budget ? low : high) = mid;
        }
    }
    int codes[2 * kSubbands];
    int used = 0;
    for (int u = 0; u < count; ++u)
    {
        codes[u] = CodeFor(units[u].smr + low);
        used += CodeCost(units[u], codes[u]);
    }
    // Spend what is left one step at a time on the unit with the lowest mask-to-noise ratio.
    for (;;)
    {
        int best = -1;
        float bestMnr = 0.0f;
        for (int u = 0; u < count; ++u)
        {
            if (codes[u] >= kMaxAllocation)
            {
                continue;
            }
            const int step = CodeCost(units[u], codes[u] + 1) - CodeCost(units[u], codes[u]);
            const float mnr = kAllocationSnr[codes[u]] - units[u].smr;
            if (used + step <= budget && (best < 0 || mnr < bestMnr))
            {
                best = u;
                bestMnr = mnr;
            }
        }
        if (best < 0)
        {
            break;
        }
        used += CodeCost(units[best], codes[best] + 1) - CodeCost(units[best], codes[best]);
        ++codes[best];
    }
    result.worstMnr = 1e9f;
    for (int u = 0; u < count; ++u)
    {
        const int sb = unitBand[u];
        if (unitChannel[u] < 0)
        {
            result.codes[0][sb] = codes[u];
            result.codes[1][sb] = codes[u];
        }
        else
        {
            result.codes[unitChannel[u]][sb] = codes[u];
        }
        result.worstMnr = std::min(result.worstMnr, kAllocationSnr[codes[u]] - units[u].smr);
    }
    result.bitsUsed = fieldBits + used;
    return result;
}

} // namespace quillon::layer1
