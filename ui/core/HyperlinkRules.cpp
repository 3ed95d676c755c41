#include "ui/core/HyperlinkRules.h"

#include <cstdio>

namespace quillon {

std::string HyperlinkErrorReason(int code)
{
    switch (code) {
    case 0: return "The operating system is out\nof memory or resources.";
    case 2: return "The specified file was not found.";
    case 3: return "The specified path was not found.";
    case 5: return "The operating system denied\naccess to the specified file.";
    case 8: return "There was not enough memory to complete the operation.";
    case 11: return "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).";
    case 26: return "A sharing violation occurred. ";
    case 27: return "The filename association is\nincomplete or invalid.";
    case 28: return "The DDE transaction could not\nbe completed because the request timed out.";
    case 29: return "The DDE transaction failed.";
    case 30:
        return "The DDE transaction could not\nbe completed because other DDE transactions\n"
               "were being processed.";
    case 31: return "There is no application associated\nwith the given filename extension.";
    case 32: return "The specified dynamic-link library was not found.";
    default: break;
    }
    char text[64];
    std::snprintf(text, sizeof text, "Unknown Error (%d) occurred.", code);
    return text;
}

std::string HyperlinkErrorText(int code)
{
    return "Unable to open hyperlink:\n\n" + HyperlinkErrorReason(code);
}

LinkRect FitLinkRect(LinkRect rect, int textWidth, int textHeight, LinkAlign align, bool centreVertically)
{
    if (centreVertically) {
        int half = ((rect.bottom - rect.top) - textHeight) / 2;
        rect.top += half;
        rect.bottom -= half;
    } else {
        rect.bottom = rect.top + textHeight;
    }
    switch (align) {
    case LinkAlign::Centre: {
        int half = ((rect.right - rect.left) - textWidth) / 2;
        rect.left += half;
        rect.right -= half;
        break;
    }
    case LinkAlign::Right: rect.left = rect.right - textWidth; break;
    case LinkAlign::Left: rect.right = rect.left + textWidth; break;
    }
    return rect;
}

} // namespace quillon
