#include "formats/TrackTags.h"

#include "formats/TextEncoding.h"

#include <charconv>

namespace quillon {

namespace {

// The leading number of `text` and the rest after it; 0 when it does not start with one.
int LeadingNumber(std::string_view& text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || value <= 0)
        return 0;
    text.remove_prefix(static_cast<size_t>(end - text.data()));
    return value;
}

} // namespace

TrackTags TagsFromWavInfo(const WavInfoTexts& info)
{
    TrackTags tags;
    tags.title = TextAsUtf8(info.title);
    tags.artist = TextAsUtf8(info.artist);
    tags.album = TextAsUtf8(info.album);
    tags.year = TextAsUtf8(info.date);
    tags.comment = TextAsUtf8(info.comment);
    tags.genre = TextAsUtf8(info.genre);
    SetTrackNumbers(tags, info.track);
    return tags;
}

void SetTrackNumbers(TrackTags& tags, std::string_view track)
{
    tags.trackNumber = LeadingNumber(track);
    tags.trackCount = 0;
    if (tags.trackNumber > 0 && !track.empty() && track.front() == '/') {
        track.remove_prefix(1);
        tags.trackCount = LeadingNumber(track);
    }
}

} // namespace quillon
