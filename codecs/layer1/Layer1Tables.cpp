#include "codecs/layer1/Layer1Tables.h"

#include <cmath>

namespace quillon::layer1 {

const std::array<int, 15> kBitratesMpeg1 = {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448};
const std::array<int, 15> kBitratesLsf = {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256};

int SampleRateIndex(int sampleRate, bool& lsf)
{
    switch (sampleRate) {
    case 44100: lsf = false; return 0;
    case 48000: lsf = false; return 1;
    case 32000: lsf = false; return 2;
    case 22050: lsf = true; return 0;
    case 24000: lsf = true; return 1;
    case 16000: lsf = true; return 2;
    default: lsf = false; return -1;
    }
}

int BitrateIndex(int bitrateKbps, bool lsf)
{
    const auto& table = lsf ? kBitratesLsf : kBitratesMpeg1;
    for (int i = 1; i < 15; ++i) {
        if (table[i] == bitrateKbps) {
            return i;
        }
    }
    return -1;
}

namespace {

std::array<float, kScaleFactorCount> MakeScaleFactors()
{
    std::array<float, kScaleFactorCount> table{};
    for (int i = 0; i < kScaleFactorCount; ++i) {
        table[i] = static_cast<float>(2.0 * std::pow(2.0, -i / 3.0));
    }
    return table;
}

// The lowpass prototype of the filterbank, h[0..256] in units of 2^-16 (h[512-n] = h[n]). The
// window of the standard is this prototype with the sign flipped in every odd block of 64 taps.
// The values were measured from a reference decoder's synthesis (impulse responses of all 32
// subbands, demodulated and rounded to the table's 2^-16 grid), which pins down the exact table.
constexpr int32_t kPrototype[257] = {
    0,     -1,    -1,    -1,    -1,    -1,    -1,    -2,    -2,    -2,    -2,    -3,    -3,    -4,    -4,    -5,
    -5,    -6,    -7,    -7,    -8,    -9,    -10,   -11,   -13,   -14,   -16,   -17,   -19,   -21,   -24,   -26,
    -29,   -31,   -35,   -38,   -41,   -45,   -49,   -53,   -58,   -63,   -68,   -73,   -79,   -85,   -91,   -97,
    -104,  -111,  -117,  -125,  -132,  -139,  -147,  -154,  -161,  -169,  -176,  -183,  -190,  -196,  -202,  -208,
    -213,  -218,  -222,  -225,  -227,  -228,  -228,  -227,  -224,  -221,  -215,  -208,  -200,  -189,  -177,  -163,
    -146,  -127,  -106,  -83,   -57,   -29,   2,     36,    72,    111,   153,   197,   244,   294,   347,   401,
    459,   519,   581,   645,   711,   779,   848,   919,   991,   1064,  1137,  1210,  1283,  1356,  1428,  1498,
    1567,  1634,  1698,  1759,  1817,  1870,  1919,  1962,  2001,  2032,  2057,  2075,  2085,  2087,  2080,  2063,
    2037,  2000,  1952,  1893,  1822,  1739,  1644,  1535,  1414,  1280,  1131,  970,   794,   605,   402,   185,
    -45,   -288,  -545,  -814,  -1095, -1388, -1692, -2006, -2330, -2663, -3004, -3351, -3705, -4063, -4425, -4788,
    -5153, -5517, -5879, -6237, -6589, -6935, -7271, -7597, -7910, -8209, -8491, -8755, -8998, -9219, -9416, -9585,
    -9727, -9838, -9916, -9959, -9966, -9935, -9863, -9750, -9592, -9389, -9139, -8840, -8492, -8092, -7640, -7134,
    -6574, -5959, -5288, -4561, -3776, -2935, -2037, -1082, -70,   998,   2122,  3300,  4533,  5818,  7154,  8540,
    9975,  11455, 12980, 14548, 16155, 17799, 19478, 21189, 22929, 24694, 26482, 28289, 30112, 31947, 33791, 35640,
    37489, 39336, 41176, 43006, 44821, 46617, 48390, 50137, 51853, 53534, 55178, 56778, 58333, 59838, 61289, 62684,
    64019, 65290, 66494, 67629, 68692, 69679, 70590, 71420, 72169, 72835, 73415, 73908, 74313, 74630, 74856, 74992,
    75038,
};

std::array<float, kWindowLength> MakeAnalysisWindow()
{
    std::array<float, kWindowLength> window{};
    for (int i = 0; i < kWindowLength; ++i) {
        window[i] = static_cast<float>(SynthesisWindowUnits(i) / (65536.0 * 32.0));
    }
    return window;
}

} // namespace

const std::array<float, kScaleFactorCount> kScaleFactors = MakeScaleFactors();

const std::array<float, kMaxAllocation + 1> kAllocationSnr = {0.00f,  7.00f,  16.00f, 25.28f, 31.59f,
                                                              37.75f, 43.84f, 49.89f, 55.93f, 61.96f,
                                                              67.98f, 74.01f, 80.03f, 86.05f, 92.01f};

int32_t SynthesisWindowUnits(int i)
{
    const int32_t h = kPrototype[i <= 256 ? i : kWindowLength - i];
    return ((i / 64) % 2 != 0) ? -h : h;
}

const std::array<float, kWindowLength>& AnalysisWindow()
{
    static const std::array<float, kWindowLength> window = MakeAnalysisWindow();
    return window;
}

} // namespace quillon::layer1
