// The rip log and cue sheet written from a rip's record: their texts for the cases a rip
// meets, the cue sheet read back by libcue, the TOC table read back as Picard's log
// import reads it, and the CUETools database's TOC id of published discs.

#include "cd/DiscIds.h"
#include "cd/RipChecksums.h"
#include "cd/RipCueSheet.h"
#include "cd/RipLog.h"
#include "tests/support/LogToc.h"

#include <gtest/gtest.h>
#include <libcue.h>

#include <functional>

namespace quillon {
namespace {

struct DiscTrack
{
    uint32_t start = 0;
    uint32_t sectors = 0;
    bool data = false;
};

CdDrive MakeDrive(const std::vector<DiscTrack>& tracks)
{
    CdDrive drive;
    drive.vendor = "QUILLON ";
    drive.product = "VIRTUAL CD      ";
    drive.revision = "1.0 ";
    drive.trackCount = static_cast<int16_t>(tracks.size());
    for (size_t i = 0; i < tracks.size(); ++i) {
        drive.tracks[i].entry.adrControl = tracks[i].data ? 0x14 : 0x10;
        drive.tracks[i].entry.trackNumber = static_cast<uint8_t>(i + 1);
        drive.tracks[i].entry.start = tracks[i].start;
        drive.tracks[i].sectors = tracks[i].sectors;
    }
    return drive;
}

// Three audio tracks, each ripped whole into its own file.
RipReport ThreeTrackRip()
{
    RipReport report = StartRipReport(MakeDrive({{0, 1000}, {1000, 1500}, {2500, 1500}}));
    report.album = "First Album";
    report.performer = "Bänd";
    for (int n = 1; n <= 3; ++n) {
        RipTrackReport track;
        track.number = n;
        track.fileName = "Track0" + std::to_string(n) + ".WAV";
        track.title = "Song " + std::to_string(n);
        track.performer = report.performer;
        track.copyCrc = static_cast<uint32_t>(n) * 0x10;
        track.accurateRipV1 = static_cast<uint32_t>(n) * 0x100;
        track.accurateRipV2 = static_cast<uint32_t>(n) * 0x1000;
        report.tracks.push_back(track);
    }
    return report;
}

struct TextCase
{
    const char* name;
    std::function<void(RipReport&)> change;
    std::vector<std::string> inLog;
    std::vector<std::string> inCue;
    std::vector<std::string> absent; // from both
};

} // namespace

TEST(RipFiles, LogAndCueSayWhatTheRipRead)
{
    const std::vector<TextCase> cases = {
        {"a burst rip without correction",
         [](RipReport&) {},
         {"Drive: QUILLON VIRTUAL CD 1.0\n", "Read mode: " + std::string(kBurstReadMode) + "\n",
          "Read offset correction: offset not set\n", "Album: First Album\n", "Track  2\n    File: Track02.WAV\n",
          "    Copy CRC 00000020\n    AccurateRip v1 00000200\n    AccurateRip v2 00002000\n",
          "    Suspicious positions: none\n", "    Tracks read whole: 3 of 3\n",
          "    CTDB CRC: none (not every audio track was read whole)\n", "AccurateRip ids: 003-00001d4c-0000639d-"},
         {"REM ACCURATERIPID 003-00001d4c-0000639d-", "PERFORMER \"Bänd\"\nTITLE \"First Album\"\n",
          "FILE \"Track01.WAV\" WAVE\n  TRACK 01 AUDIO\n    TITLE \"Song 1\"\n    INDEX 01 00:00:00\n"
          "FILE \"Track02.WAV\" WAVE\n  TRACK 02 AUDIO\n"},
         {"Test CRC", "PREGAP", "FLAGS", "INDEX 00", "ISRC", "CATALOG", "Hidden audio", "Accurately ripped"}},
        {"a secure rip with a suspicious track and verdicts",
         [](RipReport& r) {
             r.readMode = "Secure";
             r.offsetCorrection = 6;
             r.silentSamples = 6;
             r.tracks[1].testCrc = 0x20;
             r.tracks[1].suspicious = {{1200, 1201}};
             r.tracks[1].verdict = "Accurately ripped (confidence 3) [v2]";
             r.tracks[2].testCrc = 0x31;
             r.tracks[2].verdict = "Not accurate";
             r.ctdbCrc = 0xCAFEF00D;
         },
         {"Read mode: Secure\nRead offset correction: +6 samples\n",
          "    Test CRC 00000020\n    Copy CRC 00000020\n    AccurateRip v1",
          "    Accurately ripped (confidence 3) [v2]\n    Suspicious positions:\n"
          "        0:02.50 to 0:02.51 (sectors 1200 to 1201)\n",
          "    Test CRC 00000031\n    Copy CRC 00000030\n    Test and copy differ\n", "    Not accurate\n",
          "    Tracks with suspicious positions: 1\n    Accurately ripped: 1 of 3\n    Not accurate: 1 of 3\n    CTDB CRC CAFEF00D\n",
          "    Samples beyond the disc given as silence: 6\n"},
         {},
         {"offset not set", "Test CRC 00000010"}},
        {"gaps, flags and codes",
         [](RipReport& r) {
             r.catalog = "0123456789012";
             r.toc[1].preEmphasis = true;
             r.tracks[1].pregapSectors = 30;
             r.tracks[1].isrc = "USABC1234567";
             r.tracks[1].title = "Song \"two\"\n";
             r.tracks[2].isrc = "US-ABC\n";
             r.tracks[2].performer = "Guest";
         },
         {"Catalog: 0123456789012\n", "    Pre-gap: 0:00.30\n    ISRC: USABC1234567\n"},
         {"CATALOG 0123456789012\n",
          "  TRACK 02 AUDIO\n    FLAGS PRE\n    ISRC USABC1234567\n    TITLE \"Song 'two' \"\n"
          "    INDEX 00 00:12:70\nFILE \"Track02.WAV\" WAVE\n    INDEX 01 00:00:00\n",
          "  TRACK 03 AUDIO\n    TITLE \"Song 3\"\n    PERFORMER \"Guest\"\n    INDEX 01"},
         {"ISRC US-ABC", "PREGAP"}},
        {"hidden audio before track 1, a track left out and one cut short",
         [](RipReport& r) {
             r.toc[0].start = 33;
             r.toc[0].sectors = 967;
             r.tracks.erase(r.tracks.begin() + 1);
             r.tracks[1].complete = false;
             r.summary.push_back("Track 2: not read, no file was written");
         },
         {"    Hidden audio before track 1: 0:00.33 (33 sectors), not ripped\n",
          "    The read stopped before the end of the track", "    Tracks read whole: 1 of 2\n",
          "    Track 2: not read, no file was written\n"},
         {"  TRACK 01 AUDIO\n    TITLE \"Song 1\"\n    PREGAP 00:00:33\n    INDEX 01 00:00:00\n"},
         {"Track02.WAV", "Track03.WAV\" WAVE"}},
    };
    for (const TextCase& c : cases) {
        RipReport report = ThreeTrackRip();
        c.change(report);
        const std::string log = RipLogText(report);
        const std::string cue = RipCueSheetText(report);
        for (const std::string& text : c.inLog)
            EXPECT_NE(log.find(text), std::string::npos) << c.name << ": log lacks\n" << text << "\nin\n" << log;
        for (const std::string& text : c.inCue)
            EXPECT_NE(cue.find(text), std::string::npos) << c.name << ": cue lacks\n" << text << "\nin\n" << cue;
        for (const std::string& text : c.absent) {
            EXPECT_EQ(log.find(text), std::string::npos) << c.name << ": log holds " << text;
            EXPECT_EQ(cue.find(text), std::string::npos) << c.name << ": cue holds " << text;
        }
    }
}

// The gap at the end of the file before, as rippers write it, reads back with libcue:
// track 2's INDEX 00 in track 1's file, its INDEX 01 at the start of its own.
TEST(RipFiles, LibcueReadsTheGapsAtTheEndOfTheFileBefore)
{
    RipReport report = ThreeTrackRip();
    report.toc[2].preEmphasis = true;
    report.tracks[2].pregapSectors = 75;
    const std::string cue = RipCueSheetText(report);
    Cd* cd = cue_parse_string(cue.c_str());
    ASSERT_NE(cd, nullptr) << cue;
    ASSERT_EQ(cd_get_ntrack(cd), 3) << cue;
    EXPECT_STREQ(cdtext_get(PTI_TITLE, cd_get_cdtext(cd)), "First Album");
    EXPECT_STREQ(cdtext_get(PTI_PERFORMER, cd_get_cdtext(cd)), "Bänd");
    for (int n = 1; n <= 3; ++n) {
        Track* track = cd_get_track(cd, n);
        EXPECT_EQ(track_get_filename(track), "Track0" + std::to_string(n) + ".WAV");
        EXPECT_STREQ(cdtext_get(PTI_TITLE, track_get_cdtext(track)), ("Song " + std::to_string(n)).c_str());
        EXPECT_EQ(track_get_index(track, 1), 0) << n;
        EXPECT_EQ(track_is_set_flag(track, FLAG_PRE_EMPHASIS) != 0, n == 3) << n;
    }
    EXPECT_EQ(track_get_index(cd_get_track(cd, 3), 0), 1500 - 75) << cue;
    EXPECT_EQ(track_get_length(cd_get_track(cd, 2)), 1500 - 75) << "track 2 ends where the gap begins";
    cd_delete(cd);
}

// Log readers rebuild the MusicBrainz disc id from the table alone: a plain disc, a
// mixed-mode disc (data first, counted) and an enhanced CD (data session after the audio,
// left out by the 11401-sector step the table shows).
TEST(RipFiles, TheTocTableGivesTheMusicBrainzDiscId)
{
    const std::vector<std::pair<const char*, std::vector<DiscTrack>>> discs = {
        {"plain", {{0, 1000}, {1000, 1500}, {2500, 20000}}},
        {"mixed mode", {{0, 5000, true}, {5000, 1500}, {6500, 3000}}},
        {"enhanced", {{0, 1000}, {1000, 1500 + 11400}, {13900, 5000, true}}},
    };
    for (const auto& [name, tracks] : discs) {
        const CdDrive drive = MakeDrive(tracks);
        const std::string expected = ComputeDiscIds(drive).musicBrainz;
        ASSERT_FALSE(expected.empty()) << name;
        EXPECT_EQ(testing_support::DiscIdFromLogTable(RipLogText(StartRipReport(drive))), expected) << name;
    }
}

// The ids CUETools printed for the mixed-mode discs whose EAC TOC tables are published in
// TerranMechworks/mech3doc (docs/ambient-tracks.md): data track 1, then audio.
TEST(RipFiles, CtdbTocIdOfPublishedDiscs)
{
    struct Published
    {
        std::vector<uint32_t> audioStarts;
        uint32_t lastEnd; // the table's end sector of the last track
        const char* id;
    };
    const Published discs[] = {
        {{266445, 280839}, 294794, "hUJiDDh7s2IYPP1GpLfGVYpIWxE-"},
        {{282656, 296612}, 311155, "vPmoaaMWAdaLNkVSMLqK2HZxmaE-"},
        {{266420, 280376}, 294769, "WJdZLalC42N4VOtU.QQx5GDfvqI-"},
        {{100361}, 142571, "Y1qrr8eDEKTsSDhgyfHah6MGKzA-"},
    };
    for (const Published& disc : discs) {
        std::vector<RipTocRow> rows = {{1, 0, disc.audioStarts.front(), false}};
        for (size_t i = 0; i < disc.audioStarts.size(); ++i) {
            const uint32_t end = i + 1 < disc.audioStarts.size() ? disc.audioStarts[i + 1] : disc.lastEnd + 1;
            rows.push_back({static_cast<int>(i) + 2, disc.audioStarts[i], end - disc.audioStarts[i], true});
        }
        EXPECT_EQ(CtdbTocId(rows), disc.id);
    }
}

TEST(RipFiles, FilesAreNamedAfterTheAlbumOrTheDisc)
{
    RipReport report = ThreeTrackRip();
    char disc[32];
    std::snprintf(disc, sizeof disc, "disc-%08x", RipAccurateRipIds(report).freedbId);
    const std::pair<const char*, std::string> rows[] = {
        {"First Album", "First Album"}, {"AC/DC", "AC_DC"}, {"", disc}, {"Unknown", disc}, {"..", disc}};
    for (const auto& [album, stem] : rows) {
        report.album = album;
        EXPECT_EQ(RipFileStem(report), stem) << album;
    }
}

} // namespace quillon
