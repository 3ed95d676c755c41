// The disc's Q sub-channel in a rip's log and cue sheet: the catalogue number, the ISRCs
// and the gaps a virtual drive reports from its sheet, read back by libcue and cuetools'
// cueprint; and the same disc in a drive that refuses sub-channel reads.

#include "tests/support/CdCommandTest.h"

#include <gtest/gtest.h>
#include <libcue.h>

#include <filesystem>
#include <string>

namespace quillon {
namespace {

std::string ReadText(const std::string& path)
{
    const auto bytes = testing_support::ReadBinaryFile(path);
    return std::string(bytes.begin(), bytes.end());
}

// The image's 95 sectors as a pressed disc with gaps: audio before track 1 (INDEX 00 at
// 0, INDEX 01 at 10), a gap of 7 sectors before track 2, none before track 3.
const char* const kGapSheet = "CATALOG 0724384260927\n"
                              "FILE \"disc.bin\" BINARY\n"
                              "  TRACK 01 AUDIO\n"
                              "    ISRC GBAYE0000011\n"
                              "    INDEX 00 00:00:00\n"
                              "    INDEX 01 00:00:10\n"
                              "  TRACK 02 AUDIO\n"
                              "    ISRC GBAYE0000012\n"
                              "    INDEX 00 00:00:33\n"
                              "    INDEX 01 00:00:40\n"
                              "  TRACK 03 AUDIO\n"
                              "    INDEX 01 00:00:65\n";

// The lines of a log from "Track  1" on that tell a track's gap, ISRC and sums.
std::string TrackLines(const std::string& log)
{
    std::string lines;
    size_t at = log.find("\nTrack  1\n");
    while (at != std::string::npos && at + 1 < log.size()) {
        const size_t end = log.find('\n', at + 1);
        const std::string line = log.substr(at + 1, end - at - 1);
        if (line.rfind("    Pre-gap", 0) == 0 || line.rfind("    ISRC", 0) == 0 || line.rfind("    Copy CRC", 0) == 0 ||
            line.rfind("    Hidden audio", 0) == 0 || line.rfind("Track ", 0) == 0)
            lines += line + "\n";
        at = end;
    }
    return lines;
}

class RipSubChannel : public testing_support::CdCommandTest
{};

} // namespace

TEST_F(RipSubChannel, CatalogueIsrcsAndGapsComeFromTheDriveOrNotAtAll)
{
    MakeDisc({{false, 40}, {false, 25}, {false, 30}}, "", {"q", "noq", "grabbed", "tmp"});
    testing_support::WriteTextFile(disc.cue, kGapSheet);
    const CliRun r = Run("rip --tracks 1-3 --album 'Gaps' -o q");
    ASSERT_EQ(r.status, 0) << r.out;
    const std::string log = ReadText(dir / "q/Gaps.log");
    const std::string cuePath = dir / "q/Gaps.cue";
    const std::string cue = ReadText(cuePath);

    // The track lengths from the TOC (30, 25, 30) and each track's own audio, as zlib sums it.
    const CliRun crcs =
        RunShell("python3 -c \"import zlib,sys; b=open(sys.argv[1],'rb').read(); "
                 "[print('    Copy CRC %08X' % zlib.crc32(b[s*2352:e*2352])) for s,e in ((10,40),(40,65),(65,95))]\" " +
                 disc.bin);
    ASSERT_EQ(crcs.status, 0) << crcs.out;
    const std::string sums = crcs.out;
    auto crc = [&sums](int n) {
        size_t from = 0;
        for (int i = 0; i < n; ++i)
            from = sums.find('\n', from) + 1;
        return sums.substr(from, sums.find('\n', from) + 1 - from);
    };
    EXPECT_EQ(TrackLines(log), "Track  1\n    Pre-gap: 0:00.10\n    ISRC: GBAYE0000011\n" + crc(0) +
                                   "Track  2\n    Pre-gap: 0:00.07\n    ISRC: GBAYE0000012\n" + crc(1) +
                                   "Track  3\n    Pre-gap: 0:00.00\n" + crc(2) +
                                   "    Hidden audio before track 1: 0:00.10 (10 sectors), not ripped\n")
        << log;
    EXPECT_NE(log.find("\nCatalog: 0724384260927\n"), std::string::npos) << log;

    // libcue: track 2's INDEX 00 seven sectors before the end of track 1's file (30
    // sectors); cueprint: the ISRCs. libcue keeps CATALOG but has no call that gives it.
    Cd* cd = cue_parse_string(cue.c_str());
    ASSERT_NE(cd, nullptr) << cue;
    ASSERT_EQ(cd_get_ntrack(cd), 3) << cue;
    EXPECT_NE(cue.find("\nCATALOG 0724384260927\n"), std::string::npos) << cue;
    EXPECT_EQ(track_get_index(cd_get_track(cd, 2), 0), 23) << cue;
    EXPECT_EQ(track_get_index(cd_get_track(cd, 3), 0), -1) << cue;
    cd_delete(cd);
    EXPECT_NE(cue.find("  TRACK 01 AUDIO\n    ISRC GBAYE0000011\n    TITLE \"Track01\"\n    PREGAP 00:00:10\n"),
              std::string::npos)
        << cue;
    const CliRun printed = RunShell("cueprint -d '%N\\n' -t '%n|%i\\n' '" + cuePath + "'");
    EXPECT_EQ(printed.status, 0) << printed.out;
    EXPECT_EQ(printed.out, "3\n1|GBAYE0000011\n2|GBAYE0000012\n3|\n");

    // grab writes the same record beside its WAV files.
    const CliRun grab = Run("grab --tracks 1-3 -o grabbed");
    ASSERT_EQ(grab.status, 0) << grab.out;
    std::string grabCue;
    for (const auto& entry : std::filesystem::directory_iterator(dir / "grabbed"))
        if (entry.path().extension() == ".cue")
            grabCue = ReadText(entry.path());
    EXPECT_NE(grabCue.find("CATALOG 0724384260927\n"), std::string::npos) << grabCue;
    EXPECT_NE(grabCue.find("    ISRC GBAYE0000012\n    TITLE \"Track02\"\n    INDEX 00 00:00:23\n"
                           "FILE \"Track02.WAV\" WAVE\n    INDEX 01 00:00:00\n"),
              std::string::npos)
        << grabCue;

    // A drive that refuses the sub-channel: the same audio, gaps from the TOC only (the
    // audio before track 1 is still seen from its start), no ISRC nor catalogue number.
    testing_support::WriteTextFile(dir / "drives", "ATAPI | QUILLON | VIRTUAL CD | 1.0 | disc.cue | nosubchannel\n");
    const CliRun plain = Run("rip --tracks 1-3 --album 'Gaps' -o noq");
    ASSERT_EQ(plain.status, 0) << plain.out;
    const std::string plainLog = ReadText(dir / "noq/Gaps.log");
    EXPECT_EQ(TrackLines(plainLog), "Track  1\n" + crc(0) + "Track  2\n" + crc(1) + "Track  3\n" + crc(2) +
                                        "    Hidden audio before track 1: 0:00.10 (10 sectors), not ripped\n")
        << plainLog;
    EXPECT_EQ(plainLog.find("Catalog:"), std::string::npos) << plainLog;
    const std::string plainCuePath = dir / "noq/Gaps.cue";
    const std::string plainCue = ReadText(plainCuePath);
    EXPECT_EQ(plainCue.find("CATALOG"), std::string::npos) << plainCue;
    cd = cue_parse_string(plainCue.c_str());
    ASSERT_NE(cd, nullptr) << plainCue;
    for (int n = 1; n <= 3; ++n) {
        EXPECT_EQ(track_get_index(cd_get_track(cd, n), 0), -1) << n;
        EXPECT_EQ(track_get_isrc(cd_get_track(cd, n)), nullptr) << n;
    }
    EXPECT_EQ(track_get_zero_pre(cd_get_track(cd, 1)), 10);
    cd_delete(cd);
}

} // namespace quillon
