#include "cd/AudioGrab.h"

#include "cd/RipLog.h"
#include "cd/RipRecorder.h"
#include "cd/SecureRead.h"
#include "cd/TrackFileName.h"
#include "cd/TrackList.h"
#include "formats/WavHeader.h"
#include "platform/ExitCleanup.h"
#include "platform/PartFile.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace quillon {

namespace {

constexpr size_t kGrabBufferSectors = 256;

// Fills the hidden file `part` with the track and puts it in place as `path`. A cancelled
// track is kept as a valid shorter WAV file, as far as it was read; a read or write
// failure leaves nothing but what stood at `path` before.
GrabOutcome GrabOneTrack(CdDrive& drive, const TrackRecord& track, const CreatedFile& part, const std::string& path,
                         std::vector<uint8_t>& buffer, GrabProgressWindow& window, GrabCounters& counters,
                         const SecondsClock& clock, TrackChecksums* sums, SecureTrackReader* secure)
{
    ::lseek(part.fd, kWavHeaderSize, SEEK_SET);
    const TrackGrabEnd end = GrabTrackSectors(drive, part.fd, track.entry.start, track.sectors, buffer, window,
                                              counters, clock, false, sums, secure);
    const char* stop = end == TrackGrabEnd::Cancelled    ? kGrabAbortedMessage
                       : end == TrackGrabEnd::ReadFailed ? kGrabReadFailedMessage
                                                         : nullptr;
    if (stop != nullptr)
        window.ShowStopMessage(stop);
    const bool keep = end == TrackGrabEnd::Done || end == TrackGrabEnd::Cancelled;
    const bool written = end != TrackGrabEnd::WriteFailed && (!keep || WriteWavHeader(part.fd, 2, 44100.0));
    const int writeError = errno;
    const bool closed = ::close(part.fd) == 0;
    if (!written || !closed) {
        ::unlink(part.path.c_str());
        window.ShowStopMessage("Error: Cannot write the file " + path + ": " +
                               std::strerror(written ? errno : writeError));
        return GrabOutcome::FileFailed;
    }
    if (!keep) {
        ::unlink(part.path.c_str());
        return GrabOutcome::ReadFailed;
    }
    if (const std::string reason = PutInPlace(part.path, path); !reason.empty()) {
        window.ShowStopMessage("Error: Cannot name the finished file " + path + ": " + reason);
        return GrabOutcome::FileFailed;
    }
    return end == TrackGrabEnd::Cancelled ? GrabOutcome::Cancelled : GrabOutcome::Completed;
}

} // namespace

namespace {

// The look-up runs beside the window, which is served meanwhile so that it can be moved
// and cancelled.
void CheckAgainstAccurateRip(AccurateRipCheck& check, RipReport& report, GrabProgressWindow& window)
{
    window.SetFileText(kCheckingAccurateRipText);
    const AccurateRipIds ids = RipAccurateRipIds(report);
    std::atomic<bool> cancel{false};
    std::atomic<bool> done{false};
    AccurateRipAnswer answer;
    std::thread asker([&] {
        answer = LookUpAccurateRip(check.server, ids, check.timeoutSeconds, cancel);
        done = true;
    });
    while (!done) {
        if (window.CheckCancel())
            cancel = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    asker.join();
    check.verdicts = JudgeRipTracks(answer, report);
    check.message = answer.message;
    check.cancelled = answer.outcome == AccurateRipOutcome::Cancelled;
}

} // namespace

const char* const kCheckingAccurateRipText = "Checking the tracks against AccurateRip...";

GrabOutcome AudioGrab(CdDrive& drive, const std::vector<GrabChoice>& ticked, const FolderAsker& askFolder,
                      GrabProgressWindow& window, const SecondsClock& clock, RipReport* report, bool secure,
                      AccurateRipCheck* accurateRip)
{
    if (ticked.empty()) {
        window.ShowStopMessage(kGrabNoTrackMessage);
        return GrabOutcome::NothingSelected;
    }
    std::vector<NamedTrack> named;
    for (const GrabChoice& c : ticked)
        if (c.track >= 0 && c.track < drive.trackCount)
            named.push_back({drive.tracks[c.track].entry.trackNumber, c.name});
    if (const std::string clash = TrackNameClash(named); !clash.empty()) {
        window.ShowStopMessage(clash);
        return GrabOutcome::FileFailed;
    }
    const std::optional<std::string> chosen = askFolder(kGrabFolderTitle);
    if (!chosen)
        return GrabOutcome::FolderCancelled;
    if (chosen->empty()) {
        window.ShowStopMessage(kGrabInvalidPathMessage);
        return GrabOutcome::InvalidPath;
    }
    std::string folder = *chosen;
    if (folder.back() != '/')
        folder += '/';

    GrabCounters counters;
    counters.startTime = clock();
    uint32_t total = 0;
    for (const GrabChoice& c : ticked)
        if (c.track >= 0 && c.track < drive.trackCount)
            total += AudioSectorsToGrab(drive, c.track);

    std::vector<uint8_t> buffer(kGrabBufferSectors * kSectorBytes);
    int readSize = ReadSizeFor(drive, kGrabBufferSectors);
    drive.PrepareForAudio();
    window.Create();
    window.SetTrackStep(1);
    window.SetTotalRange(0, static_cast<int>(total / static_cast<uint32_t>(readSize)));
    window.SetTotalStep(1);
    window.SetGrabbedText("");

    RipReport unused;
    if (report && secure)
        report->readMode = kSecureReadMode;
    RipRecorder recorder(report ? *report : unused);
    GrabOutcome outcome = GrabOutcome::Completed;
    for (const GrabChoice& c : ticked) {
        if (c.track < 0 || c.track >= drive.trackCount)
            continue;
        TrackRecord track = drive.tracks[c.track];
        track.sectors = AudioSectorsToGrab(drive, c.track);
        const std::string fileName = TrackFileName(c.name);
        if (fileName.empty()) {
            window.ShowStopMessage(TrackNameNotAFileName(c.name));
            outcome = GrabOutcome::FileFailed;
            break;
        }
        const std::string path = folder + fileName + ".WAV";
        // Written under a hidden name and put in place when complete: a failed grab keeps
        // an earlier take of the track, and a link at the name is replaced, not followed.
        const CreatedFile part = CreateHiddenPart(path, 0644);
        // A part cut off by a second signal goes with the program.
        const CleanupFile unfinished(part.fd >= 0 ? part.path : std::string());
        window.SetFileText(path);
        if (part.fd < 0) {
            // Nothing can be written: say so instead of reading the track for nothing.
            window.ShowStopMessage("Error: Cannot create the file " + path + ": " + std::strerror(errno));
            outcome = GrabOutcome::FileFailed;
            break;
        }
        readSize = ReadSizeFor(drive, kGrabBufferSectors);
        window.SetTrackRange(0, static_cast<int>(track.sectors / static_cast<uint32_t>(readSize)));
        TrackChecksums sums = recorder.Sums(c.track);
        SecureTrackReader reader = MakeSecureReader(drive);
        outcome = GrabOneTrack(drive, track, part, path, buffer, window, counters, clock, report ? &sums : nullptr,
                               secure ? &reader : nullptr);
        if (report && (outcome == GrabOutcome::Completed || outcome == GrabOutcome::Cancelled))
            recorder.Add(c.track, fileName + ".WAV", c.name, report->performer, sums, outcome == GrabOutcome::Completed,
                         secure ? &reader : nullptr);
        else if (report)
            recorder.AddMissing(c.track);
        if (outcome != GrabOutcome::Completed)
            break;
    }
    drive.RestoreAfterAudio();
    if (report && accurateRip && outcome == GrabOutcome::Completed && !report->tracks.empty())
        CheckAgainstAccurateRip(*accurateRip, *report, window);
    if (report && !recorder.Empty()) {
        if (const std::string problem = recorder.Write(folder); !problem.empty()) {
            window.ShowStopMessage("Error: " + problem);
            if (outcome == GrabOutcome::Completed)
                outcome = GrabOutcome::FileFailed;
        }
    }
    window.Destroy();
    return outcome;
}

} // namespace quillon
