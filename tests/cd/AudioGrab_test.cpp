#include "cd/AudioGrab.h"

#include "DetectedDrive.h"
#include "RecordingWindow.h"
#include "cd/DriveQuirks.h"
#include <filesystem>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace quillon {
namespace {

using testing::RecordingWindow;

// A virtual drive over a generated disc, with a quirks file in the current folder.
class GrabFixture : public ::testing::Test
{
protected:
    testing::TempDir dir;
    testing::TestDisc disc;
    DriveTable drives;

    // Detects one drive described by `line` (the disc is "disc.cue") with the quirks `tosharc`.
    void Detect(const std::string& line, const std::string& tosharc, const std::vector<testing::TestTrack>& tracks)
    {
        testing::DetectTestDrive(dir, line, tosharc, tracks, disc, drives);
        ::mkdir((dir / "out").c_str(), 0755);
    }

    GrabOutcome Grab(const std::vector<int>& tracks, RecordingWindow& window)
    {
        std::vector<GrabChoice> ticked;
        for (int t : tracks)
            ticked.push_back({t, "Track" + std::string(t < 9 ? "0" : "") + std::to_string(t + 1)});
        return AudioGrab(
            drives[0], ticked, [&](const std::string&) { return std::optional(dir / "out"); }, window);
    }

    std::vector<uint8_t> File(int track)
    {
        return testing::ReadBinaryFile(dir / ("out/Track0" + std::to_string(track + 1) + ".WAV"));
    }

    // The file's samples equal the image's sectors of the track from its start.
    void ExpectTrackData(int track, uint32_t sectors, const char* what)
    {
        const auto bytes = File(track);
        ASSERT_EQ(bytes.size(), 44 + sectors * 2352u) << what;
        const auto want = testing::PatternSectors(disc.starts[track], sectors);
        EXPECT_TRUE(std::equal(want.begin(), want.end(), bytes.begin() + 44)) << what << ": data differ from the image";
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF") << what;
        const uint32_t dataSize = bytes[40] | bytes[41] << 8 | bytes[42] << 16 | bytes[43] << 24;
        EXPECT_EQ(dataSize, sectors * 2352u) << what;
    }
};

TEST_F(GrabFixture, ImageDataByteForByteThroughEveryPath)
{
    const struct
    {
        const char* line;
        const char* tosharc;
        const char* what;
    } rows[] = {
        {"ATAPI | QUILLON | VIRTUAL | 1.0 | disc.cue", "", "IDE unit, READ CD"},
        {"aic7xxx | QUILLON | VIRTUAL | 1.0 | disc.cue", "", "SCSI unit, READ(10) without quirks"},
        {"aic7xxx | QUILLON | BIGENDIAN | 1.0 | disc.cue | swap", "\"QUILLON\" \"BIG\" \"\" D8 0 0 1 26 0\n",
         "swap with a matching quirks entry"},
        {"aic7xxx | QUILLON | PICKY | 1.0 | disc.cue | modeselect", "\"QUILLON\" \"PICKY\" \"\" 28 1 0 0 7 0\n",
         "mode select asked for by the quirks entry"},
        {"aic7xxx | QUILLON | PICKY12 | 1.0 | disc.cue | modeselect", "\"QUILLON\" \"PICKY\" \"\" A8 1 0 0 128 0\n",
         "mode select with READ(12)"},
        {"aic7xxx | QUILLON | VENDOR | 1.0 | disc.cue", "\"QUILLON\" \"\" \"\" D4 0 0 0 3 0\n", "D4 reads"},
        {"aic7xxx | QUILLON | MMC | 1.0 | disc.cue", "\"QUILLON\" \"\" \"\" BE 0 0 0 5 0\n", "12-byte READ CD"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Detect(row.line, row.tosharc, {{false, 400}, {false, 333}, {true, 150}});
        RecordingWindow window;
        ASSERT_EQ(Grab({0, 2}, window), GrabOutcome::Completed);
        EXPECT_TRUE(window.messages.empty());
        ExpectTrackData(0, 400, row.what);
        ExpectTrackData(2, 150, row.what);
        struct stat st;
        EXPECT_NE(::stat((dir / "out/Track02.WAV").c_str(), &st), 0) << "unticked track written";
        EXPECT_TRUE(window.destroyed);
    }
}

TEST_F(GrabFixture, SwapWithoutQuirksEntryGivesSwappedData)
{
    Detect("aic7xxx | QUILLON | BIGENDIAN | 1.0 | disc.cue | swap", "", {{false, 10}});
    RecordingWindow window;
    ASSERT_EQ(Grab({0}, window), GrabOutcome::Completed);
    const auto bytes = File(0);
    EXPECT_EQ(bytes[44], testing::PatternByte(0, 1));
    EXPECT_EQ(bytes[45], testing::PatternByte(0, 0));
}

TEST_F(GrabFixture, ModeSelectDriveWithoutQuirksEntryFails)
{
    Detect("aic7xxx | QUILLON | PICKY | 1.0 | disc.cue | modeselect", "", {{false, 20}});
    RecordingWindow window;
    EXPECT_EQ(Grab({0}, window), GrabOutcome::ReadFailed);
    ASSERT_EQ(window.messages, std::vector<std::string>{"Error: Can't read RAW Audio Data."});
    EXPECT_TRUE(File(0).empty()) << "nothing read, so neither samples nor header written";
}

TEST_F(GrabFixture, FiveFailuresThenSuccessGivesACompleteFile)
{
    Detect("ATAPI | QUILLON | SCRATCHED | 1.0 | disc.cue | fail=130:5", "", {{false, 300}});
    RecordingWindow window;
    ASSERT_EQ(Grab({0}, window), GrabOutcome::Completed);
    EXPECT_TRUE(window.messages.empty());
    ExpectTrackData(0, 300, "retried read");
}

TEST_F(GrabFixture, SixFailuresStopTheGrabAndKeepTheEarlierTake)
{
    Detect("ATAPI | QUILLON | SCRATCHED | 1.0 | disc.cue | fail=130:6", "", {{false, 300}, {false, 100}});
    ::mkdir((dir / "out").c_str(), 0755);
    testing::WriteTextFile(dir / "out/Track01.WAV", "an earlier take");
    RecordingWindow window;
    ASSERT_EQ(Grab({0, 1}, window), GrabOutcome::ReadFailed);
    EXPECT_EQ(window.messages, std::vector<std::string>{"Error: Can't read RAW Audio Data."});
    const auto bytes = File(0);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "an earlier take") << "an unfinished track replaced the file";
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir / "out"))
        names.push_back(entry.path().filename());
    EXPECT_EQ(names, std::vector<std::string>{"Track01.WAV"}) << "a part was left, or a later track was created";
    EXPECT_TRUE(window.destroyed);
}

TEST_F(GrabFixture, CancelDuringTheSecondOfThreeTracks)
{
    Detect("ATAPI | QUILLON | VIRTUAL | 1.0 | disc.cue", "", {{false, 40}, {false, 40}, {false, 40}});
    RecordingWindow window;
    window.cancelAtCheck = 10 + 3; // 10 reads of track 1, then the third read of track 2
    ASSERT_EQ(Grab({0, 1, 2}, window), GrabOutcome::Cancelled);
    EXPECT_EQ(window.messages, std::vector<std::string>{"Reading aborted by user!"});
    ExpectTrackData(0, 40, "first track complete");
    ExpectTrackData(1, 8, "second track up to the last written read, with its header");
    struct stat st;
    EXPECT_NE(::stat((dir / "out/Track03.WAV").c_str(), &st), 0);
}

TEST_F(GrabFixture, ThousandSectorsInReadsOf26)
{
    Detect("aic7xxx | QUILLON | VIRTUAL | 1.0 | disc.cue", "\"QUILLON\" \"\" \"\" 28 0 0 0 26 0\n", {{false, 1000}});
    RecordingWindow window;
    ASSERT_EQ(Grab({0}, window), GrabOutcome::Completed);
    EXPECT_EQ(window.trackSteps, 39);
    EXPECT_EQ(window.totalHigh, 38);
    EXPECT_EQ(window.trackHigh, 38);
    EXPECT_EQ(window.grabbed, "2 MBytes, 1014 Sectors.");
    ExpectTrackData(0, 1000, "1000 sectors");
}

TEST(AudioGrab, RefusalsBeforeAnyRead)
{
    CdDrive drive;
    RecordingWindow window;
    int asked = 0;
    auto ask = [&](std::optional<std::string> answer) {
        return [&asked, answer](const std::string& title) {
            ++asked;
            EXPECT_EQ(title, "Select a Folder where to Save the WAV files...");
            return answer;
        };
    };
    EXPECT_EQ(AudioGrab(drive, {}, ask("/tmp"), window), GrabOutcome::NothingSelected);
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(AudioGrab(drive, {{0, "x"}}, ask(std::nullopt), window), GrabOutcome::FolderCancelled);
    EXPECT_EQ(AudioGrab(drive, {{0, "x"}}, ask(std::string()), window), GrabOutcome::InvalidPath);
    EXPECT_EQ(window.messages, (std::vector<std::string>{"You didn't slected any Audio track for reading...!",
                                                         "Error: You had selected an invalid path."}));
    EXPECT_FALSE(window.created);
}

TEST(AudioGrab, EmptyTrackGivesHeaderOnlyFile)
{
    testing::TempDir dir;
    CdDrive drive;
    drive.trackCount = 1;
    drive.tracks[0].sectors = 0;
    RecordingWindow window;
    ASSERT_EQ(AudioGrab(
                  drive, {{0, "Track01"}}, [&](const std::string&) { return std::optional(dir.Path()); }, window),
              GrabOutcome::Completed);
    const auto bytes = testing::ReadBinaryFile(dir / "Track01.WAV");
    ASSERT_EQ(bytes.size(), 44u);
    EXPECT_EQ(bytes[4], 36);
    EXPECT_EQ(window.files, std::vector<std::string>{dir / "Track01.WAV"});
}

TEST(AudioGrab, UncreatableFileIsReported)
{
    CdDrive drive;
    drive.trackCount = 1;
    drive.tracks[0].sectors = 10;
    RecordingWindow window;
    EXPECT_EQ(AudioGrab(
                  drive, {{0, "Track01"}},
                  [](const std::string&) { return std::optional<std::string>("/nonexistent/dir"); }, window),
              GrabOutcome::FileFailed);
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0],
              "Error: Cannot create the file /nonexistent/dir/Track01.WAV: No such file or directory");
    EXPECT_TRUE(window.destroyed);
}

TEST(AudioGrab, GrabbedAndSpeedTexts)
{
    EXPECT_EQ(SpeedText(750, 5), " 2.0 X");
    EXPECT_EQ(SpeedText(750, 0), " 0.0 X") << "no rate in the first second";
    EXPECT_EQ(SpeedText(7500000, 1), "100240.6 X");
    EXPECT_EQ(GrabbedText(0), "0 MBytes, 0 Sectors.");
    EXPECT_EQ(GrabbedText(1000000), "2243 MBytes, 1000000 Sectors.");
    EXPECT_EQ(GrabbedText(2000000), "390 MBytes, 2000000 Sectors.") << "32-bit product, truncated";
}

} // namespace
} // namespace quillon
