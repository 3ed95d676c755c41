// The ID3v2 tags of the files `quillon rip` and `quillon encode` make, read back by an
// independent reader (Debian's mutagen, for /usr/bin/python3) as a player's library would read them.

#include "tests/cd/TestDisc.h"
#include "tests/formats/WavShapes.h"
#include "tests/support/ShellRun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace quillon {
namespace {

namespace fs = std::filesystem;

// Prints the tag's version, its size, then one line per frame sorted by frame id:
// id, text encoding, text (COMM: language and text; APIC: MIME, picture type, length).
constexpr const char* kReader = R"(import sys
from mutagen.id3 import ID3
tag = ID3(sys.argv[1], translate=False, load_v1=False)
print("v2.%d size %d" % (tag.version[1], tag.size))
names = {0: "latin1", 1: "utf16", 2: "utf16be", 3: "utf8"}
for f in sorted(tag.values(), key=lambda f: f.FrameID):
    if f.FrameID == "APIC":
        print("APIC %s %s %d %d" % (names[f.encoding], f.mime, f.type, len(f.data)))
    elif f.FrameID == "COMM":
        print("COMM %s %s %s" % (names[f.encoding], f.lang, f.text[0]))
    else:
        print("%s %s %s" % (f.FrameID, names[f.encoding], f.text[0]))
)";

struct Frame
{
    const char* id;
    const char* encoding;
    std::string text;
};

std::string Listing(const std::vector<Frame>& frames)
{
    std::string out;
    for (const Frame& f : frames)
        out += std::string(f.id) + " " + f.encoding + " " + f.text + "\n";
    return out;
}

// The listing less its first line, and the tag's size from that line.
std::string ReadTag(const testing::TempDir& dir, const std::string& file, size_t& tagSize)
{
    testing::WriteTextFile(dir / "reader.py", kReader);
    const CliRun r = RunShell("/usr/bin/python3 '" + (dir / "reader.py") + "' '" + file + "' 2>&1");
    std::istringstream lines(r.out);
    std::string head;
    std::getline(lines, head);
    tagSize = 0;
    if (head.rfind("v2.3 size ", 0) != 0)
        return "not an ID3v2.3 tag: " + r.out;
    tagSize = std::stoul(head.substr(10));
    return r.out.substr(head.size() + 1);
}

std::string FileBytes(const std::string& path)
{
    const auto bytes = testing::ReadBinaryFile(path);
    return std::string(bytes.begin(), bytes.end());
}

// The audio follows the tag at once: an MPEG frame header, and for Layer III the info
// frame that carries the encoder delay and padding.
void ExpectAudioAfterTag(const std::string& bytes, size_t tagSize, bool layer3, const std::string& what)
{
    ASSERT_GT(bytes.size(), tagSize + 4) << what;
    EXPECT_EQ(static_cast<uint8_t>(bytes[tagSize]), 0xFF) << what << ": no frame right after the tag";
    EXPECT_EQ(static_cast<uint8_t>(bytes[tagSize + 1]) & 0xE0, 0xE0) << what;
    if (layer3) {
        EXPECT_NE(bytes.substr(tagSize, 64).find("Info"), std::string::npos) << what << ": the info frame moved";
    }
}

// The one record file a rip of the test disc stored, and its record of track `index`.
std::string StoredRecord(const testing::TempDir& dir, int index)
{
    for (const auto& entry : fs::directory_iterator(dir / "cddata"))
        if (entry.path().extension() == ".cdd")
            return FileBytes(entry.path()).substr(static_cast<size_t>(index) * 128, 128);
    return {};
}

// The 128-byte record of Latin-1 texts as the tag layout holds them, zero-filled.
std::string Record(const std::vector<std::pair<std::string, size_t>>& fields, uint8_t genre)
{
    std::string record = "TAG";
    for (const auto& [text, width] : fields)
        record += text + std::string(width - text.size(), '\0');
    return record + static_cast<char>(genre);
}

TEST(Id3v2Tags, RipTagsEveryLayerWithTheTextsTheNumberAmongAudioTracksAndTheRecordLast)
{
    testing::TempDir dir;
    testing::MakeTestDisc(dir.Path(), "disc", {{true, 300}, {false, 300}, {false, 300}, {false, 300}});
    testing::WriteTextFile(dir / "disc.cue", "FILE \"disc.bin\" BINARY\n"
                                             "  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n"
                                             "  TRACK 02 AUDIO\n    TITLE \"Opening\"\n    INDEX 01 00:04:00\n"
                                             "  TRACK 03 AUDIO\n    TITLE \"Second\"\n    INDEX 01 00:08:00\n"
                                             "  TRACK 04 AUDIO\n    TITLE \"東京の夜\"\n    INDEX 01 00:12:00\n");
    testing::WriteTextFile(dir / "drives", "ATAPI | QUILLON | VIRTUAL CD | 1.0 | disc.cue\n");
    fs::create_directories(dir / "out");
    fs::create_directories(dir / "tmp");
    // Pictures are told by their first bytes.
    testing::WriteTextFile(dir / "cover.png", std::string("\x89PNG\r\n\x1A\n", 8) + std::string(3000, 'p'));
    testing::WriteTextFile(dir / "cover.jpg", "\xFF\xD8\xFF\xE0" + std::string(70000, 'j'));
    testing::WriteTextFile(dir / "cover.gif", "GIF89a" + std::string(100, 'g'));

    const struct
    {
        const char* args;
        const char* output;
        int index; // of the track on the disc
        std::vector<Frame> frames;
        std::string latin1Record; // the record byte for byte, where its texts are Latin-1
    } rows[] = {
        // Texts longer than the record's fields: whole in the tag, their first 30 bytes in the record.
        {"--tracks 2 --artist 'The Testers and the Long-Named Orchestra' --album 'Live at the Café' --year 1987 "
         "--comment 'first pressing, side one, recorded live in the hall' --genre Rock --cover cover.png",
         "Opening.mp3",
         1,
         {{"APIC", "latin1", "image/png 3 3008"},
          {"COMM", "latin1", "XXX first pressing, side one, recorded live in the hall"},
          {"TALB", "latin1", "Live at the Café"},
          {"TCON", "latin1", "Rock"},
          {"TIT2", "latin1", "Opening"},
          {"TPE1", "latin1", "The Testers and the Long-Named Orchestra"},
          {"TRCK", "latin1", "1/3"},
          {"TYER", "latin1", "1987"}},
         Record({{"Opening", 30},
                 {"The Testers and the Long-Named", 30},
                 {"Live at the Caf\xE9", 30},
                 {"1987", 4},
                 {"first pressing, side one, reco", 30}},
                17)},
        {"--tracks 3 --layer 2 --bitrate 192 --artist 'Кино: Виктор Цой и группа Кино' --album 'Группа крови: концерт в Ленинграде' --year 1988 "
         "--comment 'Ленинград, рок клуб, весна 1988 года' --genre Rock --cover cover.jpg",
         "Second.mp2",
         2,
         {{"APIC", "latin1", "image/jpeg 3 70004"},
          {"COMM", "utf16", "XXX Ленинград, рок клуб, весна 1988 года"},
          {"TALB", "utf16", "Группа крови: концерт в Ленинграде"},
          {"TCON", "latin1", "Rock"},
          {"TIT2", "latin1", "Second"},
          {"TPE1", "utf16", "Кино: Виктор Цой и группа Кино"},
          {"TRCK", "latin1", "2/3"},
          {"TYER", "latin1", "1988"}},
         // Characters Latin-1 cannot hold are "?" in the record.
         Record({{"Second", 30},
                 {"????: ?????? ??? ? ?????? ????", 30},
                 {"?????? ?????: ??????? ? ??????", 30},
                 {"1988", 4},
                 {"?????????, ??? ????, ????? 198", 30}},
                17)},
        {"--tracks 4 --layer 1 --bitrate 384 --artist Band --album Album --year 2001 --comment '' --genre Jazz",
         "東京の夜.mp1",
         3,
         {{"TALB", "latin1", "Album"},
          {"TCON", "latin1", "Jazz"},
          {"TIT2", "utf16", "東京の夜"},
          {"TPE1", "latin1", "Band"},
          {"TRCK", "latin1", "3/3"},
          {"TYER", "latin1", "2001"}},
         ""},
    };
    for (const auto& row : rows) {
        const CliRun rip = Quillon(dir.Path(), std::string("rip ") + row.args + " -o out");
        ASSERT_EQ(rip.status, 0) << row.args << ": " << rip.out;
        const std::string file = dir / ("out/" + std::string(row.output));
        size_t tagSize = 0;
        EXPECT_EQ(ReadTag(dir, file, tagSize), Listing(row.frames)) << row.output;
        const std::string bytes = FileBytes(file);
        ExpectAudioAfterTag(bytes, tagSize, std::string(row.output).ends_with(".mp3"), row.output);
        ASSERT_GE(bytes.size(), 128u) << row.output;
        const std::string tail = bytes.substr(bytes.size() - 128);
        EXPECT_EQ(tail, StoredRecord(dir, row.index)) << row.output << ": the file does not end with its record";
        if (!row.latin1Record.empty()) {
            EXPECT_EQ(tail, row.latin1Record) << row.output;
        }
    }

    const CliRun refused = Quillon(dir.Path(), "rip --tracks 2 --cover cover.gif -o out");
    EXPECT_EQ(refused.status, 2) << refused.out;
    EXPECT_NE(refused.out.find("Cannot use cover.gif as the cover picture: it is not a JPEG or PNG picture"),
              std::string::npos)
        << refused.out;
}

TEST(Id3v2Tags, EncodedWavTakesItsInfoTextsAsItsTagAndNoRecord)
{
    testing::TempDir dir;
    fs::create_directories(dir / "out");
    test::Bytes samples(44100 * 4);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<uint8_t>(i * 37);
    // One text in Windows-1252 (as Windows tools write it), the others in UTF-8.
    const test::Bytes wav = test::Riff({test::Chunk("fmt ", test::FormatBody(1, 2, 44100, 16)),
                                        test::Chunk("LIST", test::InfoBody({{"INAM", "Caf\xE9 \x80"},
                                                                            {"IART", "Кино"},
                                                                            {"IPRD", "Album"},
                                                                            {"ICRD", "2021-04-01"},
                                                                            {"IGNR", "Jazz"},
                                                                            {"ICMT", "made by sox"},
                                                                            {"ITRK", "5/12"}})),
                                        test::Chunk("data", samples)});
    testing::WriteTextFile(dir / "song.wav", std::string(wav.begin(), wav.end()));

    const CliRun r = Quillon(dir.Path(), "encode -o out song.wav");
    ASSERT_EQ(r.status, 0) << r.out;
    size_t tagSize = 0;
    // "€" is not Latin-1: the title goes in UTF-16.
    EXPECT_EQ(ReadTag(dir, dir / "out/song.mp3", tagSize), Listing({{"COMM", "latin1", "XXX made by sox"},
                                                                    {"TALB", "latin1", "Album"},
                                                                    {"TCON", "latin1", "Jazz"},
                                                                    {"TIT2", "utf16", "Café €"},
                                                                    {"TPE1", "utf16", "Кино"},
                                                                    {"TRCK", "latin1", "5/12"},
                                                                    {"TYER", "latin1", "2021"}}));
    const std::string bytes = FileBytes(dir / "out/song.mp3");
    ExpectAudioAfterTag(bytes, tagSize, true, "song.mp3");
    EXPECT_NE(bytes.substr(bytes.size() - 128, 3), "TAG") << "a WAV input's file got a record";
}

// The comments and the front cover of FLAC, Ogg Vorbis and Opus files, made here by
// flac, oggenc and opusenc, and the INFO texts of a 24-bit WAV file become the encoded
// files' tags; a cover that is no JPEG or PNG is left out and said so.
TEST(Id3v2Tags, DecodedInputsTakeTheirCommentsCoverAndInfoTexts)
{
    testing::TempDir dir;
    fs::create_directories(dir / "out");
    const CliRun media =
        RunShell("cd '" + dir.Path() +
                 "' && convert -size 16x16 xc:red cover.png && convert -size 16x16 xc:blue cover.jpg && "
                 "convert -size 4x4 xc:red cover.gif && sox -n -r 44100 -c 2 -b 16 s.wav synth 1 sine 440 2>&1");
    ASSERT_EQ(media.status, 0) << media.out;
    const test::Bytes samples24(44100 * 6, 0x11);
    const test::Bytes wav24 = test::Riff({test::Chunk("fmt ", test::FormatBody(1, 2, 44100, 24)),
                                          test::Chunk("LIST", test::InfoBody({{"INAM", "Deep"}, {"ITRK", "6"}})),
                                          test::Chunk("data", samples24)});
    testing::WriteTextFile(dir / "e.wav", std::string(wav24.begin(), wav24.end()));
    const auto size = [&](const char* name) { return std::to_string(fs::file_size(dir / name)); };
    const struct
    {
        const char* make;
        const char* output;
        std::vector<Frame> frames;
    } rows[] = {
        {"flac -s -T 'TITLE=Звезда' -T ARTIST=Кино -T ALBUM=Album -T DATE=1989-05-01 -T TRACKNUMBER=3/9 "
         "-T GENRE=Rock -T 'COMMENT=first pressing' --picture='4||||cover.jpg' --picture='3||||cover.png' "
         "-o a.flac s.wav",
         "a.mp3",
         {{"APIC", "latin1", "image/png 3 " + size("cover.png")},
          {"COMM", "latin1", "XXX first pressing"},
          {"TALB", "latin1", "Album"},
          {"TCON", "latin1", "Rock"},
          {"TIT2", "utf16", "Звезда"},
          {"TPE1", "utf16", "Кино"},
          {"TRCK", "latin1", "3/9"},
          {"TYER", "latin1", "1989"}}},
        {"oggenc -Q -c 'TITLE=Café' -c ARTIST=Band -c TRACKNUMBER=2 -c TRACKTOTAL=4 -c GENRE=Jazz -o b.ogg s.wav",
         "b.mp3",
         {{"TCON", "latin1", "Jazz"},
          {"TIT2", "latin1", "Café"},
          {"TPE1", "latin1", "Band"},
          {"TRCK", "latin1", "2/4"}}},
        {"opusenc --quiet --title Title --artist Artist --date 2004 --picture cover.jpg s.wav c.opus",
         "c.mp3",
         {{"APIC", "latin1", "image/jpeg 3 " + size("cover.jpg")},
          {"TIT2", "latin1", "Title"},
          {"TPE1", "latin1", "Artist"},
          {"TYER", "latin1", "2004"}}},
        {"flac -s -T TITLE=Gif --picture='3||||cover.gif' -o d.flac s.wav", "d.mp3", {{"TIT2", "latin1", "Gif"}}},
        {"true", "e.mp3", {{"TIT2", "latin1", "Deep"}, {"TRCK", "latin1", "6"}}},
    };
    for (const auto& row : rows) {
        const CliRun made = RunShell("cd '" + dir.Path() + "' && " + row.make + " 2>&1");
        ASSERT_EQ(made.status, 0) << row.make << ": " << made.out;
    }
    const CliRun r = Quillon(dir.Path(), "encode -o out a.flac b.ogg c.opus d.flac e.wav");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("d.flac: the cover picture is left out: it is not a JPEG or PNG picture"), std::string::npos)
        << r.out;
    for (const auto& row : rows) {
        size_t tagSize = 0;
        EXPECT_EQ(ReadTag(dir, dir / ("out/" + std::string(row.output)), tagSize), Listing(row.frames)) << row.output;
        ExpectAudioAfterTag(FileBytes(dir / ("out/" + std::string(row.output))), tagSize, true, row.output);
    }
}

} // namespace
} // namespace quillon
