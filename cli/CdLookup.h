#pragma once

#include "cd/CdDrive.h"
#include "cd/DiscInfoStore.h"
#include "cd/DiscLookup.h"
#include "cli/CdOptions.h"

#include <optional>

namespace quillon::cli {

// "MusicBrainz disc id: ..." and "freedb id: ..." of the loaded disc; nothing for a disc
// without audio.
void PrintDiscIds(const CdDrive& drive);

// The look-up of the loaded disc with the stored servers (or those of the environment);
// Ctrl-C cancels it.
struct LoadedDiscLookup
{
    LookupRequest request;
    LookupResult result;
};
LoadedDiscLookup LookUpLoadedDisc(const CdDrive& drive);

// The release the user chose by its number from 1; prints why and returns null when there
// is no such release.
const ReleaseChoice* ChosenRelease(const LookupResult& result, int number, const char* command);

// The release's texts put into the store for drive `driveIndex` (FillFromRelease) and every
// track without a title named "Track%02d", as the grabber's O&K names its rows; with the
// front cover when one is fetched (Ctrl-C skips it).
TagPicture TakeRelease(const LoadedDiscLookup& lookup, const ReleaseChoice& release, DiscInfoStore& store,
                       int driveIndex, const CdDrive& drive);

// `quillon lookup [--drive N] [--release N] [--save]`.
int RunLookup(const CdOptions& options, int driveIndex);

} // namespace quillon::cli
