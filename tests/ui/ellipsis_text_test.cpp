#include <gtest/gtest.h>

#include "ui/core/EllipsisText.h"

namespace quillon {
namespace {

// One unit per character (UTF-8 continuation bytes take no room), like a fixed-width font.
int Characters(const std::string& text)
{
    int count = 0;
    for (unsigned char c : text) {
        count += (c & 0xC0) != 0x80;
    }
    return count;
}

TEST(EllipsisText, BothModes)
{
    const std::string path = "/home/user/Music/Albums/2004/Live/07 - Night Train.wav";
    struct Row
    {
        std::string text;
        int width;
        bool pathMode;
        std::string shown;
    };
    const Row rows[] = {
        {path, 200, true, path},
        {path, 200, false, path},
        {path, 40, true, "/home/user/Music.../07 - Night Train.wav"},
        {path, 40, false, "/home/user/Music/Albums/2004/Live/07 ..."},
        {"/tmp/x.wav", 10, true, "/tmp/x.wav"},
        // The file name alone is too long: it is itself cut at its end.
        {"/a/very-long-file-name.wav", 12, true, ".../very-..."},
        // No folder part: an end ellipsis.
        {"plain-name-without-folders", 10, true, "plain-n..."},
        {"", 5, true, ""},
        {"abcdef", 2, false, "..."},
    };
    for (const Row& row : rows) {
        std::string shown =
            row.pathMode ? ElidePath(row.text, row.width, Characters) : ElideEnd(row.text, row.width, Characters);
        EXPECT_EQ(shown, row.shown) << row.text << " in " << row.width << (row.pathMode ? " path" : " end");
        if (shown != "...") {
            EXPECT_LE(Characters(shown), row.width) << row.text;
        }
    }
}

TEST(EllipsisText, NeverCutsInsideACharacter)
{
    const std::string text = "/música/canción/ñandú-äöü.wav";
    for (int width = 3; width < 30; ++width) {
        for (bool pathMode : {true, false}) {
            std::string shown = pathMode ? ElidePath(text, width, Characters) : ElideEnd(text, width, Characters);
            // A cut inside a character leaves a lead byte without its continuation.
            for (std::size_t i = 0; i < shown.size(); ++i) {
                unsigned char c = static_cast<unsigned char>(shown[i]);
                if (c >= 0xC0) {
                    ASSERT_LT(i + 1, shown.size()) << shown;
                    ASSERT_EQ(static_cast<unsigned char>(shown[i + 1]) & 0xC0, 0x80) << shown;
                }
            }
        }
    }
}

} // namespace
} // namespace quillon
