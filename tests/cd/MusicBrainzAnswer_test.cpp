// The rules of reading a disc-id answer, each on the smallest answer that shows it (the
// recorded answers run end to end in tests/cli/Lookup_test.cpp).

#include "cd/DiscLookup.h"
#include "cd/GenreList.h"
#include "cd/MusicBrainzAnswer.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(MusicBrainzAnswer, EachRuleOfReadingARelease)
{
    const struct
    {
        const char* rule;
        std::string answer;
        std::string line;                 // ReleaseLine of the first release
        std::vector<ReleaseTrack> tracks; // of the chosen medium
        std::string genre;                // "" for none
    } rows[] = {
        {"credits joined by their join phrases, the track's own credit first",
         R"({"releases":[{"title":"Bookends","artist-credit":[{"name":"Simon","joinphrase":" & "},
            {"artist":{"name":"Garfunkel"}}],"media":[{"track-count":2,"format":"CD","tracks":[
            {"title":"Mrs. Robinson"},{"title":"Old Friends","artist-credit":[{"name":"Paul Simon"}]}]}]}]})",
         "Simon & Garfunkel \u2013 Bookends (CD, 2 tracks)",
         {{"Mrs. Robinson", "Simon & Garfunkel"}, {"Old Friends", "Paul Simon"}},
         ""},
        {"the medium whose disc id matches, over one with as many tracks",
         R"({"releases":[{"title":"T","date":"1998-05","media":[
            {"position":1,"track-count":1,"tracks":[{"title":"wrong"}]},
            {"position":2,"track-count":1,"discs":[{"id":"DISC"}],"tracks":[{"title":"right"}]}]}]})",
         "[unknown artist] \u2013 T (1998, 2/2, 1 tracks)",
         {{"right", ""}},
         ""},
        {"a genre of the list from the genres, by votes, before the tags",
         R"({"releases":[{"title":"G","date":"x1999","genres":[{"name":"chillwave","count":9},
            {"name":"jazz","count":1},{"name":"Rock","count":3}],"tags":[{"name":"blues","count":50}]}]})",
         "[unknown artist] \u2013 G (0 tracks)",
         {},
         "Rock"},
        {"a tag of the release group when nothing else names a genre",
         R"({"releases":[{"title":"H","tags":[{"name":"seen live"}],
            "release-group":{"tags":[{"name":"trip-hop","count":2}]},"label-info":[{"label":null},
            {"label":{"name":"Mo' Wax"}}],"release-events":[{"area":{"iso-3166-1-codes":["GB"]}}]}]})",
         "[unknown artist] \u2013 H (GB, Mo' Wax, 0 tracks)",
         {},
         "Trip-Hop"},
        {"fields of the wrong kind are left out",
         R"({"releases":[{"title":7,"date":null,"media":[{"track-count":"3","tracks":[{"title":["x"],
            "recording":{"title":"from the recording"}}]}]}, 5]})",
         "[unknown artist] \u2013  (1 tracks)",
         {{"from the recording", ""}},
         ""},
    };
    for (const auto& row : rows) {
        std::vector<ReleaseChoice> releases;
        std::string problem;
        ASSERT_TRUE(ParseDiscAnswer(row.answer, "DISC", 1, releases, problem)) << row.rule << ": " << problem;
        ASSERT_EQ(releases.size(), 1u) << row.rule;
        const ReleaseChoice& release = releases[0];
        EXPECT_EQ(ReleaseLine(release), row.line) << row.rule;
        ASSERT_EQ(release.tracks.size(), row.tracks.size()) << row.rule;
        for (size_t i = 0; i < row.tracks.size(); ++i) {
            EXPECT_EQ(release.tracks[i].title, row.tracks[i].title) << row.rule << ", track " << i + 1;
            EXPECT_EQ(release.tracks[i].artist, row.tracks[i].artist) << row.rule << ", track " << i + 1;
        }
        const int genre = ReleaseGenre(release);
        EXPECT_EQ(genre < 0 ? "" : GenreName(genre), row.genre) << row.rule;
    }
    std::vector<ReleaseChoice> releases;
    std::string problem;
    for (const char* refused : {"", "<html>", "[]", R"({"releases":{}})", R"({"id":"cdstub"})"}) {
        EXPECT_FALSE(ParseDiscAnswer(refused, "DISC", 1, releases, problem)) << refused;
        EXPECT_FALSE(problem.empty()) << refused;
    }
}

// The release's tracks go to the disc's audio tracks in order: a data track first takes
// none, and the comment stays.
TEST(MusicBrainzAnswer, FillSkipsDataTracksAndKeepsTheComment)
{
    CdDrive drive;
    drive.trackCount = 3;
    drive.tracks[0].entry.adrControl = 0x14;
    drive.tracks[1].entry.adrControl = 0x10;
    drive.tracks[2].entry.adrControl = 0x10;
    DiscInfoStore store;
    SetTrackText(*store.Record(0, 1), *store.Texts(0, 1), TrackField::Comment, "my copy");
    ReleaseChoice release;
    release.title = "\u30b1\u30a2\u30ec\u30b9";
    release.date = "2021-09-15";
    release.genres = {"Pop"};
    release.tracks = {{"One", "A & B"}, {"Two", "C"}};
    FillFromRelease(release, store, 0, drive);
    EXPECT_EQ(store.Text(0, 0, TrackField::Title), "");
    EXPECT_EQ(store.Text(0, 1, TrackField::Title), "One");
    EXPECT_EQ(store.Text(0, 1, TrackField::Artist), "A & B");
    EXPECT_EQ(store.Text(0, 2, TrackField::Artist), "C");
    EXPECT_EQ(store.Text(0, 2, TrackField::Album), "\u30b1\u30a2\u30ec\u30b9");
    EXPECT_EQ(store.Text(0, 2, TrackField::Year), "2021");
    EXPECT_EQ(store.Text(0, 1, TrackField::Comment), "my copy");
    EXPECT_EQ(store.Record(0, 2)->genre, FindGenre("Pop"));
}

} // namespace
} // namespace quillon
