#include "cd/DiscInfoStore.h"

#include "cd/GenreList.h"
#include "formats/TextEncoding.h"
#include "platform/ExitCleanup.h"
#include "platform/RegularFile.h"
#include "platform/scsi/VirtualDisc.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {

namespace {

// The stored file of a disc, or null as if there were none: a FIFO there would hang
// the open, and an empty file holds no text but would hide the
// text the disc offers.
FILE* OpenDiscFile(const std::string& path)
{
    std::string problem;
    const int fd = OpenRegularFile(path, problem);
    if (fd < 0) {
        if (errno != ENOENT)
            std::fprintf(stderr, "quillon: cannot read %s: %s; the disc's stored text is not used\n", path.c_str(),
                         problem.c_str());
        return nullptr;
    }
    struct stat info;
    FILE* f = ::fstat(fd, &info) == 0 && info.st_size > 0 ? ::fdopen(fd, "rb") : nullptr;
    if (f == nullptr)
        ::close(fd);
    return f;
}

} // namespace

namespace {

// The bytes a text takes in a field of `width` bytes: Latin-1, the tag's own form, when
// the characters that fit are all Latin-1 (and do not read back as other UTF-8); else as
// many whole UTF-8 characters as fit.
std::string FieldBytes(std::string_view text, size_t width)
{
    const std::string utf8 = TextAsUtf8(text);
    size_t end = 0;
    for (size_t characters = 0; end < utf8.size(); ++end)
        if ((static_cast<unsigned char>(utf8[end]) & 0xC0) != 0x80 && characters++ == width)
            break;
    const std::string_view fitting = std::string_view(utf8).substr(0, end);
    if (const auto latin1 = Utf8ToLatin1(fitting); latin1 && (*latin1 == fitting || !IsUtf8(*latin1)))
        return *latin1;
    return std::string(Utf8Prefix(utf8, width));
}

} // namespace

void PutTrackInfoField(char* field, size_t width, std::string_view text)
{
    const std::string bytes = FieldBytes(text, width);
    std::memcpy(field, bytes.data(), bytes.size());
    if (bytes.size() < width)
        field[bytes.size()] = '\0';
}

std::string TrackInfoField(const char* field, size_t width)
{
    const void* nul = std::memchr(field, '\0', width);
    return TextAsUtf8(std::string_view(field, nul ? static_cast<const char*>(nul) - field : width));
}

void SetTrackInfoTitle(TrackInfo& info, std::string_view title)
{
    std::memcpy(info.tag, "TAG", 3);
    PutTrackInfoField(info.title, sizeof info.title, title);
}

void SetTrackInfo(TrackInfo& info, std::string_view title, std::string_view artist, std::string_view album,
                  std::string_view year, std::string_view comment, uint8_t genre)
{
    PutTrackInfoField(info.title, sizeof info.title, title);
    PutTrackInfoField(info.artist, sizeof info.artist, artist);
    PutTrackInfoField(info.album, sizeof info.album, album);
    PutTrackInfoField(info.year, sizeof info.year, year);
    PutTrackInfoField(info.comment, sizeof info.comment, comment);
    info.genre = genre;
}

uint32_t DiscIdentifierStep(uint32_t id, uint32_t trackNumber, uint32_t seconds)
{
    return (id + trackNumber * seconds) * 2;
}

void DiscInfoStore::Clear()
{
    std::memset(records_.data(), 0, sizeof records_);
}

TrackInfo* DiscInfoStore::Record(int driveIndex, int track)
{
    if (driveIndex < 0 || driveIndex >= kDrives || track < 0 || track >= kTracks)
        return nullptr;
    return &records_[driveIndex][track];
}

const TrackInfo* DiscInfoStore::Record(int driveIndex, int track) const
{
    return const_cast<DiscInfoStore*>(this)->Record(driveIndex, track);
}

std::string DiscInfoStore::DiscFilePath(uint32_t discId) const
{
    char name[32];
    std::snprintf(name, sizeof name, "cddata/%08x.cdd", discId);
    return baseDir.empty() ? std::string(name) : baseDir + "/" + name;
}

bool DiscInfoStore::Keeps(int driveIndex, const CdDrive& drive) const
{
    return driveIndex >= 0 && driveIndex < kDrives && drive.trackCount <= kTracks && drive.discId != 0;
}

bool DiscInfoStore::SaveDiscInfo(int driveIndex, const CdDrive& drive) const
{
    if (!Keeps(driveIndex, drive))
        return false;
    ::mkdir((baseDir.empty() ? std::string("cddata") : baseDir + "/cddata").c_str(), 0777);
    // Written beside the file and renamed over it: a link at the file's name is replaced,
    // never followed, and a failed write leaves the old texts as they were.
    static std::atomic<unsigned> serial{0};
    const std::string path = DiscFilePath(drive.discId);
    int fd = -1;
    std::string temporary;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = path + "." + std::to_string(::getpid()) + "-" + std::to_string(serial++) + ".tmp";
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;
    const CleanupFile cleanup(temporary);
    const size_t size = sizeof(TrackInfo) * static_cast<size_t>(std::max<int16_t>(drive.trackCount, 0));
    const auto* bytes = reinterpret_cast<const char*>(records_[driveIndex].data());
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    const bool closed = ::close(fd) == 0;
    if (done != size || !closed || std::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

bool DiscInfoStore::LoadDiscInfo(int driveIndex, const CdDrive& drive)
{
    FILE* f = nullptr;
    if (Keeps(driveIndex, drive)) {
        ::mkdir((baseDir.empty() ? std::string("cddata") : baseDir + "/cddata").c_str(), 0777);
        f = OpenDiscFile(DiscFilePath(drive.discId));
    }
    if (f == nullptr) {
        if (driveIndex >= 0 && driveIndex < kDrives)
            std::memset(records_[driveIndex].data(), 0, sizeof records_[driveIndex]);
        return LoadOfferedText(driveIndex, drive);
    }
    // A short file fills only the records it holds.
    const size_t n =
        std::fread(records_[driveIndex].data(), sizeof(TrackInfo), std::max<int16_t>(drive.trackCount, 0), f);
    (void)n;
    std::fclose(f);
    return true;
}

bool DiscInfoStore::LoadOfferedText(int driveIndex, const CdDrive& drive)
{
    DiscTextOffer offer;
    if (driveIndex < 0 || driveIndex >= kDrives || drive.trackCount > kTracks ||
        !FindVirtualDiscText(drive.hostAdapter, drive.target, offer))
        return false;
    const int genre = FindGenre(offer.genre);
    for (int i = 0; i < drive.trackCount; ++i) {
        std::string title;
        for (const auto& [number, text] : offer.trackTitles)
            if (number == drive.tracks[static_cast<size_t>(i)].entry.trackNumber)
                title = text;
        TrackInfo& info = records_[driveIndex][static_cast<size_t>(i)];
        SetTrackInfoTitle(info, title);
        // REM DATE may be a whole date; the tag keeps the year.
        SetTrackInfo(info, title, offer.artist, offer.album, offer.year.substr(0, 4), "",
                     static_cast<uint8_t>(genre >= 0 ? genre : kGenreOther));
    }
    return true;
}

} // namespace quillon
