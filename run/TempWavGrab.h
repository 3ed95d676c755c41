#pragma once

#include "cd/CdDrive.h"
#include "cd/GrabProgressWindow.h"
#include "cd/TrackGrab.h"
#include "run/ConversionRun.h"

#include <functional>
#include <memory>
#include <string>

namespace quillon {

// Makes the grab progress window of a CD job over the run's window.
using GrabWindowFactory = std::function<std::unique_ptr<GrabProgressWindow>(RunWindow& owner)>;

// The folder of the temporary WAV files: TMP, else TEMP, else TMPDIR, else the default
// output folder; it ends with "/".
std::string TempWavFolder(const std::string& defaultOutputDir);

// Reads the job's track from `drive` into a new file "<tempFolder><fileName>-XXXXXX.wav"
// of its own. True when the whole track was read: the job then names that file. False after Cancel, a read that
// failed 6 times, or a file that could not be made; the user has been told and no
// temporary file is left. `sums`, when given, takes the audio as it is written; `secure`,
// when given, reads the track in secure mode.
bool GrabToTempWav(FileJob& job, CdDrive& drive, const std::string& tempFolder, GrabProgressWindow& window,
                   const SecondsClock& clock = WallClockSeconds, TrackChecksums* sums = nullptr,
                   SecureTrackReader* secure = nullptr);

// The conversion run's hook for CD jobs: the job's drive is looked up in `drives`
// (the table its `cdDrive` points into) and the window made by `makeWindow`. When
// `secure` says so at the time of the grab, each track is read in secure mode; a track
// with sectors whose reads never agreed is kept and encoded, and told in the window.
TempWavGrab MakeTempWavGrab(DriveTable& drives, std::function<std::string()> defaultOutputDir,
                            GrabWindowFactory makeWindow, SecondsClock clock = WallClockSeconds,
                            std::function<bool()> secure = {});

} // namespace quillon
