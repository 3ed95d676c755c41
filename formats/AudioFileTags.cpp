#include "formats/AudioFileTags.h"

#include "formats/CoverPicture.h"

#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/oggflacfile.h>
#include <taglib/opusfile.h>
#include <taglib/tfilestream.h>
#include <taglib/vorbisfile.h>
#include <taglib/xiphcomment.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <initializer_list>
#include <memory>

namespace quillon {

namespace {

// The values of the first of `names` the comment has, joined by "; ".
std::string Field(const TagLib::Ogg::FieldListMap& fields, std::initializer_list<const char*> names)
{
    for (const char* name : names) {
        const auto found = fields.find(name);
        if (found == fields.end() || found->second.isEmpty())
            continue;
        std::string joined;
        for (const TagLib::String& value : found->second) {
            if (value.isEmpty())
                continue;
            if (!joined.empty())
                joined += "; ";
            joined += value.to8Bit(true);
        }
        if (!joined.empty())
            return joined;
    }
    return {};
}

void TakeComment(TagLib::Ogg::XiphComment* comment, TrackTags& tags)
{
    if (!comment)
        return;
    const TagLib::Ogg::FieldListMap& fields = comment->fieldListMap();
    tags.title = Field(fields, {"TITLE"});
    tags.artist = Field(fields, {"ARTIST"});
    tags.album = Field(fields, {"ALBUM"});
    tags.year = Field(fields, {"DATE", "YEAR"});
    tags.genre = Field(fields, {"GENRE"});
    tags.comment = Field(fields, {"COMMENT", "DESCRIPTION"});
    SetTrackNumbers(tags, Field(fields, {"TRACKNUMBER"}));
    if (tags.trackNumber > 0 && tags.trackCount == 0) {
        TrackTags total;
        SetTrackNumbers(total, Field(fields, {"TRACKTOTAL", "TOTALTRACKS"}));
        tags.trackCount = total.trackNumber;
    }
}

// The front cover, else the first picture; the list's pictures belong to its file.
void TakePicture(const TagLib::List<TagLib::FLAC::Picture*>& pictures, AudioFileTags& out)
{
    const TagLib::FLAC::Picture* chosen = nullptr;
    for (const TagLib::FLAC::Picture* picture : pictures) {
        if (picture->type() == TagLib::FLAC::Picture::FrontCover) {
            chosen = picture;
            break;
        }
        if (!chosen)
            chosen = picture;
    }
    if (!chosen)
        return;
    const TagLib::ByteVector data = chosen->data();
    std::string reason;
    if (auto picture = CoverPictureFromBytes(std::vector<uint8_t>(data.begin(), data.end()), &reason))
        out.tags.picture = std::move(*picture);
    else
        out.pictureProblem = "the cover picture is left out: " + reason;
}

bool StartsWith(TagLib::IOStream& stream, const char* magic)
{
    stream.seek(0);
    return stream.readBlock(4) == TagLib::ByteVector(magic, 4);
}

void ReadStream(TagLib::IOStream& stream, AudioFileTags& out)
{
    if (TagLib::FLAC::File::isSupported(&stream)) {
        TagLib::FLAC::File file(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
        if (file.isValid()) {
            TakeComment(file.xiphComment(), out.tags);
            TakePicture(file.pictureList(), out);
        }
    } else if (TagLib::Ogg::Opus::File::isSupported(&stream)) {
        TagLib::Ogg::Opus::File file(&stream, false);
        if (file.isValid() && file.tag()) {
            TakeComment(file.tag(), out.tags);
            TakePicture(file.tag()->pictureList(), out);
        }
    } else if (TagLib::Ogg::FLAC::File::isSupported(&stream)) {
        TagLib::Ogg::FLAC::File file(&stream, false);
        if (file.isValid() && file.tag()) {
            TakeComment(file.tag(), out.tags);
            TakePicture(file.tag()->pictureList(), out);
        }
    } else if (StartsWith(stream, "OggS")) {
        TagLib::Ogg::Vorbis::File file(&stream, false);
        if (file.isValid() && file.tag()) {
            TakeComment(file.tag(), out.tags);
            TakePicture(file.tag()->pictureList(), out);
        }
    }
}

} // namespace

AudioFileTags TagsFromAudioFile(const std::string& path)
{
    AudioFileTags out;
    // Not blocking, and only a plain file: a FIFO must not hang the run.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return out;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return out;
    }
    // An open stream owns the descriptor and closes it.
    TagLib::FileStream stream(fd, true);
    if (!stream.isOpen()) {
        close(fd);
        return out;
    }
    ReadStream(stream, out);
    return out;
}

AudioFileTags TagsOfDecodedFile(const std::string& path, const WavInfoTexts& info)
{
    if (TrackTags tags = TagsFromWavInfo(info); !tags.Empty())
        return {std::move(tags), {}};
    return TagsFromAudioFile(path);
}

} // namespace quillon
