#include "cd/MusicBrainzAnswer.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>

namespace quillon {

namespace {

using Json = nlohmann::json;

// An answer names at most this many releases and tracks worth reading; the rest of a
// larger one is left alone rather than filling memory.
constexpr size_t kMostReleases = 100;
constexpr size_t kMostTracks = 99;

const Json* Member(const Json& object, const char* name)
{
    if (!object.is_object())
        return nullptr;
    const auto found = object.find(name);
    return found == object.end() ? nullptr : &*found;
}

std::string Text(const Json& object, const char* name)
{
    const Json* member = Member(object, name);
    return member && member->is_string() ? member->get<std::string>() : std::string();
}

int Number(const Json& object, const char* name, int fallback)
{
    const Json* member = Member(object, name);
    if (!member || !member->is_number_integer())
        return fallback;
    const auto value = member->get<long long>();
    return value < 0 || value > 10000 ? fallback : static_cast<int>(value);
}

const Json& Array(const Json& object, const char* name)
{
    static const Json empty = Json::array();
    const Json* member = Member(object, name);
    return member && member->is_array() ? *member : empty;
}

// "Simon & Garfunkel": each credited name followed by its join phrase.
std::string ArtistCredit(const Json& object)
{
    std::string text;
    for (const Json& credit : Array(object, "artist-credit")) {
        std::string name = Text(credit, "name");
        if (name.empty())
            if (const Json* artist = Member(credit, "artist"))
                name = Text(*artist, "name");
        text += name + Text(credit, "joinphrase");
    }
    return text;
}

std::string FirstLabel(const Json& release)
{
    for (const Json& info : Array(release, "label-info"))
        if (const Json* label = Member(info, "label"))
            if (std::string name = Text(*label, "name"); !name.empty())
                return name;
    return {};
}

std::string Country(const Json& release)
{
    if (std::string country = Text(release, "country"); !country.empty())
        return country;
    for (const Json& event : Array(release, "release-events"))
        if (const Json* area = Member(event, "area"))
            for (const Json& code : Array(*area, "iso-3166-1-codes"))
                if (code.is_string())
                    return code.get<std::string>();
    return {};
}

// Genres first, then tags, each list by votes; the release's own before its group's.
std::vector<std::string> Genres(const Json& release)
{
    std::vector<std::pair<int, std::string>> named;
    const Json* group = Member(release, "release-group");
    int rank = 0;
    for (const Json* owner : {&release, group}) {
        if (owner == nullptr)
            continue;
        for (const char* list : {"genres", "tags"}) {
            std::vector<std::pair<int, std::string>> votes;
            for (const Json& entry : Array(*owner, list))
                if (std::string name = Text(entry, "name"); !name.empty())
                    votes.emplace_back(-Number(entry, "count", 0), std::move(name));
            std::stable_sort(votes.begin(), votes.end(),
                             [](const auto& a, const auto& b) { return a.first < b.first; });
            for (auto& vote : votes)
                named.emplace_back(rank, std::move(vote.second));
            ++rank;
        }
    }
    std::vector<std::string> genres;
    for (auto& entry : named)
        genres.push_back(std::move(entry.second));
    return genres;
}

bool HasDisc(const Json& medium, const std::string& discId)
{
    for (const Json& disc : Array(medium, "discs"))
        if (!discId.empty() && Text(disc, "id") == discId)
            return true;
    return false;
}

// The medium that is the disc: by its disc id, else by its number of tracks, else the first.
size_t ChooseMedium(const Json& media, const std::string& discId, int audioTracks)
{
    for (size_t i = 0; i < media.size(); ++i)
        if (HasDisc(media[i], discId))
            return i;
    for (size_t i = 0; i < media.size(); ++i)
        if (Number(media[i], "track-count", -1) == audioTracks)
            return i;
    return 0;
}

void ReadMedium(const Json& medium, ReleaseChoice& release)
{
    release.format = Text(medium, "format");
    const Json& tracks = Array(medium, "tracks");
    for (size_t i = 0; i < tracks.size() && i < kMostTracks; ++i) {
        const Json& track = tracks[i];
        const Json* recording = Member(track, "recording");
        ReleaseTrack read{Text(track, "title"), ArtistCredit(track)};
        if (read.title.empty() && recording)
            read.title = Text(*recording, "title");
        if (read.artist.empty() && recording)
            read.artist = ArtistCredit(*recording);
        if (read.artist.empty())
            read.artist = release.artist;
        release.tracks.push_back(std::move(read));
    }
    release.trackCount = Number(medium, "track-count", static_cast<int>(release.tracks.size()));
}

ReleaseChoice ReadRelease(const Json& json, const std::string& discId, int audioTracks)
{
    ReleaseChoice release;
    release.id = Text(json, "id");
    release.title = Text(json, "title");
    release.artist = ArtistCredit(json);
    release.date = Text(json, "date");
    release.country = Country(json);
    release.label = FirstLabel(json);
    release.genres = Genres(json);
    if (const Json* archive = Member(json, "cover-art-archive"))
        if (const Json* front = Member(*archive, "front"); front && front->is_boolean())
            release.frontCover = front->get<bool>();
    const Json& media = Array(json, "media");
    release.mediumCount = std::max<int>(1, static_cast<int>(media.size()));
    if (!media.empty()) {
        const size_t chosen = ChooseMedium(media, discId, audioTracks);
        release.mediumPosition = Number(media[chosen], "position", static_cast<int>(chosen) + 1);
        ReadMedium(media[chosen], release);
    }
    return release;
}

} // namespace

std::string ReleaseChoice::Year() const
{
    if (date.size() < 4 || !std::all_of(date.begin(), date.begin() + 4, [](char c) { return c >= '0' && c <= '9'; }))
        return {};
    return date.substr(0, 4);
}

std::string ReleaseLine(const ReleaseChoice& release)
{
    std::string format = release.format;
    if (release.mediumCount > 1)
        format += (format.empty() ? "" : " ") + std::to_string(release.mediumPosition) + "/" +
                  std::to_string(release.mediumCount);
    std::string details;
    for (const std::string& part :
         {release.Year(), release.country, release.label, format, std::to_string(release.trackCount) + " tracks"}) {
        if (!part.empty())
            details += (details.empty() ? "" : ", ") + part;
    }
    const std::string artist = release.artist.empty() ? "[unknown artist]" : release.artist;
    return artist + " \u2013 " + release.title + " (" + details + ")";
}

bool ParseDiscAnswer(std::string_view text, const std::string& discId, int audioTracks,
                     std::vector<ReleaseChoice>& releases, std::string& problem)
{
    releases.clear();
    const Json answer = Json::parse(text.begin(), text.end(), nullptr, false);
    if (answer.is_discarded() || !answer.is_object()) {
        problem = "it is not a JSON object";
        return false;
    }
    const Json* list = Member(answer, "releases");
    if (list == nullptr || !list->is_array()) {
        problem = "it lists no releases";
        return false;
    }
    for (size_t i = 0; i < list->size() && i < kMostReleases; ++i)
        if ((*list)[i].is_object())
            releases.push_back(ReadRelease((*list)[i], discId, audioTracks));
    return true;
}

} // namespace quillon
