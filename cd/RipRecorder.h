#pragma once

#include "cd/RipChecksums.h"
#include "cd/RipReport.h"

#include <string>
#include <vector>

namespace quillon {

class SecureTrackReader;

// Adds the tracks a rip reads to its report, and writes the log and cue sheet once the
// reading has ended. The tracks are read one after another, on one thread.
class RipRecorder
{
public:
    explicit RipRecorder(RipReport& report) : report_(report) {}

    // The sums to keep while track `index` (of the disc's TOC) is read.
    TrackChecksums Sums(int index) const { return TrackChecksums(report_.toc, static_cast<size_t>(index)); }

    // Track `index` read into `fileName` (whole, or as far as it was read); `secure`, when
    // it was read in secure mode, gives its test CRC and suspicious positions.
    void Add(int index, const std::string& fileName, const std::string& title, const std::string& performer,
             const TrackChecksums& sums, bool whole, const SecureTrackReader* secure = nullptr);
    // Track `index` that left no file.
    void AddMissing(int index);

    bool Empty() const { return report_.tracks.empty() && report_.summary.empty(); }

    // The CTDB CRC and the other sums over the tracks, then "<stem>.log" and "<stem>.cue"
    // in `folder`; "" when both were written, else why not.
    std::string Write(const std::string& folder);

private:
    RipReport& report_;
    std::vector<CtdbPart> parts_;
};

} // namespace quillon
