// The log and cue sheet a rip writes beside its files, checked against what tools apart
// from Quillon compute and read: zlib's CRC-32, whipper's accuraterip-checksum, Python's
// hashlib, libcue, cuetools' cueprint, and the TOC table as Picard's log import reads it.

#include "tests/support/CdCommandTest.h"
#include "tests/support/LogToc.h"

#include <gtest/gtest.h>
#include <libcue.h>

#include <filesystem>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {
namespace {

const std::string kChecker = std::string(QUILLON_SOURCE_DIR) + "/tests/cli/rip_log_check.py";

std::string ReadText(const std::string& path)
{
    const auto bytes = testing_support::ReadBinaryFile(path);
    return std::string(bytes.begin(), bytes.end());
}

// Each line of `lines` is a whole line of `text`, in that order.
void ExpectLinesInOrder(const std::string& text, const std::string& lines)
{
    std::istringstream wanted(lines);
    std::string line;
    size_t from = 0;
    while (std::getline(wanted, line)) {
        const size_t at = text.find("\n" + line + "\n", from);
        EXPECT_NE(at, std::string::npos) << "no line \"" << line << "\" after offset " << from << " of\n" << text;
        if (at != std::string::npos)
            from = at + line.size() + 1;
    }
}

class RipLog : public testing_support::CdCommandTest
{};

} // namespace

TEST_F(RipLog, RipWritesALogAndCueSheetBesideItsFiles)
{
    MakeDisc({{false, 40}, {false, 25}, {false, 30}}, "", {"out", "tmp", "part", "grabbed"});
    testing_support::WriteTextFile(dir / "drives", "ATAPI | QUILLON | VIRTUAL CD | 1.0 | disc.cue | offset=6\n");
    const CliRun r = Run("rip --tracks 1-3 --offset +6 --artist 'Bänd' --album 'First Album' -o out");
    ASSERT_EQ(r.status, 0) << r.out;

    const std::string logPath = dir / "out/First Album.log";
    const std::string log = ReadText(logPath);
    EXPECT_EQ(log.rfind("Quillon ", 0), 0u) << log;
    ExpectLinesInOrder(log, "Drive: QUILLON VIRTUAL CD 1.0\nRead offset correction: +6 samples\nAlbum: First Album\n"
                            "    Tracks read whole: 3 of 3\n    Samples beyond the disc given as silence: 6");
    // The sums and the SHA-256 line as computed apart from Quillon.
    const CliRun sums = RunShell("python3 " + kChecker + " " + disc.bin + " 6 '" + logPath + "' 40 25 30");
    ASSERT_EQ(sums.status, 0) << sums.out;
    ExpectLinesInOrder(log, sums.out);
    EXPECT_EQ(log.substr(log.size() - 73, 8), "SHA-256 ") << "the digest is the last line";

    // The table gives the disc's MusicBrainz id, as the toc command prints it.
    const std::string id = testing_support::DiscIdFromLogTable(log);
    ASSERT_EQ(id.size(), 28u) << log;
    const CliRun toc = Run("toc");
    EXPECT_NE(toc.out.find("MusicBrainz disc id: " + id + "\n"), std::string::npos) << id << "\n" << toc.out;
    EXPECT_NE(log.find("MusicBrainz disc id: " + id + "\n"), std::string::npos);

    // The cue sheet as libcue and cueprint read it: one file per track from INDEX 01.
    const std::string cuePath = dir / "out/First Album.cue";
    const std::string cue = ReadText(cuePath);
    Cd* cd = cue_parse_string(cue.c_str());
    ASSERT_NE(cd, nullptr) << cue;
    ASSERT_EQ(cd_get_ntrack(cd), 3) << cue;
    for (int n = 1; n <= 3; ++n) {
        const Track* track = cd_get_track(cd, n);
        EXPECT_EQ(track_get_filename(track), "Track0" + std::to_string(n) + ".mp3") << cue;
        EXPECT_EQ(track_get_index(track, 1), 0) << cue;
    }
    cd_delete(cd);
    const CliRun printed = RunShell("cueprint -d '%T|%P|%N\\n' -t '%n|%t\\n' '" + cuePath + "'");
    EXPECT_EQ(printed.status, 0) << printed.out;
    EXPECT_EQ(printed.out, "First Album|Bänd|3\n1|Track01\n2|Track02\n3|Track03\n");
    EXPECT_NE(cue.find("\nREM ACCURATERIPID 003-"), std::string::npos) << cue;

    // grab keeps the same record beside its WAV files, under the disc text the rip stored.
    const CliRun grab = Run("grab --tracks 1-3 --offset 6 -o grabbed");
    ASSERT_EQ(grab.status, 0) << grab.out;
    std::string grabLog;
    for (const auto& entry : std::filesystem::directory_iterator(dir / "grabbed"))
        if (entry.path().extension() == ".log")
            grabLog = entry.path();
    const CliRun grabSums = RunShell("python3 " + kChecker + " " + disc.bin + " 6 '" + grabLog + "' 40 25 30");
    ASSERT_EQ(grabSums.status, 0) << grabSums.out;
    ExpectLinesInOrder(ReadText(grabLog), grabSums.out);
    EXPECT_NE(
        ReadText(grabLog.substr(0, grabLog.size() - 4) + ".cue").find("FILE \"Track03.WAV\" WAVE\n  TRACK 03 AUDIO\n"),
        std::string::npos);

    // Part of the disc: no CTDB CRC, and a link at the log's name is replaced, not followed.
    testing_support::WriteTextFile(dir / "victim", "kept\n");
    ASSERT_EQ(::symlink("../victim", (dir / "part/First Album.log").c_str()), 0);
    const CliRun part = Run("rip --tracks 2 --album 'First Album' -o part");
    ASSERT_EQ(part.status, 0) << part.out;
    EXPECT_EQ(ReadText(dir / "victim"), "kept\n");
    struct stat st;
    ASSERT_EQ(::lstat((dir / "part/First Album.log").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    ExpectLinesInOrder(ReadText(dir / "part/First Album.log"),
                       "Read offset correction: offset not set\n    Tracks read whole: 1 of 1\n"
                       "    CTDB CRC: none (not every audio track was read whole)");
}

} // namespace quillon
