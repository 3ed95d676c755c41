#include "cd/DiscInfoStore.h"

#include "cd/GenreList.h"
#include "formats/CoverPicture.h"
#include "formats/TextEncoding.h"
#include "platform/PartFile.h"
#include "platform/RegularFile.h"
#include "platform/scsi/VirtualDisc.h"

#include <algorithm>
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

// The bytes of a field up to its terminator or its width.
std::string_view FieldText(const char* field, size_t width)
{
    const void* nul = std::memchr(field, '\0', width);
    return std::string_view(field, nul ? static_cast<size_t>(static_cast<const char*>(nul) - field) : width);
}

// The bytes a text takes in a field of `width` bytes.
std::string FieldBytes(std::string_view text, size_t width)
{
    std::string bytes = Utf8ToLatin1Marked(TextAsUtf8(text));
    bytes.resize(std::min(bytes.size(), width));
    return bytes;
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
    return TextAsUtf8(FieldText(field, width));
}

char* RecordField(TrackInfo& info, TrackField field, size_t& width)
{
    char* const fields[kTrackFields] = {info.title, info.artist, info.album, info.year, info.comment};
    const size_t widths[kTrackFields] = {sizeof info.title, sizeof info.artist, sizeof info.album, sizeof info.year,
                                         sizeof info.comment};
    width = widths[static_cast<size_t>(field)];
    return fields[static_cast<size_t>(field)];
}

void SetTrackText(TrackInfo& info, TrackTexts& texts, TrackField field, std::string_view text)
{
    texts[field] = std::string(Utf8FirstCharacters(TextAsUtf8(text), kMaxTrackTextLength));
    size_t width = 0;
    char* bytes = RecordField(info, field, width);
    PutTrackInfoField(bytes, width, texts[field]);
}

std::string TrackText(const TrackInfo& info, const TrackTexts& texts, TrackField field)
{
    size_t width = 0;
    const char* bytes = RecordField(const_cast<TrackInfo&>(info), field, width);
    const std::string_view stored = FieldText(bytes, width);
    std::string fitting = FieldBytes(texts[field], width);
    fitting.resize(std::min(fitting.size(), fitting.find('\0')));
    return fitting == stored ? texts[field] : TextAsUtf8(stored);
}

void SetTrackInfoTitle(TrackInfo& info, std::string_view title)
{
    std::memcpy(info.tag, "TAG", 3);
    PutTrackInfoField(info.title, sizeof info.title, title);
}

void SetTrackInfoTitle(TrackInfo& info, TrackTexts& texts, std::string_view title)
{
    std::memcpy(info.tag, "TAG", 3);
    SetTrackText(info, texts, TrackField::Title, title);
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

void SetTrackInfo(TrackInfo& info, TrackTexts& texts, std::string_view title, std::string_view artist,
                  std::string_view album, std::string_view year, std::string_view comment, uint8_t genre)
{
    // In the record's order: a full field's missing terminator is the next field's first byte.
    SetTrackText(info, texts, TrackField::Title, title);
    SetTrackText(info, texts, TrackField::Artist, artist);
    SetTrackText(info, texts, TrackField::Album, album);
    SetTrackText(info, texts, TrackField::Year, year);
    SetTrackText(info, texts, TrackField::Comment, comment);
    info.genre = genre;
}

uint32_t DiscIdentifierStep(uint32_t id, uint32_t trackNumber, uint32_t seconds)
{
    return (id + trackNumber * seconds) * 2;
}

void DiscInfoStore::Clear()
{
    std::memset(records_.data(), 0, sizeof records_);
    texts_.assign(texts_.size(), TrackTexts{});
}

void DiscInfoStore::ClearDrive(int driveIndex)
{
    if (driveIndex < 0 || driveIndex >= kDrives)
        return;
    std::memset(records_[driveIndex].data(), 0, sizeof records_[driveIndex]);
    std::fill_n(texts_.begin() + driveIndex * kTracks, kTracks, TrackTexts{});
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

TrackTexts* DiscInfoStore::Texts(int driveIndex, int track)
{
    if (Record(driveIndex, track) == nullptr)
        return nullptr;
    return &texts_[static_cast<size_t>(driveIndex * kTracks + track)];
}

const TrackTexts* DiscInfoStore::Texts(int driveIndex, int track) const
{
    return const_cast<DiscInfoStore*>(this)->Texts(driveIndex, track);
}

std::string DiscInfoStore::Text(int driveIndex, int track, TrackField field) const
{
    const TrackInfo* record = Record(driveIndex, track);
    return record ? TrackText(*record, texts_[static_cast<size_t>(driveIndex * kTracks + track)], field) : "";
}

std::string DiscInfoStore::DiscFilePath(uint32_t discId) const
{
    char name[32];
    std::snprintf(name, sizeof name, "cddata/%08x.cdd", discId);
    return baseDir.empty() ? std::string(name) : baseDir + "/" + name;
}

std::string DiscInfoStore::TextFilePath(uint32_t discId) const
{
    std::string path = DiscFilePath(discId);
    return path.replace(path.size() - 3, 3, "txt");
}

std::string DiscInfoStore::CoverFilePath(uint32_t discId) const
{
    std::string path = DiscFilePath(discId);
    return path.replace(path.size() - 3, 3, "cover");
}

bool DiscInfoStore::SaveCover(const CdDrive& drive, const TagPicture& cover) const
{
    if (drive.discId == 0 || !cover.bytes)
        return false;
    ::mkdir((baseDir.empty() ? std::string("cddata") : baseDir + "/cddata").c_str(), 0777);
    const std::vector<uint8_t>& bytes = *cover.bytes;
    return WriteFileInPlace(CoverFilePath(drive.discId), {reinterpret_cast<const char*>(bytes.data()), bytes.size()},
                            0666)
        .empty();
}

TagPicture DiscInfoStore::LoadCover(const CdDrive& drive) const
{
    std::string problem;
    if (drive.discId == 0)
        return {};
    const std::string path = CoverFilePath(drive.discId);
    errno = 0;
    std::optional<TagPicture> cover = ReadCoverPicture(path, problem);
    if (!cover && errno != ENOENT && ::access(path.c_str(), F_OK) == 0)
        std::fprintf(stderr, "quillon: %s\n", problem.c_str());
    return cover.value_or(TagPicture{});
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
    const int tracks = std::max<int16_t>(drive.trackCount, 0);
    const auto* bytes = reinterpret_cast<const char*>(records_[driveIndex].data());
    std::vector<TrackTexts> whole(static_cast<size_t>(tracks));
    for (int t = 0; t < tracks; ++t)
        for (size_t f = 0; f < kTrackFields; ++f)
            whole[static_cast<size_t>(t)].fields[f] = Text(driveIndex, t, static_cast<TrackField>(f));
    // Written beside each file and renamed over it: a link at the file's name is replaced,
    // never followed, and a failed write leaves the old texts as they were. The records
    // go first: a whole text is only used while its record agrees with it.
    return WriteFileInPlace(DiscFilePath(drive.discId), {bytes, sizeof(TrackInfo) * static_cast<size_t>(tracks)}, 0666)
               .empty() &&
           WriteFileInPlace(TextFilePath(drive.discId), FormatDiscTexts(whole), 0666).empty();
}

bool DiscInfoStore::LoadDiscInfo(int driveIndex, const CdDrive& drive)
{
    FILE* f = nullptr;
    if (Keeps(driveIndex, drive)) {
        ::mkdir((baseDir.empty() ? std::string("cddata") : baseDir + "/cddata").c_str(), 0777);
        f = OpenDiscFile(DiscFilePath(drive.discId));
    }
    if (f == nullptr) {
        ClearDrive(driveIndex);
        return LoadOfferedText(driveIndex, drive);
    }
    // A short file fills only the records it holds.
    const size_t n =
        std::fread(records_[driveIndex].data(), sizeof(TrackInfo), std::max<int16_t>(drive.trackCount, 0), f);
    (void)n;
    std::fclose(f);
    LoadWholeTexts(driveIndex, drive);
    return true;
}

void DiscInfoStore::LoadWholeTexts(int driveIndex, const CdDrive& drive)
{
    // The most a file of 100 tracks of 255 characters of four bytes, each escaped, takes.
    constexpr size_t kLimit = 2 * 1024 * 1024;
    const std::string path = TextFilePath(drive.discId);
    std::string file;
    std::string problem;
    std::vector<TrackTexts> whole;
    errno = 0;
    const bool read = ReadRegularFile(path, kLimit, file, problem);
    if (!read && errno != ENOENT)
        std::fprintf(stderr, "quillon: cannot read %s: %s; the disc's names are those of its records\n", path.c_str(),
                     problem.c_str());
    if (!read || !ParseDiscTexts(file, static_cast<size_t>(std::max<int16_t>(drive.trackCount, 0)), whole))
        whole.clear();
    whole.resize(kTracks);
    std::copy(whole.begin(), whole.end(), texts_.begin() + driveIndex * kTracks);
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
        TrackTexts& texts = *Texts(driveIndex, i);
        SetTrackInfoTitle(info, texts, title);
        // REM DATE may be a whole date; the tag keeps the year.
        SetTrackInfo(info, texts, title, offer.artist, offer.album, offer.year.substr(0, 4), "",
                     static_cast<uint8_t>(genre >= 0 ? genre : kGenreOther));
    }
    return true;
}

} // namespace quillon
