#include <gtest/gtest.h>

#include <algorithm>

#include "ui/core/SplashShape.h"

namespace quillon {
namespace {

constexpr int kW = 460;
constexpr int kH = 300;

// A disc with a centre hole, like the shipped picture: index 0 outside and in the hole.
std::vector<std::uint8_t> Disc(double radius, double hole)
{
    std::vector<std::uint8_t> pixels(kW * kH, 0);
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            double dx = x + 0.5 - 230;
            double dy = y + 0.5 - 150;
            double d2 = dx * dx + dy * dy;
            if (d2 <= radius * radius && d2 > hole * hole) {
                pixels[y * kW + x] = static_cast<std::uint8_t>(1 + (x + y) % 200);
            }
        }
    }
    return pixels;
}

// Non-zero winding test of a pixel centre against a polygon.
bool Inside(const std::vector<ShapePoint>& polygon, double px, double py)
{
    int winding = 0;
    for (std::size_t i = 0; i < polygon.size(); ++i) {
        const ShapePoint& a = polygon[i];
        const ShapePoint& b = polygon[(i + 1) % polygon.size()];
        double cross = (b.x - a.x) * (py - a.y) - (px - a.x) * (b.y - a.y);
        if (a.y <= py && b.y > py && cross > 0) {
            ++winding;
        } else if (a.y > py && b.y <= py && cross < 0) {
            --winding;
        }
    }
    return winding != 0;
}

TEST(SplashShape, DiscPictureGivesDiscWithoutHole)
{
    std::vector<std::uint8_t> pixels = Disc(147, 42);
    SplashOutline shape = ScanSplashOutline(pixels, kW, kH);
    ASSERT_GT(shape.outer.size(), 300u);
    ASSERT_GT(shape.hole.size(), 50u);
    long opaque = 0;
    long wrong = 0;
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            bool inShape = Inside(shape.outer, x + 0.5, y + 0.5) != Inside(shape.hole, x + 0.5, y + 0.5);
            bool isOpaque = pixels[y * kW + x] != 0;
            opaque += isOpaque;
            wrong += inShape != isOpaque;
        }
    }
    // Only the outline's own pixels may disagree.
    EXPECT_LT(wrong, opaque / 50) << wrong << " of " << opaque;
    EXPECT_FALSE(Inside(shape.outer, 5, 5));
    EXPECT_TRUE(Inside(shape.hole, 230, 150));
    EXPECT_TRUE(Inside(shape.outer, 230, 30));
    EXPECT_FALSE(Inside(shape.hole, 230, 30));
}

TEST(SplashShape, ScansStartOnePastTheRowEnd)
{
    std::vector<std::uint8_t> pixels(kW * kH, 0);
    pixels[180 * kW + 0] = 7; // column 0 of row 180 is the pixel after row 179's end
    SplashOutline shape = ScanSplashOutline(pixels, kW, kH);
    // Scan C reads row 179 from c = W, which is that pixel: a point at (W - 1, 180).
    EXPECT_NE(std::find(shape.outer.begin(), shape.outer.end(), ShapePoint{kW - 1, 180}), shape.outer.end());
    // Scan A finds it in its own row as well.
    EXPECT_NE(std::find(shape.outer.begin(), shape.outer.end(), ShapePoint{0, 180}), shape.outer.end());
}

TEST(SplashShape, SmallOrEmptyPicturesStayInsideTheirPixels)
{
    struct Row
    {
        int w, h;
        std::uint8_t fill;
    };
    const Row rows[] = {{10, 10, 1}, {460, 150, 1}, {1, 1, 5}, {460, 300, 0}, {0, 0, 0}};
    for (const Row& row : rows) {
        std::vector<std::uint8_t> pixels(static_cast<std::size_t>(row.w * row.h), row.fill);
        SplashOutline shape = ScanSplashOutline(pixels, row.w, row.h);
        for (const ShapePoint& p : shape.outer) {
            EXPECT_LE(p.x, row.w) << row.w << "x" << row.h;
            EXPECT_LE(p.y, 193) << row.w << "x" << row.h;
        }
        if (row.fill == 0) {
            EXPECT_TRUE(shape.outer.empty());
            EXPECT_TRUE(shape.hole.empty());
        }
    }
}

} // namespace
} // namespace quillon
