#include "run/NullRunWindow.h"
#include "run/TempWavGrab.h"

#include <filesystem>

#include "DetectedDrive.h"
#include "RecordingWindow.h"
#include "cd/DiscInfoStore.h"
#include "cd/DriveQuirks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <sys/stat.h>

namespace quillon {
namespace {

using testing::RecordingWindow;

bool Exists(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

// Sets or clears one environment variable for the length of a test.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old, had_ = true;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { had_ ? ::setenv(name_, old_.c_str(), 1) : ::unsetenv(name_); }

private:
    const char* name_;
    std::string old_;
    bool had_ = false;
};

TEST(TempWavFolder, EnvironmentOrder)
{
    const struct
    {
        const char *tmp, *temp, *tmpdir;
        const char* want;
    } rows[] = {
        {"/var/tmp/q", "/other", "/third", "/var/tmp/q/"},
        {"/var/tmp/q/", nullptr, nullptr, "/var/tmp/q/"},
        {nullptr, "/temp", "/third", "/temp/"},
        {nullptr, nullptr, "/third", "/third/"},
        {nullptr, nullptr, nullptr, "/home/user/Music/"},
        {"", "/temp", "/third", "/temp/"}, // set but empty counts as unset, as in the settings
        {"", "", "", "/home/user/Music/"},
    };
    for (const auto& row : rows) {
        ScopedEnv a("TMP", row.tmp), b("TEMP", row.temp), c("TMPDIR", row.tmpdir);
        EXPECT_EQ(TempWavFolder("/home/user/Music/"), row.want) << (row.tmp ? row.tmp : "-");
    }
}

class TempGrabFixture : public ::testing::Test
{
protected:
    testing::TempDir dir;
    testing::TestDisc disc;
    DriveTable drives;
    std::string temp;

    void Detect(const std::string& flags, const std::string& tosharc, std::vector<testing::TestTrack> tracks)
    {
        testing::DetectTestDrive(dir, "aic7xxx | QUILLON | VIRTUAL | 1.0 | disc.cue " + flags, tosharc, tracks, disc,
                                 drives);
        temp = dir / "tmp/";
        ::mkdir(temp.c_str(), 0700);
    }

    FileJob Job(int track)
    {
        FileJob job;
        job.fileName = "Track0" + std::to_string(track + 1);
        job.location = "CD[0,0]";
        job.cdDrive = &drives[0];
        job.trackIndex = static_cast<int16_t>(track);
        return job;
    }
};

TEST_F(TempGrabFixture, WholeTrackBecomesTheJobsInput)
{
    Detect("", "\"QUILLON\" \"\" \"\" 28 0 0 0 26 0\n", {{false, 100}, {false, 1000}});
    FileJob job = Job(1);
    RecordingWindow window;
    ASSERT_TRUE(GrabToTempWav(job, drives[0], temp, window));
    EXPECT_EQ(job.location, temp);
    EXPECT_EQ(job.fileName.rfind("Track02-", 0), 0u) << job.fileName;
    EXPECT_EQ(job.fileName.size(), std::string("Track02-XXXXXX.wav").size()) << job.fileName;
    EXPECT_EQ(window.trackSteps, 39);
    EXPECT_EQ(window.grabbed, "2 MBytes, 1014 Sectors.");
    EXPECT_EQ(window.files, std::vector<std::string>{temp + job.fileName});
    const auto bytes = testing::ReadBinaryFile(temp + job.fileName);
    ASSERT_EQ(bytes.size(), 44u + 1000 * 2352);
    const auto want = testing::PatternSectors(disc.starts[1], 1000);
    EXPECT_TRUE(std::equal(want.begin(), want.end(), bytes.begin() + 44));
    EXPECT_TRUE(window.destroyed);
}

TEST_F(TempGrabFixture, CancelAndReadFailureLeaveNoFile)
{
    const struct
    {
        const char* flags;
        int cancelAt;
        const char* message;
    } rows[] = {
        {"", 3, "Reading aborted by user!"},
        {"| fail=20:6", -1, "Error: Can't read RAW Audio Data."},
    };
    for (const auto& row : rows) {
        Detect(row.flags, "", {{false, 60}});
        FileJob job = Job(0);
        RecordingWindow window;
        window.cancelAtCheck = row.cancelAt;
        EXPECT_FALSE(GrabToTempWav(job, drives[0], temp, window)) << row.message;
        EXPECT_EQ(window.messages, std::vector<std::string>{row.message});
        EXPECT_TRUE(std::filesystem::is_empty(temp)) << row.message;
        EXPECT_EQ(job.fileName, "Track01") << "a failed grab leaves the job as it was";
        EXPECT_TRUE(window.destroyed);
    }
}

TEST_F(TempGrabFixture, FiveFailuresLeaveNoTrace)
{
    Detect("| fail=20:5", "", {{false, 60}});
    FileJob job = Job(0);
    RecordingWindow window;
    ASSERT_TRUE(GrabToTempWav(job, drives[0], temp, window));
    EXPECT_TRUE(window.messages.empty());
    EXPECT_EQ(testing::ReadBinaryFile(temp + job.fileName).size(), 44u + 60 * 2352);
}

// Two rips sharing one temporary folder, a user's own file or a link at the name the
// track once had: the grab makes a file of its own and touches none of them.
TEST_F(TempGrabFixture, TemporaryFileIsOnlyEverOurOwn)
{
    Detect("", "", {{false, 30}});
    const std::string victim = dir / "victim";
    testing::WriteTextFile(victim, "precious");
    ASSERT_EQ(::symlink(victim.c_str(), (temp + "Track01.wav").c_str()), 0);
    FileJob first = Job(0), second = Job(0);
    RecordingWindow window;
    ASSERT_TRUE(GrabToTempWav(first, drives[0], temp, window));
    ASSERT_TRUE(GrabToTempWav(second, drives[0], temp, window)) << "a second grab of the same track";
    EXPECT_NE(first.fileName, second.fileName);
    for (const FileJob* job : {&first, &second})
        EXPECT_EQ(testing::ReadBinaryFile(temp + job->fileName).size(), 44u + 30 * 2352) << job->fileName;
    const auto bytes = testing::ReadBinaryFile(victim);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "precious");
    struct stat st;
    EXPECT_TRUE(::lstat((temp + "Track01.wav").c_str(), &st) == 0 && S_ISLNK(st.st_mode)) << "the link was removed";
    EXPECT_TRUE(window.messages.empty());
}

TEST_F(TempGrabFixture, FolderThatCannotTakeTheFile)
{
    Detect("", "", {{false, 30}});
    FileJob job = Job(0);
    RecordingWindow window;
    EXPECT_FALSE(GrabToTempWav(job, drives[0], dir / "missing/", window));
    EXPECT_EQ(window.messages.size(), 1u);
}

// A run window that only keeps messages.
class QuietRunWindow : public NullRunWindow
{
public:
    std::vector<std::string> messages;
    void MessageBox(const std::string& text) override { messages.push_back(text); }
    void ShowEnd(const RunEndMessage& end) override { messages.push_back(end.Text()); }
};

class NoWaitClock : public RunClock
{
public:
    void Pause(int) override {}
    int64_t NowSeconds() override { return std::time(nullptr); }
};

TEST_F(TempGrabFixture, CdDirectJobsEndWithTheirTagAndLeaveNoTemporaryFile)
{
    Detect("| fail=10:6", "", {{false, 750}, {false, 300}, {false, 450}});
    ScopedEnv tmp("TMP", temp.c_str());
    JobList jobs;
    const std::string out = dir / "out/";
    ::mkdir(out.c_str(), 0755);
    ASSERT_TRUE(jobs.SetDefaultOutputDir(out));
    std::vector<CdTrackSource> sources;
    for (int t : {0, 2, 1}) {
        CdTrackSource s;
        s.trackIndex = t;
        s.drive = &drives[0];
        s.trackName = "Song " + std::to_string(t + 1);
        TrackInfo info{};
        SetTrackInfoTitle(info, s.trackName);
        SetTrackInfo(info, s.trackName, "Artist", "Album", "2026", "made in a test", 17);
        std::memcpy(s.tagBlock.data(), &info, sizeof info);
        s.sectors = drives[0].tracks[t].sectors;
        sources.push_back(s);
    }
    ASSERT_TRUE(jobs.AddCdTracks(sources, DefaultEncodingOptions{}));

    QuietRunWindow window;
    NoWaitClock clock;
    std::vector<RecordingWindow*> grabWindows;
    auto grab = MakeTempWavGrab(
        drives, [&] { return jobs.DefaultOutputDir(); },
        [&](RunWindow&) {
            auto w = std::make_unique<RecordingWindow>();
            grabWindows.push_back(w.get());
            return w;
        });
    ConversionRun run(jobs, window, clock, grab,
                      [](const char* program) { return std::string(QUILLON_BIN_DIR) + "/" + program; });
    run.Run();

    // The first track cannot be read (a sector fails 6 times): it is skipped, the rest follow.
    EXPECT_EQ(window.messages, std::vector<std::string>{"Processing Finished."});
    ASSERT_EQ(grabWindows.size(), 3u);
    EXPECT_FALSE(Exists(out + "Song 1.mp3"));
    for (int t : {1, 2}) {
        const auto bytes = testing::ReadBinaryFile(out + "Song " + std::to_string(t + 1) + ".mp3");
        ASSERT_GT(bytes.size(), 1000u) << "track " << t + 1;
        EXPECT_EQ(bytes[0], 0xFF);
        EXPECT_EQ(bytes[1] & 0xE0, 0xE0) << "an MPEG frame first";
        const std::vector<uint8_t> tail(bytes.end() - 128, bytes.end());
        EXPECT_EQ(std::string(tail.begin(), tail.begin() + 3), "TAG");
        EXPECT_EQ(TrackInfoField(reinterpret_cast<const char*>(tail.data()) + 3, 30), "Song " + std::to_string(t + 1));
        EXPECT_EQ(tail[127], 17);
    }
    EXPECT_TRUE(std::filesystem::is_empty(temp)) << "temporary file left";
    EXPECT_EQ(jobs.Job(1).fileName, "Track03") << "the list names the CD track again";
    EXPECT_EQ(jobs.Job(1).location, "CD[0,0]");
}

} // namespace
// A CD-direct run in secure mode, as the grabber's Secure mode check box asks: a sector
// whose reads never agree is told in the grab window and its track encoded all the same;
// read once, the garbage passes without a word.
TEST_F(TempGrabFixture, SecureCdDirectJobsTellTheSectorsThatNeverAgreed)
{
    Detect("| garbage=800:1000", "", {{false, 750}, {false, 300}});
    ScopedEnv tmp("TMP", temp.c_str());
    for (const bool secure : {true, false}) {
        SCOPED_TRACE(secure ? "secure" : "read once");
        JobList jobs;
        const std::string out = dir / (secure ? "secure/" : "once/");
        ::mkdir(out.c_str(), 0755);
        ASSERT_TRUE(jobs.SetDefaultOutputDir(out));
        CdTrackSource s;
        s.trackIndex = 1;
        s.drive = &drives[0];
        s.trackName = "Song 2";
        s.sectors = drives[0].tracks[1].sectors;
        ASSERT_TRUE(jobs.AddCdTracks({s}, DefaultEncodingOptions{}));
        QuietRunWindow window;
        NoWaitClock clock;
        std::vector<std::string> told;
        auto grab = MakeTempWavGrab(
            drives, [&] { return jobs.DefaultOutputDir(); },
            [&](RunWindow&) {
                struct Keeping : RecordingWindow
                {
                    std::vector<std::string>* told = nullptr;
                    ~Keeping() override { *told = messages; }
                };
                auto w = std::make_unique<Keeping>();
                w->told = &told;
                return w;
            },
            WallClockSeconds, [secure] { return secure; });
        ConversionRun run(jobs, window, clock, grab,
                          [](const char* program) { return std::string(QUILLON_BIN_DIR) + "/" + program; });
        run.Run();
        EXPECT_TRUE(Exists(out + "Song 2.mp3"));
        if (secure)
            EXPECT_EQ(told, std::vector<std::string>{"Song 2.mp3: suspicious positions at sectors 800: reads never "
                                                     "agreed"});
        else
            EXPECT_TRUE(told.empty());
    }
}

} // namespace quillon
