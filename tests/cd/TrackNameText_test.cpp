// Titles from CUE sheets, stored records and typing: whole UTF-8 characters in every
// file name, and the 30-byte fields of the record cut between characters.

#include "TestDisc.h"
#include "cd/DiscInfoStore.h"
#include "cd/TrackFileName.h"
#include "tests/support/ShellRun.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <sys/stat.h>

namespace quillon {
namespace {

const std::string kBom = "\xEF\xBB\xBF";
const std::string kCyrillic = "\xD0\x9F\xD0\xBE\xD0\xB4\xD0\xBC\xD0\xBE\xD1\x81\xD0\xBA\xD0\xBE\xD0\xB2\xD0\xBD\xD1\x8B"
                              "\xD0\xB5 \xD0\xB2\xD0\xB5"; // "Подмосковные ве": 29 bytes
const std::string kCyrillicWhole = kCyrillic + "\xD1\x87\xD0\xB5\xD1\x80\xD0\xB0"; // + "чера"

std::string Repeated(const std::string& piece, int times)
{
    std::string s;
    for (int i = 0; i < times; ++i)
        s += piece;
    return s;
}

// 20 x "é": 40 bytes of UTF-8, 20 characters.
std::string Accents()
{
    return Repeated("\xC3\xA9", 20);
}

const std::string kPepper = "Sgt. Pepper's Lonely Hearts Club Band (Reprise)"; // 47 characters
// "Очи чёрные, очи страстные и жгу": 31 characters.
const std::string kCyrillic31 = "\xD0\x9E\xD1\x87\xD0\xB8 \xD1\x87\xD1\x91\xD1\x80\xD0\xBD\xD1\x8B\xD0\xB5, "
                                "\xD0\xBE\xD1\x87\xD0\xB8 \xD1\x81\xD1\x82\xD1\x80\xD0\xB0\xD1\x81\xD1\x82\xD0\xBD"
                                "\xD1\x8B\xD0\xB5 \xD0\xB8 \xD0\xB6\xD0\xB3\xD1\x83";
const std::string kKana = "\xE3\x81\x82";     // "あ": 3 bytes
const std::string kClef = "\xF0\x9D\x84\x9E"; // U+1D11E, past the Basic Multilingual Plane: 4 bytes

// A one-track disc whose sheet holds `sheetHead` before its lines and `title` as the
// track's TITLE.
void WriteDisc(const testing::TempDir& dir, const std::string& name, const std::string& sheetHead,
               const std::string& title)
{
    const auto bytes = testing::PatternSectors(0, 300);
    testing::WriteTextFile(dir / (name + ".bin"), std::string(bytes.begin(), bytes.end()));
    testing::WriteTextFile(dir / (name + ".cue"), sheetHead + "FILE \"" + name +
                                                      ".bin\" BINARY\n  TRACK 01 AUDIO\n    TITLE \"" + title +
                                                      "\"\n    INDEX 01 00:00:00\n");
}

std::string FileText(const std::string& path)
{
    const auto bytes = testing::ReadBinaryFile(path);
    return std::string(bytes.begin(), bytes.end());
}

// Every way a title reaches the disc text store: the record file keeps its first 30 bytes
// in Latin-1 ("?" for what Latin-1 lacks), exactly where earlier versions put them; the
// whole text is kept beside it and wins while the record agrees with it.
TEST(TrackNameText, TitlesKeepTheirWholeTextBesideTheRecordsFirstBytes)
{
    enum class From { Sheet, EarlierVersionsRecord, Typed, TypedThenRecordChangedByAnEarlierVersion };
    const struct
    {
        const char* what;
        From from;
        std::string bytes;    // the sheet's TITLE, the stored field or the typed text
        std::string field;    // the record's 30-byte title field as stored, before its zero fill
        std::string record;   // the title an earlier version reads from the record alone
        std::string whole;    // the title read back
        std::string fileName; // the file-name component it gives
    } rows[] = {
        {"UTF-8 sheet in Cyrillic", From::Sheet, kCyrillicWhole, "???????????? ??????", "???????????? ??????",
         kCyrillicWhole, kCyrillicWhole},
        {"UTF-8 sheet with a BOM, Latin-1 letters", From::Sheet,
         kBom + "\xC3\x9C"
                "ber \xC3\x96l",
         "\xDC"
         "ber \xD6l",
         "\xC3\x9C"
         "ber \xC3\x96l",
         "\xC3\x9C"
         "ber \xC3\x96l",
         "\xC3\x9C"
         "ber \xC3\x96l"},
        {"Windows-1252 sheet", From::Sheet, "Caf\xE9 \x93Noir\x94 \x80", "Caf\xE9 ?Noir? ?", "Caf\xC3\xA9 ?Noir? ?",
         "Caf\xC3\xA9 \xE2\x80\x9CNoir\xE2\x80\x9D \xE2\x82\xAC",
         "Caf\xC3\xA9 \xE2\x80\x9CNoir\xE2\x80\x9D \xE2\x82\xAC"},
        {"sheet with invalid UTF-8 and a byte Windows-1252 leaves undefined", From::Sheet, "Gr\xFC\xDF\xC3( \x81",
         "Gr\xFC\xDF\xC3( ?", "Gr\xC3\xBC\xC3\x9F\xC3\x83( ?", "Gr\xC3\xBC\xC3\x9F\xC3\x83( \xEF\xBF\xBD",
         "Gr\xC3\xBC\xC3\x9F\xC3\x83( \xEF\xBF\xBD"},
        {"earlier version's UTF-8 record, cut in half a character", From::EarlierVersionsRecord, kCyrillic + "\xD1",
         kCyrillic + "\xD1", kCyrillic, kCyrillic, kCyrillic},
        {"earlier version's Latin-1 record", From::EarlierVersionsRecord, "Caf\xE9", "Caf\xE9", "Caf\xC3\xA9",
         "Caf\xC3\xA9", "Caf\xC3\xA9"},
        {"typed: 20 x e-acute", From::Typed, Accents(), std::string(20, '\xE9'), Accents(), Accents(), Accents()},
        {"typed: 47 Latin characters", From::Typed, kPepper, kPepper.substr(0, 30), kPepper.substr(0, 30), kPepper,
         kPepper},
        {"typed: 31 Cyrillic characters", From::Typed, kCyrillic31, "??? ??????, ??? ????????? ? ??",
         "??? ??????, ??? ????????? ? ??", kCyrillic31, kCyrillic31},
        {"typed: 255 Japanese characters, the file name cut at 66 (198 bytes)", From::Typed, Repeated(kKana, 255),
         std::string(30, '?'), std::string(30, '?'), Repeated(kKana, 255), Repeated(kKana, 66)},
        {"typed: 255 characters past the BMP, the file name cut at 50 (200 bytes)", From::Typed, Repeated(kClef, 255),
         std::string(30, '?'), std::string(30, '?'), Repeated(kClef, 255), Repeated(kClef, 50)},
        {"typed: 300 characters keep 255", From::Typed, Repeated("ab", 150), Repeated("ab", 15), Repeated("ab", 15),
         Repeated("ab", 127) + "a", Repeated("ab", 100)},
        {"typed: Latin-1 bytes an earlier version reads as other UTF-8", From::Typed, "\xC3\x83\xC2\xA9", "\xC3\xA9",
         "\xC3\xA9", "\xC3\x83\xC2\xA9", "\xC3\x83\xC2\xA9"},
        {"typed: line breaks and backslashes keep to their line in the text file", From::Typed, "a\\nb\nc\r\\",
         "a\\nb\nc\r\\", "a\\nb\nc\r\\", "a\\nb\nc\r\\", "a\\nb_c_\\"},
        {"typed, then an earlier version stored another title", From::TypedThenRecordChangedByAnEarlierVersion, kPepper,
         "Getting Better", "Getting Better", "Getting Better", "Getting Better"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        testing::TempDir dir;
        const bool sheet = row.from == From::Sheet;
        const bool bom = sheet && row.bytes.rfind(kBom, 0) == 0;
        WriteDisc(dir, "disc", bom ? kBom : "", sheet ? row.bytes.substr(bom ? 3 : 0) : "Sheet Title");
        testing::VirtualDrive drive(dir.Path(), "disc.cue");
        ASSERT_EQ(drive.tocResult, 1);
        const CdDrive& cd = drive.drives[0];
        DiscInfoStore store;
        store.baseDir = dir.Path();
        if (row.from == From::EarlierVersionsRecord) {
            TrackInfo stored{};
            std::memcpy(stored.tag, "TAG", 3);
            std::memcpy(stored.title, row.bytes.data(), row.bytes.size());
            ::mkdir((dir / "cddata").c_str(), 0755);
            testing::WriteTextFile(store.DiscFilePath(cd.discId),
                                   std::string(reinterpret_cast<const char*>(&stored), sizeof stored));
        } else {
            ASSERT_TRUE(store.LoadDiscInfo(0, cd));
            if (!sheet)
                SetTrackInfoTitle(*store.Record(0, 0), *store.Texts(0, 0), row.bytes);
            ASSERT_TRUE(store.SaveDiscInfo(0, cd));
            EXPECT_NE(FileText(store.TextFilePath(cd.discId))
                          .find("\n1 title " +
                                [&] {
                                    std::string escaped;
                                    for (const char c : store.Text(0, 0, TrackField::Title))
                                        escaped += c == '\\'   ? "\\\\"
                                                   : c == '\n' ? "\\n"
                                                   : c == '\r' ? "\\r"
                                                               : std::string(1, c);
                                    return escaped + "\n";
                                }()),
                      std::string::npos)
                << "the whole title in the text file";
        }
        if (row.from == From::TypedThenRecordChangedByAnEarlierVersion) {
            TrackInfo earlier{};
            SetTrackInfoTitle(earlier, row.field);
            testing::WriteTextFile(store.DiscFilePath(cd.discId),
                                   std::string(reinterpret_cast<const char*>(&earlier), sizeof earlier));
        }

        const std::string records = FileText(store.DiscFilePath(cd.discId));
        ASSERT_EQ(records.size(), 128u) << "one 128-byte record per track, no header";
        // A shorter title ends with its terminator; the bytes after it keep what they held.
        const std::string field = row.field.size() < 30 ? row.field + '\0' : row.field;
        EXPECT_EQ(records.substr(0, 3 + field.size()), "TAG" + field) << "the record file's title, byte for byte";
        TrackInfo earlierRead;
        std::memcpy(&earlierRead, records.data(), sizeof earlierRead);
        EXPECT_EQ(TrackInfoField(earlierRead.title, 30), row.record)
            << "the record alone, as an earlier version reads it";

        DiscInfoStore again;
        again.baseDir = dir.Path();
        ASSERT_TRUE(again.LoadDiscInfo(0, cd));
        const std::string whole = again.Text(0, 0, TrackField::Title);
        EXPECT_EQ(whole, row.whole) << "the title read back";
        EXPECT_EQ(TrackFileName(whole), row.fileName) << "the file name";
    }
}

std::set<std::string> FileNames(const std::string& folder)
{
    std::set<std::string> names;
    // The grab's log and cue sheet stand beside the tracks.
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() != ".log" && entry.path().extension() != ".cue")
            names.insert(entry.path().filename().string());
    return names;
}

// The real program: grab names its files in whole UTF-8 characters from a UTF-8 sheet and
// a Windows-1252 one; rip takes 30 characters of tag text, not 30 bytes.
TEST(TrackNameText, GrabAndRipNameFilesAndTagsInWholeCharacters)
{
    testing::TempDir dir;
    for (const char* folder : {"utf8", "cp1252", "rip", "tmp"})
        ::mkdir((dir / folder).c_str(), 0755);
    WriteDisc(dir, "utf8", kBom, kCyrillicWhole);
    WriteDisc(dir, "cp1252", "", "Caf\xE9 \x93Noir\x94");
    testing::WriteTextFile(dir / "drives", "ATAPI | QUILLON | UTF8 | 1.0 | utf8.cue\n"
                                           "ATAPI | QUILLON | CP1252 | 1.0 | cp1252.cue\n");
    const CliRun utf8 = Quillon(dir.Path(), "grab --drive 0 --tracks 1 -o utf8");
    ASSERT_EQ(utf8.status, 0) << utf8.out;
    EXPECT_EQ(FileNames(dir / "utf8"), std::set<std::string>{kCyrillicWhole + ".WAV"});
    const CliRun cp1252 = Quillon(dir.Path(), "grab --drive 1 --tracks 1 -o cp1252");
    ASSERT_EQ(cp1252.status, 0) << cp1252.out;
    EXPECT_EQ(FileNames(dir / "cp1252"), std::set<std::string>{"Caf\xC3\xA9 \xE2\x80\x9CNoir\xE2\x80\x9D.WAV"});

    const std::string accents = Accents();
    const CliRun rip = Quillon(dir.Path(), "rip --drive 1 --tracks 1 --artist '" + accents + "' -o rip");
    ASSERT_EQ(rip.status, 0) << rip.out;
    const auto mp3 = testing::ReadBinaryFile(dir / "rip/Caf\xC3\xA9 \xE2\x80\x9CNoir\xE2\x80\x9D.mp3");
    ASSERT_GT(mp3.size(), 128u);
    const std::string tag(mp3.end() - 128, mp3.end());
    EXPECT_EQ(tag.substr(33, 21), std::string(20, '\xE9') + '\0') << "the tag's artist, in Latin-1";

    const std::string tooLong = accents + std::string(236, 'x'); // 256 characters
    const CliRun refused = Quillon(dir.Path(), "rip --drive 1 --tracks 1 --artist '" + tooLong + "' -o rip");
    EXPECT_EQ(refused.status, 2) << refused.out;
    EXPECT_EQ(refused.out, "quillon rip: \"" + tooLong + "\" is longer than 255 characters\n");
}

} // namespace
} // namespace quillon
