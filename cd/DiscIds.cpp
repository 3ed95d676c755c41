#include "cd/DiscIds.h"

#include "cd/TrackList.h"

#include <discid/discid.h>

#include <memory>

namespace quillon {

namespace {

constexpr int kLeadIn = 150;
// Lead-out, lead-in and pre-gap between an enhanced CD's audio session and its data session.
constexpr uint32_t kSessionGap = 11400;

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
    uint32_t audioEnd = realLeadOut;
    if (lastAudio < count - 1) {
        const uint32_t dataStart = drive.tracks[lastAudio + 1].entry.start;
        // A data track too close to the last audio track for a session gap (an image that
        // leaves the gap out) ends the audio where it begins.
        audioEnd =
            dataStart >= drive.tracks[lastAudio].entry.start + kSessionGap + 1 ? dataStart - kSessionGap : dataStart;
    }
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
