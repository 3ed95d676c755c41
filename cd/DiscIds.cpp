#include "cd/DiscIds.h"

#include "cd/TrackList.h"

#include <discid/discid.h>

#include <memory>

namespace quillon {

namespace {

constexpr int kLeadIn = 150;

struct Put
{
    int first = 0;
    int last = 0;
    int offsets[100] = {};
};

// libdiscid's TOC for the tracks `from`..`to` (indices into the drive's records) ending at `leadOut`.
bool FillPut(const CdDrive& drive, int from, int to, uint32_t leadOut, Put& put)
{
    put.first = drive.tracks[from].entry.trackNumber;
    put.last = drive.tracks[to].entry.trackNumber;
    if (put.first < 1 || put.last > 99 || put.last - put.first != to - from)
        return false;
    put.offsets[0] = static_cast<int>(leadOut + kLeadIn);
    for (int i = from; i <= to; ++i)
        put.offsets[drive.tracks[i].entry.trackNumber] = static_cast<int>(drive.tracks[i].entry.start + kLeadIn);
    return true;
}

using DiscIdHandle = std::unique_ptr<DiscId, decltype(&discid_free)>;

DiscIdHandle Compute(Put& put)
{
    DiscIdHandle disc(discid_new(), &discid_free);
    if (!disc || !discid_put(disc.get(), put.first, put.last, put.offsets))
        return DiscIdHandle(nullptr, &discid_free);
    return disc;
}

} // namespace

DiscIds ComputeDiscIds(const CdDrive& drive)
{
    const int count = drive.trackCount;
    if (count <= 0 || count > kTrackRecordCapacity)
        return {};
    const TrackRecord& lastTrack = drive.tracks[count - 1];
    const uint32_t realLeadOut = lastTrack.entry.start + lastTrack.sectors;
    int lastAudio = count - 1;
    while (lastAudio >= 0 && !IsAudioTrack(drive.tracks[lastAudio]))
        --lastAudio;
    if (lastAudio < 0)
        return {};
    // On an enhanced CD the audio ends with its session, before the data session's gap.
    const uint32_t audioEnd = lastAudio < count - 1
                                  ? drive.tracks[lastAudio].entry.start + AudioSectorsToGrab(drive, lastAudio)
                                  : realLeadOut;
    Put audio;
    Put every;
    if (!FillPut(drive, 0, lastAudio, audioEnd, audio) || !FillPut(drive, 0, count - 1, realLeadOut, every))
        return {};
    const DiscIdHandle mb = Compute(audio);
    const DiscIdHandle all = Compute(every);
    if (!mb || !all)
        return {};
    DiscIds ids;
    ids.musicBrainz = discid_get_id(mb.get());
    ids.freedb = discid_get_freedb_id(all.get());
    ids.toc = discid_get_toc_string(mb.get());
    return ids;
}

} // namespace quillon
