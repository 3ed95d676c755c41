#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillon {

struct Rgb
{
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    bool operator==(const Rgb&) const = default;
};

// One filled rectangle of the bar, from x0 (inclusive) to x1 (exclusive), full height.
struct BarBand
{
    int x0 = 0;
    int x1 = 0;
    Rgb colour;
};

// What a percent progress bar paints for one state: either the empty look (no bands,
// no text) or the gradient bands revealed up to the filled width, the back colour from
// backFrom to the full width, and the percentage text.
struct BarPicture
{
    bool empty = true;
    std::vector<BarBand> bands;
    int backFrom = 0;
    std::string text;
};

// The bar shows anything only while pos lies strictly between lower and upper.
bool BarInRange(std::int32_t pos, std::int32_t lower, std::int32_t upper);

// Filled width truncate(pos / upper * width), kept inside 0..width.
int BarFilledWidth(std::int32_t pos, std::int32_t upper, int width);

// "%.0f%%" of pos * 100 / upper.
std::string BarPercentText(std::int32_t pos, std::int32_t upper);

// The gradient bands from start towards end over the given width, stopping after the
// first band whose right edge passes filledWidth. backFrom receives where the back
// colour starts (width when every band was drawn).
std::vector<BarBand> BarGradientBands(Rgb start, Rgb end, int width, int filledWidth, int& backFrom);

BarPicture ComposeBar(std::int32_t pos, std::int32_t lower, std::int32_t upper, int width, Rgb start, Rgb end);

// The position a 16-bit progress control holds after being given pos within its
// truncated range, as the control reports it back.
std::int32_t ControlPosition16(std::int32_t pos, std::int32_t lower, std::int32_t upper);

} // namespace quillon
