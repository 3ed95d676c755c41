#include "cd/DiscLookup.h"

#include "cd/GenreList.h"
#include "cd/TrackList.h"
#include "formats/CoverPicture.h"
#include "platform/HttpClient.h"

#include <algorithm>
#include <cstdlib>

namespace quillon {

const char* const kDefaultMusicBrainzServer = "https://musicbrainz.org";
const char* const kDefaultCoverArtServer = "https://coverartarchive.org";
const char* const kLookupUserAgent = "Quillon/2.51 ( https://www.norvane.example/quillon/ )";
const char* const kLookupCancelled = "The look-up was cancelled.";

namespace {

const char* const kNotInMusicBrainz = "This disc is not in MusicBrainz.";
const char* const kIncludes = "inc=artist-credits+recordings+labels&cdstubs=no&fmt=json";

HttpOptions Options(const LookupRequest& request)
{
    HttpOptions options;
    options.userAgent = kLookupUserAgent;
    options.timeoutSeconds = request.timeoutSeconds;
    return options;
}

LookupResult Failure(LookupOutcome outcome, std::string message)
{
    LookupResult result;
    result.outcome = outcome;
    result.message = std::move(message);
    return result;
}

// The result of one answer; NotFound lets the caller ask by the TOC.
LookupResult ReadAnswer(const HttpResponse& response, const LookupRequest& request)
{
    if (response.cancelled)
        return Failure(LookupOutcome::Cancelled, kLookupCancelled);
    if (!response.Answered())
        return Failure(LookupOutcome::Unreachable, "Could not reach MusicBrainz: " + response.error);
    if (response.status == 404)
        return Failure(LookupOutcome::NotFound, kNotInMusicBrainz);
    if (response.status != 200)
        return Failure(LookupOutcome::Unreachable, "Could not reach MusicBrainz: the server answered with status " +
                                                       std::to_string(response.status));
    LookupResult result;
    std::string problem;
    if (!ParseDiscAnswer(response.body, request.ids.musicBrainz, request.audioTracks, result.releases, problem))
        return Failure(LookupOutcome::Unreadable, "The answer of MusicBrainz cannot be read: " + problem);
    if (result.releases.empty())
        return Failure(LookupOutcome::NotFound, kNotInMusicBrainz);
    result.outcome = LookupOutcome::Found;
    return result;
}

std::string TocQuery(const std::string& toc)
{
    std::string query = toc;
    std::replace(query.begin(), query.end(), ' ', '+');
    return query;
}

} // namespace

std::string ChooseServer(const std::string& setting, const char* variable, const char* fallback,
                         const EnvironmentLookup& getEnv)
{
    std::string server = setting;
    if (const char* given = getEnv(variable); given != nullptr && given[0] != '\0')
        server = given;
    if (server.empty())
        server = fallback;
    while (server.size() > 1 && server.back() == '/')
        server.pop_back();
    return server;
}

LookupServers ChooseLookupServers(const std::string& musicBrainzSetting, const std::string& coverArtSetting,
                                  const EnvironmentLookup& getEnv)
{
    LookupServers servers;
    servers.musicBrainz =
        ChooseServer(musicBrainzSetting, "QUILLON_MUSICBRAINZ_SERVER", kDefaultMusicBrainzServer, getEnv);
    servers.coverArt = ChooseServer(coverArtSetting, "QUILLON_COVERART_SERVER", kDefaultCoverArtServer, getEnv);
    return servers;
}

long LookupTimeoutSeconds(const EnvironmentLookup& getEnv)
{
    if (const char* given = getEnv("QUILLON_LOOKUP_TIMEOUT"); given != nullptr && given[0] != '\0') {
        char* end = nullptr;
        const long seconds = std::strtol(given, &end, 10);
        if (*end == '\0' && seconds >= 1 && seconds <= 600)
            return seconds;
    }
    return 15;
}

int AudioTrackCount(const CdDrive& drive)
{
    int count = 0;
    for (int i = 0; i < drive.trackCount && i < kTrackRecordCapacity; ++i)
        count += IsAudioTrack(drive.tracks[i]) ? 1 : 0;
    return count;
}

LookupResult LookUpDisc(const LookupRequest& request, const std::atomic<bool>& cancel)
{
    if (request.ids.Empty())
        return Failure(LookupOutcome::NotFound, kNotInMusicBrainz);
    const std::string base = request.servers.musicBrainz + "/ws/2/discid/" + request.ids.musicBrainz;
    LookupResult result = ReadAnswer(HttpGetPolitely(base + "?" + kIncludes, Options(request), &cancel), request);
    if (result.outcome != LookupOutcome::NotFound)
        return result;
    // The web service's fuzzy match: releases whose track lengths fit the TOC.
    const std::string fuzzy = base + "?toc=" + TocQuery(request.ids.toc) + "&" + kIncludes;
    return ReadAnswer(HttpGetPolitely(fuzzy, Options(request), &cancel), request);
}

TagPicture FetchFrontCover(const LookupRequest& request, const ReleaseChoice& release, const std::atomic<bool>& cancel,
                           std::string* problem)
{
    std::string why;
    TagPicture picture;
    if (!release.frontCover || release.id.empty()) {
        why = "the release has no front cover";
    } else {
        HttpOptions options = Options(request);
        options.bodyLimit = kCoverPictureLimit + 1;
        const std::string url = request.servers.coverArt + "/release/" + release.id + "/front-500";
        const HttpResponse response = HttpGetPolitely(url, options, &cancel);
        if (!response.Answered())
            why = "Could not reach the Cover Art Archive: " + response.error;
        else if (response.status != 200)
            why = "the Cover Art Archive answered with status " + std::to_string(response.status);
        else if (auto cover = CoverPictureFromBytes(std::vector<uint8_t>(response.body.begin(), response.body.end())))
            picture = std::move(*cover);
        else
            why = "the Cover Art Archive's answer is not a JPEG or PNG picture of at most 16 MiB";
    }
    if (problem)
        *problem = why;
    return picture;
}

int ReleaseGenre(const ReleaseChoice& release)
{
    for (const std::string& name : release.genres)
        if (const int genre = FindGenre(name); genre >= 0)
            return genre;
    return -1;
}

void FillFromRelease(const ReleaseChoice& release, DiscInfoStore& store, int driveIndex, const CdDrive& drive)
{
    const int genre = ReleaseGenre(release);
    const std::string year = release.Year();
    size_t next = 0;
    for (int i = 0; i < drive.trackCount; ++i) {
        if (!IsAudioTrack(drive.tracks[i]))
            continue;
        TrackInfo* record = store.Record(driveIndex, i);
        TrackTexts* texts = store.Texts(driveIndex, i);
        if (record == nullptr || texts == nullptr)
            return;
        // A release that lists no tracks for the disc still names its album and artist.
        const ReleaseTrack* track = next < release.tracks.size() ? &release.tracks[next] : nullptr;
        ++next;
        if (track)
            SetTrackInfoTitle(*record, *texts, track->title);
        SetTrackText(*record, *texts, TrackField::Artist, track ? track->artist : release.artist);
        SetTrackText(*record, *texts, TrackField::Album, release.title);
        SetTrackText(*record, *texts, TrackField::Year, year);
        if (genre >= 0)
            record->genre = static_cast<uint8_t>(genre);
    }
}

} // namespace quillon
