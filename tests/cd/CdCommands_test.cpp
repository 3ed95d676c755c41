// The CD commands of the quillon program, run as a user runs them.

#include "TestDisc.h"

#include <gtest/gtest.h>

#include <array>
#include <sys/stat.h>
#include <sys/wait.h>

namespace quillon {
namespace {

struct CliRun
{
    int status = -1;
    std::string out;
};

// Runs quillon with `args` in `dir`, standard error joined to standard output.
CliRun Quillon(const std::string& dir, const std::string& args)
{
    const std::string cmd = "cd '" + dir + "' && XDG_CONFIG_HOME='" + dir + "/config' QUILLON_VIRTUAL_CD='" + dir +
                            "/drives' " + QUILLON_BIN_DIR +
                            "/quillon " + args + " 2>&1";
    CliRun r;
    FILE* p = ::popen(cmd.c_str(), "r");
    std::array<char, 4096> buf;
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0)
        r.out.append(buf.data(), n);
    const int s = ::pclose(p);
    r.status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
    return r;
}

class CdCommands : public ::testing::Test
{
protected:
    testing::TempDir dir;
    testing::TestDisc disc;

    void SetUp() override
    {
        disc = testing::MakeTestDisc(dir.Path(), "disc", {{false, 22050}, {false, 300}, {true, 750}});
        testing::WriteTextFile(dir / "drives", "ATAPI | QUILLON | VIRTUAL CD | 1.0 | disc.cue\n"
                                               "aic7xxx | QUILLON | EMPTY TRAY | 2.0 | none\n");
    }
};

TEST_F(CdCommands, DrivesListsEveryUnit)
{
    const CliRun r = Quillon(dir.Path(), "drives");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("0  CD[0,0]  QUILLON  VIRTUAL CD  1.0  IDE  READ CD (BE, 10)  4 sectors per read\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("1  CD[1,0]  QUILLON  EMPTY TRAY  2.0  SCSI  READ(10)  4 sectors per read\n"),
              std::string::npos)
        << r.out;
}

TEST_F(CdCommands, TocShowsRowsAndDiscSize)
{
    const CliRun r = Quillon(dir.Path(), "toc");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Track01"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("04:54"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("49.5 MB"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("ROM"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("50 MBytes\n"), std::string::npos) << r.out; // 23100 sectors

    const CliRun empty = Quillon(dir.Path(), "toc --drive 1");
    EXPECT_NE(empty.status, 0);
    EXPECT_EQ(empty.out, "No CD-Audio Disc Present in Drive!\n");
}

TEST_F(CdCommands, StoredDefaultDriveIsUsed)
{
    ::mkdir((dir / "config").c_str(), 0755);
    ::mkdir((dir / "config/Norvane").c_str(), 0755);
    ::mkdir((dir / "config/Norvane/Quillon").c_str(), 0755);
    testing::WriteTextFile(dir / "config/Norvane/Quillon/2.51.conf", "[Default%20Settings]\nDefaultCD=1\n");
    const CliRun r = Quillon(dir.Path(), "toc");
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.out, "No CD-Audio Disc Present in Drive!\n") << "drive 1 has no disc";
    EXPECT_EQ(Quillon(dir.Path(), "toc --drive 0").status, 0);
}

TEST_F(CdCommands, GrabWritesTheImageData)
{
    const CliRun r = Quillon(dir.Path(), "grab --tracks 2-3 -o " + dir.Path());
    ASSERT_EQ(r.status, 0) << r.out;
    for (int t : {1, 2}) {
        const auto bytes = testing::ReadBinaryFile(dir / ("Track0" + std::to_string(t + 1) + ".WAV"));
        const uint32_t sectors = t == 1 ? 300 : 750;
        ASSERT_EQ(bytes.size(), 44 + sectors * 2352u);
        const auto want = testing::PatternSectors(disc.starts[t], sectors);
        EXPECT_TRUE(std::equal(want.begin(), want.end(), bytes.begin() + 44)) << "track " << t + 1;
    }
}

TEST_F(CdCommands, RefusalsEndNonZero)
{
    const struct { const char* args; const char* text; } rows[] = {
        {"grab -o /tmp", "--tracks is required"},
        {"grab --tracks 4", "the disc has no track 4"},
        {"grab --tracks 2-1", "bad track list"},
        {"grab --tracks x", "bad track list"},
        {"toc --drive 7", "there is no drive 7"},
        {"toc --speed 4", "unknown option"},
    };
    for (const auto& row : rows) {
        const CliRun r = Quillon(dir.Path(), row.args);
        EXPECT_NE(r.status, 0) << row.args;
        EXPECT_NE(r.out.find(row.text), std::string::npos) << row.args << ": " << r.out;
    }
    testing::WriteTextFile(dir / "drives", "# no drives\n");
    const CliRun none = Quillon(dir.Path(), "drives");
    EXPECT_NE(none.status, 0);
    EXPECT_EQ(none.out, "No CD-ROM drives detected!\n");
}

} // namespace
} // namespace quillon
