#include "formats/Id3v2Tag.h"

#include "formats/TextEncoding.h"
#include "formats/WavChunks.h"

#include <taglib/attachedpictureframe.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/textidentificationframe.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {

namespace {

// Latin-1 keeps a tag readable by the oldest players; UTF-16 (with its byte-order mark)
// is what ID3v2.3 offers for every other script.
TagLib::String::Type EncodingFor(const std::string& utf8)
{
    return Utf8ToLatin1(utf8) ? TagLib::String::Latin1 : TagLib::String::UTF16;
}

void AddText(TagLib::ID3v2::Tag& tag, const char* frameId, const std::string& utf8)
{
    if (utf8.empty())
        return;
    auto* frame = new TagLib::ID3v2::TextIdentificationFrame(frameId, EncodingFor(utf8));
    frame->setText(TagLib::String(utf8, TagLib::String::UTF8));
    tag.addFrame(frame); // the tag owns its frames
}

void AddComment(TagLib::ID3v2::Tag& tag, const std::string& utf8)
{
    if (utf8.empty())
        return;
    auto* frame = new TagLib::ID3v2::CommentsFrame(EncodingFor(utf8));
    frame->setLanguage("XXX"); // the language is not known
    frame->setText(TagLib::String(utf8, TagLib::String::UTF8));
    tag.addFrame(frame);
}

void AddPicture(TagLib::ID3v2::Tag& tag, const TagPicture& picture)
{
    if (!picture.bytes || picture.bytes->empty())
        return;
    auto* frame = new TagLib::ID3v2::AttachedPictureFrame;
    frame->setTextEncoding(TagLib::String::Latin1);
    frame->setMimeType(picture.mime);
    frame->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
    frame->setPicture(TagLib::ByteVector(reinterpret_cast<const char*>(picture.bytes->data()),
                                         static_cast<unsigned int>(picture.bytes->size())));
    tag.addFrame(frame);
}

// TYER holds the four digits of a year: a date keeps its year, any other text is left out.
std::string YearText(const std::string& year)
{
    if (year.size() < 4 || year.find_first_not_of("0123456789") < 4)
        return {};
    return year.substr(0, 4);
}

std::string TrackText(int number, int count)
{
    if (number <= 0)
        return {};
    return count > 0 ? std::to_string(number) + "/" + std::to_string(count) : std::to_string(number);
}

bool WriteAllAt(int fd, const uint8_t* bytes, size_t size, off_t offset)
{
    while (size > 0) {
        const ssize_t n = pwrite(fd, bytes, size, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        bytes += n;
        size -= static_cast<size_t>(n);
        offset += n;
    }
    return true;
}

// Moves the file's bytes `shift` further on, the last block first, so no byte is
// overwritten before it has been copied.
bool ShiftContent(int fd, off_t size, off_t shift)
{
    std::vector<uint8_t> block(1 << 20);
    off_t end = size;
    while (end > 0) {
        const off_t start = end > static_cast<off_t>(block.size()) ? end - static_cast<off_t>(block.size()) : 0;
        const auto count = static_cast<size_t>(end - start);
        errno = 0;
        if (ReadFileAt(fd, block.data(), count, static_cast<uint64_t>(start)) != count) {
            if (errno == 0)
                errno = EIO; // the file shrank under us
            return false;
        }
        if (!WriteAllAt(fd, block.data(), count, start + shift))
            return false;
        end = start;
    }
    return true;
}

} // namespace

std::vector<uint8_t> RenderId3v2Tag(const TrackTags& tags)
{
    TagLib::ID3v2::Tag tag;
    AddText(tag, "TIT2", tags.title);
    AddText(tag, "TPE1", tags.artist);
    AddText(tag, "TALB", tags.album);
    AddText(tag, "TDRC", YearText(tags.year)); // written as TYER in an ID3v2.3 tag
    AddText(tag, "TRCK", TrackText(tags.trackNumber, tags.trackCount));
    AddText(tag, "TCON", tags.genre);
    AddComment(tag, tags.comment);
    AddPicture(tag, tags.picture);
    const TagLib::ByteVector rendered = tag.render(TagLib::ID3v2::v3);
    return std::vector<uint8_t>(rendered.begin(), rendered.end());
}

std::string InsertAtFileStart(const std::string& path, const std::vector<uint8_t>& tag)
{
    const int fd = open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return std::strerror(errno);
    struct stat info;
    bool done = fstat(fd, &info) == 0;
    if (done && !S_ISREG(info.st_mode)) {
        done = false;
        errno = EINVAL;
    }
    done = done && ShiftContent(fd, info.st_size, static_cast<off_t>(tag.size())) &&
           WriteAllAt(fd, tag.data(), tag.size(), 0);
    const int error = errno;
    const int closeError = close(fd) == 0 ? 0 : errno;
    if (!done)
        return std::strerror(error);
    return closeError == 0 ? std::string() : std::strerror(closeError);
}

} // namespace quillon
