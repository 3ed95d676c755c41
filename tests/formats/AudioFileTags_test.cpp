// The tags read from FLAC, Ogg Vorbis and Opus files made here by Debian's flac, oggenc
// and opusenc, with pictures made by ImageMagick.

#include "formats/AudioFileTags.h"
#include "tests/support/ShellRun.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace quillon {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// The shell commands that make the pictures, the sound, and a METADATA_BLOCK_PICTURE of
// the JPEG (a FLAC picture block: type, MIME, description, size, colours, data; all
// numbers big-endian) as oggenc takes it in a comment.
constexpr const char* kMedia =
    "convert -size 8x8 xc:red front.png && convert -size 8x8 xc:blue back.jpg && convert -size 8x8 xc:green g.gif && "
    "sox -n -r 44100 -c 2 -b 16 in.wav synth 0.3 sine 440 && "
    "{ printf '\\0\\0\\0\\3\\0\\0\\0\\12image/jpeg\\0\\0\\0\\0\\0\\0\\0\\10\\0\\0\\0\\10\\0\\0\\0\\30\\0\\0\\0\\0'; "
    "  stat -c %s back.jpg | perl -ne 'print pack(\"N\", $_)'; cat back.jpg; } | base64 -w0 > block.b64";

TEST(AudioFileTags, CommentsAndTheFrontCoverOfFlacVorbisAndOpusFiles)
{
    testing_support::TempFolder dir;
    const CliRun media = RunShell("cd '" + dir.Path() + "' && " + kMedia + " 2>&1");
    ASSERT_EQ(media.status, 0) << media.out;
    ASSERT_EQ(::mkfifo((dir / "pipe.flac").c_str(), 0600), 0);
    const struct
    {
        const char* name;
        const char* make; // shell command in the folder; "" for a file made above
        TrackTags want;
        const char* picture; // the file whose bytes are the cover; "" for none
        const char* problem;
    } rows[] = {
        {"all.flac",
         "flac -s -T 'TITLE=Звезда по имени Солнце' -T ARTIST=Кино -T ARTIST=Цой -T 'ALBUM=Звезда' -T DATE=1989-05-01 "
         "-T TRACKNUMBER=3/9 -T GENRE=Rock -T 'COMMENT=first pressing' --picture='3||||front.png' -o all.flac in.wav",
         {"Звезда по имени Солнце", "Кино; Цой", "Звезда", "1989-05-01", "first pressing", "Rock", 3, 9, {}},
         "front.png",
         ""},
        {"total.flac",
         "flac -s -T TITLE=T -T TRACKNUMBER=4 -T TRACKTOTAL=12 -T YEAR=2001 -T DESCRIPTION=notes "
         "--picture='4||||back.jpg' --picture='3||||front.png' -o total.flac in.wav",
         {"T", "", "", "2001", "notes", "", 4, 12, {}},
         "front.png",
         ""},
        {"other.flac",
         "flac -s -T TITLE=Other --picture='0||||back.jpg' -o other.flac in.wav",
         {"Other", "", "", "", "", "", 0, 0, {}},
         "back.jpg",
         ""},
        {"gif.flac",
         "flac -s -T TITLE=Gif --picture='3||||g.gif' -o gif.flac in.wav",
         {"Gif", "", "", "", "", "", 0, 0, {}},
         "",
         "the cover picture is left out: it is not a JPEG or PNG picture"},
        {"song.ogg",
         "oggenc -Q -c 'TITLE=Café €' -c ARTIST=Band -c ALBUM=Album -c DATE=2020 -c TRACKNUMBER=7 -c TOTALTRACKS=10 "
         "-c GENRE=Jazz -c COMMENT=live -c METADATA_BLOCK_PICTURE=$(cat block.b64) -o song.ogg in.wav",
         {"Café €", "Band", "Album", "2020", "live", "Jazz", 7, 10, {}},
         "back.jpg",
         ""},
        {"song.opus",
         "opusenc --quiet --title Title --artist Artist --album Album --date 1999 --genre Blues "
         "--comment TRACKNUMBER=2/5 --comment COMMENT=c --picture front.png in.wav song.opus",
         {"Title", "Artist", "Album", "1999", "c", "Blues", 2, 5, {}},
         "front.png",
         ""},
        {"bare.flac", "flac -s -o bare.flac in.wav", {}, "", ""},
        {"cut.flac", "head -c 200 all.flac > cut.flac", {}, "", ""},
        {"in.wav", "", {}, "", ""},
        {"front.png", "", {}, "", ""},
        {"pipe.flac", "", {}, "", ""},
        {"missing.flac", "", {}, "", ""},
    };
    for (const auto& row : rows) {
        if (*row.make) {
            const CliRun made = RunShell("cd '" + dir.Path() + "' && " + row.make + " 2>&1");
            ASSERT_EQ(made.status, 0) << row.name << ": " << made.out;
        }
        const AudioFileTags got = TagsFromAudioFile(dir / row.name);
        const TrackTags& t = got.tags;
        EXPECT_EQ(t.title, row.want.title) << row.name;
        EXPECT_EQ(t.artist, row.want.artist) << row.name;
        EXPECT_EQ(t.album, row.want.album) << row.name;
        EXPECT_EQ(t.year, row.want.year) << row.name;
        EXPECT_EQ(t.comment, row.want.comment) << row.name;
        EXPECT_EQ(t.genre, row.want.genre) << row.name;
        EXPECT_EQ(t.trackNumber, row.want.trackNumber) << row.name;
        EXPECT_EQ(t.trackCount, row.want.trackCount) << row.name;
        EXPECT_EQ(got.pictureProblem, row.problem) << row.name;
        if (*row.picture) {
            ASSERT_TRUE(t.picture.bytes) << row.name << ": no cover";
            EXPECT_EQ(*t.picture.bytes, ReadFile(dir / row.picture)) << row.name;
            EXPECT_EQ(t.picture.mime, std::string(row.picture).ends_with(".png") ? "image/png" : "image/jpeg")
                << row.name;
        } else {
            EXPECT_FALSE(t.picture.bytes) << row.name << ": a cover where none belongs";
        }
    }
}

} // namespace
} // namespace quillon
