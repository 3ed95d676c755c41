#include "ui/core/ProgressBands.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace quillon {

bool BarInRange(std::int32_t pos, std::int32_t lower, std::int32_t upper)
{
    return pos > lower && pos < upper;
}

static double BarFraction(std::int32_t pos, std::int32_t upper)
{
    // An upper bound of 0 can only hold negative positions in range; the quotient would
    // be infinite, so such a bar counts as not filled.
    if (upper == 0) {
        return 0.0;
    }
    return static_cast<double>(pos) / static_cast<double>(upper);
}

int BarFilledWidth(std::int32_t pos, std::int32_t upper, int width)
{
    double filled = std::trunc(BarFraction(pos, upper) * width);
    if (!(filled > 0.0)) {
        return 0;
    }
    return filled >= width ? width : static_cast<int>(filled);
}

std::string BarPercentText(std::int32_t pos, std::int32_t upper)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.0f%%", BarFraction(pos, upper) * 100.0);
    return text;
}

static std::uint8_t BandChannel(std::uint8_t start, float increment, int band)
{
    float value = static_cast<float>(start) + static_cast<float>(band) * increment;
    return static_cast<std::uint8_t>(static_cast<int>(value) & 0xFF);
}

std::vector<BarBand> BarGradientBands(Rgb start, Rgb end, int width, int filledWidth, int& backFrom)
{
    int dR = end.r - start.r;
    int dG = end.g - start.g;
    int dB = end.b - start.b;
    // Equal colours would give no band at all and leave the bar unpainted: draw one.
    int count = std::max({std::abs(dR), std::abs(dG), std::abs(dB), 1});
    float bandWidth = static_cast<float>(width) / static_cast<float>(count);
    float incR = static_cast<float>(dR) / static_cast<float>(count);
    float incG = static_cast<float>(dG) / static_cast<float>(count);
    float incB = static_cast<float>(dB) / static_cast<float>(count);

    std::vector<BarBand> bands;
    backFrom = width;
    for (int i = 0; i < count; ++i) {
        BarBand band;
        band.x0 = static_cast<int>(static_cast<float>(i) * bandWidth);
        band.x1 = static_cast<int>(static_cast<float>(i + 1) * bandWidth);
        band.colour = {BandChannel(start.r, incR, i), BandChannel(start.g, incG, i), BandChannel(start.b, incB, i)};
        bands.push_back(band);
        if (band.x1 > filledWidth) {
            backFrom = band.x1;
            break;
        }
    }
    return bands;
}

BarPicture ComposeBar(std::int32_t pos, std::int32_t lower, std::int32_t upper, int width, Rgb start, Rgb end)
{
    BarPicture picture;
    if (!BarInRange(pos, lower, upper)) {
        return picture;
    }
    picture.empty = false;
    int filled = BarFilledWidth(pos, upper, width);
    picture.bands = BarGradientBands(start, end, width, filled, picture.backFrom);
    picture.text = BarPercentText(pos, upper);
    return picture;
}

std::int32_t ControlPosition16(std::int32_t pos, std::int32_t lower, std::int32_t upper)
{
    std::int32_t low = lower & 0xFFFF;
    std::int32_t high = upper & 0xFFFF;
    if (high < low) {
        high = low;
    }
    return std::clamp(pos, low, high);
}

} // namespace quillon
