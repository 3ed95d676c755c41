// Disc ids of real discs' TOCs, read from a drive's TOC reply and from an image in a
// virtual drive. The ids are those published beside the TOCs: libdiscid's own test
// vector (libdiscid test/test_put.c), answers of musicbrainz.org recorded in
// python-musicbrainzngs's test/data/discid/*.xml and picard's
// test/data/ws_data/release_5medias.json, and musicbrainz-server's web service tests
// (t/lib/t/MusicBrainz/Server/Controller/WS/2/JSON/LookupDiscID.pm).

#include "FakeScsi.h"
#include "TestDisc.h"
#include "cd/AccurateRip.h"
#include "cd/CdDrive.h"
#include "cd/DiscIds.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace quillon {
namespace {

struct TocTrack
{
    uint32_t frame; // start, as the databases print it (sector + 150)
    bool data = false;
};

// The freedb id as the AccurateRip ids compute it, apart from libdiscid.
std::string FreedbRule(const std::vector<TocTrack>& tracks, uint32_t leadOutFrame)
{
    std::vector<DiscTrackStart> starts;
    for (const TocTrack& t : tracks)
        starts.push_back({t.frame - 150, !t.data});
    char id[9];
    std::snprintf(id, sizeof id, "%08x", FreedbId(starts, leadOutFrame - 150));
    return id;
}

// A drive whose READ TOC reply lists the tracks and the lead-out.
DiscIds IdsFromTocReply(const std::vector<TocTrack>& tracks, uint32_t leadOutFrame)
{
    auto fake = std::make_unique<testing::FakeScsiManager>();
    fake->answer = [tracks, leadOutFrame](const ScsiRequest& r) {
        std::memset(r.data, 0, r.dataLength);
        const size_t entries = tracks.size() + 1;
        const size_t length = 2 + 8 * entries;
        r.data[0] = static_cast<uint8_t>(length >> 8);
        r.data[1] = static_cast<uint8_t>(length);
        r.data[2] = 1;
        r.data[3] = static_cast<uint8_t>(tracks.size());
        for (size_t i = 0; i < entries; ++i) {
            const bool leadOut = i == tracks.size();
            const uint32_t lba = (leadOut ? leadOutFrame : tracks[i].frame) - 150;
            uint8_t* d = r.data + 4 + 8 * i;
            d[1] = !leadOut && tracks[i].data ? 0x14 : 0x10;
            d[2] = leadOut ? 0xAA : static_cast<uint8_t>(i + 1);
            d[4] = static_cast<uint8_t>(lba >> 24);
            d[5] = static_cast<uint8_t>(lba >> 16);
            d[6] = static_cast<uint8_t>(lba >> 8);
            d[7] = static_cast<uint8_t>(lba);
        }
        return GoodOutcome();
    };
    aspi_load_manager(std::move(fake));
    CdDrive drive;
    DiscToc toc;
    int count = 0;
    EXPECT_EQ(drive.ReadToc(count, toc.data()), 1);
    return ComputeDiscIds(drive);
}

// The same disc as a CUE sheet over a BIN image (sparse: only its size matters here) in a
// virtual drive.
DiscIds IdsFromImage(const std::vector<TocTrack>& tracks, uint32_t leadOutFrame)
{
    testing::TempDir dir;
    std::string cue = "FILE \"disc.bin\" BINARY\n";
    char line[96];
    for (size_t i = 0; i < tracks.size(); ++i) {
        const uint32_t lba = tracks[i].frame - 150;
        std::snprintf(line, sizeof line, "  TRACK %02zu %s\n    INDEX 01 %02u:%02u:%02u\n", i + 1,
                      tracks[i].data ? "MODE1/2352" : "AUDIO", lba / 4500, lba / 75 % 60, lba % 75);
        cue += line;
    }
    testing::WriteTextFile(dir / "disc.cue", cue);
    const int fd = ::open((dir / "disc.bin").c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(::ftruncate(fd, static_cast<off_t>(leadOutFrame - 150) * 2352), 0);
    ::close(fd);
    const testing::VirtualDrive drive(dir.Path(), "disc.cue");
    EXPECT_EQ(drive.tocResult, 1);
    return ComputeDiscIds(drive.drives[0]);
}

std::vector<TocTrack> Audio(std::initializer_list<uint32_t> frames)
{
    std::vector<TocTrack> tracks;
    for (uint32_t f : frames)
        tracks.push_back({f, false});
    return tracks;
}

template <typename T>
std::vector<T> With(std::vector<T> v, T more)
{
    v.push_back(more);
    return v;
}

TEST(DiscIds, RealDiscsFromDriveRepliesAndImages)
{
    const auto vector = Audio({150,    9700,   25887,  39297,  53795,  63735,  77517,  94877,  107270, 123552, 135522,
                               148422, 161197, 174790, 192022, 205545, 218010, 228700, 239590, 255470, 266932, 288750});
    const auto ephidrina = Audio({182, 33322, 52597, 73510, 98882, 136180, 169185, 187490});
    auto mixedMode = vector;
    mixedMode[0].data = true;
    const struct
    {
        const char* disc;
        std::vector<TocTrack> tracks;
        uint32_t leadOut;
        const char* musicBrainz;
        std::string freedb; // empty: as the AccurateRip ids compute it
        bool image = true;  // the virtual drives refuse a sheet without audio
    } rows[] = {
        {"libdiscid's test vector", vector, 303602, "xUp1F2NkfP8s8jaeFn_Av3jNEI4-", "370fce16"},
        {"Tales of Ephidrina, track 1 at frame 182", ephidrina, 212075, "xp5tz6rE4OHrBafj0bLfDRMGK48-", ""},
        {"Geräusch disc 1, a hidden track before track 1",
         Audio({17990, 26452, 38762, 55052, 78990, 96705, 109755, 126972, 137342, 156600, 171900, 188400, 203475}),
         217245, "f7agNZK1HMQ2WUWq9bwDymw9aHA-", ""},
        {"Wish You Were Here, Immersion disc 2", Audio({150, 91851, 148493, 230435, 240674, 273050}), 301068,
         "6NksHllhjO74WpVDabBDhj3P0qk-", ""},
        {"Aerial disc 2", Audio({150, 6614, 32287, 54041, 61236, 88129, 92729, 115276, 153877}), 189343,
         "IeldkVfIh1wep_M8CMuDvA0nQ7Q-", ""},
        // A data session after the audio: the audio ends 11400 sectors before it, and the
        // MusicBrainz id is that of the audio alone; freedb counts the data track too.
        {"Tales of Ephidrina as an enhanced CD", With(ephidrina, TocTrack{212075 + 11400, true}),
         212075 + 11400 + 30000, "xp5tz6rE4OHrBafj0bLfDRMGK48-", ""},
        // A data track first counts as track 1: the id is the same as for the same offsets.
        {"libdiscid's test vector as a mixed-mode CD", mixedMode, 303602, "xUp1F2NkfP8s8jaeFn_Av3jNEI4-", "370fce16"},
        {"a disc of data only", {{150, true}}, 30000, "", "", false},
    };
    for (const auto& row : rows) {
        const std::string freedb = row.musicBrainz[0] == '\0' ? ""
                                   : row.freedb.empty()       ? FreedbRule(row.tracks, row.leadOut)
                                                              : row.freedb;
        const DiscIds fromReply = IdsFromTocReply(row.tracks, row.leadOut);
        EXPECT_EQ(fromReply.musicBrainz, row.musicBrainz) << row.disc << ", TOC reply";
        EXPECT_EQ(fromReply.freedb, freedb) << row.disc << ", TOC reply";
        if (!row.image)
            continue;
        const DiscIds fromImage = IdsFromImage(row.tracks, row.leadOut);
        EXPECT_EQ(fromImage.musicBrainz, row.musicBrainz) << row.disc << ", image";
        EXPECT_EQ(fromImage.freedb, freedb) << row.disc << ", image";
    }
    // The fuzzy look-up's TOC counts the audio session only, in frames.
    EXPECT_EQ(IdsFromTocReply(With(ephidrina, TocTrack{212075 + 11400, true}), 250000).toc,
              "1 8 212075 182 33322 52597 73510 98882 136180 169185 187490");
}

} // namespace
} // namespace quillon
