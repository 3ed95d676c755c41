#pragma once

#include "batch/JobList.h"
#include "cd/CdDrive.h"
#include "cd/DiscInfoStore.h"
#include "formats/TrackTags.h"

#include <string>
#include <vector>

namespace quillon {

// A ticked track of the loaded disc on its way to becoming a CD job.
struct TickedTrack
{
    int index = 0;                     // the track's index on the disc
    std::string title;                 // the title in the file system's bytes: it names the output
    const TrackInfo* record = nullptr; // the tag record the job carries
    const TrackTexts* texts = nullptr; // the whole texts beside it, if any
};

// The texts of a track's ID3v2 tag: the whole texts while the record agrees with them,
// else the record's own.
TrackTags TrackTagsFromRecord(const TrackInfo& record, const TrackTexts& texts = {});

// Sets the tag's track number and count to the track's place among the disc's audio
// tracks (a data track before them takes no number); 0 for a track that is not audio.
void NumberAmongAudioTracks(const CdDrive& drive, int index, TrackTags& tags);

// Appends one CD job per ticked track of `drive`, encoded with the defaults, its output
// named after the title, tagged with the record's texts, its number among the audio
// tracks and `cover`, and ending with the track's record. A title that gives no file
// name, or a list without room, refuses the lot: nothing is added and the result says why.
EditResult AddTrackJobs(JobList& jobs, const CdDrive& drive, const std::vector<TickedTrack>& ticked,
                        const DefaultEncodingOptions& defaults, const TagPicture& cover = {});

} // namespace quillon
