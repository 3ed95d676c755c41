// Disc images in the shapes rippers and burners write, served by virtual drives.

#include "TestDisc.h"
#include "cd/CdDrive.h"
#include "cd/DiscInfoStore.h"
#include "cd/GenreList.h"
#include "platform/scsi/VirtualDisc.h"
#include "tests/formats/WavShapes.h"
#include "tests/support/ShellRun.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <sys/wait.h>

namespace quillon {
namespace {

std::string Msf(uint32_t frames)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", frames / 4500, frames / 75 % 60, frames % 75);
    return text;
}

std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> parts)
{
    std::vector<uint8_t> all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    testing::WriteTextFile(path, std::string(bytes.begin(), bytes.end()));
}

// A 44-byte header for 16-bit PCM: `channels` at `rate`, then the samples.
std::vector<uint8_t> Wav(const std::vector<uint8_t>& samples, uint16_t channels = 2, uint32_t rate = 44100)
{
    std::vector<uint8_t> h(44);
    auto le = [&](size_t at, uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            h[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    std::memcpy(h.data(), "RIFF", 4);
    le(4, static_cast<uint32_t>(36 + samples.size()), 4);
    std::memcpy(h.data() + 8, "WAVEfmt ", 8);
    le(16, 16, 4);
    le(20, 1, 2);
    le(22, channels, 2);
    le(24, rate, 4);
    le(28, rate * channels * 2, 4);
    le(32, channels * 2u, 2);
    le(34, 16, 2);
    std::memcpy(h.data() + 36, "data", 4);
    le(40, static_cast<uint32_t>(samples.size()), 4);
    return Join({h, samples});
}

// 2048-byte user sectors, and the raw MODE1 sectors a drive reads for them at `lba`.
std::vector<uint8_t> UserData(uint32_t seed, uint32_t count)
{
    std::vector<uint8_t> out(count * 2048u);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<uint8_t>(seed + i * 13 + i / 2048);
    return out;
}

std::vector<uint8_t> Mode1Raw(const std::vector<uint8_t>& user, uint32_t lba)
{
    std::vector<uint8_t> out;
    for (size_t s = 0; s * 2048 < user.size(); ++s) {
        std::vector<uint8_t> sector(2352, 0);
        std::fill(sector.begin() + 1, sector.begin() + 11, 0xFF);
        const uint32_t a = lba + static_cast<uint32_t>(s) + 150;
        const uint32_t msf[] = {a / 4500, a / 75 % 60, a % 75};
        for (int i = 0; i < 3; ++i)
            sector[12 + i] = static_cast<uint8_t>(msf[i] / 10 * 16 + msf[i] % 10);
        sector[15] = 1;
        std::copy(user.begin() + static_cast<std::ptrdiff_t>(s * 2048),
                  user.begin() + static_cast<std::ptrdiff_t>(s * 2048 + 2048), sector.begin() + 16);
        out.insert(out.end(), sector.begin(), sector.end());
    }
    return out;
}

std::vector<uint8_t> Silence(uint32_t sectors)
{
    return std::vector<uint8_t>(sectors * 2352u, 0);
}

// One image: the files and sheet it writes, and what a pressed disc of it would hold.
struct Image
{
    std::string sheet;                   // file name of the CUE sheet
    std::vector<uint8_t> disc;           // every sector from LBA 0 to the lead-out
    std::vector<VirtualDisc::Track> toc; // track number, data, start
    std::vector<std::string> names;      // file names the grabber gives the tracks
};

struct Shape
{
    const char* what;
    std::function<Image(const testing::TempDir&)> make;
};

const Shape kShapes[] = {
    {"one BIN named unlike its sheet and in other case, INDEX 00 pregaps, CD-Text",
     [](const testing::TempDir& dir) {
         const auto one = testing::PatternSectors(0, 200), gap2 = testing::PatternSectors(1000, 100),
                    two = testing::PatternSectors(2000, 300), gap3 = testing::PatternSectors(3000, 40),
                    three = testing::PatternSectors(4000, 250);
         WriteBytes(dir / "rip 2024.bin", Join({one, gap2, two, gap3, three}));
         testing::WriteTextFile(
             dir / "Loud Album.cue",
             "\xEF\xBB\xBFREM GENRE \"Rock\"\r\nREM DATE 1987-03-01\r\nREM COMMENT \"ExactAudioCopy\"\r\n"
             "CATALOG 0724349764829\r\nPERFORMER \"The Testers\"\r\nTITLE \"Loud Album\"\r\n"
             "CDTEXTFILE \"Loud Album.cdt\"\r\nFILE \"RIP 2024.BIN\" BINARY\r\n"
             "  TRACK 01 AUDIO\r\n    TITLE \"First Song\"\r\n    PERFORMER \"The Testers\"\r\n"
             "    FLAGS DCP\r\n    ISRC USRC17607839\r\n    INDEX 01 00:00:00\r\n"
             "  TRACK 02 AUDIO\r\n    TITLE \"Second Song\"\r\n    INDEX 00 " +
                 Msf(200) + "\r\n    INDEX 01 " + Msf(300) + "\r\n  TRACK 03 AUDIO\r\n    INDEX 00 " + Msf(600) +
                 "\r\n    INDEX 01 " + Msf(640) + "\r\n");
         return Image{"Loud Album.cue",
                      Join({one, gap2, two, gap3, three}),
                      {{1, false, 0}, {2, false, 300}, {3, false, 640}},
                      {"First Song", "Second Song", "Track03"}};
     }},
    {"one WAVE per track (the second as tools write it: 18-byte fmt, LIST before and a chunk after the data), "
     "gaps appended to the file before, a PREGAP, a short last sector",
     [](const testing::TempDir& dir) {
         const auto one = testing::PatternSectors(0, 200), gap2 = testing::PatternSectors(1000, 100),
                    two = testing::PatternSectors(2000, 300);
         const auto whole = testing::PatternSectors(4000, 250);
         const std::vector<uint8_t> three(whole.begin(), whole.end() - 1000);
         WriteBytes(dir / "01.wav", Wav(Join({one, gap2})));
         namespace shapes = quillon::test;
         auto fmt18 = shapes::FormatBody(1, 2, 44100, 16);
         fmt18.insert(fmt18.end(), {0, 0});
         WriteBytes(dir / "02.wav", shapes::Riff({shapes::Chunk("fmt ", fmt18),
                                                  shapes::Chunk("LIST", shapes::InfoBody({{"INAM", "Two"}})),
                                                  shapes::Chunk("data", two), shapes::Chunk("id3 ", {1, 2, 3})}));
         WriteBytes(dir / "03.wav", Wav(three));
         testing::WriteTextFile(dir / "album.cue", "FILE \"01.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                                                   "  TRACK 02 AUDIO\n    INDEX 00 " +
                                                       Msf(200) +
                                                       "\n"
                                                       "FILE \"02.wav\" WAVE\n    INDEX 01 00:00:00\n"
                                                       "FILE \"03.wav\" WAVE\n  TRACK 03 AUDIO\n    PREGAP 00:01:00\n"
                                                       "    INDEX 01 00:00:00\n");
         return Image{"album.cue",
                      Join({one, gap2, two, Silence(75), three, std::vector<uint8_t>(1000, 0)}),
                      {{1, false, 0}, {2, false, 300}, {3, false, 675}},
                      {"Track01", "Track02", "Track03"}};
     }},
    {"data track first (MODE1/2352), audio after it in the same BIN",
     [](const testing::TempDir& dir) {
         const auto data = testing::PatternSectors(5000, 300), gap = testing::PatternSectors(6000, 150),
                    one = testing::PatternSectors(7000, 120), two = testing::PatternSectors(8000, 90);
         WriteBytes(dir / "game.bin", Join({data, gap, one, two}));
         testing::WriteTextFile(dir / "game.cue",
                                "FILE \"game.bin\" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n"
                                "  TRACK 02 AUDIO\n    INDEX 00 " +
                                    Msf(300) + "\n    INDEX 01 " + Msf(450) + "\n  TRACK 03 AUDIO\n    INDEX 01 " +
                                    Msf(570) + "\n");
         return Image{"game.cue",
                      Join({data, gap, one, two}),
                      {{1, true, 0}, {2, false, 450}, {3, false, 570}},
                      {"", "Track02", "Track03"}};
     }},
    {"audio BIN, then a MODE1/2048 data track last in its own file; POSTGAP, PREGAP, track 1's PREGAP",
     [](const testing::TempDir& dir) {
         const auto one = testing::PatternSectors(0, 225), two = testing::PatternSectors(6000, 200);
         const auto user = UserData(9, 100);
         WriteBytes(dir / "audio.bin", Join({one, two}));
         WriteBytes(dir / "data.iso", user);
         testing::WriteTextFile(dir / "extra.cue",
                                "FILE \"audio.bin\" BINARY\n  TRACK 01 AUDIO\n    PREGAP 00:02:00\n"
                                "    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 01 " +
                                    Msf(225) +
                                    "\n    POSTGAP 00:02:00\nFILE \"data.iso\" BINARY\n"
                                    "  TRACK 03 MODE1/2048\n    PREGAP 00:01:00\n    INDEX 01 00:00:00\n");
         return Image{"extra.cue",
                      Join({one, two, Silence(225), Mode1Raw(user, 650)}),
                      {{1, false, 0}, {2, false, 225}, {3, true, 650}},
                      {"Track01", "Track02", ""}};
     }},
};

TEST(DiscImages, ShapesRippersWriteReadAsTheDiscTheyHold)
{
    for (const auto& shape : kShapes) {
        SCOPED_TRACE(shape.what);
        testing::TempDir dir;
        const Image image = shape.make(dir);
        const uint32_t leadOut = static_cast<uint32_t>(image.disc.size() / 2352);

        std::string error;
        auto disc = OpenCueDisc(dir / image.sheet, error);
        ASSERT_TRUE(disc) << error;
        ASSERT_EQ(disc->Tracks().size(), image.toc.size());
        for (size_t i = 0; i < image.toc.size(); ++i) {
            EXPECT_EQ(disc->Tracks()[i].number, image.toc[i].number);
            EXPECT_EQ(disc->Tracks()[i].data, image.toc[i].data) << "track " << i + 1;
            EXPECT_EQ(disc->Tracks()[i].start, image.toc[i].start) << "track " << i + 1;
        }
        ASSERT_EQ(disc->LeadOut(), leadOut);
        // Reads of 7 sectors cross every seam between files and gaps somewhere.
        std::vector<uint8_t> read(image.disc.size());
        for (uint32_t lba = 0; lba < leadOut; lba += 7) {
            const uint32_t n = std::min(7u, leadOut - lba);
            ASSERT_TRUE(disc->ReadRaw(lba, n, read.data() + lba * 2352u)) << lba;
        }
        EXPECT_TRUE(read == image.disc);
        EXPECT_FALSE(disc->ReadRaw(leadOut - 1, 2, read.data()));

        // The drive's TOC and disc identifier, from lengths worked out here.
        const testing::VirtualDrive drive(dir.Path(), image.sheet, "IMAGE");
        ASSERT_EQ(drive.detected, 1);
        ASSERT_EQ(drive.tocResult, 1);
        const CdDrive& d = drive.drives[0];
        ASSERT_EQ(d.trackCount, static_cast<int>(image.toc.size()));
        uint32_t id = 0;
        for (size_t i = 0; i < image.toc.size(); ++i) {
            const uint32_t end = i + 1 < image.toc.size() ? image.toc[i + 1].start : leadOut;
            const uint32_t sectors = end - image.toc[i].start;
            EXPECT_EQ(d.tracks[i].entry.start, image.toc[i].start);
            EXPECT_EQ(d.tracks[i].sectors, sectors);
            id = (id + static_cast<uint32_t>(i + 1) * (sectors * 2352u / 176400u)) * 2;
        }
        EXPECT_EQ(d.discId, id);

        // Every audio track grabbed holds the disc's bytes from its start to the next.
        std::string tracks;
        for (size_t i = 0; i < image.toc.size(); ++i)
            if (!image.toc[i].data)
                tracks += (tracks.empty() ? "" : ",") + std::to_string(i + 1);
        const CliRun grab = Quillon(dir.Path(), "grab --tracks " + tracks + " -o " + dir.Path());
        ASSERT_EQ(grab.status, 0) << grab.out;
        for (size_t i = 0; i < image.toc.size(); ++i) {
            if (image.toc[i].data)
                continue;
            const size_t from = image.toc[i].start * 2352u;
            const size_t to = (i + 1 < image.toc.size() ? image.toc[i + 1].start : leadOut) * 2352u;
            const auto wav = testing::ReadBinaryFile(dir / (image.names[i] + ".WAV"));
            ASSERT_EQ(wav.size(), 44 + to - from) << image.names[i];
            EXPECT_TRUE(std::equal(wav.begin() + 44, wav.end(), image.disc.begin() + static_cast<std::ptrdiff_t>(from)))
                << image.names[i];
        }
    }
}

TEST(DiscImages, SheetTextFillsTheDiscTextUnlessStoredTextExists)
{
    testing::TempDir dir;
    const Image image = kShapes[0].make(dir);
    const testing::VirtualDrive drive(dir.Path(), image.sheet, "IMAGE");
    ASSERT_EQ(drive.detected, 1);
    ASSERT_EQ(drive.tocResult, 1);
    const DriveTable& drives = drive.drives;

    DiscInfoStore store;
    store.baseDir = dir.Path();
    ASSERT_TRUE(store.LoadDiscInfo(0, drives[0]));
    const struct
    {
        int track;
        const char* title;
    } titles[] = {{0, "First Song"}, {1, "Second Song"}, {2, ""}};
    for (const auto& t : titles) {
        const TrackInfo& r = *store.Record(0, t.track);
        EXPECT_EQ(TrackInfoField(r.title, sizeof r.title), t.title);
        EXPECT_EQ(TrackInfoField(r.artist, sizeof r.artist), "The Testers");
        EXPECT_EQ(TrackInfoField(r.album, sizeof r.album), "Loud Album");
        EXPECT_EQ(TrackInfoField(r.year, sizeof r.year), "1987");
        EXPECT_EQ(r.genre, FindGenre("Rock"));
    }

    const CliRun toc1 = Quillon(dir.Path(), "toc");
    EXPECT_EQ(toc1.status, 0) << toc1.out;
    for (const char* name : {"First Song ", "Second Song ", "Track03 "})
        EXPECT_NE(toc1.out.find(name), std::string::npos) << toc1.out;

    // Text stored for the disc (from its real CD, same identifier) wins over the sheet.
    SetTrackInfoTitle(*store.Record(0, 0), "Stored Title");
    ASSERT_TRUE(store.SaveDiscInfo(0, drives[0]));
    DiscInfoStore again;
    again.baseDir = dir.Path();
    ASSERT_TRUE(again.LoadDiscInfo(0, drives[0]));
    EXPECT_EQ(TrackInfoField(again.Record(0, 0)->title, 30), "Stored Title");
    const CliRun toc2 = Quillon(dir.Path(), "toc");
    EXPECT_NE(toc2.out.find("Stored Title "), std::string::npos) << toc2.out;
    EXPECT_EQ(toc2.out.find("First Song"), std::string::npos) << toc2.out;
}

TEST(DiscImages, BadImagesAreRefusedWithTheSheetLine)
{
    const auto bin = testing::PatternSectors(0, 100);
    const struct
    {
        const char* what;
        std::string sheet;
        std::function<void(const testing::TempDir&)> files;
        std::string error;
    } rows[] = {
        {"missing file", "FILE \"gone.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n", nullptr,
         "bad.cue: line 1: cannot find the file \"gone.bin\""},
        {"file shorter than its tracks",
         "FILE \"a.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 01 00:02:00\n",
         [&](const testing::TempDir& d) { WriteBytes(d / "a.bin", bin); },
         "bad.cue: line 5: the file \"a.bin\" is shorter than its tracks"},
        {"last track starts at the end of its file",
         "FILE \"a.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 01 00:01:25\n",
         [&](const testing::TempDir& d) { WriteBytes(d / "a.bin", bin); },
         "bad.cue: line 5: the file \"a.bin\" is shorter than its tracks"},
        {"mono WAVE", "FILE \"m.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n",
         [&](const testing::TempDir& d) { WriteBytes(d / "m.wav", Wav(bin, 1)); },
         "bad.cue: line 1: the WAVE file \"m.wav\" is not 16-bit stereo 44100 Hz PCM"},
        {"48 kHz WAVE", "FILE \"m.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n",
         [&](const testing::TempDir& d) { WriteBytes(d / "m.wav", Wav(bin, 2, 48000)); },
         "bad.cue: line 1: the WAVE file \"m.wav\" is not 16-bit stereo 44100 Hz PCM"},
        {"no audio track", "FILE \"a.bin\" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n",
         [&](const testing::TempDir& d) { WriteBytes(d / "a.bin", bin); },
         "bad.cue: line 2: the sheet has no audio track"},
        {"overlapping tracks",
         "FILE \"a.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 01 00:01:00\n"
         "  TRACK 03 AUDIO\n    INDEX 01 00:00:50\n",
         [&](const testing::TempDir& d) { WriteBytes(d / "a.bin", bin); },
         "bad.cue: line 7: track 3 starts before track 2 ends"},
        {"two tracks at one place",
         "FILE \"a.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 01 00:00:00\n",
         [&](const testing::TempDir& d) { WriteBytes(d / "a.bin", bin); },
         "bad.cue: line 5: track 2 starts before track 1 ends"},
        {"unknown command", "FILE \"a.bin\" BINARY\n  TRACK 01 AUDIO\nBOGUS\n    INDEX 01 00:00:00\n", nullptr,
         "bad.cue: line 3: unknown command \"BOGUS\""},
        {"bad time", "FILE \"a.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:60:00\n", nullptr,
         "bad.cue: line 3: expected INDEX nn mm:ss:ff"},
        {"track without INDEX 01", "FILE \"a.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 00 00:00:00\n", nullptr,
         "bad.cue: line 2: track 1 has no INDEX 01"},
        {"track numbers going back",
         "FILE \"a.bin\" BINARY\n  TRACK 02 AUDIO\n    INDEX 01 00:00:00\n  TRACK 01 AUDIO\n    INDEX 01 00:00:10\n",
         nullptr, "bad.cue: line 4: track 1 follows track 2"},
        {"track 00", "FILE \"a.bin\" BINARY\n  TRACK 00 AUDIO\n    INDEX 01 00:00:00\n", nullptr,
         "bad.cue: line 2: expected TRACK nn MODE with nn from 01 to 99"},
        {"MP3 file", "FILE \"a.mp3\" MP3\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n", nullptr,
         "bad.cue: line 1: file type MP3 is not read (BINARY or WAVE only)"},
        {"CD+G track", "FILE \"a.bin\" BINARY\n  TRACK 01 CDG\n    INDEX 01 00:00:00\n", nullptr,
         "bad.cue: line 2: track mode CDG is not read (AUDIO, MODE1/2352, MODE1/2048, MODE2/2352)"},
        {"text without a value", "PERFORMER\nFILE \"a.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n", nullptr,
         "bad.cue: line 1: PERFORMER without a value"},
        {"NUL byte", std::string("FILE \"a.bin\" BINARY\n  TRACK 01 AUDIO\n") + '\0', nullptr,
         "bad.cue: line 3: the sheet holds a NUL byte"},
        {"empty sheet", "", nullptr, "bad.cue: line 1: the sheet has no audio track"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        testing::TempDir dir;
        testing::WriteTextFile(dir / "bad.cue", row.sheet);
        if (row.files)
            row.files(dir);
        std::string error;
        EXPECT_FALSE(OpenCueDisc(dir / "bad.cue", error));
        EXPECT_EQ(error, row.error);
    }
}

TEST(DiscImages, BadSheetAmongGoodDrivesIsSkippedAlone)
{
    testing::TempDir dir;
    testing::MakeTestDisc(dir.Path(), "good", {{false, 300}});
    testing::WriteTextFile(dir / "bad.cue",
                           "FILE \"good.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\nBOGUS\n");
    // libcue complains about this line on standard error but reads the sheet; its
    // complaint must not reach the user.
    testing::WriteTextFile(dir / "flags.cue",
                           "FILE \"good.bin\" BINARY\n  TRACK 01 AUDIO\n    FLAGS XYZ\n    INDEX 01 00:00:00\n");
    testing::WriteTextFile(dir / "drives", "ATAPI | QUILLON | FIRST | 1.0 | good.cue\n"
                                           "ATAPI | QUILLON | BROKEN | 1.0 | bad.cue\n"
                                           "ATAPI | QUILLON | MISSING | 1.0 | nowhere.cue\n"
                                           "ATAPI | QUILLON | LAST | 1.0 | flags.cue\n");
    const CliRun r = Quillon(dir.Path(), "drives");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find(dir / "drives: line 2: bad.cue: line 4: unknown command \"BOGUS\"\n"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(dir / "drives: line 3: nowhere.cue: cannot read the CUE sheet: No such file or directory\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("0  CD[0,0]  QUILLON  FIRST"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("1  CD[0,1]  QUILLON  LAST"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("bad character"), std::string::npos) << r.out;
}

} // namespace
} // namespace quillon
