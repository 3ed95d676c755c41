// Outputs of encode, decode, grab and rip, run as a user runs them: a file appears under
// its name only when complete, and a job whose output cannot be put in place has failed.

#include "tests/cd/TestDisc.h"
#include "tests/support/CdCommandTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sys/mount.h>
#include <sys/stat.h>

namespace quillon {
namespace {

namespace fs = std::filesystem;

class OutputPlacement : public testing_support::CdCommandTest
{
protected:
    bool mounted = false;

    void SetUp() override { MakeDisc({{false, 300}, {false, 3000}}, "", {"tmp", "src", "out"}); }

    void TearDown() override
    {
        if (mounted)
            ::umount((dir / "full").c_str());
    }

    // The entries of a folder, hidden ones included.
    std::vector<std::string> Entries(const std::string& folder)
    {
        std::vector<std::string> names;
        // The log and cue sheet of a rip or grab stand beside its files.
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.path().extension() != ".log" && entry.path().extension() != ".cue")
                names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(OutputPlacement, OutputThatCannotBePutInPlaceFailsTheJob)
{
    ASSERT_EQ(Run("grab --tracks 1 -o src").status, 0);
    ASSERT_EQ(Run("rip --tracks 1 -o src").status, 0);
    const struct
    {
        const char* args;
        const char* output;
    } rows[] = {
        {"encode -o out src/Track01.WAV", "Track01.mp3"},
        {"decode -o out src/Track01.mp3", "Track01.wav"},
        {"grab --tracks 1 -o out", "Track01.WAV"},
        {"rip --tracks 1 -o out", "Track01.mp3"},
    };
    for (const auto& row : rows) {
        fs::remove_all(dir / "out");
        fs::create_directories(dir / ("out/" + std::string(row.output))); // a folder holds the name
        const CliRun r = Run(row.args);
        EXPECT_EQ(r.status, 1) << row.args << "\n" << r.out;
        EXPECT_NE(r.out.find("Cannot name the finished file out/" + std::string(row.output) + ": Is a directory"),
                  std::string::npos)
            << row.args << "\n"
            << r.out;
        EXPECT_EQ(r.out.find("Processing Finished."), std::string::npos) << row.args << "\n" << r.out;
        EXPECT_EQ(Entries(dir / "out"), std::vector<std::string>{row.output}) << row.args << ": a hidden file was left";
        EXPECT_TRUE(fs::is_empty(dir / "tmp")) << row.args << ": a temporary file was left";
    }
}

// Two rips at once over one temporary folder (two drives, one TMP) keep apart, and a
// file of the user's at a track's old temporary name is left alone.
TEST_F(OutputPlacement, TwoRipsSharingATemporaryFolderBothSucceed)
{
    testing::WriteTextFile(dir / "drives", "ATAPI | QUILLON | VIRTUAL CD | 1.0 | disc.cue\n"
                                           "ATAPI | QUILLON | SECOND CD | 1.0 | disc.cue\n");
    testing::WriteTextFile(dir / "tmp/Track01.wav", "the user's own");
    ::mkdir((dir / "out2").c_str(), 0755);
    const std::string second = "cd '" + dir.Path() + "' && TMP='" + dir.Path() + "/tmp' XDG_CONFIG_HOME='" +
                               dir.Path() + "/config' QUILLON_VIRTUAL_CD='" + dir.Path() + "/drives' " +
                               QUILLON_BIN_DIR + "/quillon rip --drive 1 --tracks 1-2 -o out2 >second.txt 2>&1; " +
                               "echo $? >second.status";
    const CliRun first = Run("rip --drive 0 --tracks 1-2 -o out", second);
    EXPECT_EQ(first.status, 0) << first.out;
    const auto status = testing::ReadBinaryFile(dir / "second.status");
    const auto text = testing::ReadBinaryFile(dir / "second.txt");
    EXPECT_EQ(std::string(status.begin(), status.end()), "0\n") << std::string(text.begin(), text.end());
    for (const char* output : {"out/Track01.mp3", "out/Track02.mp3", "out2/Track01.mp3", "out2/Track02.mp3"})
        EXPECT_TRUE(fs::exists(dir / output)) << output;
    EXPECT_EQ(Entries(dir / "tmp"), std::vector<std::string>{"Track01.wav"});
    const auto own = testing::ReadBinaryFile(dir / "tmp/Track01.wav");
    EXPECT_EQ(std::string(own.begin(), own.end()), "the user's own");
}

// A name of up to 255 bytes is made although its hidden name would be longer; the
// hidden name is cut between characters.
TEST_F(OutputPlacement, LongestOutputNamesAreMade)
{
    ASSERT_EQ(Run("grab --tracks 1 -o src").status, 0);
    std::string stem;
    for (int i = 0; i < 125; ++i)
        stem += "\xc3\xa9"; // "é": 250 bytes
    fs::copy_file(dir / "src/Track01.WAV", dir / ("src/" + stem + "x.wav"));
    const CliRun encoded = Run("encode -o out 'src/" + stem + "x.wav'");
    EXPECT_EQ(encoded.status, 0) << encoded.out;
    EXPECT_GT(fs::file_size(dir / ("out/" + stem + "x.mp3")), 1000u);
    const CliRun decoded = Run("decode -o src 'out/" + stem + "x.mp3'");
    EXPECT_EQ(decoded.status, 0) << decoded.out;
    EXPECT_GT(fs::file_size(dir / ("src/" + stem + "x.wav")), 44u);
    EXPECT_EQ(Entries(dir / "out"), std::vector<std::string>{stem + "x.mp3"});
}

// On a small tmpfs where one can be mounted (as root), else under a file size limit
// (ulimit -f) that fails the writes past it just as a full disk does; setting
// QUILLON_TEST_NO_MOUNT takes the second way. Under the limit the rip's temporary file
// fails first, which skips the track (the batch still ends as finished, exit status 1).
TEST_F(OutputPlacement, FullDiskLeavesTheEarlierFileAsItWas)
{
    ::mkdir((dir / "full").c_str(), 0755);
    mounted = std::getenv("QUILLON_TEST_NO_MOUNT") == nullptr &&
              ::mount("tmpfs", (dir / "full").c_str(), "tmpfs", 0, "size=256k") == 0;
    const std::string limit = mounted ? "" : "ulimit -f 256;";
    const struct
    {
        const char* args;
        const char* output;
    } rows[] = {
        {"grab --tracks 1 -o full", "Track01.WAV"}, // 705 KB of audio
        {"rip --tracks 2 -o full", "Track02.mp3"},  // about 640 KB of MPEG audio
    };
    for (const auto& row : rows) {
        testing::WriteTextFile(dir / ("full/" + std::string(row.output)), "an earlier take");
        const CliRun r = Run(row.args, "", limit);
        EXPECT_EQ(r.status, 1) << row.args << (mounted ? " on tmpfs\n" : " under ulimit -f\n") << r.out;
        if (mounted) {
            EXPECT_EQ(r.out.find("Processing Finished."), std::string::npos) << row.args << "\n" << r.out;
        }
        const auto bytes = testing::ReadBinaryFile(dir / ("full/" + std::string(row.output)));
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "an earlier take") << row.args << "\n" << r.out;
        EXPECT_EQ(Entries(dir / "full"), std::vector<std::string>{row.output}) << row.args << ": a part was left";
        fs::remove(dir / ("full/" + std::string(row.output)));
    }
}

} // namespace
} // namespace quillon
