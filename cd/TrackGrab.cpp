#include "cd/TrackGrab.h"

#include "cd/RipChecksums.h"
#include "cd/SecureRead.h"
#include "cd/TrackList.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace quillon {

const char* const kGrabNoTrackMessage = "You didn't slected any Audio track for reading...!";
const char* const kGrabFolderTitle = "Select a Folder where to Save the WAV files...";
const char* const kGrabInvalidPathMessage = "Error: You had selected an invalid path.";
const char* const kGrabReadFailedMessage = "Error: Can't read RAW Audio Data.";
const char* const kGrabAbortedMessage = "Reading aborted by user!";

int64_t WallClockSeconds()
{
    return static_cast<int64_t>(std::time(nullptr));
}

std::string GrabbedText(uint32_t grabbed)
{
    char text[64];
    std::snprintf(text, sizeof text, "%d MBytes, %d Sectors.", static_cast<int>(grabbed * 2352u / 1048576u),
                  static_cast<int>(grabbed));
    return text;
}

std::string SpeedText(uint32_t grabbed, int64_t elapsed)
{
    // The speed is sectors per whole second over 74.82; before the first whole second
    // there is no rate yet.
    const double speed = elapsed > 0 ? static_cast<double>(grabbed / elapsed) * 0.013365410318096767 : 0.0;
    return FixedOneDecimal(speed, 4) + " X";
}

int ReadSizeFor(const CdDrive& drive, size_t bufferSectors)
{
    return std::clamp<int>(drive.sectorsPerRead, 1, static_cast<int>(bufferSectors));
}

namespace {

bool WriteAll(int fd, const uint8_t* data, size_t length)
{
    while (length > 0) {
        const ssize_t n = ::write(fd, data, length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

// Counts `reads` reads of `readSize` and shows them; true when Cancel was pressed.
bool ShowReads(GrabProgressWindow& window, GrabCounters& counters, const SecondsClock& clock, bool restoreWindow,
               int reads, int readSize)
{
    counters.grabbedSectors += static_cast<uint32_t>(reads * readSize);
    window.SetGrabbedText(GrabbedText(counters.grabbedSectors));
    window.SetSpeedText(SpeedText(counters.grabbedSectors, clock() - counters.startTime));
    for (int i = 0; i < reads; ++i) {
        window.StepTotal();
        window.StepTrack();
    }
    if (restoreWindow)
        window.RestoreIfMinimised();
    return window.CheckCancel();
}

TrackGrabEnd GrabSecurely(CdDrive& drive, int fd, uint32_t start, uint32_t count, size_t bufferSectors,
                          GrabProgressWindow& window, GrabCounters& counters, const SecondsClock& clock,
                          bool restoreWindow, TrackChecksums* sums, SecureTrackReader& secure)
{
    const uint64_t end = static_cast<uint64_t>(start) + count;
    uint64_t position = start;
    // Cancel is looked at after every read of a chunk, and its data is then not written.
    secure.SetAfterEachRead([&window] { return window.CheckCancel(); });
    while (position < end) {
        const int readSize = ReadSizeFor(drive, bufferSectors);
        const auto n = static_cast<uint32_t>(std::min<uint64_t>(secure.Limits().chunkSectors, end - position));
        const std::span<const uint8_t> kept =
            secure.ReadChunk(static_cast<uint32_t>(position), n, static_cast<uint32_t>(readSize));
        if (secure.Stopped())
            return TrackGrabEnd::Cancelled;
        const int reads = static_cast<int>((n + static_cast<uint32_t>(readSize) - 1) / static_cast<uint32_t>(readSize));
        if (ShowReads(window, counters, clock, restoreWindow, reads, readSize))
            return TrackGrabEnd::Cancelled;
        if (kept.empty())
            return TrackGrabEnd::ReadFailed;
        if (!WriteAll(fd, kept.data(), kept.size()))
            return TrackGrabEnd::WriteFailed;
        if (sums)
            sums->Add(kept);
        position += n;
    }
    return TrackGrabEnd::Done;
}

} // namespace

SecureTrackReader MakeSecureReader(CdDrive& drive)
{
    uint32_t leadOut = 0;
    if (drive.trackCount > 0) {
        const TrackRecord& last = drive.tracks[static_cast<size_t>(drive.trackCount - 1)];
        leadOut = last.entry.start + last.sectors;
    }
    return SecureTrackReader(
        [&drive](uint32_t lba, uint32_t n, uint8_t* out) {
            int32_t result = 0;
            for (int attempt = 0; attempt < kReadAttempts && result != 1; ++attempt)
                result = drive.ReadCorrectedAudio(lba, n, out);
            return result == 1;
        },
        leadOut, DefaultSecureReadLimits(),
        [&drive](uint32_t lba, uint32_t n, uint8_t* out) { return drive.ReadCorrectedAudio(lba, n, out) == 1; });
}

TrackGrabEnd GrabTrackSectors(CdDrive& drive, int fd, uint32_t start, uint32_t count, std::vector<uint8_t>& buffer,
                              GrabProgressWindow& window, GrabCounters& counters, const SecondsClock& clock,
                              bool restoreWindow, TrackChecksums* sums, SecureTrackReader* secure)
{
    if (secure)
        return GrabSecurely(drive, fd, start, count, buffer.size() / kSectorBytes, window, counters, clock,
                            restoreWindow, sums, *secure);
    const size_t bufferSectors = buffer.size() / kSectorBytes;
    const uint64_t end = static_cast<uint64_t>(start) + count;
    uint64_t position = start;
    while (position < end) {
        const int readSize = ReadSizeFor(drive, bufferSectors);
        const auto n = static_cast<uint32_t>(std::min<uint64_t>(readSize, end - position));
        int32_t result = 0;
        for (int attempt = 0; attempt < kReadAttempts && result != 1; ++attempt)
            result = drive.ReadCorrectedAudio(static_cast<uint32_t>(position), n, buffer.data());

        counters.grabbedSectors += static_cast<uint32_t>(readSize);
        window.SetGrabbedText(GrabbedText(counters.grabbedSectors));
        window.SetSpeedText(SpeedText(counters.grabbedSectors, clock() - counters.startTime));
        window.StepTotal();
        window.StepTrack();
        if (restoreWindow)
            window.RestoreIfMinimised();
        if (window.CheckCancel())
            return TrackGrabEnd::Cancelled;
        if (result != 1)
            return TrackGrabEnd::ReadFailed;
        if (!WriteAll(fd, buffer.data(), static_cast<size_t>(n) * kSectorBytes))
            return TrackGrabEnd::WriteFailed;
        if (sums)
            sums->Add({buffer.data(), static_cast<size_t>(n) * kSectorBytes});
        position += static_cast<uint64_t>(readSize);
    }
    return TrackGrabEnd::Done;
}

} // namespace quillon
