#include "cd/TrackJobs.h"

#include "cd/GenreList.h"
#include "cd/TrackFileName.h"
#include "cd/TrackList.h"

#include <cstring>

namespace quillon {

TrackTags TrackTagsFromRecord(const TrackInfo& record, const TrackTexts& texts)
{
    TrackTags tags;
    tags.title = TrackText(record, texts, TrackField::Title);
    tags.artist = TrackText(record, texts, TrackField::Artist);
    tags.album = TrackText(record, texts, TrackField::Album);
    tags.year = TrackText(record, texts, TrackField::Year);
    tags.comment = TrackText(record, texts, TrackField::Comment);
    tags.genre = GenreName(record.genre);
    return tags;
}

void NumberAmongAudioTracks(const CdDrive& drive, int index, TrackTags& tags)
{
    tags.trackNumber = 0;
    tags.trackCount = 0;
    for (int i = 0; i < drive.trackCount && i < static_cast<int>(drive.tracks.size()); ++i) {
        if (!IsAudioTrack(drive.tracks[static_cast<size_t>(i)]))
            continue;
        ++tags.trackCount;
        if (i == index)
            tags.trackNumber = tags.trackCount;
    }
}

EditResult AddTrackJobs(JobList& jobs, const CdDrive& drive, const std::vector<TickedTrack>& ticked,
                        const DefaultEncodingOptions& defaults, const TagPicture& cover)
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
        source.tags = TrackTagsFromRecord(*track.record, track.texts ? *track.texts : TrackTexts{});
        NumberAmongAudioTracks(drive, track.index, *source.tags);
        source.tags->picture = cover;
        source.sectors = AudioSectorsToGrab(drive, track.index);
        sources.push_back(std::move(source));
    }
    return jobs.AddCdTracks(sources, defaults);
}

} // namespace quillon
