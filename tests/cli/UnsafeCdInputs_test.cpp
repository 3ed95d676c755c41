// The CD commands against what a careless or hostile user leaves in their way: FIFOs and
// folders where files are read, links where logs are written, more drives than the table
// holds, empty stored texts, and signals from a closed terminal or a kill.

#include "tests/cd/TestDisc.h"
#include "tests/support/CdCommandTest.h"

#include "cd/DiscInfoStore.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {
namespace {

namespace fs = std::filesystem;

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// The 44-byte header of 16-bit stereo 44100 Hz PCM before `bytes` of samples.
std::string WavHeader(uint32_t bytes)
{
    std::string h;
    auto put = [&h](uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            h += static_cast<char>(v >> (8 * i) & 0xFF);
    };
    h += "RIFF";
    put(36 + bytes, 4);
    h += "WAVEfmt ";
    put(16, 4);
    put(1, 2);
    put(2, 2);
    put(44100, 4);
    put(176400, 4);
    put(4, 2);
    put(16, 2);
    h += "data";
    put(bytes, 4);
    return h;
}

// A command that hangs is killed after this long, so that a hang fails the test.
const char* const kKillAfterHang = "(sleep 20; kill -KILL $p) >/dev/null 2>&1 & true";

class UnsafeCdInputs : public testing_support::CdCommandTest
{
protected:
    void SetUp() override { MakeDisc({{false, 22050}, {false, 300}, {false, 750}}, "", {"out", "tmp"}); }

    // cddata/%08x.cdd of the titled sheet's disc (tracks of 308 and 4 seconds).
    std::string DiscFile() const
    {
        const uint32_t id = DiscIdentifierStep(DiscIdentifierStep(0, 1, 308), 2, 4);
        char name[32];
        std::snprintf(name, sizeof name, "cddata/%08x.cdd", id);
        return name;
    }

    // The test disc's sheet with track titles, its second track's audio in a WAVE file.
    void WriteTitledSheet()
    {
        const auto audio = testing::PatternSectors(disc.starts[1], 300);
        testing::WriteTextFile(dir / "two.wav", WavHeader(static_cast<uint32_t>(audio.size())) +
                                                    std::string(audio.begin(), audio.end()));
        testing::WriteTextFile(dir / "disc.cue", "FILE \"disc.bin\" BINARY\n"
                                                 "  TRACK 01 AUDIO\n    TITLE \"Sheet One\"\n    INDEX 01 00:00:00\n"
                                                 "FILE \"two.wav\" WAVE\n"
                                                 "  TRACK 02 AUDIO\n    TITLE \"Sheet Two\"\n    INDEX 01 00:00:00\n");
    }
};

TEST_F(UnsafeCdInputs, FilesThatAreReadMustBeRegularFiles)
{
    struct Row
    {
        const char* what;
        std::string path; // made a FIFO (or a folder)
        bool folder;
        const char* args;
        std::string expected;
    };
    const Row rows[] = {
        {"drive list", "drives", false, "drives",
         "drives: cannot read the virtual drive list: a FIFO, not a regular file"},
        {"drive list", "drives", true, "drives", "drives: cannot read the virtual drive list: a folder, not a file"},
        {"quirks file", "tosharc", false, "drives", "cannot read tosharc: a FIFO, not a regular file"},
        {"CUE sheet", "disc.cue", false, "toc", "disc.cue: cannot read the CUE sheet: a FIFO, not a regular file"},
        {"WAVE file of a sheet", "two.wav", false, "toc",
         "cannot read the file \"two.wav\": a FIFO, not a regular file"},
        {"stored text", DiscFile(), false, "toc", "cannot read " + DiscFile() + ": a FIFO"},
        {"stored text", DiscFile(), false, "grab --tracks 2 -o out", "cannot read " + DiscFile() + ": a FIFO"},
        {"stored text", DiscFile(), false, "rip --tracks 2 -o out", "cannot read " + DiscFile() + ": a FIFO"},
    };
    for (const Row& row : rows) {
        SetUp();
        WriteTitledSheet();
        ::mkdir((dir / "cddata").c_str(), 0755);
        const std::string path = dir / row.path;
        fs::remove_all(path);
        ASSERT_EQ(row.folder ? ::mkdir(path.c_str(), 0755) : ::mkfifo(path.c_str(), 0644), 0) << path;
        const CliRun r = Run(row.args, kKillAfterHang);
        EXPECT_NE(r.status, 137) << row.what << " (" << row.args << "): hung in open or read";
        EXPECT_TRUE(Has(r.out, row.expected)) << row.what << " (" << row.args << "):\n" << r.out;
        fs::remove_all(path);
    }
}

// A stored text that is empty holds no names; the sheet's titles count.
TEST_F(UnsafeCdInputs, EmptyStoredTextCountsAsAbsent)
{
    WriteTitledSheet();
    ::mkdir((dir / "cddata").c_str(), 0755);
    testing::WriteTextFile(dir / DiscFile(), "");
    const CliRun r = Run("toc");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(Has(r.out, "Sheet One") && Has(r.out, "Sheet Two")) << r.out;
}

TEST_F(UnsafeCdInputs, MoreDrivesThanTheTableHoldsAreNamed)
{
    std::string list;
    for (int i = 0; i < 9; ++i)
        list += std::string(i < 5 ? "ATAPI" : "aic7xxx") + " | QUILLON | UNIT " + std::to_string(i) + " | 1.0 | none\n";
    testing::WriteTextFile(dir / "drives", list);
    const CliRun r = Run("drives");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(Has(r.out, "9 CD-ROM drives were found; only the first 7 can be used")) << r.out;
    EXPECT_TRUE(Has(r.out, "6  CD[1,1]  QUILLON  UNIT 6")) << r.out;
    EXPECT_FALSE(Has(r.out, "UNIT 7")) << r.out;
}

TEST_F(UnsafeCdInputs, DebugLogIsNotWrittenThroughALink)
{
    ::mkdir((dir / "debug").c_str(), 0755);
    testing::WriteTextFile(dir / "precious.txt", "mine\n");
    ASSERT_EQ(::symlink("precious.txt", (dir / "aspidbg.txt").c_str()), 0);
    const CliRun r = Run("drives");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(Has(r.out, "the debug log aspidbg.txt is not written: it is a symbolic link")) << r.out;
    const auto kept = testing::ReadBinaryFile(dir / "precious.txt");
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "mine\n") << "the link's target was written";

    fs::remove(dir / "aspidbg.txt");
    EXPECT_EQ(Run("drives").status, 0);
    const auto log = testing::ReadBinaryFile(dir / "aspidbg.txt");
    EXPECT_TRUE(Has(std::string(log.begin(), log.end()), "Debug started at")) << "a plain log is still written";
}

// SIGTERM and SIGHUP (a closed terminal) cancel as Ctrl-C does: a grab keeps its track
// as a shorter WAV file with its header, a rip leaves no temporary file and no part; a
// second signal ends at once and leaves none of our files.
TEST_F(UnsafeCdInputs, SignalsCancelAsCtrlCDoes)
{
    struct Row
    {
        const char* command;
        const char* signals;
        bool grab;       // a cancelled grab keeps its shorter track
        int readDelayMs; // 5000: the first signal waits for the read, the second cannot
    };
    const Row rows[] = {
        {"grab --tracks 1 -o out", "kill -TERM $p", true, 10},
        {"grab --tracks 1 -o out", "kill -HUP $p", true, 10},
        {"grab --tracks 1 -o out", "kill -INT $p", true, 10},
        {"rip --tracks 1 -o out", "kill -HUP $p", false, 10},
        {"rip --tracks 1 -o out", "kill -TERM $p", false, 10},
        {"rip --tracks 2 -o out", "kill -HUP $p; sleep 0.2; kill -HUP $p", false, 5000},
        {"grab --tracks 2 -o out", "kill -HUP $p; sleep 0.2; kill -TERM $p", false, 5000},
    };
    for (const Row& row : rows) {
        fs::remove_all(dir / "out");
        fs::remove_all(dir / "tmp");
        ::mkdir((dir / "out").c_str(), 0755);
        ::mkdir((dir / "tmp").c_str(), 0755);
        testing::WriteTextFile(dir / "drives", "ATAPI | QUILLON | SLOW | 1.0 | disc.cue | delay=" +
                                                   std::to_string(row.readDelayMs) + "\n");
        const std::string after = std::string("sleep 1; ") + row.signals;
        const CliRun r = Run(row.command, after);
        const std::string label = std::string(row.command) + " / " + row.signals;
        EXPECT_EQ(r.status, 130) << label << "\n" << r.out;
        EXPECT_TRUE(fs::is_empty(dir / "tmp")) << label << ": a temporary file was left";
        std::vector<std::string> left;
        for (const auto& entry : fs::directory_iterator(dir / "out"))
            if (entry.path().extension() != ".log" && entry.path().extension() != ".cue")
                left.push_back(entry.path().filename());
        if (!row.grab) {
            EXPECT_EQ(left, std::vector<std::string>{}) << label << ": a partial file was left";
            continue;
        }
        ASSERT_EQ(left, std::vector<std::string>{"Track01.WAV"}) << label;
        const auto wav = testing::ReadBinaryFile(dir / "out/Track01.WAV");
        ASSERT_GT(wav.size(), 44u) << label;
        EXPECT_LT(wav.size(), 44 + 22050u * 2352) << label << ": the grab was not cut short";
        const uint32_t dataSize = wav[40] | wav[41] << 8 | wav[42] << 16 | static_cast<uint32_t>(wav[43]) << 24;
        EXPECT_EQ(dataSize, wav.size() - 44) << label << ": the kept part has no header of its own";
    }
}

} // namespace
} // namespace quillon
