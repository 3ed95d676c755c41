#include "cd/RipChecksums.h"

#include "cd/Digests.h"
#include "cd/TrackList.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>

namespace quillon {

namespace {

constexpr uint64_t kSampleBytes = 4;
constexpr uint64_t kSectorSamples = 588;
// The CUETools database leaves out 10 sectors at each end of the disc's audio and keeps a
// whole number of such strides.
constexpr uint64_t kCtdbStride = 10 * kSectorSamples;

int FirstAudio(const std::vector<RipTocRow>& toc)
{
    for (size_t i = 0; i < toc.size(); ++i)
        if (toc[i].audio)
            return static_cast<int>(i);
    return -1;
}

int LastAudio(const std::vector<RipTocRow>& toc)
{
    for (size_t i = toc.size(); i-- > 0;)
        if (toc[i].audio)
            return static_cast<int>(i);
    return -1;
}

// The disc's audio, first audio track to the end of the last, in samples.
uint64_t AudioSamples(const std::vector<RipTocRow>& toc, int first, int last)
{
    const RipTocRow& end = toc[static_cast<size_t>(last)];
    return (static_cast<uint64_t>(end.start) + end.sectors - toc[static_cast<size_t>(first)].start) * kSectorSamples;
}

} // namespace

uint32_t Crc32(uint32_t crc, std::span<const uint8_t> bytes)
{
    // zlib takes at most 4 GiB a call; a track's write is far less.
    return static_cast<uint32_t>(::crc32(crc, bytes.data(), static_cast<uInt>(bytes.size())));
}

std::vector<RipTocRow> RipTocRows(const CdDrive& drive)
{
    std::vector<RipTocRow> rows;
    const int count = std::clamp<int>(drive.trackCount, 0, kTrackRecordCapacity);
    for (int i = 0; i < count; ++i) {
        const TrackRecord& track = drive.tracks[static_cast<size_t>(i)];
        const bool audio = IsAudioTrack(track);
        rows.push_back({track.entry.trackNumber, track.entry.start, track.sectors, audio,
                        audio && (track.entry.adrControl & 0x01) != 0});
    }
    const int lastAudio = LastAudio(rows);
    if (lastAudio >= 0 && lastAudio + 1 < count) {
        // The last audio track ends where its session ends, as it is grabbed.
        rows[static_cast<size_t>(lastAudio)].sectors = AudioSectorsToGrab(drive, lastAudio);
    }
    return rows;
}

AccurateRipIds RipAccurateRipIds(const RipReport& report)
{
    std::vector<DiscTrackStart> starts;
    for (const RipTocRow& row : report.toc)
        starts.push_back({row.start, row.audio});
    return ComputeAccurateRipIds(starts, report.leadOut);
}

std::string RipAccurateRipIdText(const AccurateRipIds& ids)
{
    char text[48];
    std::snprintf(text, sizeof text, "%03d-%08x-%08x-%08x", ids.audioTracks, ids.id1, ids.id2, ids.freedbId);
    return text;
}

std::string CtdbTocId(const std::vector<RipTocRow>& toc)
{
    const int first = FirstAudio(toc);
    const int last = LastAudio(toc);
    if (first < 0)
        return {};
    const uint32_t origin = toc[static_cast<size_t>(first)].start;
    std::string fields;
    char field[16];
    int count = 0;
    for (int i = first + 1; i <= last; ++i) {
        if (!toc[static_cast<size_t>(i)].audio)
            continue;
        std::snprintf(field, sizeof field, "%08X", toc[static_cast<size_t>(i)].start - origin);
        fields += field;
        ++count;
    }
    const RipTocRow& end = toc[static_cast<size_t>(last)];
    std::snprintf(field, sizeof field, "%08X", end.start + end.sectors - origin);
    fields += field;
    ++count;
    fields.append(static_cast<size_t>(std::max(0, 100 - count)) * 8, '0');
    const auto digest = Sha1Digest(fields);
    return DiscIdBase64(digest);
}

namespace {

// The row of a track the sums are made for; a track outside the TOC is summed as one
// audio track of its own, so that a wrong index never reads past the rows.
RipTocRow RowOf(const std::vector<RipTocRow>& toc, size_t row)
{
    return row < toc.size() ? toc[row] : RipTocRow{};
}

} // namespace

TrackChecksums::TrackChecksums(const std::vector<RipTocRow>& toc, size_t row)
    : accurateRip_(static_cast<uint64_t>(RowOf(toc, row).sectors) * kSectorSamples,
                   row >= toc.size() || static_cast<int>(row) == FirstAudio(toc),
                   row >= toc.size() || static_cast<int>(row) == LastAudio(toc)),
      crc_(Crc32(0, {})), ctdbCrc_(crc_), number_(RowOf(toc, row).number),
      trackBytes_(static_cast<uint64_t>(RowOf(toc, row).sectors) * kSectorSamples * kSampleBytes)
{
    const int first = FirstAudio(toc);
    if (row >= toc.size() || first < 0 || !toc[row].audio)
        return; // no share of the disc's CRC
    const uint64_t samples = AudioSamples(toc, first, LastAudio(toc));
    const uint64_t windowFirst = kCtdbStride;
    const uint64_t windowEnd = samples >= 2 * kCtdbStride ? samples - kCtdbStride - samples % kCtdbStride : windowFirst;
    // The track's place in the disc's audio, in bytes.
    const int64_t offset = (static_cast<int64_t>(toc[row].start) - toc[static_cast<size_t>(first)].start) *
                           static_cast<int64_t>(kSectorSamples * kSampleBytes);
    const auto within = [&](uint64_t sample) {
        const int64_t at = static_cast<int64_t>(sample * kSampleBytes) - offset;
        return static_cast<uint64_t>(std::clamp<int64_t>(at, 0, static_cast<int64_t>(trackBytes_)));
    };
    windowFirst_ = within(windowFirst);
    windowEnd_ = within(windowEnd);
}

void TrackChecksums::Add(std::span<const uint8_t> pcm)
{
    crc_ = Crc32(crc_, pcm);
    accurateRip_.Add(pcm);
    const uint64_t from = std::max(position_, windowFirst_);
    const uint64_t to = std::min(position_ + pcm.size(), windowEnd_);
    if (from < to) {
        ctdbCrc_ = Crc32(ctdbCrc_, pcm.subspan(from - position_, to - from));
        ctdbBytes_ += to - from;
    }
    position_ += pcm.size();
}

std::optional<uint32_t> CtdbCrc(const std::vector<RipTocRow>& toc, const std::vector<CtdbPart>& parts)
{
    std::optional<uint32_t> crc;
    for (const RipTocRow& row : toc) {
        if (!row.audio)
            continue;
        const auto part = std::find_if(parts.begin(), parts.end(),
                                       [&](const CtdbPart& p) { return p.number == row.number && p.whole; });
        if (part == parts.end())
            return std::nullopt;
        crc = crc ? static_cast<uint32_t>(::crc32_combine(*crc, part->crc, static_cast<z_off_t>(part->bytes)))
                  : part->crc;
    }
    return crc;
}

void FinishRipChecks(RipReport& report, const std::vector<CtdbPart>& parts)
{
    report.ctdbCrc = CtdbCrc(report.toc, parts);
    report.silentSamples = 0;
    const int64_t correction = report.offsetCorrection.value_or(0);
    const auto discEnd = static_cast<int64_t>(report.leadOut * kSectorSamples);
    for (const RipTrackReport& track : report.tracks) {
        const auto row = std::find_if(report.toc.begin(), report.toc.end(),
                                      [&](const RipTocRow& r) { return r.number == track.number; });
        if (row == report.toc.end())
            continue;
        const auto length = static_cast<int64_t>(row->sectors * kSectorSamples);
        const int64_t first = static_cast<int64_t>(row->start * kSectorSamples) + correction;
        const int64_t before = std::clamp<int64_t>(-first, 0, length);
        const int64_t after = std::clamp<int64_t>(first + length - discEnd, 0, length);
        report.silentSamples += static_cast<uint32_t>(before + after);
    }
}

} // namespace quillon
