// drives, toc and grab read "--name value", "--name=value" and "-oDIR" as encode and rip do.

#include "cli/CdOptions.h"

#include <gtest/gtest.h>

namespace quillon::cli {
namespace {

TEST(CdOptions, ValuesAreReadAsTheOtherCommandsReadThem)
{
    struct Row
    {
        std::vector<std::string> words;
        bool ok;
        std::optional<int> drive;
        std::string tracks;
        std::string outputDir;
    };
    const Row rows[] = {
        {{"--drive", "2", "--tracks", "1,3", "-o", "out"}, true, 2, "1,3", "out"},
        {{"--drive=1", "--tracks=2-4", "-oout"}, true, 1, "2-4", "out"},
        {{"--tracks=", "-o", "x"}, true, std::nullopt, "", "x"},
        {{"--drive=x"}, false, std::nullopt, "", "."},
        {{"--drive"}, false, std::nullopt, "", "."},
        {{"--speed=4"}, false, std::nullopt, "", "."},
        {{"-x"}, false, std::nullopt, "", "."},
    };
    for (const Row& row : rows) {
        std::vector<std::string> copy = row.words;
        std::vector<char*> argv;
        std::string shown;
        for (std::string& word : copy) {
            argv.push_back(word.data());
            shown += word + " ";
        }
        CdOptions options;
        std::string error;
        const bool ok = ParseCdOptions(static_cast<int>(argv.size()), argv.data(), options, error);
        EXPECT_EQ(ok, row.ok) << shown << error;
        if (!ok) {
            EXPECT_FALSE(error.empty()) << shown;
            continue;
        }
        EXPECT_EQ(options.drive, row.drive) << shown;
        EXPECT_EQ(options.tracks, row.tracks) << shown;
        EXPECT_EQ(options.outputDir, row.outputDir) << shown;
    }
}

} // namespace
} // namespace quillon::cli
