// What the program says when it refuses: each text names the file at fault and why,
// in the words a user can act on, through the real program.

#include "TestDisc.h"
#include "tests/support/ShellRun.h"

#include <gtest/gtest.h>

#include <string>

namespace quillon {
namespace {

// A 16-bit stereo 44100 Hz PCM WAV of one sample frame, as a shell command writing it.
const char* const kWriteWav = "printf 'RIFF\\050\\0\\0\\0WAVEfmt \\020\\0\\0\\0\\001\\0\\002\\0\\104\\254\\0\\0"
                              "\\020\\261\\002\\0\\004\\0\\020\\0data\\004\\0\\0\\0\\0\\0\\0\\0' > a.wav";

TEST(FailureTexts, RefusalsNameTheFileAndTheReason)
{
    struct Row
    {
        const char* what;
        std::string setup; // shell commands run in the test folder first
        std::string args;
        std::string expected; // "%D" stands for the test folder
    };
    const Row rows[] = {
        {"an input that cannot be opened", "", "encode -o out missing.wav",
         "Error: Cannot open the input file ./missing.wav: No such file or directory"},
        {"an input that cannot be opened, of several jobs", kWriteWav, "encode --jobs 2 -o out a.wav b.wav",
         "[2] Error: Cannot open the input file ./b.wav: No such file or directory"},
        {"a file given as the output folder of encode", kWriteWav, "encode -o a.wav a.wav",
         "the output folder a.wav is not a folder"},
        {"a file given as the output folder of defaults", kWriteWav, "defaults --save -o a.wav",
         "the output folder a.wav is not a folder"},
        {"a file given as the output folder of rip", kWriteWav, "rip --tracks 1 -o a.wav",
         "quillon rip: the output folder a.wav is not a folder"},
        {"a bad stored default",
         std::string(kWriteWav) +
             "; mkdir -p config/Norvane/Quillon; printf '[Default%%20Settings]\\nLayer=7\\n' > config/Norvane/Quillon/2.51.conf",
         "encode -o out a.wav",
         "the settings file %D/config/Norvane/Quillon/2.51.conf holds a default that cannot be used: Layer 7 does not exist"},
        {"an option before the command", "", "-o out a.wav",
         "'-o' is an option: options come after the command, as in 'quillon encode -o ...'\nTry 'quillon --help'."},
        {"a gap past the disc's end",
         "printf 'FILE \"disc.bin\" BINARY\\n  TRACK 01 AUDIO\\n    INDEX 01 00:00:00\\n    POSTGAP 99:59:00\\n' > disc.cue",
         "toc", "The disc's table of contents cannot be read: the disc's end (its lead-out) is at sector 450225."},
    };
    for (const Row& row : rows) {
        const testing::TempDir dir;
        testing::MakeTestDisc(dir.Path(), "disc", {{false, 300}});
        testing::WriteTextFile(dir / "drives", "ATAPI | QUILLON | VIRTUAL CD | 1.0 | disc.cue\n");
        ASSERT_EQ(
            RunShell("cd '" + dir.Path() + "' && mkdir out tmp && " + (row.setup.empty() ? "true" : row.setup)).status,
            0)
            << row.what;
        std::string expected = row.expected;
        if (const auto at = expected.find("%D"); at != std::string::npos)
            expected.replace(at, 2, dir.Path());
        const CliRun r = Quillon(dir.Path(), row.args);
        EXPECT_NE(r.status, 0) << row.what;
        EXPECT_NE(r.out.find(expected), std::string::npos) << row.what << " (" << row.args << "):\n" << r.out;
    }
}

} // namespace
} // namespace quillon
