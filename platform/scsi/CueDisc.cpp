#include "formats/WavHeader.h"
#include "platform/RegularFile.h"
#include "platform/scsi/CueSheet.h"
#include "platform/scsi/VirtualDisc.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {

namespace {

constexpr uint32_t kRawSector = 2352;
constexpr uint32_t kCookedSector = 2048;
// The TOC gives minutes in one byte.
constexpr uint32_t kMostSectors = 255u * 60u * 75u - 150u;

// An open file of the image: where its sectors begin and how many bytes it holds.
struct ImageFile
{
    int fd = -1;
    uint64_t start = 0;
    uint64_t bytes = 0;
};

// A stretch of the disc: sectors of one file, or silence when `file` is -1.
struct Piece
{
    uint32_t lba = 0;
    uint32_t sectors = 0;
    int file = -1;
    uint64_t offset = 0;
    bool cooked = false; // 2048-byte user data to be framed as a MODE1 sector
};

std::string BaseName(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string DirectoryOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Anything but a folder counts as found; opening it then says what is wrong with it
// (a FIFO or a device is not an image file).
bool Exists(const std::string& path)
{
    struct stat st
    {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

// The file a FILE line names, beside the sheet unless absolute. Sheets written on other
// systems name files in another case or with a Windows path, so when the exact name is
// missing the folder is searched without regard to case, and then for the bare name.
std::string FindImageFile(const std::string& sheetDir, std::string name)
{
    std::replace(name.begin(), name.end(), '\\', '/');
    const bool windowsPath = name.size() > 1 && name[1] == ':';
    const std::string exact = name.front() == '/' ? name : sheetDir + "/" + name;
    if (!windowsPath && Exists(exact))
        return exact;
    auto searchFolder = [](const std::string& dir, const std::string& base) -> std::string {
        DIR* d = ::opendir(dir.c_str());
        if (d == nullptr)
            return {};
        std::string found;
        while (const dirent* e = ::readdir(d)) {
            if (::strcasecmp(e->d_name, base.c_str()) == 0 && Exists(dir + "/" + e->d_name)) {
                found = dir + "/" + e->d_name;
                break;
            }
        }
        ::closedir(d);
        return found;
    };
    if (!windowsPath) {
        const std::string found = searchFolder(DirectoryOf(exact), BaseName(exact));
        if (!found.empty())
            return found;
    }
    return searchFolder(sheetDir, BaseName(name));
}

// A raw MODE1 sector around 2048 bytes of user data: sync, header, no error codes.
void FrameCookedSector(uint32_t lba, const uint8_t* data, uint8_t* out)
{
    std::memset(out, 0, kRawSector);
    std::memset(out + 1, 0xFF, 10);
    const uint32_t a = lba + 150;
    auto bcd = [](uint32_t v) { return static_cast<uint8_t>((v / 10) << 4 | (v % 10)); };
    out[12] = bcd(a / 4500);
    out[13] = bcd(a / 75 % 60);
    out[14] = bcd(a % 75);
    out[15] = 1;
    std::memcpy(out + 16, data, kCookedSector);
}

// Reads `bytes` at `offset`; bytes past the end of the file read as zeros, as burners
// pad a last partial sector.
bool ReadPadded(int fd, uint64_t offset, uint64_t limit, size_t bytes, uint8_t* out)
{
    size_t done = 0;
    while (done < bytes && offset + done < limit) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(bytes - done, limit - offset - done));
        const ssize_t n = ::pread(fd, out + done, want, static_cast<off_t>(offset + done));
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    std::memset(out + done, 0, bytes - done);
    return true;
}

// Where laying the sheet's files on the disc has got to: the file being laid, its next
// frame and byte, and the disc's next LBA; each stretch laid becomes a piece.
class Laying
{
public:
    Laying(const std::vector<ImageFile>& files, std::vector<Piece>& pieces) : files_(files), pieces_(pieces) {}

    int File() const { return file_; }
    uint32_t Frame() const { return frame_; }
    uint32_t Lba() const { return lba_; }

    void AddSilence(uint32_t sectors)
    {
        if (sectors > 0)
            pieces_.push_back({lba_, sectors, -1, 0, false});
        lba_ += sectors;
    }

    // The sectors of the tracks that follow: 2048 bytes of user data or whole sectors.
    void TakeMode(CueTrackMode mode)
    {
        cooked_ = mode == CueTrackMode::Mode1Cooked;
        frameBytes_ = cooked_ ? kCookedSector : kRawSector;
    }

    // Lays the rest of the file being laid and starts on `file`; false when the disc
    // would be too long.
    bool MoveTo(int file)
    {
        if (file_ >= 0 && !LayToEnd())
            return false;
        file_ = file;
        frame_ = 0;
        byte_ = 0;
        return true;
    }

    // Lays the file up to frame `to`; false when the file ends before it or the disc
    // would be too long.
    bool LayTo(uint64_t to) { return Lay(to, false); }
    bool LayToEnd() { return Lay(0, true); }

private:
    bool Lay(uint64_t to, bool toEnd)
    {
        const ImageFile& f = files_[file_];
        const uint64_t left = f.bytes > byte_ ? f.bytes - byte_ : 0;
        const uint64_t available = (left + frameBytes_ - 1) / frameBytes_;
        if (toEnd)
            to = frame_ + available;
        if (to < frame_ || to - frame_ > available)
            return false;
        const uint64_t sectors = to - frame_;
        if (lba_ + sectors > kMostSectors)
            return false;
        if (sectors > 0)
            pieces_.push_back({lba_, static_cast<uint32_t>(sectors), file_, f.start + byte_, cooked_});
        lba_ += static_cast<uint32_t>(sectors);
        byte_ += sectors * frameBytes_;
        frame_ = static_cast<uint32_t>(to);
        return true;
    }

    const std::vector<ImageFile>& files_;
    std::vector<Piece>& pieces_;
    int file_ = -1;      // the file being laid
    uint32_t frame_ = 0; // its next frame
    uint64_t byte_ = 0;  // and that frame's byte offset
    uint32_t frameBytes_ = kRawSector;
    bool cooked_ = false;
    uint32_t lba_ = 0;
};

class CueDisc : public VirtualDisc
{
public:
    ~CueDisc() override
    {
        for (const auto& f : files_)
            if (f.fd >= 0)
                ::close(f.fd);
    }

    bool Open(const std::string& cuePath, const CueSheet& sheet, std::string& error)
    {
        const std::string dir = DirectoryOf(cuePath);
        for (const auto& f : sheet.files) {
            files_.push_back({});
            if (!OpenFile(dir, f, files_.back(), error))
                return false;
        }
        if (!Lay(sheet, error))
            return false;
        text_.artist = sheet.performer;
        text_.album = sheet.title;
        text_.year = sheet.date;
        text_.genre = sheet.genre;
        catalog_ = sheet.catalog;
        for (const auto& t : sheet.tracks)
            if (!t.title.empty())
                text_.trackTitles.emplace_back(t.number, t.title);
        return true;
    }

    const std::vector<Track>& Tracks() const override { return tracks_; }
    uint32_t LeadOut() const override { return leadOut_; }
    DiscTextOffer Text() const override { return text_; }
    std::string Catalog() const override { return catalog_; }

    bool ReadRaw(uint32_t lba, uint32_t count, uint8_t* out) override
    {
        if (count == 0)
            return true;
        if (lba >= leadOut_ || count > leadOut_ - lba)
            return false;
        auto piece = std::upper_bound(pieces_.begin(), pieces_.end(), lba,
                                      [](uint32_t l, const Piece& p) { return l < p.lba; }) -
                     1;
        while (count > 0) {
            const uint32_t skip = lba - piece->lba;
            const uint32_t n = std::min(count, piece->sectors - skip);
            if (!ReadPiece(*piece, skip, n, lba, out))
                return false;
            out += static_cast<size_t>(n) * kRawSector;
            lba += n;
            count -= n;
            ++piece;
        }
        return true;
    }

private:
    bool OpenFile(const std::string& dir, const CueFile& f, ImageFile& file, std::string& error)
    {
        const std::string path = FindImageFile(dir, f.name);
        auto fail = [&](const std::string& why) {
            error = "line " + std::to_string(f.line) + ": " + why;
            return false;
        };
        if (path.empty())
            return fail("cannot find the file \"" + f.name + "\"");
        std::string problem;
        file.fd = OpenRegularFile(path, problem);
        struct stat st
        {};
        if (file.fd < 0 || ::fstat(file.fd, &st) != 0)
            return fail("cannot read the file \"" + f.name + "\": " + problem);
        file.bytes = static_cast<uint64_t>(st.st_size);
        if (!f.wave)
            return true;
        const WavCheckResult check = CheckWavInput(file.fd, false);
        if (check.verdict != WavCheck::Accepted || check.channels != 2 || check.sampleRate != 44100)
            return fail("the WAVE file \"" + f.name + "\" is not 16-bit stereo 44100 Hz PCM");
        file.start = check.dataStart;
        file.bytes = check.dataBytes;
        return true;
    }

    // Lays the sheet's files and gaps one after another from LBA 0. A track starts at its
    // INDEX 01; what comes before (INDEX 00, PREGAP) counts to the track before it, as on
    // a pressed disc.
    bool Lay(const CueSheet& sheet, std::string& error)
    {
        Laying laying(files_, pieces_);
        int failLine = 0;
        const CueTrack* previous = nullptr;
        for (const auto& t : sheet.tracks) {
            for (const auto& index : t.indexes) {
                failLine = index.line;
                if (!LayIndex(sheet, t, index, previous, laying, error))
                    return false;
            }
            previous = &t;
        }
        auto fail = [&](const std::string& why) {
            error = "line " + std::to_string(failLine) + ": " + why;
            return false;
        };
        if (!laying.LayToEnd())
            return fail("the image is longer than a disc");
        laying.AddSilence(previous->postgap);
        if (laying.Lba() <= tracks_.back().start)
            return fail("the file \"" + sheet.files[laying.File()].name + "\" is shorter than its tracks");
        if (laying.Lba() > kMostSectors)
            return fail("the image is longer than a disc");
        leadOut_ = laying.Lba();
        return true;
    }

    // Lays the sheet up to one index of track `t`; its first index also lays the gaps
    // between the track before and this one, and an INDEX 01 is where the track starts.
    bool LayIndex(const CueSheet& sheet, const CueTrack& t, const CueIndex& index, const CueTrack* previous,
                  Laying& laying, std::string& error)
    {
        auto fail = [&](const std::string& why) {
            error = "line " + std::to_string(index.line) + ": " + why;
            return false;
        };
        const auto startsEarly = [&](int before) {
            return fail("track " + std::to_string(t.number) + " starts before track " + std::to_string(before) +
                        " ends");
        };
        if (index.file != laying.File() && !laying.MoveTo(index.file))
            return fail("the image is longer than a disc");
        if (index.frames < laying.Frame())
            return startsEarly(previous ? previous->number : t.number);
        if (!laying.LayTo(index.frames))
            return fail("the file \"" + sheet.files[index.file].name + "\" is shorter than its tracks");
        if (&index == &t.indexes.front()) {
            if (previous != nullptr)
                laying.AddSilence(previous->postgap);
            // The track's index 0 runs from here (its PREGAP, its INDEX 00) to its INDEX 01.
            gapStart_ = laying.Lba();
            // A first track's PREGAP is the two seconds every disc has before LBA 0.
            laying.AddSilence(previous == nullptr ? t.pregap - std::min<uint32_t>(t.pregap, 150) : t.pregap);
            laying.TakeMode(t.mode);
        }
        if (index.number == 1) {
            if (!tracks_.empty() && laying.Lba() <= tracks_.back().start)
                return startsEarly(previous->number);
            tracks_.push_back({t.number, t.mode != CueTrackMode::Audio, laying.Lba(), gapStart_, t.isrc});
        }
        return true;
    }

    bool ReadPiece(const Piece& p, uint32_t skip, uint32_t n, uint32_t lba, uint8_t* out)
    {
        const size_t bytes = static_cast<size_t>(n) * kRawSector;
        if (p.file < 0) {
            std::memset(out, 0, bytes);
            return true;
        }
        const ImageFile& f = files_[p.file];
        const uint64_t limit = f.start + f.bytes;
        if (!p.cooked)
            return ReadPadded(f.fd, p.offset + static_cast<uint64_t>(skip) * kRawSector, limit, bytes, out);
        uint8_t data[kCookedSector];
        for (uint32_t i = 0; i < n; ++i) {
            if (!ReadPadded(f.fd, p.offset + static_cast<uint64_t>(skip + i) * kCookedSector, limit, sizeof data, data))
                return false;
            FrameCookedSector(lba + i, data, out + static_cast<size_t>(i) * kRawSector);
        }
        return true;
    }

    std::vector<ImageFile> files_;
    std::vector<Piece> pieces_;
    std::vector<Track> tracks_;
    uint32_t leadOut_ = 0;
    uint32_t gapStart_ = 0; // of the track being laid
    DiscTextOffer text_;
    std::string catalog_;
};

} // namespace

std::unique_ptr<VirtualDisc> OpenCueDisc(const std::string& cuePath, std::string& error)
{
    const std::string name = BaseName(cuePath);
    // A sheet is a few kilobytes; a drive list pointing at something else should not
    // read it all into memory.
    constexpr size_t kLargestSheet = 1 << 20;
    std::string text, problem;
    if (!ReadRegularFile(cuePath, kLargestSheet, text, problem)) {
        error = name + ": cannot read the CUE sheet: " + problem;
        return nullptr;
    }
    CueSheet sheet;
    auto disc = std::make_unique<CueDisc>();
    if (!ParseCueSheet(text, sheet, error) || !disc->Open(cuePath, sheet, error)) {
        error = name + ": " + error;
        return nullptr;
    }
    return disc;
}

} // namespace quillon
