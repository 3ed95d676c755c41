#include "cd/AudioGrab.h"

#include "cd/TrackFileName.h"
#include "formats/WavHeader.h"

#include <fcntl.h>
#include <unistd.h>

namespace quillon {

namespace {

constexpr size_t kGrabBufferSectors = 256;

} // namespace

GrabOutcome AudioGrab(CdDrive& drive, const std::vector<GrabChoice>& ticked, const FolderAsker& askFolder,
                      GrabProgressWindow& window, const SecondsClock& clock)
{
    if (ticked.empty()) {
        window.ShowStopMessage(kGrabNoTrackMessage);
        return GrabOutcome::NothingSelected;
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
            total += drive.tracks[c.track].sectors;

    std::vector<uint8_t> buffer(kGrabBufferSectors * kSectorBytes);
    int readSize = ReadSizeFor(drive, kGrabBufferSectors);
    drive.PrepareForAudio();
    window.Create();
    window.SetTrackStep(1);
    window.SetTotalRange(0, static_cast<int>(total / static_cast<uint32_t>(readSize)));
    window.SetTotalStep(1);
    window.SetGrabbedText("");

    GrabOutcome outcome = GrabOutcome::Completed;
    for (const GrabChoice& c : ticked) {
        if (c.track < 0 || c.track >= drive.trackCount)
            continue;
        const TrackRecord& track = drive.tracks[c.track];
        const std::string fileName = TrackFileName(c.name);
        if (fileName.empty()) {
            window.ShowStopMessage(TrackNameNotAFileName(c.name));
            outcome = GrabOutcome::FileFailed;
            break;
        }
        const std::string path = folder + fileName + ".WAV";
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        window.SetFileText(path);
        if (fd < 0) {
            // Nothing can be written: say so instead of reading the track for nothing.
            window.ShowStopMessage("Error: Cannot create the file " + path);
            outcome = GrabOutcome::FileFailed;
            break;
        }
        readSize = ReadSizeFor(drive, kGrabBufferSectors);
        window.SetTrackRange(0, static_cast<int>(track.sectors / static_cast<uint32_t>(readSize)));
        ::lseek(fd, kWavHeaderSize, SEEK_SET);

        const TrackGrabEnd end =
            GrabTrackSectors(drive, fd, track.entry.start, track.sectors, buffer, window, counters, clock, false);
        if (end == TrackGrabEnd::Cancelled) {
            window.ShowStopMessage(kGrabAbortedMessage);
            WriteWavHeader(fd, 2, 44100.0);
            ::close(fd);
            outcome = GrabOutcome::Cancelled;
            break;
        }
        if (end == TrackGrabEnd::ReadFailed) {
            // The file keeps its 44 zero bytes: it is not a finished WAV file.
            window.ShowStopMessage(kGrabReadFailedMessage);
            ::close(fd);
            outcome = GrabOutcome::ReadFailed;
            break;
        }
        if (end == TrackGrabEnd::WriteFailed) {
            window.ShowStopMessage("Error: Cannot write the file " + path);
            ::close(fd);
            outcome = GrabOutcome::FileFailed;
            break;
        }
        const bool headerWritten = WriteWavHeader(fd, 2, 44100.0);
        if (::close(fd) != 0 || !headerWritten) {
            window.ShowStopMessage("Error: Cannot write the file " + path);
            outcome = GrabOutcome::FileFailed;
            break;
        }
    }
    drive.RestoreAfterAudio();
    window.Destroy();
    return outcome;
}

} // namespace quillon
