#include "ui/core/SplashShape.h"

namespace quillon {

namespace {

class Pixels
{
public:
    Pixels(const std::vector<std::uint8_t>& bytes, int width) : bytes_(bytes), width_(width) {}

    // Opaque at the byte offset; offsets past the end (possible at the scan ranges' edges
    // on a smaller picture) count as background.
    bool Opaque(long offset) const
    {
        return offset >= 0 && offset < static_cast<long>(bytes_.size()) && bytes_[offset] != 0;
    }

    bool At(long row, long column) const { return Opaque(row * width_ + column); }

private:
    const std::vector<std::uint8_t>& bytes_;
    long width_;
};

// The outer outline: its left, bottom, right and top edges in turn.
void ScanOuterEdges(const Pixels& s, int W, int H, std::vector<ShapePoint>& outer)
{
    // A: left edge, top to bottom.
    for (int y = 0; y <= 189; ++y) {
        for (int x = 0; x <= W - 1; ++x) {
            if (s.At(y, x)) {
                outer.push_back({x, y});
                break;
            }
        }
    }
    // B: bottom edge, left to right.
    if (H > 190) {
        for (int x = 0; x <= 408; ++x) {
            for (int r = H; r >= 191; --r) {
                if (s.At(r - 1, x)) {
                    outer.push_back({x, r - 1});
                    break;
                }
            }
        }
    }
    // C: right edge, bottom to top; starts one past the end of the row above.
    for (int y = 193; y >= 169; --y) {
        for (int c = W; c >= 1; --c) {
            if (s.At(y - 1, c)) {
                outer.push_back({c - 1, y});
                break;
            }
        }
    }
    // D: top edge, right to left.
    if (W > 230) {
        for (int x = W; x >= 231; --x) {
            for (int k = 1; k <= 167; ++k) {
                if (s.At(k - 1, x)) {
                    outer.push_back({x, k});
                    break;
                }
            }
        }
    }
}

// The centre hole, around from its left side.
void ScanHoleEdges(const Pixels& s, std::vector<ShapePoint>& hole)
{
    // E: left side of the hole, top to bottom.
    for (int y = 107; y <= 169; ++y) {
        for (int x = 180; x <= 279; ++x) {
            if (s.At(y - 1, x) && !s.At(y - 1, x + 1)) {
                hole.push_back({x, y});
                break;
            }
        }
    }
    // F: bottom of the hole, left part.
    for (int x = 195; x <= 235; ++x) {
        for (int k = 150; k <= 199; ++k) {
            if (s.At(k - 1, x)) {
                hole.push_back({x, k});
                break;
            }
        }
    }
    // G
    for (int y = 156; y <= 192; ++y) {
        for (int x = 241; x >= 201; --x) {
            if (s.At(y - 1, x)) {
                hole.push_back({x, y});
                break;
            }
        }
    }
    // H: bottom of the hole, right part.
    for (int x = 238; x <= 249; ++x) {
        for (int k = 150; k <= 199; ++k) {
            if (s.At(k - 1, x)) {
                hole.push_back({x, k});
                break;
            }
        }
    }
    // I: right side of the hole, bottom to top.
    for (int y = 170; y >= 107; --y) {
        for (int x = 280; x >= 181; --x) {
            if (s.At(y - 1, x) && !s.At(y - 1, x - 1)) {
                hole.push_back({x + 1, y});
                break;
            }
        }
    }
}

} // namespace

SplashOutline ScanSplashOutline(const std::vector<std::uint8_t>& bytes, int W, int H)
{
    SplashOutline shape;
    if (W <= 0 || H <= 0) {
        return shape;
    }
    const Pixels s(bytes, W);
    ScanOuterEdges(s, W, H, shape.outer);
    ScanHoleEdges(s, shape.hole);
    return shape;
}

} // namespace quillon
