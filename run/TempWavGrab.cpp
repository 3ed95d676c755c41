#include "run/TempWavGrab.h"

#include "cd/SecureRead.h"
#include "cd/TrackList.h"
#include "formats/WavHeader.h"
#include "platform/ExitCleanup.h"
#include "platform/TemporaryFolder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {

namespace {

constexpr size_t kTempGrabBufferSectors = 128;

// Creates the temporary file under a name no other process holds: "<name>-XXXXXX.wav",
// made exclusively (never through a link, never over a file that is there), so that two
// rips sharing one folder never meet and a user's own file is never touched.
int CreateTempFile(const std::string& folder, const std::string& name, std::string& path)
{
    std::string pattern = folder + name + "-XXXXXX.wav";
    const int fd = ::mkostemps(pattern.data(), 4, O_CLOEXEC);
    path = fd >= 0 ? pattern : folder + name + ".wav";
    return fd;
}

} // namespace

std::string TempWavFolder(const std::string& defaultOutputDir)
{
    std::string folder = TemporaryFolderVariable([](const char* name) { return std::getenv(name); });
    if (folder.empty())
        folder = defaultOutputDir;
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

bool GrabToTempWav(FileJob& job, CdDrive& drive, const std::string& tempFolder, GrabProgressWindow& window,
                   const SecondsClock& clock, TrackChecksums* sums, SecureTrackReader* secure)
{
    std::string path;
    const int fd = CreateTempFile(tempFolder, job.fileName, path);
    const int createError = errno;
    GrabCounters counters;
    counters.startTime = clock();
    const bool haveTrack = job.trackIndex >= 0 && job.trackIndex < drive.trackCount;
    TrackRecord track = haveTrack ? drive.tracks[job.trackIndex] : TrackRecord{};
    track.sectors = AudioSectorsToGrab(drive, job.trackIndex);
    const int readSize = ReadSizeFor(drive, kTempGrabBufferSectors);

    drive.PrepareForAudio();
    window.Create();
    window.SetTrackStep(1);
    window.SetTotalPos(0);
    window.SetTotalRange(0, static_cast<int>(track.sectors / static_cast<uint32_t>(readSize)));
    window.SetTotalStep(1);
    window.SetGrabbedText("");

    auto fail = [&](const std::string& message, int fd, bool header) {
        window.ShowStopMessage(message);
        if (fd >= 0) {
            if (header)
                WriteWavHeader(fd, 2, 44100.0);
            ::close(fd);
            ::unlink(path.c_str());
            DropFromCleanup(path);
        }
        drive.RestoreAfterAudio();
        window.Destroy();
        return false;
    };

    window.SetFileText(path);
    if (fd < 0)
        return fail("Error: Cannot create the temporary file " + path + ": " + std::strerror(createError), -1, false);
    // Until its encode has ended and removed it (ParallelBatch, ConversionRun).
    KeepForCleanup(path);
    if (!haveTrack)
        return fail(kGrabReadFailedMessage, fd, true);
    window.SetTrackRange(0, static_cast<int>(track.sectors / static_cast<uint32_t>(readSize)));
    ::lseek(fd, kWavHeaderSize, SEEK_SET);

    std::vector<uint8_t> buffer(kTempGrabBufferSectors * kSectorBytes);
    switch (GrabTrackSectors(drive, fd, track.entry.start, track.sectors, buffer, window, counters, clock, true, sums,
                             secure)) {
    case TrackGrabEnd::Cancelled: return fail(kGrabAbortedMessage, fd, true);
    case TrackGrabEnd::ReadFailed: return fail(kGrabReadFailedMessage, fd, true);
    case TrackGrabEnd::WriteFailed: return fail("Error: Cannot write the temporary file " + path, fd, false);
    case TrackGrabEnd::Done: break;
    }
    const bool headerWritten = WriteWavHeader(fd, 2, 44100.0);
    if (::close(fd) != 0 || !headerWritten) {
        ::unlink(path.c_str());
        DropFromCleanup(path);
        return fail("Error: Cannot write the temporary file " + path, -1, false);
    }
    drive.RestoreAfterAudio();
    job.location = tempFolder;
    job.fileName = path.substr(tempFolder.size());
    window.Destroy();
    return true;
}

TempWavGrab MakeTempWavGrab(DriveTable& drives, std::function<std::string()> defaultOutputDir,
                            GrabWindowFactory makeWindow, SecondsClock clock, std::function<bool()> secure)
{
    return [&drives, defaultOutputDir = std::move(defaultOutputDir), makeWindow = std::move(makeWindow),
            clock = std::move(clock), secure = std::move(secure)](FileJob& job, RunWindow& owner) {
        CdDrive* drive = nullptr;
        for (CdDrive& d : drives)
            if (&d == job.cdDrive)
                drive = &d;
        auto window = makeWindow(owner);
        if (drive == nullptr) {
            window->ShowStopMessage(kGrabReadFailedMessage);
            return false;
        }
        if (!secure || !secure())
            return GrabToTempWav(job, *drive, TempWavFolder(defaultOutputDir()), *window, clock);
        SecureTrackReader reader = MakeSecureReader(*drive);
        const std::string name = job.outputName;
        if (!GrabToTempWav(job, *drive, TempWavFolder(defaultOutputDir()), *window, clock, nullptr, &reader))
            return false;
        if (reader.Suspicious().empty())
            return true;
        // Encoded all the same, as a grab keeps such a track, and never silently good.
        window->ShowStopMessage(name + ": suspicious positions at sectors " + SectorRangesText(reader.Suspicious()) +
                                ": reads never agreed");
        return true;
    };
}

} // namespace quillon
