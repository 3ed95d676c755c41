#include "cd/TrackJobs.h"

#include "cd/TrackFileName.h"

#include <cstring>

namespace quillon {

EditResult AddTrackJobs(JobList& jobs, const CdDrive& drive, const std::vector<TickedTrack>& ticked,
                        const DefaultEncodingOptions& defaults)
{
    std::vector<NamedTrack> named;
    for (const TickedTrack& track : ticked)
        named.push_back({drive.tracks[static_cast<size_t>(track.index)].entry.trackNumber, track.title});
    if (const std::string clash = TrackNameClash(named); !clash.empty())
        return EditResult::Refused(clash);
    std::vector<CdTrackSource> sources;
    for (const TickedTrack& track : ticked) {
        CdTrackSource source;
        source.trackIndex = track.index;
        source.hostAdapter = drive.hostAdapter;
        source.targetId = drive.target;
        source.drive = &drive;
        // The name becomes the output file's name; the tag keeps it as typed.
        source.trackName = TrackFileName(track.title);
        if (source.trackName.empty())
            return EditResult::Refused(TrackNameNotAFileName(track.title));
        std::memcpy(source.tagBlock.data(), track.record, sizeof(TrackInfo));
        source.sectors = drive.tracks[static_cast<size_t>(track.index)].sectors;
        sources.push_back(std::move(source));
    }
    return jobs.AddCdTracks(sources, defaults);
}

} // namespace quillon
