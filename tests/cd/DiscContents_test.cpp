#include "FakeScsi.h"
#include "TestDisc.h"
#include "cd/CdDrive.h"
#include "cd/DiscInfoStore.h"
#include "cd/GenreList.h"
#include "cd/TrackFileName.h"
#include "cd/TrackList.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <filesystem>
#include <sys/stat.h>

namespace quillon {
namespace {

// A drive whose TOC reply lists tracks starting at `starts`, the last start being the lead-out.
CdDrive DriveWithToc(const std::vector<uint32_t>& starts, uint8_t adrControl = 0x10, int32_t expected = 1)
{
    auto fake = std::make_unique<testing::FakeScsiManager>();
    fake->answer = [starts, adrControl](const ScsiRequest& r) {
        std::memset(r.data, 0, r.dataLength);
        const size_t length = 2 + 8 * starts.size();
        r.data[0] = static_cast<uint8_t>(length >> 8);
        r.data[1] = static_cast<uint8_t>(length);
        for (size_t i = 0; i < starts.size(); ++i) {
            uint8_t* d = r.data + 4 + 8 * i;
            d[1] = adrControl;
            d[2] = i + 1 == starts.size() ? 0xAA : static_cast<uint8_t>(i + 1);
            d[4] = static_cast<uint8_t>(starts[i] >> 24);
            d[5] = static_cast<uint8_t>(starts[i] >> 16);
            d[6] = static_cast<uint8_t>(starts[i] >> 8);
            d[7] = static_cast<uint8_t>(starts[i]);
        }
        return GoodOutcome();
    };
    aspi_load_manager(std::move(fake));
    CdDrive drive;
    DiscToc toc;
    int count = 0;
    EXPECT_EQ(drive.ReadToc(count, toc.data()), expected);
    return drive;
}

TEST(DiscToc, VirtualDiscWithDataTrack)
{
    testing::TempDir dir;
    const auto disc = testing::MakeTestDisc(dir.Path(), "has-a-data-track", {{false, 750}, {false, 1125}, {true, 300}});
    const testing::VirtualDrive drive(dir.Path(), "has-a-data-track.cue");
    ASSERT_EQ(drive.detected, 1);
    ASSERT_EQ(drive.tocResult, 1);
    EXPECT_EQ(drive.count, 4) << "three tracks and the lead-out";
    EXPECT_EQ(drive.toc[3].trackNumber, 0xAA);
    EXPECT_EQ(drive.toc[3].start, disc.leadOut);
    const CdDrive& d = drive.drives[0];
    ASSERT_EQ(d.trackCount, 3);
    EXPECT_EQ(d.totalSectors, 2175);
    EXPECT_EQ(d.tracks[1].entry.start, 750u);
    EXPECT_EQ(d.tracks[1].sectors, 1125u);
    EXPECT_EQ(d.tracks[1].seconds, 15u);
    // (0 + 1×10)×2 = 20, (20 + 2×15)×2 = 100, (100 + 3×4)×2 = 224
    EXPECT_EQ(d.discId, 224u);

    const auto rows = BuildTrackRows(d, {"", "Second Song"});
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].name, "Track01");
    EXPECT_EQ(rows[1].name, "Second Song");
    EXPECT_EQ(rows[2].type, "ROM");
    EXPECT_EQ(rows[0].type, "Audio");
    EXPECT_EQ(rows[2].number, "3");
}

TEST(DiscToc, NoDisc)
{
    testing::TempDir dir;
    testing::VirtualDrive drive(dir.Path(), "none", "EMPTY TRAY");
    ASSERT_EQ(drive.detected, 1);
    EXPECT_EQ(drive.tocResult, 0x20004) << "not ready";
    CdDrive& d = drive.drives[0];
    d.trackCount = 9;
    DiscToc toc;
    int count = 0;
    EXPECT_EQ(d.ReadToc(count, toc.data()), 0x20004) << "not ready";
    EXPECT_EQ(d.trackCount, 0) << "the tracks of an earlier disc are forgotten";
}

TEST(DiscToc, TenTracksEndAtTheLeadOut)
{
    std::vector<uint32_t> starts;
    for (uint32_t i = 0; i <= 10; ++i)
        starts.push_back(i * 1000 + (i == 10 ? 77 : 0));
    const CdDrive d = DriveWithToc(starts);
    EXPECT_EQ(d.trackCount, 10);
    EXPECT_EQ(d.tracks[9].sectors, 1077u);
}

TEST(DiscToc, MoreTracksThanRecordsAreCut)
{
    std::vector<uint32_t> starts;
    for (uint32_t i = 0; i < 190; ++i)
        starts.push_back(i * 100);
    const CdDrive d = DriveWithToc(starts);
    EXPECT_EQ(d.trackCount, kTrackRecordCapacity);
    EXPECT_EQ(d.tracks[kTrackRecordCapacity - 1].sectors, 100u);
}

// A track cannot be longer than the disc: a table whose starts go backwards (an image
// shorter than its sheet puts the lead-out before the last track) is reported, never shown
// with lengths that wrapped around.
TEST(DiscToc, TablesWhoseTracksDoNotFollowEachOtherAreReported)
{
    const struct
    {
        const char* name;
        std::vector<uint32_t> starts;
        int32_t result;
        const char* text;
    } rows[] = {
        {"in order", {0, 5000, 9000}, 1, ""},
        {"an empty track", {0, 5000, 5000, 9000}, 1, ""},
        {"lead-out before the last track",
         {0, 5000, 3000},
         kTocUnusable,
         "The disc's table of contents cannot be read: track 2 runs past the lead-out."},
        {"a track before the one before it",
         {0, 5000, 4000, 9000},
         kTocUnusable,
         "The disc's table of contents cannot be read: track 2 runs past the next track."},
        {"lead-out at the last sector MSF can name", {0, 5000, 449849}, 1, ""},
        {"a start no disc has",
         {0, 449850, 449900},
         kTocUnusable,
         "The disc's table of contents cannot be read: track 2 starts at sector 449850."},
        {"a start that would wrap the sizes",
         {0, 0x80000000u, 0x80000100u},
         kTocUnusable,
         "The disc's table of contents cannot be read: track 2 starts at sector 2147483648."},
    };
    for (const auto& row : rows) {
        const CdDrive d = DriveWithToc(row.starts, 0x10, row.result);
        EXPECT_EQ(d.trackCount, row.result == 1 ? static_cast<int>(row.starts.size()) - 1 : 0) << row.name;
        std::vector<TocEntry> table;
        for (size_t i = 0; i < row.starts.size(); ++i)
            table.push_back(
                {0, 0x10, static_cast<uint8_t>(i + 1 == row.starts.size() ? 0xAA : i + 1), 0, row.starts[i]});
        EXPECT_EQ(UnusableTocText(table.data(), static_cast<int>(table.size())), row.text) << row.name;
    }
}

TEST(DiscToc, RowAndTotalTexts)
{
    const CdDrive one = DriveWithToc({0, 22050});
    const auto rows = BuildTrackRows(one, {});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].length, "04:54");
    EXPECT_EQ(rows[0].size, "49.5 MB");
    EXPECT_EQ(DiscSizeText(300000), "670 MBytes");

    const struct
    {
        uint8_t control;
        const char* type;
    } types[] = {{0x10, "Audio"}, {0x14, "ROM"}, {0x11, "Unknown"}, {0x12, "Unknown"}, {0x00, "Unknown"}};
    for (const auto& t : types)
        EXPECT_STREQ(TrackTypeText(t.control), t.type) << int(t.control);

    const CdDrive three = DriveWithToc({0, 7500, 22500, 45000, 46000});
    const SelectionTotals totals = UpdateSelectionTotals(three, {true, true, true, false});
    EXPECT_EQ(totals.count, 3);
    EXPECT_EQ(totals.tracksText, "3 Track(s) ");
    EXPECT_EQ(totals.timeText, "00:10:00 ");
    EXPECT_EQ(totals.sizeText, "100.9 MB ");
    const SelectionTotals none = UpdateSelectionTotals(three, {});
    EXPECT_EQ(none.timeText, "00:00:00 ");
}

TEST(DiscIdentifier, ExamplesAndOverflow)
{
    EXPECT_EQ(DriveWithToc({0, 150 * 75, 350 * 75}).discId, 0x578u);
    EXPECT_EQ(DriveWithToc({0, 4500, 9000, 13500}).discId, 0x528u);

    // On a disc of 40 tracks, tracks 1 to 9 no longer count.
    std::vector<uint32_t> a, b;
    for (uint32_t i = 0; i <= 40; ++i) {
        a.push_back(i * 3000);
        b.push_back(i * 3000 + (i >= 1 && i <= 9 ? 750 * i : 0) + (i >= 10 ? 6750 : 0));
    }
    const CdDrive da = DriveWithToc(a), db = DriveWithToc(b);
    EXPECT_NE(da.tracks[0].seconds, db.tracks[0].seconds);
    EXPECT_EQ(da.discId, db.discId);
}

TEST(Genres, TableSortingAndLookups)
{
    const auto list = BuildGenreList();
    ASSERT_EQ(list.size(), 144u);
    EXPECT_EQ(FindGenre("Rock"), 17);
    EXPECT_EQ(FindGenre("rock & roll"), 78);
    EXPECT_EQ(FindGenre("Trash Metal"), 143);
    EXPECT_EQ(FindGenre("Polka Metal"), -1);
    const auto sorted = SortedGenreIndices();
    EXPECT_STREQ(GenreName(sorted.front()), "Acapella");
    EXPECT_STREQ(GenreName(sorted.back()), "Vocal");
    EXPECT_EQ(SortedPositionForGenre(kGenreOther), 93) << "Other in the sorted list";
    EXPECT_STREQ(GenreName(sorted[SortedPositionForGenre(13)]), "Pop");
    for (int i = 0; i < kGenreCount; ++i)
        EXPECT_EQ(sorted[SortedPositionForGenre(i)], i) << GenreName(i);
    EXPECT_STREQ(GenreName(144), "Other");
    EXPECT_STREQ(GenreName(255), "Other");
    EXPECT_EQ(SortedPositionForGenre(200), 93);
}

TEST(TrackInfo, FieldsAreCutNeverOverrun)
{
    TrackInfo info;
    std::memset(&info, 'x', sizeof info);
    SetTrackInfoTitle(info, "Title");
    SetTrackInfo(info, std::string(40, 'T'), "Artist", std::string(30, 'A'), "19999", "Comment", 17);
    EXPECT_EQ(std::string(info.tag, 3), "TAG");
    EXPECT_EQ(TrackInfoField(info.title, 30), std::string(30, 'T'));
    EXPECT_EQ(TrackInfoField(info.artist, 30), "Artist");
    EXPECT_EQ(info.artist[7], 'x') << "bytes after a shorter text keep what they held";
    EXPECT_EQ(TrackInfoField(info.album, 30), std::string(30, 'A'));
    EXPECT_EQ(TrackInfoField(info.year, 4), "1999");
    EXPECT_EQ(TrackInfoField(info.comment, 30), "Comment");
    EXPECT_EQ(info.genre, 17);
    const auto* raw = reinterpret_cast<const uint8_t*>(&info);
    EXPECT_EQ(raw[3], 'T');
    EXPECT_EQ(raw[93], '1');
    EXPECT_EQ(raw[127], 17);
}

TEST(DiscInfoStore, RoundTripAndLimits)
{
    testing::TempDir dir;
    DiscInfoStore store;
    store.baseDir = dir.Path();
    CdDrive drive = DriveWithToc({0, 150 * 75, 350 * 75});
    ASSERT_EQ(drive.discId, 0x578u);
    SetTrackInfoTitle(*store.Record(1, 0), "First");
    SetTrackInfoTitle(*store.Record(1, 1), "Second");
    store.Record(1, 1)->genre = 200;
    ASSERT_TRUE(store.SaveDiscInfo(1, drive));
    EXPECT_EQ(testing::ReadBinaryFile(dir / "cddata/00000578.cdd").size(), 256u);

    DiscInfoStore again;
    again.baseDir = dir.Path();
    ASSERT_TRUE(again.LoadDiscInfo(3, drive));
    EXPECT_EQ(TrackInfoField(again.Record(3, 1)->title, 30), "Second");
    EXPECT_STREQ(GenreName(again.Record(3, 1)->genre), "Other") << "a byte past the table selects Other";

    EXPECT_FALSE(store.SaveDiscInfo(kDriveSlots, drive)) << "a drive index past the table is not kept";
    EXPECT_FALSE(again.LoadDiscInfo(kDriveSlots, drive));
    EXPECT_EQ(store.Record(kDriveSlots, 0), nullptr);
    EXPECT_EQ(store.Record(-1, 0), nullptr);
    EXPECT_EQ(store.Record(0, 100), nullptr);

    CdDrive big = drive;
    big.trackCount = 101;
    EXPECT_FALSE(store.SaveDiscInfo(1, big)) << "a disc of more than 100 tracks is not kept";

    CdDrive unknown = drive;
    unknown.discId = 0x1234;
    EXPECT_FALSE(again.LoadDiscInfo(3, unknown));
    EXPECT_EQ(again.Record(3, 1)->title[0], '\0') << "records cleared when nothing was read";

    // A short file fills only the records it holds.
    testing::WriteTextFile(dir / "cddata/00000578.cdd", std::string(128, 'Z'));
    SetTrackInfoTitle(*again.Record(3, 1), "Kept");
    ASSERT_TRUE(again.LoadDiscInfo(3, drive));
    EXPECT_EQ(again.Record(3, 0)->tag[0], 'Z');
    EXPECT_EQ(TrackInfoField(again.Record(3, 1)->title, 30), "Kept");
}

TEST(DiscInfoStore, SaveReplacesLinksInsteadOfWritingThroughThem)
{
    // A link at the record file's name, at the whole texts' name, or at both.
    const std::vector<std::vector<std::string>> cases = {
        {"00000578.cdd"}, {"00000578.txt"}, {"00000578.cdd", "00000578.txt"}};
    for (const auto& links : cases) {
        SCOPED_TRACE(links.back());
        testing::TempDir dir;
        ::mkdir((dir / "cddata").c_str(), 0755);
        testing::WriteTextFile(dir / "victim", "not a disc text");
        for (const std::string& link : links)
            ASSERT_EQ(::symlink((dir / "victim").c_str(), (dir / ("cddata/" + link)).c_str()), 0);
        DiscInfoStore store;
        store.baseDir = dir.Path();
        CdDrive drive = DriveWithToc({0, 150 * 75, 350 * 75});
        SetTrackInfoTitle(*store.Record(0, 0), "First");
        ASSERT_TRUE(store.SaveDiscInfo(0, drive));

        const auto victim = testing::ReadBinaryFile(dir / "victim");
        EXPECT_EQ(std::string(victim.begin(), victim.end()), "not a disc text") << "the link's target was written";
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir / "cddata")) {
            names.push_back(entry.path().filename().string());
            struct stat st;
            ASSERT_EQ(::lstat(entry.path().c_str(), &st), 0);
            EXPECT_TRUE(S_ISREG(st.st_mode)) << names.back() << ": the link is replaced by the file";
        }
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"00000578.cdd", "00000578.txt"})) << "a temporary file was left";
        EXPECT_EQ(testing::ReadBinaryFile(dir / "cddata/00000578.cdd").size(), 256u);
    }
}

TEST(TrackNames, AFileNameComponentAndTheAudioFlag)
{
    const struct
    {
        const char* title;
        const char* file;
    } rows[] = {
        {"Plain Title", "Plain Title"},
        {"../../escape1", "_.._escape1"},
        {"sub/dir/name", "sub_dir_name"},
        {"/etc/passwd", "_etc_passwd"},
        {"  .hidden", "hidden"},
        {"..", ""},
        {"...", ""},
        {" . ", ""},
        {"", ""},
        {"line\nbreak\x1b[31m\a", "line_break_[31m_"},
        {"tab\there\x7f", "tab_here_"},
        {"Caf\xc3\xa9 No. 5...", "Caf\xc3\xa9 No. 5..."},
    };
    for (const auto& row : rows)
        EXPECT_EQ(TrackFileName(row.title), row.file) << row.title;

    const struct
    {
        uint8_t adrControl;
        bool audio;
    } flags[] = {
        {0x10, true}, {0x11, true}, {0x12, true}, {0x14, false}, {0x16, false}, {0x04, false}, {0x00, true},
    };
    for (const auto& f : flags) {
        TrackRecord track;
        track.entry.adrControl = f.adrControl;
        EXPECT_EQ(IsAudioTrack(track), f.audio) << std::hex << int(f.adrControl);
    }
}

} // namespace
} // namespace quillon
