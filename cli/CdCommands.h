#pragma once

#include "cd/AudioGrab.h"
#include "cd/CdDrive.h"
#include "cd/DiscInfoStore.h"
#include "cd/RipReport.h"

#include <string>
#include <vector>

namespace quillon::cli {

// Detects the drives and picks the one asked for; prints the reason and returns null
// when there is none.
CdDrive* PickCdDrive(DriveTable& drives, int index);
// Reads the disc's TOC as loading a disc does; prints "No CD-Audio Disc Present in Drive!".
bool LoadCdToc(CdDrive& drive);
// The rows' names: the stored titles when `stored`, else "Track%02d".
std::vector<std::string> StoredTrackNames(const DiscInfoStore& store, int driveIndex, const CdDrive& drive,
                                          bool stored);

// Refuses, with a line naming the track, a data track (it would be grabbed as noise) and
// a title that gives no file name. False when any chosen track is refused.
bool CheckChosenTracks(const CdDrive& drive, const std::vector<int>& tracks, const std::vector<std::string>& names,
                       const char* command);

// The disc in drive `index` with the tracks a command was asked for, read and checked as
// grab and rip need them: the TOC, the track list, the stored disc text and the names.
struct ChosenTracks
{
    DriveTable drives;
    CdDrive* drive = nullptr;
    std::vector<int> tracks;
    DiscInfoStore store;
    bool stored = false;            // the disc's text came from its stored file
    std::vector<std::string> names; // every track's name, chosen or not
};
// 0 when `chosen` is filled, else the exit status after a line saying why.
int ChooseTracks(int index, const std::string& trackList, const char* command, ChosenTracks& chosen);

// Says on the standard error which tracks of the report have suspicious positions, as
// "quillon COMMAND: FILE: suspicious positions ..."; false when there were any.
bool TellSuspiciousTracks(const RipReport& report, const char* command);

// Prints each judged track's AccurateRip verdict and a look-up that failed; a track not
// accurate fails a command that went well (exit 1), a cancelled look-up cancels it (130).
int TellAccurateRip(const RipReport& report, const AccurateRipCheck& check, const char* command, int status);

// "drives", "toc", "grab", "lookup" and "rip".
bool IsCdCommand(const char* name);
// "drives", "toc", "grab" and "lookup": the commands that take the CD options only (rip takes the
// encoding options too, and is read by ParseArguments).
bool TakesCdOptionsOnly(const char* name);
// Runs `quillon <command> ...` for a command that takes the CD options only; the exit status.
int RunCdCommand(int argc, char** argv);

} // namespace quillon::cli
