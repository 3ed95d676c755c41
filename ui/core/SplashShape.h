#pragma once

#include <cstdint>
#include <vector>

namespace quillon {

struct ShapePoint
{
    int x = 0;
    int y = 0;
    bool operator==(const ShapePoint&) const = default;
};

// The two polygons of the splash window's shape: the outer outline and the centre hole.
// The window is their exclusive-or, each filled with the non-zero winding rule.
struct SplashOutline
{
    std::vector<ShapePoint> outer;
    std::vector<ShapePoint> hole;
};

// Runs the outline scans over a picture of one byte (palette index) per pixel, rows from
// the top without filler bytes; index 0 is background. The scan ranges suit the 460 x 300
// splash picture. A read that would fall outside the pixels counts as background.
SplashOutline ScanSplashOutline(const std::vector<std::uint8_t>& pixels, int width, int height);

} // namespace quillon
