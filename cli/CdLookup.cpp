#include "cli/CdLookup.h"

#include "cd/GenreList.h"
#include "cd/TrackList.h"
#include "cli/CancelWatcher.h"
#include "cli/CdCommands.h"
#include "cli/Commands.h"
#include "cli/StoredSettings.h"
#include "cli/TerminalText.h"

#include <cstdio>
#include <cstdlib>

namespace quillon::cli {

namespace {

const EnvironmentLookup kEnvironment = [](const char* name) { return std::getenv(name); };

void PrintReleases(const LookupResult& result)
{
    for (size_t i = 0; i < result.releases.size(); ++i)
        std::printf("%zu. %s\n", i + 1, TerminalText(ReleaseLine(result.releases[i])).c_str());
}

void PrintTracks(const ReleaseChoice& release, int number)
{
    const int genre = ReleaseGenre(release);
    std::printf("\nRelease %d: %s\n", number, TerminalText(release.title).c_str());
    std::printf("Album artist: %s\n", TerminalText(release.artist).c_str());
    std::printf("Year: %s\n", release.Year().c_str());
    std::printf("Genre: %s\n", genre >= 0 ? GenreName(genre) : "(none of the genre list)");
    if (release.tracks.empty())
        std::printf("The release lists no tracks for this disc.\n");
    for (size_t i = 0; i < release.tracks.size(); ++i)
        std::printf("%3zu  %s  /  %s\n", i + 1, TerminalText(release.tracks[i].title).c_str(),
                    TerminalText(release.tracks[i].artist).c_str());
}

} // namespace

void PrintDiscIds(const CdDrive& drive)
{
    const DiscIds ids = ComputeDiscIds(drive);
    if (ids.Empty())
        return;
    std::printf("MusicBrainz disc id: %s\n", ids.musicBrainz.c_str());
    std::printf("freedb id: %s\n", ids.freedb.c_str());
}

LoadedDiscLookup LookUpLoadedDisc(const CdDrive& drive)
{
    const LookupSettings settings = LoadStoredSettings().settings.lookup;
    LoadedDiscLookup lookup;
    lookup.request.servers = ChooseLookupServers(settings.musicBrainzServer, settings.coverArtServer, kEnvironment);
    lookup.request.ids = ComputeDiscIds(drive);
    lookup.request.audioTracks = AudioTrackCount(drive);
    lookup.request.timeoutSeconds = LookupTimeoutSeconds(kEnvironment);
    std::atomic<bool> cancel{false};
    CancelWatcher watcher([&cancel] { cancel = true; });
    lookup.result = LookUpDisc(lookup.request, cancel);
    return lookup;
}

const ReleaseChoice* ChosenRelease(const LookupResult& result, int number, const char* command)
{
    if (number >= 1 && static_cast<size_t>(number) <= result.releases.size())
        return &result.releases[static_cast<size_t>(number - 1)];
    std::fprintf(stderr, "quillon %s: there is no release %d (releases 1 to %zu were found)\n", command, number,
                 result.releases.size());
    return nullptr;
}

TagPicture TakeRelease(const LoadedDiscLookup& lookup, const ReleaseChoice& release, DiscInfoStore& store,
                       int driveIndex, const CdDrive& drive)
{
    FillFromRelease(release, store, driveIndex, drive);
    for (int i = 0; i < drive.trackCount; ++i) {
        TrackInfo* record = store.Record(driveIndex, i);
        if (record != nullptr && store.Text(driveIndex, i, TrackField::Title).empty())
            SetTrackInfoTitle(*record, *store.Texts(driveIndex, i), DefaultTrackName(i));
    }
    std::atomic<bool> cancel{false};
    CancelWatcher watcher([&cancel] { cancel = true; });
    std::string problem;
    TagPicture cover = FetchFrontCover(lookup.request, release, cancel, &problem);
    if (!cover.bytes)
        std::printf("No front cover: %s\n", TerminalText(problem).c_str());
    return cover;
}

int RunLookup(const CdOptions& options, int driveIndex)
{
    DriveTable drives;
    CdDrive* drive = PickCdDrive(drives, driveIndex);
    if (drive == nullptr || !LoadCdToc(*drive))
        return kExitFailed;
    PrintDiscIds(*drive);
    const LoadedDiscLookup lookup = LookUpLoadedDisc(*drive);
    if (lookup.result.outcome != LookupOutcome::Found) {
        std::fprintf(stderr, "%s\n", TerminalText(lookup.result.message).c_str());
        return lookup.result.outcome == LookupOutcome::Cancelled ? kExitCancelled : kExitFailed;
    }
    PrintReleases(lookup.result);
    const int number = options.release.value_or(1);
    const ReleaseChoice* release = ChosenRelease(lookup.result, number, "lookup");
    if (release == nullptr)
        return kExitUsage;
    PrintTracks(*release, number);
    if (!options.save)
        return kExitOk;
    DiscInfoStore store;
    store.LoadDiscInfo(driveIndex, *drive);
    const TagPicture cover = TakeRelease(lookup, *release, store, driveIndex, *drive);
    if (!store.SaveDiscInfo(driveIndex, *drive)) {
        std::fprintf(stderr, "quillon lookup: the disc's texts could not be stored in %s\n",
                     store.TextFilePath(drive->discId).c_str());
        return kExitFailed;
    }
    if (cover.bytes && !store.SaveCover(*drive, cover))
        std::fprintf(stderr, "quillon lookup: the cover could not be stored in %s\n",
                     store.CoverFilePath(drive->discId).c_str());
    std::printf("Stored in %s\n", store.TextFilePath(drive->discId).c_str());
    return kExitOk;
}

} // namespace quillon::cli
