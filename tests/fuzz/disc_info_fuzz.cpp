// A stored disc text file "cddata/%08x.cdd", whatever it holds: the first byte picks the
// disc's track count, the rest is the file.
#include "cd/DiscInfoStore.h"
#include "cd/GenreList.h"
#include "formats/TextEncoding.h"
#include "tests/fuzz/FuzzInput.h"

#include <cstdlib>
#include <sys/stat.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace quillon;
    if (size == 0)
        return 0;
    static DiscInfoStore store;
    store.baseDir = fuzz::ScratchFolder();
    CdDrive drive;
    drive.trackCount = static_cast<int16_t>(data[0] % 120);
    drive.discId = 0x1234abcd;
    const std::string folder = store.baseDir + "/cddata";
    mkdir(folder.c_str(), 0700);
    fuzz::WriteWholeFile(store.DiscFilePath(drive.discId),
                         std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
    const bool read = store.LoadDiscInfo(0, drive);
    // An empty file counts as no file.
    if (read != (drive.trackCount <= DiscInfoStore::kTracks && size > 1))
        std::abort();
    for (int t = 0; t < DiscInfoStore::kTracks; ++t) {
        const TrackInfo* info = store.Record(0, t);
        if (info == nullptr)
            std::abort();
        // Fields without a terminator are read to their width and no further (a byte
        // becomes at most three of UTF-8), and every text comes out as UTF-8.
        const auto Sound = [](const char* field, size_t width) {
            const std::string text = TrackInfoField(field, width);
            return text.size() <= 3 * width && IsUtf8(text);
        };
        if (!Sound(info->title, sizeof info->title) || !Sound(info->artist, sizeof info->artist) ||
            !Sound(info->album, sizeof info->album) || !Sound(info->year, sizeof info->year) ||
            !Sound(info->comment, sizeof info->comment))
            std::abort();
        (void)GenreName(info->genre);
        (void)SortedPositionForGenre(info->genre);
    }
    return 0;
}
