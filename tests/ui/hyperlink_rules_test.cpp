#include <gtest/gtest.h>

#include "ui/core/HyperlinkRules.h"

namespace quillon {
namespace {

TEST(HyperlinkRules, ErrorTextForEveryCode)
{
    struct Row
    {
        int code;
        const char* reason;
    };
    const Row rows[] = {
        {0, "The operating system is out\nof memory or resources."},
        {2, "The specified file was not found."},
        {3, "The specified path was not found."},
        {5, "The operating system denied\naccess to the specified file."},
        {8, "There was not enough memory to complete the operation."},
        {11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
        {26, "A sharing violation occurred. "},
        {27, "The filename association is\nincomplete or invalid."},
        {28, "The DDE transaction could not\nbe completed because the request timed out."},
        {29, "The DDE transaction failed."},
        {30, "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed."},
        {31, "There is no application associated\nwith the given filename extension."},
        {32, "The specified dynamic-link library was not found."},
        {12, "Unknown Error (12) occurred."},
        {-1, "Unknown Error (-1) occurred."},
        {1018, "Unknown Error (1018) occurred."},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(HyperlinkErrorText(row.code), std::string("Unable to open hyperlink:\n\n") + row.reason)
            << "code " << row.code;
    }
}

TEST(HyperlinkRules, AutoSizeKeepsTheAlignedEdge)
{
    struct Row
    {
        LinkAlign align;
        bool centreVertically;
        LinkRect fitted;
    };
    const LinkRect area{10, 20, 210, 40}; // 200 wide, 20 high
    const Row rows[] = {
        {LinkAlign::Left, false, {10, 20, 70, 33}},
        {LinkAlign::Right, false, {150, 20, 210, 33}},
        {LinkAlign::Centre, false, {80, 20, 140, 33}},
        // An odd vertical excess (7) leaves one unit more than the text.
        {LinkAlign::Left, true, {10, 23, 70, 37}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(FitLinkRect(area, 60, 13, row.align, row.centreVertically), row.fitted)
            << static_cast<int>(row.align) << " " << row.centreVertically;
    }
    // A text wider than the control grows it the same ways.
    EXPECT_EQ(FitLinkRect({0, 0, 100, 10}, 121, 10, LinkAlign::Centre, false), (LinkRect{-10, 0, 110, 10}));
}

} // namespace
} // namespace quillon
