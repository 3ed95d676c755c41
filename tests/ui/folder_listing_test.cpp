#include <gtest/gtest.h>

#include <algorithm>
#include <unistd.h>

#include "tests/support/TempFolder.h"
#include "ui/core/FolderListing.h"

namespace quillon {
namespace {

using testing_support::TempFolder;

TEST(FolderListing, MaskMatching)
{
    struct Row
    {
        const char* name;
        const char* mask;
        bool matches;
    };
    const Row rows[] = {
        {"song.wav", "*.wav", true},     {"SONG.WAV", "*.wav", true}, {"song.wave", "*.wav", false},
        {"song.mp2", "*.mp?", true},     {"song.MP3", "*.mp?", true}, {"song.mpeg", "*.mp?", false},
        {"README", "*.*", true},         {"a.b.c", "*.*", true},      {"README", "*", true},
        {"track 01.wav", "*.wav", true}, {"wav", "*.wav", false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(MatchesMask(row.name, row.mask), row.matches) << row.name << " against " << row.mask;
    }
}

TEST(FolderListing, SizeText)
{
    struct Row
    {
        std::int64_t bytes;
        const char* text;
    };
    const Row rows[] = {{0, "0K"},
                        {1023, "0K"},
                        {1024, "1K"},
                        {1048576, "1024K"},
                        {5LL * 1024 * 1024 * 1024, "5242880K"}}; // past 32 bits of KiB-bytes
    for (const Row& row : rows) {
        EXPECT_EQ(FormatSizeK(row.bytes), row.text) << row.bytes;
    }
}

TEST(FolderListing, ItemPaths)
{
    EXPECT_EQ(JoinItemPath("/", {}), "/");
    EXPECT_EQ(JoinItemPath("/media/usb/", {"Music", "Albums"}), "/media/usb/Music/Albums/");
    EXPECT_EQ(JoinItemPath("/media/usb", {"Music"}), "/media/usb/Music/");
    // Long names are kept whole, whatever the length of the path.
    std::string longName(200, 'n');
    std::string path = JoinItemPath("/", {longName, longName, longName});
    EXPECT_EQ(path, "/" + longName + "/" + longName + "/" + longName + "/");
}

TEST(FolderListing, NameOrderIgnoresCase)
{
    std::vector<std::string> names = {"beta", "Alpha", "alpha2", "ALPHA1", "Gamma", "b"};
    std::sort(names.begin(), names.end(), NameLessNoCase);
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "ALPHA1", "alpha2", "b", "beta", "Gamma"}));
}

TEST(FolderListing, SubfoldersSkipHiddenAndFilesAndFollowLinks)
{
    TempFolder root;
    root.MakeFolder("Music");
    root.MakeFolder(".cache");
    root.MakeFolder(std::string(150, 'x'));
    root.MakeFile("song.wav");
    ASSERT_EQ(symlink((root / "Music").c_str(), (root / "Linked").c_str()), 0);
    ASSERT_EQ(symlink((root / "song.wav").c_str(), (root / "file-link").c_str()), 0);
    std::vector<std::string> names = ListSubfolders(root.Path());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Linked", "Music", std::string(150, 'x')}));
    EXPECT_TRUE(ListSubfolders(root / "missing").empty());
}

TEST(FolderListing, FilesMatchingTheMaskInBatches)
{
    TempFolder root;
    root.MakeFolder("sub.wav");
    root.MakeFile(".hidden.wav", 10);
    root.MakeFile("tiny.wav", 1023);
    root.MakeFile("MEG.WAV", 1048576);
    root.MakeFile("notes.txt", 5);
    for (int i = 0; i < 25; ++i) {
        root.MakeFile("n" + std::to_string(i) + ".wav", 2048);
    }
    std::atomic<bool> cancel{false};
    std::vector<FileRow> rows;
    int batches = 0;
    bool ok = ListFolderFiles(root.Path() + "/", "*.wav", cancel, 10, 100000, [&](std::vector<FileRow>&& batch) {
        EXPECT_LE(batch.size(), 10u);
        ++batches;
        std::move(batch.begin(), batch.end(), std::back_inserter(rows));
    });
    ASSERT_TRUE(ok);
    EXPECT_EQ(rows.size(), 27u);
    EXPECT_EQ(batches, 3);
    auto find = [&](const std::string& name) {
        return std::find_if(rows.begin(), rows.end(), [&](const FileRow& r) { return r.name == name; });
    };
    ASSERT_NE(find("tiny.wav"), rows.end());
    EXPECT_EQ(find("tiny.wav")->size, "0K");
    ASSERT_NE(find("MEG.WAV"), rows.end());
    EXPECT_EQ(find("MEG.WAV")->size, "1024K");
    EXPECT_FALSE(find("MEG.WAV")->date.empty());
    EXPECT_EQ(find("sub.wav"), rows.end());
    EXPECT_EQ(find(".hidden.wav"), rows.end());
    EXPECT_EQ(find("notes.txt"), rows.end());

    EXPECT_FALSE(ListFolderFiles(root / "missing", "*.*", cancel, 10, 100, [](std::vector<FileRow>&&) {}));
}

TEST(FolderListing, CancelStopsTheListing)
{
    TempFolder root;
    for (int i = 0; i < 50; ++i) {
        root.MakeFile("f" + std::to_string(i), 1);
    }
    std::atomic<bool> cancel{false};
    std::size_t seen = 0;
    ListFolderFiles(root.Path(), "*.*", cancel, 5, 100000, [&](std::vector<FileRow>&& batch) {
        seen += batch.size();
        cancel = true;
    });
    EXPECT_EQ(seen, 5u);
}

} // namespace
} // namespace quillon
