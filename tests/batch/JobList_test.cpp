#include "batch/JobList.h"
#include "batch/OutputClashes.h"

#include <gtest/gtest.h>

#include <functional>

namespace quillon {
namespace {

std::vector<SourceFile> Files(int n)
{
    std::vector<SourceFile> files;
    for (int i = 0; i < n; ++i)
        files.push_back({"f" + std::to_string(i) + ".wav", "1K"});
    return files;
}

TEST(MakeOutputName, ReplacesOnlyTheLastExtension)
{
    struct Row
    {
        const char* name;
        int action;
        int layer;
        const char* expected;
    };
    const Row rows[] = {
        {"song.wav", kActionEncode, 3, "song.mp3"}, {"song.mp2", kActionDecode, 3, "song.wav"},
        {"README", kActionEncode, 1, "README.mp1"}, {"a.b.wav", kActionEncode, 3, "a.b.mp3"},
        {"a.b.wav", kActionEncode, 2, "a.b.mp2"},   {".hidden", kActionEncode, 3, ".mp3"},
        {"ends.", kActionDecode, 3, "ends.wav"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(MakeOutputName(row.name, row.action, row.layer), row.expected)
            << row.name << " action " << row.action << " layer " << row.layer;
}

TEST(JobList, CapacityGrowsOneStepAheadAt39And79)
{
    struct Row
    {
        int add;
        int count;
        int capacity;
    };
    // Added one after the other, the counts pass every growth point.
    const Row rows[] = {{38, 38, 40}, {1, 39, 80}, {1, 40, 80}, {38, 78, 80}, {1, 79, 120}, {1, 80, 120}};
    JobList list;
    EXPECT_EQ(list.Capacity(), 40);
    for (const auto& row : rows) {
        ASSERT_TRUE(list.AddFiles(Files(row.add), "/in/", kActionEncode, {}));
        EXPECT_EQ(list.Count(), row.count);
        EXPECT_EQ(list.Capacity(), row.capacity) << "after " << row.count << " jobs";
        EXPECT_GT(list.Capacity(), list.Count()) << "always room for one more";
    }
}

TEST(JobList, ThirtyNineFilesInOneStepGiveEighty)
{
    JobList list;
    ASSERT_TRUE(list.AddFiles(Files(39), "/in", kActionEncode, {}));
    EXPECT_EQ(list.Capacity(), 80);
    ASSERT_TRUE(list.AddFiles(Files(1), "/in", kActionEncode, {}));
    EXPECT_EQ(list.Capacity(), 80);
}

TEST(JobList, AddFilesFillsJobAndRow)
{
    JobList list;
    ASSERT_TRUE(list.SetDefaultOutputDir("/out"));
    DefaultEncodingOptions defaults;
    defaults.layer = 2;
    defaults.bitrate = 192;
    ASSERT_TRUE(list.AddFiles({{"song.wav", "1234K"}, {"song.wav", "1234K"}}, "/music", kActionEncode, defaults));
    ASSERT_TRUE(list.AddFiles({{"clip.mp2", "7K"}}, "/music/", kActionDecode, defaults));
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Selected(), 2);

    const FileJob& job = list.Job(0);
    EXPECT_EQ(job.InputPath(), "/music/song.wav");
    EXPECT_EQ(job.OutputPath(), "/out/song.mp2");
    EXPECT_EQ(job.sizeKiB, 1234);
    EXPECT_EQ(job.bitrate, 192);
    EXPECT_EQ(job.trackIndex, -1);
    EXPECT_FALSE(job.IsCdTrack());
    EXPECT_FALSE(job.tagBlock.has_value());
    EXPECT_EQ(list.Row(0).optionText, FormatOptionString(defaults));
    EXPECT_EQ(list.Row(0).actionText, "Encode");
    EXPECT_EQ(list.Row(0).outputDirText, "@DEFAULT");
    EXPECT_EQ(list.Row(0).sizeText, "1234K");

    // The same file twice gives two identical jobs.
    EXPECT_EQ(list.Job(1).InputPath(), job.InputPath());
    EXPECT_EQ(list.Job(1).OutputPath(), job.OutputPath());

    EXPECT_EQ(list.Job(2).outputName, "clip.wav");
    EXPECT_EQ(list.Job(2).action, kActionDecode);
    EXPECT_EQ(list.Row(2).actionText, "Decode");
    EXPECT_EQ(list.Row(2).optionText, "None");
    EXPECT_EQ(list.BatchKiB(), 1234 + 1234 + 7);
}

TEST(JobList, DefaultFolderReachesOnlyJobsThatFollowTheMarker)
{
    JobList list;
    ASSERT_TRUE(list.SetDefaultOutputDir("/first/"));
    ASSERT_TRUE(list.AddFiles(Files(3), "/in", kActionEncode, {}));
    list.Select(1);
    ASSERT_TRUE(list.SetJobOutputDir("/own"));
    ASSERT_TRUE(list.SetDefaultOutputDir("/second"));
    EXPECT_EQ(list.DefaultOutputDir(), "/second/");
    EXPECT_EQ(list.Job(0).outputDir, "/second/");
    EXPECT_EQ(list.Job(1).outputDir, "/own/");
    EXPECT_EQ(list.Row(1).outputDirText, "/own/");
    EXPECT_EQ(list.Job(2).outputDir, "/second/");
    EXPECT_EQ(list.Row(2).outputDirText, "@DEFAULT");
}

TEST(JobList, MarkerIgnoresCase)
{
    EXPECT_TRUE(IsDefaultMarker("@DEFAULT"));
    EXPECT_TRUE(IsDefaultMarker("@default"));
    EXPECT_TRUE(IsDefaultMarker("@DeFaUlT"));
    EXPECT_FALSE(IsDefaultMarker("@DEFAULT/"));
    EXPECT_FALSE(IsDefaultMarker("/tmp/"));
}

TEST(JobList, OutputNameTypedByTheUser)
{
    struct Row
    {
        int action;
        int layer;
        const char* typed;
        const char* stored;
    };
    const Row rows[] = {
        {kActionEncode, 2, "out", "out.mp2"},
        {kActionEncode, 2, "out.x", "out.x"},
        {kActionEncode, 2, "out.", "out."},
        {kActionDecode, 3, "back", "back.wav"},
    };
    for (const auto& row : rows) {
        JobList list;
        DefaultEncodingOptions defaults;
        defaults.layer = static_cast<int32_t>(row.layer);
        ASSERT_TRUE(list.AddFiles({{"in.wav", "1K"}}, "/in", row.action, defaults));
        ASSERT_TRUE(list.SetJobOutputName(row.typed));
        EXPECT_EQ(list.Job(0).outputName, row.stored) << row.typed;
        EXPECT_EQ(list.Row(0).outputName, row.stored) << row.typed;
    }
}

TEST(JobList, RemoveSelectedMovesSelectionBack)
{
    JobList list;
    ASSERT_TRUE(list.AddFiles({{"a.wav", "1K"}, {"b.wav", "2K"}, {"c.wav", "3K"}}, "/in", kActionEncode, {}));
    list.Select(0);
    list.RemoveSelected();
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Selected(), 0);
    EXPECT_EQ(list.Job(0).fileName, "b.wav");
    EXPECT_EQ(list.Row(0).fileName, "b.wav");
    list.Select(1);
    list.RemoveSelected();
    EXPECT_EQ(list.Selected(), 0);
    EXPECT_EQ(list.Job(0).fileName, "b.wav");
    list.RemoveSelected();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Selected(), -1);
    list.RemoveSelected(); // nothing selected: nothing happens
    EXPECT_EQ(list.Count(), 0);
}

TEST(JobList, ClearAndResetKeepTheDefaultFolder)
{
    JobList list;
    ASSERT_TRUE(list.SetDefaultOutputDir("/keep"));
    ASSERT_TRUE(list.AddFiles(Files(85), "/in", kActionEncode, {}));
    EXPECT_EQ(list.Capacity(), 120);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Capacity(), 120); // never shrinks on its own
    list.ResetForWizard();
    EXPECT_EQ(list.Capacity(), 40);
    EXPECT_EQ(list.DefaultOutputDir(), "/keep/");
}

TEST(JobList, CdTracksCarryTheirRecord)
{
    JobList list;
    ASSERT_TRUE(list.SetDefaultOutputDir("/out"));
    DefaultEncodingOptions defaults;
    defaults.layer = 2;
    CdTrackSource track;
    track.trackIndex = 2;
    track.hostAdapter = 1;
    track.targetId = 4;
    track.drive = reinterpret_cast<const CdDrive*>(&track); // any non-null drive
    track.trackName = "Mr. Blue";
    track.tagBlock[0] = 'T';
    track.sectors = 1000;
    ASSERT_TRUE(list.AddCdTracks({track}, defaults));
    const FileJob& job = list.Job(0);
    EXPECT_EQ(job.fileName, "Track03");
    EXPECT_EQ(job.location, "CD[1,4]");
    EXPECT_EQ(job.outputName, "Mr. Blue.mp2");
    EXPECT_EQ(job.sizeKiB, 2296);
    EXPECT_EQ(job.trackIndex, 2);
    EXPECT_TRUE(job.IsCdTrack());
    ASSERT_TRUE(job.tagBlock.has_value());
    EXPECT_EQ((*job.tagBlock)[0], 'T');
    EXPECT_EQ(list.Row(0).sizeText, "2296K");
    EXPECT_EQ(list.Row(0).outputDirText, "@DEFAULT");
}

TEST(JobList, CdJobOutputFollowsItsLayer)
{
    const struct
    {
        bool cd;
        const char* name;
        int layer;
        const char* want;
    } rows[] = {
        {true, "Mr. Blue.mp3", 2, "Mr. Blue.mp2"},
        {true, "Mr. Blue.MP3", 1, "Mr. Blue.mp1"},
        {true, "Mr. Blue.mp2", 3, "Mr. Blue.mp3"},
        {true, "Mr. Blue.ogg", 2, "Mr. Blue.ogg"}, // a name the user chose stays
        {true, "Mr. Blue", 2, "Mr. Blue"},
        {false, "song.mp3", 2, "song.mp3"}, // file jobs keep their name
    };
    int dummy = 0;
    for (const auto& row : rows) {
        JobList list;
        ASSERT_TRUE(list.SetDefaultOutputDir("/out"));
        if (row.cd) {
            CdTrackSource track;
            track.drive = reinterpret_cast<const CdDrive*>(&dummy);
            track.trackName = "x";
            ASSERT_TRUE(list.AddCdTracks({track}, {}));
        } else {
            ASSERT_TRUE(list.AddFiles({{"song.wav", "1K"}}, "/in", kActionEncode, {}));
        }
        list.Select(0);
        ASSERT_TRUE(list.SetJobOutputName(row.name));
        list.Job(0).layer = static_cast<int16_t>(row.layer);
        list.FollowLayerExtension(0);
        EXPECT_EQ(list.Job(0).outputName, row.want) << row.name;
        EXPECT_EQ(list.Row(0).outputName, row.want) << row.name;
    }
}

TEST(JobList, TextsLongerThanTheirFieldAreRefused)
{
    const std::string name255(251, 'n');
    const std::string name256(252, 'n');
    const std::string folder511(510, 'd');
    struct Row
    {
        const char* what;
        std::function<EditResult(JobList&)> edit;
        bool ok;
    };
    const Row rows[] = {
        {"name of 255",
         [&](JobList& l) {
             return l.AddFiles({{name255 + ".wav", "1K"}}, "/in", kActionEncode, {});
         },
         true},
        {"name of 256",
         [&](JobList& l) {
             return l.AddFiles({{name256 + ".wav", "1K"}}, "/in", kActionEncode, {});
         },
         false},
        {"folder of 511",
         [&](JobList& l) {
             return l.AddFiles({{"a.wav", "1K"}}, folder511, kActionEncode, {});
         },
         true},
        {"folder of 512",
         [&](JobList& l) {
             return l.AddFiles({{"a.wav", "1K"}}, folder511 + "d", kActionEncode, {});
         },
         false},
        {"default folder of 512", [&](JobList& l) { return l.SetDefaultOutputDir(folder511 + "d"); }, false},
        {"size text of 16",
         [&](JobList& l) {
             return l.AddFiles({{"a.wav", "123456789012345K"}}, "/in", kActionEncode, {});
         },
         false},
        {"track name too long",
         [&](JobList& l) {
             CdTrackSource t;
             t.trackName = name256;
             return l.AddCdTracks({t}, {});
         },
         false},
    };
    for (const auto& row : rows) {
        JobList list;
        const EditResult result = row.edit(list);
        EXPECT_EQ(result.ok, row.ok) << row.what;
        if (!row.ok) {
            EXPECT_FALSE(result.message.empty()) << row.what;
            EXPECT_EQ(list.Count(), 0) << row.what << ": a refused edit changes nothing";
        }
    }

    JobList list;
    ASSERT_TRUE(list.AddFiles({{"a.wav", "1K"}}, "/in", kActionEncode, {}));
    const EditResult typed = list.SetJobOutputName(std::string(255, 'n')); // plus ".mp3" no longer fits
    EXPECT_FALSE(typed.ok);
    EXPECT_EQ(list.Job(0).outputName, "a.mp3");
}

TEST(JobList, RefusesBeyondTheLargestCount)
{
    JobList list;
    ASSERT_TRUE(list.AddFiles(Files(JobList::kMaxJobs - 1), "/in", kActionEncode, {}));
    EXPECT_FALSE(list.AddFiles(Files(2), "/in", kActionEncode, {}).ok);
    EXPECT_TRUE(list.AddFiles(Files(1), "/in", kActionEncode, {}).ok);
    EXPECT_EQ(list.Count(), JobList::kMaxJobs);
}

} // namespace
} // namespace quillon

namespace {

TEST(OutputClashes, OnlyPathsWrittenByTwoJobsAreNamedOnceEach)
{
    quillon::JobList jobs;
    jobs.SetDefaultOutputDir("/out/");
    const quillon::DefaultEncodingOptions defaults{};
    ASSERT_TRUE(jobs.AddFiles({{"a.wav", "1K"}, {"b.wav", "1K"}}, "/d1/", quillon::kActionEncode, defaults));
    ASSERT_TRUE(
        jobs.AddFiles({{"a.wav", "1K"}, {"A.wav", "1K"}, {"a.wav", "1K"}}, "/d2/", quillon::kActionEncode, defaults));
    ASSERT_TRUE(jobs.AddFiles({{"b.mp3", "1K"}}, "/d3/", quillon::kActionDecode, defaults));
    EXPECT_EQ(quillon::ClashingOutputPaths(jobs), std::vector<std::string>{"/out/a.mp3"});
    EXPECT_NE(quillon::OutputClashMessage({"/out/a.mp3"}).find("/out/a.mp3"), std::string::npos);
}

} // namespace
