#include "cd/GrabberSession.h"

#include "TestDisc.h"
#include "cd/DriveQuirks.h"
#include "cd/GenreList.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <filesystem>

namespace quillon {
namespace {

using namespace quillon::testing;

// A folder with a disc of `tracks`, one drive over it and the folder as the current
// directory (cddata/ and tosharc live there).
struct GrabberFixture
{
    TempDir dir;
    ScopedChdir cd{dir.Path()};
    TestDisc disc;
    DriveTable drives{};
    int driveCount = 0;
    GrabberSession session{drives, driveCount};

    explicit GrabberFixture(const std::vector<TestTrack>& tracks, const std::string& flags = "")
    {
        disc = MakeTestDisc(dir.Path(), "disc", tracks);
        WriteTextFile(dir / "drives", "ATAPI | QUILLON | VIRTUAL CD | 1.0 | disc.cue" + flags + "\n");
        ::setenv("QUILLON_VIRTUAL_CD", (dir / "drives").c_str(), 1);
        ResetDriveQuirks();
    }
    ~GrabberFixture() { ::unsetenv("QUILLON_VIRTUAL_CD"); }
};

// 29 x "ж": the longest name the grabber takes, in two bytes a character.
const std::string kZhe29 = [] {
    std::string s;
    for (int i = 0; i < 29; ++i)
        s += "\xd0\xb6";
    return s;
}();

const std::vector<TestTrack> kFiveTracks = {{false, 750}, {false, 1500}, {false, 2250}, {false, 300}, {false, 600}};

TEST(GrabberSession, DefaultDriveBeyondTheDetectedOnesFallsBackToTheFirst)
{
    GrabberFixture f(kFiveTracks);
    ASSERT_TRUE(f.session.DetectDrives());
    for (const int stored : {0, 1, 6, -1})
        EXPECT_EQ(f.session.InitialDrive(stored), 0) << stored;
}

TEST(GrabberSession, CommitKeepsTheEditedTrackAndShowsTheMarkedOne)
{
    GrabberFixture f(kFiveTracks);
    ASSERT_TRUE(f.session.DetectDrives());
    f.session.LoadDisc(0, 2031);
    f.session.genre = FindGenre("Rock");
    f.session.AssignInfoToAll();
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(f.session.Record(i).genre, 17) << i;

    // The user edits the fields with row 2 selected: only its record takes them.
    f.session.artist = "Band";
    f.session.genre = FindGenre("Pop");
    f.session.CommitTrackInfo(2, 2);
    EXPECT_EQ(TrackInfoField(f.session.Record(2).artist, 30), "Band");
    EXPECT_EQ(f.session.Record(2).genre, 13);
    EXPECT_EQ(f.session.Rows()[2].texts.genre, "Pop");
    EXPECT_EQ(TrackInfoField(f.session.Record(1).artist, 30), "Unknown");

    // With no row selected the fields go to the current track (2) and the marked row's
    // record (1) is shown.
    f.session.CommitTrackInfo(1, -1);
    EXPECT_EQ(TrackInfoField(f.session.Record(2).artist, 30), "Band");
    EXPECT_EQ(f.session.artist, "Unknown");
    EXPECT_EQ(f.session.genre, 17);
    // A full year field running on into the comment is cut to four characters.
    std::memcpy(f.session.Record(3).year, "1999", 4);
    PutTrackInfoField(f.session.Record(3).comment, 30, "live");
    f.session.CommitTrackInfo(3, -1);
    EXPECT_EQ(f.session.year, "1999");
    EXPECT_EQ(f.session.comment, "live");
    EXPECT_EQ(f.session.CurrentTrack(), 3);
}

TEST(GrabberSession, DataTracksCannotBeTicked)
{
    GrabberFixture f({{false, 300}, {true, 300}, {false, 300}});
    ASSERT_TRUE(f.session.DetectDrives());
    f.session.LoadDisc(0, 2031);
    ASSERT_EQ(f.session.Rows().size(), 3u);
    EXPECT_TRUE(f.session.Rows()[1].dataTrack);
    EXPECT_EQ(f.session.Rows()[1].texts.type, "ROM");
    EXPECT_FALSE(f.session.SetTicked(1, true));
    f.session.ToggleSelectAll();
    EXPECT_EQ(f.session.Totals().count, 2);
    EXPECT_FALSE(f.session.Rows()[1].ticked);
}

TEST(GrabberSession, AcceptAddsJobsNamedForTheirLayerAndStoresTheText)
{
    struct Row
    {
        int layer;
        const char* name;
        std::string want;
        std::string tag;
        std::string reloaded; // the name the stored record gives back
    } rows[] = {
        {3, "Track02", "Track02.mp3", "Track02", "Track02"},
        {2, "Mr. Blue", "Mr. Blue.mp2", "Mr. Blue", "Mr. Blue"},
        // The tag holds Latin-1 where it can.
        {1, "Caf\xc3\xa9", "Caf\xc3\xa9.mp1", "Caf\xe9", "Caf\xc3\xa9"},
        // Latin-1 has no Cyrillic: the record holds "?" for each; the whole name comes back.
        {3, kZhe29.c_str(), kZhe29 + ".mp3", std::string(29, '?'), kZhe29},
    };
    for (const Row& row : rows) {
        GrabberFixture f(kFiveTracks);
        ASSERT_TRUE(f.session.DetectDrives());
        f.session.LoadDisc(0, 2031);
        JobList jobs;
        ASSERT_TRUE(jobs.SetDefaultOutputDir("/out/"));
        DefaultEncodingOptions defaults;
        defaults.layer = row.layer;
        std::string message;
        EXPECT_EQ(f.session.AcceptTracks(jobs, defaults, message), AcceptOutcome::NothingSelected);

        ASSERT_TRUE(f.session.RenameTrack(1, row.name));
        f.session.SetTicked(1, true);
        ASSERT_EQ(f.session.AcceptTracks(jobs, defaults, message), AcceptOutcome::Accepted) << message;
        ASSERT_EQ(jobs.Count(), 1);
        EXPECT_EQ(jobs.Job(0).outputName, row.want);
        EXPECT_EQ(jobs.Job(0).fileName, "Track02");
        const TagBlock& tag = *jobs.Job(0).tagBlock;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(tag.data()), 3), "TAG");
        const char* title = reinterpret_cast<const char*>(tag.data()) + 3;
        EXPECT_EQ(std::string(title, strnlen(title, 30)), row.tag);

        // The disc's text is stored and read back at the next load.
        GrabberSession again(f.drives, f.driveCount);
        ASSERT_TRUE(again.DetectDrives());
        EXPECT_TRUE(again.LoadDisc(0, 2031).storedTextRead);
        EXPECT_EQ(again.Rows()[1].texts.name, row.reloaded);
        std::string longest;
        for (int i = 0; i < 255; ++i)
            longest += "\xd0\xb6";
        EXPECT_TRUE(again.RenameTrack(1, longest)) << "a name of 255 characters";
        EXPECT_FALSE(again.RenameTrack(1, longest + "x")) << "a name of 256 characters";
        EXPECT_EQ(again.Rows()[1].texts.name, longest);
    }
}

// A chosen release reaches the rows and fields as the records hold it: each track its own
// credit, a track the release does not list its typed name, a data track nothing; the
// fields are the current track's, so the next edit cannot spread one credit over all.
TEST(GrabberSession, TakeReleaseShowsEachTracksCreditAndKeepsWhatTheReleaseLacks)
{
    GrabberFixture f({{false, 750}, {false, 750}, {false, 750}, {true, 300}});
    ASSERT_TRUE(f.session.DetectDrives());
    f.session.LoadDisc(0, 2031);
    ASSERT_TRUE(f.session.RenameTrack(2, "Typed by hand"));
    f.session.comment = "first pressing";
    ReleaseChoice release;
    release.title = "Bridge over Troubled Water";
    release.artist = "Simon & Garfunkel";
    release.date = "1970-01-26";
    release.genres = {"singer-songwriter", "folk-rock"};
    release.tracks = {{"Bridge over Troubled Water", "Simon & Garfunkel"},
                      {"El Condor Pasa (If I Could)", "Simon & Garfunkel feat. Los Incas"}};
    f.session.TakeRelease(release);

    const int folkRock = FindGenre("Folk-Rock");
    struct Want
    {
        std::string name, artist, genre;
    } wants[] = {{"Bridge over Troubled Water", "Simon & Garfunkel", "Folk-Rock"},
                 {"El Condor Pasa (If I Could)", "Simon & Garfunkel feat. Los Incas", "Folk-Rock"},
                 {"Typed by hand", "Simon & Garfunkel", "Folk-Rock"},
                 {"Track04", "Unknown", "Other"}};
    ASSERT_EQ(f.session.Rows().size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        const GrabberRow& row = f.session.Rows()[i];
        EXPECT_EQ(row.texts.name, wants[i].name) << i;
        EXPECT_EQ(row.texts.artist, wants[i].artist) << i;
        EXPECT_EQ(row.texts.genre, wants[i].genre) << i;
        EXPECT_EQ(TrackText(f.session.Record(int(i)), f.session.Texts(int(i)), TrackField::Artist), wants[i].artist);
    }
    EXPECT_EQ(f.session.artist, "Simon & Garfunkel");
    EXPECT_EQ(f.session.album, "Bridge over Troubled Water");
    EXPECT_EQ(f.session.year, "1970");
    EXPECT_EQ(f.session.genre, folkRock);
    EXPECT_EQ(f.session.comment, "first pressing");
    char stored[32];
    std::snprintf(stored, sizeof stored, "cddata/%08x.txt", f.drives[0].discId);
    EXPECT_FALSE(std::filesystem::exists(f.dir / stored)) << "nothing is stored before O&K";

    // Moving from row to row stores the fields into the track they show: each keeps its own credit.
    f.session.CommitTrackInfo(1, -1);
    EXPECT_EQ(f.session.artist, "Simon & Garfunkel feat. Los Incas");
    f.session.CommitTrackInfo(0, -1);
    EXPECT_EQ(f.session.artist, "Simon & Garfunkel");
    EXPECT_EQ(TrackText(f.session.Record(1), f.session.Texts(1), TrackField::Artist),
              "Simon & Garfunkel feat. Los Incas");
    EXPECT_EQ(TrackText(f.session.Record(0), f.session.Texts(0), TrackField::Artist), "Simon & Garfunkel");
}

TEST(FixedOneDecimal, KeepsItsPointUnderAGermanLocale)
{
    const char* old = std::setlocale(LC_ALL, nullptr);
    const std::string saved = old ? old : "C";
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr)
        GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    const struct
    {
        double value;
        int width;
        const char* want;
    } rows[] = {{49.46, 0, "49.5"}, {2.005, 4, " 2.0"}, {0.0, 4, " 0.0"}, {123.25, 4, "123.2"}};
    for (const auto& row : rows)
        EXPECT_EQ(FixedOneDecimal(row.value, row.width), row.want) << row.value;
    EXPECT_EQ(SpeedText(750, 5), " 2.0 X");
    std::setlocale(LC_ALL, saved.c_str());
}

} // namespace
} // namespace quillon
