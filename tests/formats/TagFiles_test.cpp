// The files a tag is made from and written into: the cover picture read, and the tag put
// in front of a finished MPEG file.

#include "formats/CoverPicture.h"
#include "formats/Id3v2Tag.h"
#include "tests/support/TempFolder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {
namespace {

using Bytes = std::vector<uint8_t>;

void WriteFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes ReadFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

Bytes Pattern(size_t size, uint8_t seed)
{
    Bytes b(size);
    for (size_t i = 0; i < size; ++i)
        b[i] = static_cast<uint8_t>(i * 131 + (i >> 12) + seed);
    return b;
}

Bytes Starting(Bytes start, size_t size)
{
    Bytes b = Pattern(size, 7);
    std::copy(start.begin(), start.end(), b.begin());
    return b;
}

TEST(TagFiles, CoverPictureTakesJpegAndPngUpTo16MiBAndNamesTheFileOfARefusal)
{
    testing_support::TempFolder dir;
    const Bytes jpeg{0xFF, 0xD8, 0xFF, 0xE0};
    const Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    WriteFile(dir / "a.jpg", Starting(jpeg, 5000));
    WriteFile(dir / "b.png", Starting(png, 64));
    WriteFile(dir / "full.jpg", Starting(jpeg, kCoverPictureLimit));
    WriteFile(dir / "over.jpg", Starting(jpeg, kCoverPictureLimit + 1));
    WriteFile(dir / "c.gif", Starting({'G', 'I', 'F', '8', '9', 'a'}, 64));
    WriteFile(dir / "cut.png", {0x89, 'P', 'N', 'G'});
    WriteFile(dir / "empty.jpg", {});
    dir.MakeFolder("folder.jpg");
    ASSERT_EQ(::mkfifo((dir / "pipe.jpg").c_str(), 0600), 0);
    const struct
    {
        const char* name;
        const char* mime; // null: refused
        const char* reason;
    } rows[] = {
        {"a.jpg", "image/jpeg", ""},
        {"b.png", "image/png", ""},
        {"full.jpg", "image/jpeg", ""},
        {"over.jpg", nullptr, "it is larger than 16 MiB"},
        {"c.gif", nullptr, "it is not a JPEG or PNG picture"},
        {"cut.png", nullptr, "it is not a JPEG or PNG picture"},
        {"empty.jpg", nullptr, "it is not a JPEG or PNG picture"},
        {"folder.jpg", nullptr, "it is not a regular file"},
        {"pipe.jpg", nullptr, "it is not a regular file"},
        {"missing.jpg", nullptr, "No such file or directory"},
    };
    for (const auto& row : rows) {
        const std::string path = dir / row.name;
        std::string problem;
        const auto picture = ReadCoverPicture(path, problem);
        if (row.mime) {
            ASSERT_TRUE(picture) << row.name << ": " << problem;
            EXPECT_EQ(picture->mime, row.mime) << row.name;
            EXPECT_EQ(*picture->bytes, ReadFile(path)) << row.name;
        } else {
            EXPECT_FALSE(picture) << row.name;
            EXPECT_EQ(problem, "Cannot use " + path + " as the cover picture: " + row.reason) << row.name;
        }
    }
}

// The file is shifted in blocks of 1 MiB from its end: sizes around a block's edge.
TEST(TagFiles, TagGoesInFrontOfEveryByteOfTheFile)
{
    testing_support::TempFolder dir;
    TrackTags tags;
    tags.title = "Title";
    const Bytes tag = RenderId3v2Tag(tags);
    ASSERT_GE(tag.size(), 10u);
    EXPECT_EQ(std::string(tag.begin(), tag.begin() + 4), std::string("ID3\x03", 4));
    for (const size_t size : {size_t{0}, size_t{1}, size_t{1} << 20, (size_t{1} << 20) + 1, (size_t{3} << 20) + 5}) {
        const std::string path = dir / ("f" + std::to_string(size));
        const Bytes audio = Pattern(size, 1);
        WriteFile(path, audio);
        ASSERT_EQ(InsertAtFileStart(path, tag), "") << size;
        Bytes want = tag;
        want.insert(want.end(), audio.begin(), audio.end());
        EXPECT_EQ(ReadFile(path), want) << size << " bytes";
    }
    // A link swapped in at the name is not written through.
    WriteFile(dir / "target", Pattern(10, 2));
    ASSERT_EQ(::symlink((dir / "target").c_str(), (dir / "link").c_str()), 0);
    EXPECT_NE(InsertAtFileStart(dir / "link", tag), "");
    EXPECT_EQ(ReadFile(dir / "target"), Pattern(10, 2));
}

} // namespace
} // namespace quillon
