// An answer of the AccurateRip database, whatever it holds: it is read as whole records or
// refused, never crashes, and every verdict over what is read is one of the three forms.
#include "cd/AccurateRip.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

namespace {

bool IsVerdict(const std::string& text)
{
    if (text == "Not accurate" || text == "Not in AccurateRip")
        return true;
    int confidence = -1;
    int version = 0;
    char end = 0;
    return std::sscanf(text.c_str(), "Accurately ripped (confidence %d) [v%d]%c", &confidence, &version, &end) == 2 &&
           confidence >= 0 && confidence <= 255 && (version == 1 || version == 2);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace quillon;
    const auto records = ParseAccurateRipAnswer(std::span(data, size));
    if (!records)
        return 0;
    // Whole records only: a count byte, three ids and nine bytes a track.
    size_t bytes = 0;
    for (const AccurateRipRecord& record : *records) {
        if (record.tracks.empty() || record.tracks.size() != static_cast<size_t>(record.ids.audioTracks))
            std::abort();
        bytes += 13 + 9 * record.tracks.size();
    }
    if (bytes != size)
        std::abort();
    if (records->empty())
        return 0;
    // The sums of the first record's tracks, and others, for every track and beyond.
    const AccurateRipRecord& first = records->front();
    for (int track = -1; track <= first.ids.audioTracks; ++track) {
        const size_t at = static_cast<size_t>(std::max(track, 0)) % first.tracks.size();
        const uint32_t sum = first.tracks[at].checksum;
        for (const auto& [v1, v2] : {std::pair{sum, sum + 1}, std::pair{sum + 1, sum}, std::pair{sum ^ 1, sum ^ 2}})
            if (!IsVerdict(AccurateRipVerdict(*records, first.ids, track, v1, v2)))
                std::abort();
    }
    return 0;
}
