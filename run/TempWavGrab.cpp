#include "run/TempWavGrab.h"

#include "formats/WavHeader.h"
#include "platform/TemporaryFolder.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {

namespace {

constexpr size_t kTempGrabBufferSectors = 128;

// Opens the temporary file so that nothing else is written through its name: a stale
// regular file of ours is removed first, and the new file is made exclusively without
// following a symlink, so another user's file or link at that name makes this fail.
int CreateTempFile(const std::string& path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid())
        ::unlink(path.c_str());
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
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
                   const SecondsClock& clock)
{
    const std::string path = tempFolder + job.fileName + ".wav";
    GrabCounters counters;
    counters.startTime = clock();
    const bool haveTrack = job.trackIndex >= 0 && job.trackIndex < drive.trackCount;
    const TrackRecord track = haveTrack ? drive.tracks[job.trackIndex] : TrackRecord{};
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
        }
        drive.RestoreAfterAudio();
        window.Destroy();
        return false;
    };

    const int fd = CreateTempFile(path);
    window.SetFileText(path);
    if (fd < 0)
        return fail("Error: Cannot create the temporary file " + path, -1, false);
    if (!haveTrack)
        return fail(kGrabReadFailedMessage, fd, true);
    window.SetTrackRange(0, static_cast<int>(track.sectors / static_cast<uint32_t>(readSize)));
    ::lseek(fd, kWavHeaderSize, SEEK_SET);

    std::vector<uint8_t> buffer(kTempGrabBufferSectors * kSectorBytes);
    switch (GrabTrackSectors(drive, fd, track.entry.start, track.sectors, buffer, window, counters, clock, true)) {
    case TrackGrabEnd::Cancelled:
        return fail(kGrabAbortedMessage, fd, true);
    case TrackGrabEnd::ReadFailed:
        return fail(kGrabReadFailedMessage, fd, true);
    case TrackGrabEnd::WriteFailed:
        return fail("Error: Cannot write the temporary file " + path, fd, false);
    case TrackGrabEnd::Done:
        break;
    }
    const bool headerWritten = WriteWavHeader(fd, 2, 44100.0);
    if (::close(fd) != 0 || !headerWritten) {
        ::unlink(path.c_str());
        return fail("Error: Cannot write the temporary file " + path, -1, false);
    }
    drive.RestoreAfterAudio();
    job.location = tempFolder;
    job.fileName += ".wav";
    window.Destroy();
    return true;
}

TempWavGrab MakeTempWavGrab(DriveTable& drives, std::function<std::string()> defaultOutputDir,
                            GrabWindowFactory makeWindow, SecondsClock clock)
{
    return [&drives, defaultOutputDir = std::move(defaultOutputDir), makeWindow = std::move(makeWindow),
            clock = std::move(clock)](FileJob& job, RunWindow& owner) {
        CdDrive* drive = nullptr;
        for (CdDrive& d : drives)
            if (&d == job.cdDrive)
                drive = &d;
        auto window = makeWindow(owner);
        if (drive == nullptr) {
            window->ShowStopMessage(kGrabReadFailedMessage);
            return false;
        }
        return GrabToTempWav(job, *drive, TempWavFolder(defaultOutputDir()), *window, clock);
    };
}

} // namespace quillon
