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

// 20 x "é": 40 bytes of UTF-8, 20 characters.
std::string Accents()
{
    std::string s;
    for (int i = 0; i < 20; ++i)
        s += "\xC3\xA9";
    return s;
}

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

TEST(TrackNameText, SheetStoredAndTypedTitlesGiveWholeUtf8Names)
{
    enum class From { Sheet, StoredRecord, Typed };
    const struct
    {
        const char* what;
        From from;
        std::string bytes;    // the sheet's TITLE, the stored field or the typed text
        std::string field;    // the record's title field as stored
        std::string utf8;     // the title read back
        std::string fileName; // the file-name component it gives
    } rows[] = {
        {"UTF-8 sheet, 30th byte inside a Cyrillic character", From::Sheet, kCyrillicWhole, kCyrillic, kCyrillic,
         kCyrillic},
        {"UTF-8 sheet with a BOM, Latin-1 letters", From::Sheet,
         kBom + "\xC3\x9C"
                "ber \xC3\x96l",
         "\xDC"
         "ber \xD6l",
         "\xC3\x9C"
         "ber \xC3\x96l",
         "\xC3\x9C"
         "ber \xC3\x96l"},
        {"Windows-1252 sheet", From::Sheet, "Caf\xE9 \x93Noir\x94 \x80",
         "Caf\xC3\xA9 \xE2\x80\x9CNoir\xE2\x80\x9D \xE2\x82\xAC",
         "Caf\xC3\xA9 \xE2\x80\x9CNoir\xE2\x80\x9D \xE2\x82\xAC",
         "Caf\xC3\xA9 \xE2\x80\x9CNoir\xE2\x80\x9D \xE2\x82\xAC"},
        {"sheet with invalid UTF-8 and a byte Windows-1252 leaves undefined", From::Sheet, "Gr\xFC\xDF\xC3( \x81",
         "Gr\xC3\xBC\xC3\x9F\xC3\x83( \xEF\xBF\xBD", "Gr\xC3\xBC\xC3\x9F\xC3\x83( \xEF\xBF\xBD",
         "Gr\xC3\xBC\xC3\x9F\xC3\x83( \xEF\xBF\xBD"},
        {"stored record an earlier cut left in half a character", From::StoredRecord, kCyrillic + "\xD1",
         kCyrillic + "\xD1", kCyrillic, kCyrillic},
        {"stored Latin-1 record", From::StoredRecord, "Caf\xE9", "Caf\xE9", "Caf\xC3\xA9", "Caf\xC3\xA9"},
        {"typed: 20 x e-acute fits as Latin-1", From::Typed, Accents(), std::string(20, '\xE9'), Accents(), Accents()},
        {"typed: Cyrillic past the field is cut between characters", From::Typed, kCyrillicWhole, kCyrillic, kCyrillic,
         kCyrillic},
        {"typed: Latin-1 bytes that would read back as other UTF-8 stay UTF-8", From::Typed, "\xC3\x83\xC2\xA9",
         "\xC3\x83\xC2\xA9", "\xC3\x83\xC2\xA9", "\xC3\x83\xC2\xA9"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        testing::TempDir dir;
        TrackInfo typed{};
        DiscInfoStore store;
        store.baseDir = dir.Path();
        const TrackInfo* record = &typed;
        std::unique_ptr<testing::VirtualDrive> drive;
        if (row.from == From::Typed) {
            SetTrackInfoTitle(typed, row.bytes);
        } else {
            const bool sheet = row.from == From::Sheet;
            const bool bom = sheet && row.bytes.rfind(kBom, 0) == 0;
            WriteDisc(dir, "disc", bom ? kBom : "", sheet ? row.bytes.substr(bom ? 3 : 0) : "Sheet Title");
            drive = std::make_unique<testing::VirtualDrive>(dir.Path(), "disc.cue");
            ASSERT_EQ(drive->tocResult, 1);
            if (!sheet) {
                TrackInfo stored{};
                std::memcpy(stored.tag, "TAG", 3);
                std::memcpy(stored.title, row.bytes.data(), row.bytes.size());
                ::mkdir((dir / "cddata").c_str(), 0755);
                testing::WriteTextFile(store.DiscFilePath(drive->drives[0].discId),
                                       std::string(reinterpret_cast<const char*>(&stored), sizeof stored));
            }
            ASSERT_TRUE(store.LoadDiscInfo(0, drive->drives[0]));
            record = store.Record(0, 0);
        }
        const std::string field(record->title, strnlen(record->title, sizeof record->title));
        EXPECT_EQ(field, row.field) << "the record's field";
        const std::string utf8 = TrackInfoField(record->title, sizeof record->title);
        EXPECT_EQ(utf8, row.utf8) << "the title read back";
        EXPECT_EQ(TrackFileName(utf8), row.fileName) << "the file name";
    }
}

std::set<std::string> FileNames(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
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
    EXPECT_EQ(FileNames(dir / "utf8"), std::set<std::string>{kCyrillic + ".WAV"});
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

    const std::string tooLong = accents + std::string(11, 'x'); // 31 characters
    const CliRun refused = Quillon(dir.Path(), "rip --drive 1 --tracks 1 --artist '" + tooLong + "' -o rip");
    EXPECT_EQ(refused.status, 2) << refused.out;
    EXPECT_EQ(refused.out, "quillon rip: \"" + tooLong + "\" is longer than 30 characters\n");
}

} // namespace
} // namespace quillon
