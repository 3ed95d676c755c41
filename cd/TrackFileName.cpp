#include "cd/TrackFileName.h"

#include "formats/TextEncoding.h"

#include <map>

namespace quillon {

std::string TrackFileName(std::string_view title)
{
    const std::string text = TextAsUtf8(title);
    const auto first = text.find_first_not_of(" .");
    if (first == std::string::npos)
        return {};
    std::string name = text.substr(first);
    for (char& c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || byte < 0x20 || byte == 0x7f)
            c = '_';
    }
    name.resize(Utf8Prefix(name, kMaxTrackFileNameBytes).size());
    return name;
}

std::string TrackNameNotAFileName(std::string_view title)
{
    return "Error: The track name \"" + TextAsUtf8(title) + "\" cannot be a file name.";
}

std::string TrackNameClash(const std::vector<NamedTrack>& tracks)
{
    std::map<std::string, int> first; // file name -> the track that takes it
    for (const NamedTrack& track : tracks) {
        const std::string name = TrackFileName(track.title);
        if (name.empty())
            continue; // refused on its own
        const auto [at, added] = first.emplace(name, track.number);
        if (!added)
            return "Error: Tracks " + std::to_string(at->second) + " and " + std::to_string(track.number) +
                   " would both be written as \"" + name + "\"; give them different names.";
    }
    return {};
}

} // namespace quillon
