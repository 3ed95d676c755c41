#pragma once

#include "cd/AccurateRipLookup.h"
#include "cd/CdDrive.h"
#include "cd/GrabProgressWindow.h"
#include "cd/RipReport.h"
#include "cd/TrackGrab.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quillon {

// A ticked row of the track list: the track (0-based) and its name.
struct GrabChoice
{
    int track = 0;
    std::string name;
};

enum class GrabOutcome {
    Completed,
    NothingSelected,
    FolderCancelled,
    InvalidPath,
    Cancelled,
    ReadFailed,
    FileFailed, // a WAV file could not be created or written
};

// The window's file line while the database is asked.
extern const char* const kCheckingAccurateRipText;

// A grab's check of its tracks against the AccurateRip database, before its log is
// written: where to ask, and what came of it.
struct AccurateRipCheck
{
    std::string server; // ChooseAccurateRipServer's
    long timeoutSeconds = 15;
    RipVerdicts verdicts;
    std::string message; // a look-up that failed, as AccurateRipAnswer tells it
    bool cancelled = false;
};

// Asks the user for a folder (the dialog is titled `title`); nothing when cancelled.
using FolderAsker = std::function<std::optional<std::string>(const std::string& title)>;

// Reads every chosen track of the drive's loaded disc into "<folder><name>.WAV", one
// file per track, with the progress window, its messages and Cancel. With a `report`
// (StartRipReport's, with the disc's texts) each track read is added to it and its log
// and cue sheet are written into the folder once the grab ends; a log that cannot be
// written fails the grab. `secure` reads each track in secure mode (SecureTrackReader).
// With `accurateRip` too, a grab that read every track asks the database while the window
// is served (its Cancel ends the look-up) and the log carries each track's verdict.
GrabOutcome AudioGrab(CdDrive& drive, const std::vector<GrabChoice>& ticked, const FolderAsker& askFolder,
                      GrabProgressWindow& window, const SecondsClock& clock = WallClockSeconds,
                      RipReport* report = nullptr, bool secure = false, AccurateRipCheck* accurateRip = nullptr);

} // namespace quillon
