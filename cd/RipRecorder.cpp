#include "cd/RipRecorder.h"

#include "cd/RipLog.h"
#include "cd/SecureRead.h"

#include <algorithm>

namespace quillon {

namespace {

int Number(const RipReport& report, int index)
{
    return index >= 0 && static_cast<size_t>(index) < report.toc.size() ? report.toc[static_cast<size_t>(index)].number
                                                                        : index + 1;
}

} // namespace

void RipRecorder::Add(int index, const std::string& fileName, const std::string& title, const std::string& performer,
                      const TrackChecksums& sums, bool whole, const SecureTrackReader* secure)
{
    RipTrackReport track;
    track.number = Number(report_, index);
    track.fileName = fileName;
    track.title = title;
    track.performer = performer;
    track.copyCrc = sums.CopyCrc();
    track.accurateRipV1 = sums.V1();
    track.accurateRipV2 = sums.V2();
    track.complete = whole;
    if (secure) {
        track.testCrc = secure->TestCrc();
        track.suspicious = secure->Suspicious();
    }
    for (const RipSubChannelTrack& q : report_.subChannel) {
        if (q.number == track.number) {
            track.isrc = q.isrc;
            track.pregapSectors = q.pregapSectors;
        }
    }
    report_.tracks.push_back(std::move(track));
    parts_.push_back(sums.Ctdb());
}

void RipRecorder::AddMissing(int index)
{
    report_.summary.push_back("Track " + std::to_string(Number(report_, index)) + ": not read, no file was written");
}

std::string RipRecorder::Write(const std::string& folder)
{
    std::stable_sort(report_.tracks.begin(), report_.tracks.end(),
                     [](const RipTrackReport& a, const RipTrackReport& b) { return a.number < b.number; });
    FinishRipChecks(report_, parts_);
    return WriteRipFiles(folder.empty() || folder.back() == '/' ? folder : folder + "/", report_);
}

} // namespace quillon
