#pragma once

// Looking a disc up in MusicBrainz and the Cover Art Archive.
//
// Every call here is blocking (network); run it off the user-interface thread, one
// look-up per worker, and hand the result back to the window. Each takes a cancel flag:
// setting it from any thread (the window's Cancel, a closing dialog) ends the call within
// about a tenth of a second with LookupOutcome::Cancelled. Nothing here touches the disc
// store; FillFromRelease does that, on the thread that owns the store, once the user has
// chosen a release.
//
//     LookupRequest request{ChooseLookupServers(settings, getenv), ComputeDiscIds(drive), AudioTrackCount(drive)};
//     LookupResult found = LookUpDisc(request, cancel);           // worker thread
//     if (found.outcome != LookupOutcome::Found) show found.message; (nothing stops a grab)
//     ... the user picks found.releases[k] (ReleaseLine(...) names each) ...
//     TagPicture cover = FetchFrontCover(request, found.releases[k], cancel);   // worker
//     FillFromRelease(found.releases[k], store, driveIndex, drive);           // store owner

#include "cd/CdDrive.h"
#include "cd/DiscIds.h"
#include "cd/DiscInfoStore.h"
#include "cd/MusicBrainzAnswer.h"
#include "formats/TrackTags.h"
#include "platform/TemporaryFolder.h"

#include <atomic>
#include <string>
#include <vector>

namespace quillon {

extern const char* const kDefaultMusicBrainzServer; // "https://musicbrainz.org"
extern const char* const kDefaultCoverArtServer;    // "https://coverartarchive.org"
extern const char* const kLookupUserAgent;          // "Quillon/2.51 ( https://www.norvane.example/quillon/ )"
extern const char* const kLookupCancelled;          // "The look-up was cancelled."

struct LookupServers
{
    std::string musicBrainz = kDefaultMusicBrainzServer;
    std::string coverArt = kDefaultCoverArtServer;
};

// The server of a setting, replaced by the environment's `variable` when set and not
// empty, an empty setting by `fallback`; a trailing "/" is dropped.
std::string ChooseServer(const std::string& setting, const char* variable, const char* fallback,
                         const EnvironmentLookup& getEnv);

// The servers of the settings, each replaced by QUILLON_MUSICBRAINZ_SERVER or
// QUILLON_COVERART_SERVER when set and not empty, an empty setting by its default; a
// trailing "/" is dropped.
LookupServers ChooseLookupServers(const std::string& musicBrainzSetting, const std::string& coverArtSetting,
                                  const EnvironmentLookup& getEnv);

// 15 seconds, or the whole seconds of QUILLON_LOOKUP_TIMEOUT (1 to 600) when set.
long LookupTimeoutSeconds(const EnvironmentLookup& getEnv);

struct LookupRequest
{
    LookupServers servers;
    DiscIds ids;
    int audioTracks = 0; // picks the medium of a fuzzy answer
    long timeoutSeconds = 15;
};

// The number of audio tracks of the loaded disc: the tracks the releases' tracks name, in order.
int AudioTrackCount(const CdDrive& drive);

enum class LookupOutcome { Found, NotFound, Unreachable, Unreadable, Cancelled };

struct LookupResult
{
    LookupOutcome outcome = LookupOutcome::NotFound;
    std::vector<ReleaseChoice> releases; // at least one when Found
    // The text to show when not Found: "Could not reach MusicBrainz: <reason>", "This disc
    // is not in MusicBrainz.", "The answer of MusicBrainz cannot be read: <reason>", or
    // "The look-up was cancelled."
    std::string message;
};

// The disc-id look-up; when the id is unknown (404, or no releases), once more by the TOC
// (a fuzzy match). At most one request a second to the server, one retry after a 503.
LookupResult LookUpDisc(const LookupRequest& request, const std::atomic<bool>& cancel);

// The release's front cover from the Cover Art Archive ({server}/release/{id}/front-500),
// a JPEG or PNG of at most 16 MiB; empty when there is none, it cannot be fetched or is
// no picture (a disc without a cover is normal; `problem` says why, for a log).
TagPicture FetchFrontCover(const LookupRequest& request, const ReleaseChoice& release, const std::atomic<bool>& cancel,
                           std::string* problem = nullptr);

// The index of the genre list that one of the release's genres or tags names (in its
// order, without regard to case), or -1.
int ReleaseGenre(const ReleaseChoice& release);

// Puts the release into the records and whole texts of drive `driveIndex` of `store`, as
// the grabber's fields and rows then show them: every audio track, in order, takes its
// title and its own artist credit (the album artist where the release lists no track for
// it; its title then stays), the album title and the year; the genre byte becomes
// ReleaseGenre's when there is one; the comment and the data tracks keep what they hold.
// Nothing is written to disk (SaveDiscInfo does that).
void FillFromRelease(const ReleaseChoice& release, DiscInfoStore& store, int driveIndex, const CdDrive& drive);

} // namespace quillon
