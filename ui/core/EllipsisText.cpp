#include "ui/core/EllipsisText.h"

#include <vector>

namespace quillon {

// Byte offsets at which a UTF-8 text may be cut, in increasing order, 0 and size included.
static std::vector<std::size_t> CutPoints(const std::string& text)
{
    std::vector<std::size_t> points;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if ((c & 0xC0) != 0x80) {
            points.push_back(i);
        }
    }
    points.push_back(text.size());
    return points;
}

// The largest cut index k (into points) for which fits(k) holds, given that fits is
// true for small k and false for large k; -1 when it holds for none.
static int LargestFitting(int count, const std::function<bool(int)>& fits)
{
    int low = 0;
    int high = count - 1;
    int best = -1;
    while (low <= high) {
        int mid = (low + high) / 2;
        if (fits(mid)) {
            best = mid;
            low = mid + 1;
        } else {
            high = mid - 1;
        }
    }
    return best;
}

std::string ElideEnd(const std::string& text, int available, const TextWidth& width)
{
    if (width(text) <= available) {
        return text;
    }
    std::vector<std::size_t> points = CutPoints(text);
    int best = LargestFitting(static_cast<int>(points.size()),
                              [&](int k) { return width(text.substr(0, points[k]) + kEllipsis) <= available; });
    if (best < 0) {
        // Nothing fits beside the ellipsis; the ellipsis alone says that text was there.
        return kEllipsis;
    }
    return text.substr(0, points[best]) + kEllipsis;
}

std::string ElidePath(const std::string& text, int available, const TextWidth& width)
{
    if (width(text) <= available) {
        return text;
    }
    std::size_t slash = text.rfind('/');
    if (slash == std::string::npos || slash == 0) {
        return ElideEnd(text, available, width);
    }
    std::string head = text.substr(0, slash);
    std::string tail = text.substr(slash);
    if (width(kEllipsis + tail) > available) {
        return ElideEnd(kEllipsis + tail, available, width);
    }
    std::vector<std::size_t> points = CutPoints(head);
    int best = LargestFitting(static_cast<int>(points.size()),
                              [&](int k) { return width(head.substr(0, points[k]) + kEllipsis + tail) <= available; });
    return head.substr(0, points[best < 0 ? 0 : best]) + kEllipsis + tail;
}

} // namespace quillon
