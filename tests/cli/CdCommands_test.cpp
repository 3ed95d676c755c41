// The CD commands of the quillon program, run as a user runs them.

#include "tests/cd/TestDisc.h"
#include "tests/support/CdCommandTest.h"
#include "tests/support/Id3v2Length.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>

namespace quillon {
namespace {

class CdCommands : public testing_support::CdCommandTest
{
protected:
    void SetUp() override
    {
        MakeDisc({{false, 22050}, {false, 300}, {true, 750}}, "aic7xxx | QUILLON | EMPTY TRAY | 2.0 | none\n",
                 {"out", "tmp"});
    }
};

TEST_F(CdCommands, DrivesListsEveryUnit)
{
    const CliRun r = Run("drives");
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
    const CliRun r = Run("toc");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Track01"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("04:54"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("49.5 MB"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("ROM"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("50 MBytes\n"), std::string::npos) << r.out; // 23100 sectors

    const CliRun empty = Run("toc --drive 1");
    EXPECT_NE(empty.status, 0);
    EXPECT_EQ(empty.out.rfind("No CD-Audio Disc Present in Drive!\n", 0), 0u) << empty.out;
}

TEST_F(CdCommands, StoredDefaultDriveIsUsed)
{
    dir.MakeFolder("config/Norvane/Quillon");
    testing::WriteTextFile(dir / "config/Norvane/Quillon/2.51.conf", "[Default%20Settings]\nDefaultCD=1\n");
    const CliRun r = Run("toc");
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.out.rfind("No CD-Audio Disc Present in Drive!\n", 0), 0u) << "drive 1 has no disc: " << r.out;
    EXPECT_EQ(Run("toc --drive 0").status, 0);
}

// A sheet the image reader cannot make sense of (an index without its time) once ended
// the whole program; it costs only its own drive.
TEST_F(CdCommands, UnreadableSheetCostsOnlyItsDrive)
{
    testing::WriteTextFile(dir / "broken.bin", std::string(100 * 2352, '\0'));
    testing::WriteTextFile(dir / "broken.cue", "FILE \"broken.bin\" BINARY\n"
                                               "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                                               "  TRACK 02 AUDIO\n    INDEX 01\n");
    testing::WriteTextFile(dir / "drives", "ATAPI | QUILLON | BROKEN SHEET | 1.0 | broken.cue\n"
                                           "ATAPI | QUILLON | VIRTUAL CD | 1.0 | disc.cue\n");
    const CliRun r = Run("drives");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("drives: line 1: "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("0  CD[0,0]  QUILLON  VIRTUAL CD  1.0"), std::string::npos) << r.out;
}

TEST_F(CdCommands, DefaultsSaveStoresTheDefaultDrive)
{
    const CliRun saved = Run("defaults --save --drive 1");
    EXPECT_EQ(saved.status, 0) << saved.out;
    EXPECT_NE(saved.out.find("Default CD drive: 1\n"), std::string::npos) << saved.out;
    const CliRun r = Run("toc");
    EXPECT_EQ(r.out.rfind("No CD-Audio Disc Present in Drive!\n", 0), 0u) << "drive 1 has no disc: " << r.out;
}

// The last audio track of an enhanced CD ends where its session ends, 11400 sectors
// before the data track; an image that leaves the gap out keeps the track whole.
TEST_F(CdCommands, EnhancedCdsLastAudioTrackEndsAtItsSession)
{
    const struct
    {
        uint32_t tocSectors, audioSectors;
    } rows[] = {{200 + 11400, 200}, {200, 200}};
    for (const auto& row : rows) {
        disc = testing::MakeTestDisc(dir.Path(), "disc", {{false, 300}, {false, row.tocSectors}, {true, 500}});
        const CliRun r = Run("grab --tracks 2 -o " + dir.Path());
        ASSERT_EQ(r.status, 0) << r.out;
        const auto bytes = testing::ReadBinaryFile(dir / "Track02.WAV");
        ASSERT_EQ(bytes.size(), 44 + row.audioSectors * 2352u) << row.tocSectors << " sectors in the TOC";
        const auto want = testing::PatternSectors(disc.starts[1], row.audioSectors);
        EXPECT_TRUE(std::equal(want.begin(), want.end(), bytes.begin() + 44));
    }
}

TEST_F(CdCommands, GrabWritesTheImageData)
{
    disc = testing::MakeTestDisc(dir.Path(), "disc", {{false, 22050}, {false, 300}, {false, 750}});
    const CliRun r = Run("grab --tracks 2-3 -o " + dir.Path());
    ASSERT_EQ(r.status, 0) << r.out;
    for (int t : {1, 2}) {
        const auto bytes = testing::ReadBinaryFile(dir / ("Track0" + std::to_string(t + 1) + ".WAV"));
        const uint32_t sectors = t == 1 ? 300 : 750;
        ASSERT_EQ(bytes.size(), 44 + sectors * 2352u);
        const auto want = testing::PatternSectors(disc.starts[t], sectors);
        EXPECT_TRUE(std::equal(want.begin(), want.end(), bytes.begin() + 44)) << "track " << t + 1;
    }
}

// Every refusal ends with its exit status and a line saying why, and prints nothing else.
TEST_F(CdCommands, RefusalsEndWithTheirStatusAndWhy)
{
    const std::string tryHelp = "Try 'quillon --help'.\n";
    ExpectAnswers(
        {
            {"grab -o /tmp", 2, "quillon grab: --tracks is required (for example --tracks 1,3-5)\n"},
            {"grab --tracks 4", 2, "quillon grab: the disc has no track 4 (it has 3)\n"},
            {"grab --tracks 2-1", 2, "quillon grab: bad track list \"2-1\" (for example 1,3-5)\n"},
            {"grab --tracks x", 2, "quillon grab: bad track list \"x\" (for example 1,3-5)\n"},
            {"toc --drive 7", 1, "quillon: there is no drive 7 (drives 0 to 1 were found)\n"},
            {"toc --speed 4", 2, "quillon toc: unknown option \"--speed\"\n"},
            {"defaults --save --drive 7", 2, "quillon: invalid value '7' for option '--drive'\n" + tryHelp},
            {"defaults --save --drive x", 2, "quillon: invalid value 'x' for option '--drive'\n" + tryHelp},
            {"defaults --drive 1", 2, "quillon: options are stored only with 'quillon defaults --save'\n" + tryHelp},
            {"encode --drive 1 a.wav", 2,
             "quillon: --drive is for the CD commands and 'quillon defaults --save'\n" + tryHelp},
            {"rip --tracks 1 --save -o /tmp", 2,
             "quillon rip: quillon rip does not store defaults; store them with 'quillon defaults --save'\n"},
            {"rip --tracks 1 --genre Polka-Metal -o .", 2, "quillon rip: unknown genre \"Polka-Metal\"\n"},
            {"rip -o .", 2, "quillon rip: --tracks is required (for example --tracks 1,3-5)\n"},
            {"rip --tracks 1 --year 19999 -o .", 2, "quillon rip: \"19999\" is longer than 4 characters\n"},
            {"rip --tracks 1 stray.wav -o .", 2, "quillon rip: unexpected word \"stray.wav\"\n"},
            {"rip --tracks 1 --layer 7 -o .", 2, "quillon rip: invalid value '7' for option '--layer'\n"},
            {"rip --tracks 1 --drive 7 -o .", 2, "quillon rip: bad or missing value for --drive\n"},
            {"rip --tracks 1 --jobs 1025 -o .", 2, "quillon rip: bad or missing value for --jobs\n"},
            {"rip --tracks 1 --artist", 2, "quillon rip: bad or missing value for --artist\n"},
            {"rip --tracks 1 --speed 4 -o .", 2, "quillon rip: unknown option '--speed'\n"},
            {"rip --tracks 1 -o missing-folder", 1, "quillon rip: the output folder missing-folder does not exist\n"},
        },
        Output::Is);
    testing::WriteTextFile(dir / "drives", "# no drives\n");
    const CliRun none = Run("drives");
    EXPECT_NE(none.status, 0);
    EXPECT_EQ(none.out, "No CD-ROM drives detected!\n");
}

// Encoded CD tracks: the ID3v2 tag, MPEG frames, the track's tag record last.
void ExpectTaggedMpeg(const std::string& path, const std::string& title, const std::string& artist, int genre)
{
    const auto bytes = testing::ReadBinaryFile(path);
    const size_t frames = testing_support::Id3v2Length(bytes);
    ASSERT_GT(frames, 0u) << path << ": no ID3v2 tag";
    ASSERT_GT(bytes.size(), frames + 128u + 1000u) << path;
    EXPECT_EQ(bytes[frames], 0xFF) << path;
    EXPECT_EQ(bytes[frames + 1] & 0xE0, 0xE0) << path;
    const std::string tail(bytes.end() - 128, bytes.end());
    EXPECT_EQ(tail.substr(0, 3), "TAG") << path;
    EXPECT_EQ(tail.substr(3, title.size() + 1), title + '\0') << path;
    EXPECT_EQ(tail.substr(33, artist.size()), artist) << path;
    EXPECT_EQ(static_cast<uint8_t>(tail[127]), genre) << path;
}

TEST_F(CdCommands, RipEncodesTracksWithTheirTagsAndStoresTheText)
{
    const CliRun r = Run("rip --tracks 2,1 --artist 'Some Band' --album 'First Album' --year 1999 "
                         "--genre 'rock & roll' --bitrate 128 -o out");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Processing Finished."), std::string::npos) << r.out;
    ExpectTaggedMpeg(dir / "out/Track01.mp3", "Track01", "Some Band", 78);
    ExpectTaggedMpeg(dir / "out/Track02.mp3", "Track02", "Some Band", 78);
    struct stat st;
    EXPECT_NE(::stat((dir / "tmp/Track01.wav").c_str(), &st), 0) << "temporary file left";
    EXPECT_NE(::stat((dir / "tmp/Track02.wav").c_str(), &st), 0) << "temporary file left";

    // The text was stored per disc: the next rip of the disc takes the artist from there.
    const CliRun again = Run("rip --tracks 2 -o out");
    ASSERT_EQ(again.status, 0) << again.out;
    ExpectTaggedMpeg(dir / "out/Track02.mp3", "Track02", "Some Band", 12);
}

// The drive table has seven slots; the disc texts were once kept for the first five
// only, so a disc in the sixth or seventh drive lost its sheet's titles and stored nothing.
TEST_F(CdCommands, EveryDriveOfTheTableKeepsItsDiscText)
{
    std::string list;
    for (int d = 0; d < kDriveSlots; ++d) {
        const std::string name = "disc" + std::to_string(d);
        const uint32_t sectors = 300 + 75 * static_cast<uint32_t>(d); // another disc identifier per drive
        const auto bytes = testing::PatternSectors(0, sectors);
        testing::WriteTextFile(dir / (name + ".bin"), std::string(bytes.begin(), bytes.end()));
        testing::WriteTextFile(dir / (name + ".cue"), "PERFORMER \"Band " + std::to_string(d) + "\"\nFILE \"" + name +
                                                          ".bin\" BINARY\n  TRACK 01 AUDIO\n    TITLE \"Song " +
                                                          std::to_string(d) + "\"\n    INDEX 01 00:00:00\n");
        list += "ATAPI | QUILLON | DRIVE " + std::to_string(d) + " | 1.0 | " + name + ".cue\n";
    }
    testing::WriteTextFile(dir / "drives", list);
    for (int d = 0; d < kDriveSlots; ++d) {
        const std::string out = "out" + std::to_string(d);
        ::mkdir((dir / out).c_str(), 0755);
        const CliRun rip = Run("rip --drive " + std::to_string(d) + " --tracks 1 -o " + out);
        ASSERT_EQ(rip.status, 0) << "drive " << d << ": " << rip.out;
        ExpectTaggedMpeg(dir / (out + "/Song " + std::to_string(d) + ".mp3"), "Song " + std::to_string(d),
                         "Band " + std::to_string(d), 12);
        const auto stored =
            std::distance(std::filesystem::directory_iterator(dir / "cddata"), std::filesystem::directory_iterator());
        EXPECT_EQ(stored, 2 * (d + 1)) << "drive " << d << " stored no disc text (records and whole texts)";
    }
}

// Two tracks titled alike would write one file: grab and rip refuse before reading any.
TEST_F(CdCommands, TwoTracksWithOneTitleAreRefusedBeforeAnyIsRead)
{
    const auto bytes = testing::PatternSectors(0, 600);
    testing::WriteTextFile(dir / "alike.bin", std::string(bytes.begin(), bytes.end()));
    testing::WriteTextFile(dir / "alike.cue", "FILE \"alike.bin\" BINARY\n"
                                              "  TRACK 01 AUDIO\n    TITLE \"Song 1\"\n    INDEX 01 00:00:00\n"
                                              "  TRACK 02 AUDIO\n    TITLE \"Song 1\"\n    INDEX 01 00:04:00\n"
                                              "  TRACK 03 AUDIO\n    TITLE \"Song 3\"\n    INDEX 01 00:06:00\n");
    testing::WriteTextFile(dir / "drives", "ATAPI | QUILLON | VIRTUAL CD | 1.0 | alike.cue\n");
    for (const char* command : {"grab --tracks 1-3 -o out", "rip --tracks 1-3 -o out"}) {
        const CliRun run = Run(command);
        EXPECT_EQ(run.status, 2) << command << ": " << run.out;
        EXPECT_NE(run.out.find("Tracks 1 and 2 would both be written as \"Song 1\""), std::string::npos)
            << command << ": " << run.out;
        EXPECT_EQ(
            std::distance(std::filesystem::directory_iterator(dir / "out"), std::filesystem::directory_iterator()), 0)
            << command << " wrote a file";
    }
    const CliRun apart = Run("grab --tracks 1,3 -o out");
    EXPECT_EQ(apart.status, 0) << apart.out;
}

// Reading the next track overlaps the encodes, yet the files are those of one at a time,
// and no more temporary files exist than encodes may run.
TEST_F(CdCommands, RipWithTwoJobsGivesTheFilesOfOneAndBoundsItsTemporaryFiles)
{
    disc = testing::MakeTestDisc(dir.Path(), "disc",
                                 {{false, 1500}, {false, 900}, {false, 1800}, {false, 600}, {false, 1200}});
    for (const char* folder : {"one", "two", "tmp"})
        ::mkdir((dir / folder).c_str(), 0755);
    const CliRun one = Run("rip --tracks 1-5 --artist Band --jobs 1 -o one");
    ASSERT_EQ(one.status, 0) << one.out;
    // Counts the temporary files every few milliseconds while the rip runs.
    const CliRun two = Run("rip --tracks 1-5 --artist Band --jobs 2 -o two",
                           "while kill -0 $p 2>/dev/null; do ls '" + dir / "tmp" + "' | grep -c wav >>'" +
                               dir / "counts" + "'; sleep 0.005; done");
    ASSERT_EQ(two.status, 0) << two.out;
    EXPECT_NE(two.out.find("[2] "), std::string::npos) << "no second encode ran beside the first\n" << two.out;
    for (int t = 1; t <= 5; ++t) {
        const std::string name = "Track0" + std::to_string(t) + ".mp3";
        const std::vector<uint8_t> a = testing::ReadBinaryFile(dir / ("one/" + name));
        ASSERT_GT(a.size(), 128u) << name;
        EXPECT_TRUE(a == testing::ReadBinaryFile(dir / ("two/" + name))) << name << " differs between one and two jobs";
    }
    std::ifstream counts(dir / "counts");
    int most = 0, samples = 0;
    for (int n; counts >> n; ++samples)
        most = std::max(most, n);
    EXPECT_GT(samples, 0);
    EXPECT_LE(most, 2) << "more temporary files than jobs";
    EXPECT_TRUE(std::filesystem::is_empty(dir / "tmp")) << "temporary files left";
}

TEST_F(CdCommands, FailedReadsSayWhichSenseTheyEndedWith)
{
    testing::WriteTextFile(dir / "drives", "ATAPI | QUILLON | SCRATCHED | 1.0 | disc.cue | fail=22100:6\n"
                                           "ATAPI | QUILLON | EMPTY TRAY | 2.0 | none\n");
    const struct
    {
        const char* args;
        const char* designed;
        const char* sense;
    } rows[] = {
        {"grab --tracks 2 -o out", "Error: Can't read RAW Audio Data.",
         "quillon: the last read ended with medium error, ASC 11h, ASCQ 00h (unrecovered read error)"},
        {"rip --tracks 2 -o out", "Error: Can't read RAW Audio Data.",
         "quillon: the last read ended with medium error, ASC 11h, ASCQ 00h (unrecovered read error)"},
        {"toc --drive 1", "No CD-Audio Disc Present in Drive!",
         "quillon: READ TOC ended with not ready, ASC 3Ah, ASCQ 00h (medium not present)"},
    };
    for (const auto& row : rows) {
        const CliRun r = Run(row.args);
        EXPECT_EQ(r.status, 1) << row.args << "\n" << r.out;
        const auto designed = r.out.find(row.designed);
        ASSERT_NE(designed, std::string::npos) << row.args << "\n" << r.out;
        EXPECT_NE(r.out.find(row.sense, designed), std::string::npos) << row.args << "\n" << r.out;
    }
}

TEST_F(CdCommands, RipSkipsATrackThatCannotBeRead)
{
    disc = testing::MakeTestDisc(dir.Path(), "disc", {{false, 22050}, {false, 300}, {false, 750}});
    testing::WriteTextFile(dir / "drives", "ATAPI | QUILLON | SCRATCHED | 1.0 | disc.cue | fail=22100:6\n");
    const CliRun r = Run("rip --tracks 2,3 -o out");
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("Error: Can't read RAW Audio Data."), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Processing Finished."), std::string::npos) << r.out;
    struct stat st;
    EXPECT_NE(::stat((dir / "out/Track02.mp3").c_str(), &st), 0);
    EXPECT_NE(::stat((dir / "tmp/Track02.wav").c_str(), &st), 0);
    ExpectTaggedMpeg(dir / "out/Track03.mp3", "Track03", "Unknown", 12);
}

// rip's own options once took only the "--name value" form: "--drive=1" was passed over
// without a word, so the default drive was ripped, and "--jobs=2" was refused.
TEST_F(CdCommands, RipOptionsTakeTheirValueAfterAnEqualsSign)
{
    const CliRun otherDrive = Run("rip --drive=1 --tracks 1 -o out");
    EXPECT_EQ(otherDrive.status, 1) << otherDrive.out;
    EXPECT_EQ(otherDrive.out.rfind("No CD-Audio Disc Present in Drive!\n", 0), 0u)
        << "drive 1 is empty: " << otherDrive.out;
    EXPECT_FALSE(std::filesystem::exists(dir / "out/Track01.mp3")) << "the default drive was ripped";

    const CliRun r = Run("rip --drive=0 --jobs=1 --tracks=2 --artist=Band -o out");
    ASSERT_EQ(r.status, 0) << r.out;
    ExpectTaggedMpeg(dir / "out/Track02.mp3", "Track02", "Band", 12);
}

bool Exists(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

TEST_F(CdCommands, DataTracksAreRefusedBeforeAnythingIsWritten)
{
    for (const char* args : {"grab --tracks 2,3 -o out", "rip --tracks 2,3 -o out"}) {
        const CliRun r = Run(args);
        EXPECT_EQ(r.status, 2) << args << ": " << r.out;
        EXPECT_NE(r.out.find("track 3 is a data track"), std::string::npos) << args << ": " << r.out;
    }
    for (const char* name : {"out/Track02.WAV", "out/Track03.WAV", "out/Track02.mp3", "out/Track03.mp3"})
        EXPECT_FALSE(Exists(dir / name)) << name;
}

// Sets the stored title of track `index` in the disc's text file that a rip left.
void StoreTitle(const testing::TempDir& dir, int index, const std::string& title)
{
    std::string file;
    for (const auto& entry : std::filesystem::directory_iterator(dir / "cddata"))
        if (entry.path().extension() == ".cdd")
            file = entry.path();
    ASSERT_FALSE(file.empty()) << "no disc record file";
    std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
    std::string field = title;
    field.resize(30, '\0');
    f.seekp(index * 128 + 3);
    f.write(field.data(), 30);
}

TEST_F(CdCommands, StoredTitlesNameFilesInsideTheOutputFolderAndPrintEscaped)
{
    dir.MakeFolder("out/a/b");
    ASSERT_EQ(Run("rip --tracks 2 -o out/a/b").status, 0) << "the rip stores the disc's text";
    std::filesystem::remove(dir / "out/a/b/Track02.mp3");

    StoreTitle(dir, 1, "../../escape1");
    StoreTitle(dir, 0, "red\x1b[31m\a\nline");
    const CliRun grab = Run("grab --tracks 2 -o out/a/b");
    EXPECT_EQ(grab.status, 0) << grab.out;
    EXPECT_TRUE(Exists(dir / "out/a/b/_.._escape1.WAV")) << grab.out;
    const CliRun rip = Run("rip --tracks 2 -o out/a/b");
    EXPECT_EQ(rip.status, 0) << rip.out;
    ExpectTaggedMpeg(dir / "out/a/b/_.._escape1.mp3", "../../escape1", "Unknown", 12);
    for (const char* outside : {"out/escape1.WAV", "out/escape1.mp3", "escape1.WAV", "escape1.mp3"})
        EXPECT_FALSE(Exists(dir / outside)) << outside;

    const CliRun toc = Run("toc");
    EXPECT_EQ(toc.status, 0) << toc.out;
    EXPECT_NE(toc.out.find("red\\x1b[31m\\x07\\nline"), std::string::npos) << toc.out;
    EXPECT_EQ(toc.out.find_first_of("\x1b\a"), std::string::npos) << "raw control characters reached the terminal";

    StoreTitle(dir, 1, "..");
    const CliRun dots = Run("grab --tracks 2 -o out/a/b");
    EXPECT_NE(dots.status, 0);
    EXPECT_NE(dots.out.find("cannot be a file name"), std::string::npos) << dots.out;
}

TEST_F(CdCommands, CtrlCEndsTheWholeRipAndASecondOneEndsAGrabAtOnce)
{
    disc = testing::MakeTestDisc(dir.Path(), "disc", {{false, 22050}, {false, 300}, {false, 750}});
    testing::WriteTextFile(dir / "drives", "ATAPI | QUILLON | SLOW | 1.0 | disc.cue | delay=20\n");
    // Track 2 is read at once and encoded while track 3 takes about 4 s to read; the
    // Ctrl-C comes during that read.
    const CliRun rip = Run("rip --tracks 2,3 --jobs 2 -o out", "sleep 1; kill -INT $p");
    EXPECT_EQ(rip.status, 130) << rip.out;
    EXPECT_FALSE(Exists(dir / "out/Track03.mp3")) << "the rip went on reading";
    EXPECT_TRUE(std::filesystem::is_empty(dir / "tmp")) << "a temporary file was left";
    // The rip's log and cue sheet stand beside the track it finished.
    for (const auto& entry : std::filesystem::directory_iterator(dir / "out"))
        if (entry.path().extension() != ".log" && entry.path().extension() != ".cue") {
            EXPECT_EQ(entry.path().filename(), "Track02.mp3") << "a partial file was left";
        }

    // Every read takes 5 s: the first Ctrl-C waits for the read, the second does not.
    testing::WriteTextFile(dir / "drives", "ATAPI | QUILLON | STUCK | 1.0 | disc.cue | delay=5000\n");
    const auto start = std::chrono::steady_clock::now();
    const CliRun grab = Run("grab --tracks 2 -o out", "sleep 0.5; kill -INT $p; sleep 0.2; kill -INT $p");
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(grab.status, 130) << grab.out;
    EXPECT_LT(took, std::chrono::seconds(3));
}

} // namespace
} // namespace quillon
