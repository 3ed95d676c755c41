#pragma once

#include <string>

namespace quillon {

// "Unable to open hyperlink:\n\n" followed by the reason for a failed open's code.
std::string HyperlinkErrorText(int code);

// The reason alone, from the table of shell-execution codes.
std::string HyperlinkErrorReason(int code);

struct LinkRect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const LinkRect&) const = default;
};

enum class LinkAlign {
    Left,
    Centre,
    Right,
};

// The rectangle of an auto-sized link: shrunk or grown to the text size, keeping the left
// edge, the right edge or the centre; vertically keeping the top, or the middle when the
// text is centred vertically. Centring takes the integer half of the excess off each side,
// so an odd excess leaves one unit more than the text.
LinkRect FitLinkRect(LinkRect rect, int textWidth, int textHeight, LinkAlign align, bool centreVertically);

} // namespace quillon
