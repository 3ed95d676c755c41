#include "cli/CdCommands.h"

#include "cd/AccurateRipLookup.h"
#include "cd/AudioGrab.h"
#include "cd/CdDrive.h"
#include "cd/CommandSense.h"
#include "cd/DiscInfoStore.h"
#include "cd/DiscLookup.h"
#include "cd/RipLog.h"
#include "cd/SecureRead.h"
#include "cd/TrackFileName.h"
#include "cd/TrackList.h"
#include "cli/CdLookup.h"
#include "cli/CdOptions.h"
#include "cli/Commands.h"
#include "cli/StoredSettings.h"
#include "cli/TerminalGrabWindow.h"
#include "cli/TerminalText.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace quillon::cli {

namespace {

const char* const kNoDrives = "No CD-ROM drives detected!";
const char* const kNoDisc = "No CD-Audio Disc Present in Drive!";

std::string TrimRight(const std::string& s)
{
    const auto end = s.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : s.substr(0, end + 1);
}

const char* ReadMethodName(const CdDrive& d)
{
    if (!d.isScsi)
        return "READ CD (BE, 10)";
    switch (d.readMethod) {
    case kReadMethodD8: return "vendor D8";
    case kReadMethodD4: return "vendor D4";
    case kReadMethodReadCd12: return "READ CD (BE, 12)";
    case kReadMethodCustom: return "custom";
    case kReadMethod12: return "READ(12)";
    default: return "READ(10)";
    }
}

} // namespace

CdDrive* PickCdDrive(DriveTable& drives, int index)
{
    const int found = DetectDrives(drives);
    if (found < 0) {
        std::fprintf(stderr, "%s\n", kNoDrives);
        return nullptr;
    }
    if (index < 0 || index >= found) {
        std::fprintf(stderr, "quillon: there is no drive %d (drives 0 to %d were found)\n", index, found - 1);
        return nullptr;
    }
    return &drives[index];
}

bool LoadCdToc(CdDrive& drive)
{
    drive.SetBlockMode(0, 2048);
    DiscToc toc;
    int count = 0;
    const int32_t result = drive.ReadToc(count, toc.data());
    if (result == kTocUnusable) {
        const int entries = std::min(count, kTrackRecordCapacity + 1);
        std::fprintf(stderr, "quillon: %s\n", UnusableTocText(toc.data(), entries).c_str());
        return false;
    }
    if (result != 1) {
        std::fprintf(stderr, "%s\n", kNoDisc);
        const std::string why = DescribeCommandFailure(aspi_last_command());
        if (!why.empty())
            std::fprintf(stderr, "quillon: READ TOC ended with %s\n", why.c_str());
        return false;
    }
    return true;
}

std::vector<std::string> StoredTrackNames(const DiscInfoStore& store, int driveIndex, const CdDrive& drive, bool stored)
{
    std::vector<std::string> names;
    for (int i = 0; i < drive.trackCount; ++i) {
        std::string name = stored ? store.Text(driveIndex, i, TrackField::Title) : std::string();
        names.push_back(name.empty() ? DefaultTrackName(i) : name);
    }
    return names;
}

bool CheckChosenTracks(const CdDrive& drive, const std::vector<int>& tracks, const std::vector<std::string>& names,
                       const char* command)
{
    for (int t : tracks) {
        if (!IsAudioTrack(drive.tracks[t])) {
            std::fprintf(stderr, "quillon %s: track %d is a data track, not audio; it cannot be grabbed\n", command,
                         t + 1);
            return false;
        }
        if (TrackFileName(names[t]).empty()) {
            std::fprintf(stderr, "quillon %s: track %d: %s\n", command, t + 1,
                         TerminalText(TrackNameNotAFileName(names[t])).c_str());
            return false;
        }
    }
    std::vector<NamedTrack> named;
    for (int t : tracks)
        named.push_back({drive.tracks[t].entry.trackNumber, names[t]});
    if (const std::string clash = TrackNameClash(named); !clash.empty()) {
        std::fprintf(stderr, "quillon %s: %s\n", command, TerminalText(clash).c_str());
        return false;
    }
    return true;
}

int ChooseTracks(int index, const std::string& trackList, const char* command, ChosenTracks& chosen)
{
    chosen.drive = PickCdDrive(chosen.drives, index);
    if (chosen.drive == nullptr || !LoadCdToc(*chosen.drive))
        return kExitFailed;
    std::string error;
    if (!ParseTrackList(trackList, chosen.drive->trackCount, chosen.tracks, error)) {
        std::fprintf(stderr, "quillon %s: %s\n", command, error.c_str());
        return kExitUsage;
    }
    chosen.stored = chosen.store.LoadDiscInfo(index, *chosen.drive);
    chosen.names = StoredTrackNames(chosen.store, index, *chosen.drive, chosen.stored);
    return CheckChosenTracks(*chosen.drive, chosen.tracks, chosen.names, command) ? kExitOk : kExitUsage;
}

namespace {

std::vector<std::string> TrackNames(DiscInfoStore& store, int driveIndex, const CdDrive& drive)
{
    const bool stored = store.LoadDiscInfo(driveIndex, drive);
    return StoredTrackNames(store, driveIndex, drive, stored);
}

int Drives(const CdOptions&)
{
    DriveTable drives;
    const int found = DetectDrives(drives);
    if (found < 0) {
        std::fprintf(stderr, "%s\n", kNoDrives);
        return kExitFailed;
    }
    for (int i = 0; i < found; ++i) {
        const CdDrive& d = drives[i];
        std::printf("%d  CD[%d,%d]  %s  %s  %s  %s  %s  %d sectors per read\n", i, d.hostAdapter, d.target,
                    TrimRight(d.vendor).c_str(), TrimRight(d.product).c_str(), TrimRight(d.revision).c_str(),
                    d.bus.c_str(), ReadMethodName(d), d.sectorsPerRead);
    }
    return kExitOk;
}

int Toc(const CdOptions&, int index)
{
    DriveTable drives;
    CdDrive* drive = PickCdDrive(drives, index);
    if (drive == nullptr || !LoadCdToc(*drive))
        return kExitFailed;
    DiscInfoStore store;
    const auto rows = BuildTrackRows(*drive, TrackNames(store, index, *drive));
    std::vector<std::string> shownNames;
    size_t width = std::strlen(kTrackListHeaders[0]);
    for (const auto& r : rows) {
        shownNames.push_back(TerminalText(r.name));
        width = std::max(width, shownNames.back().size());
    }
    std::printf("%-*s  %s  %s  %s  %s\n", static_cast<int>(width), kTrackListHeaders[0], kTrackListHeaders[1],
                kTrackListHeaders[2], kTrackListHeaders[3], kTrackListHeaders[4]);
    for (size_t i = 0; i < rows.size(); ++i) {
        const TrackRow& r = rows[i];
        std::printf("%-*s  %9s  %10s  %10s  %s\n", static_cast<int>(width), shownNames[i].c_str(), r.number.c_str(),
                    r.length.c_str(), r.size.c_str(), r.type.c_str());
    }
    std::printf("%s\n", DiscSizeText(drive->totalSectors).c_str());
    PrintDiscIds(*drive);
    return kExitOk;
}

int Grab(const CdOptions& options, int index)
{
    ChosenTracks chosen;
    if (const int status = ChooseTracks(index, options.tracks, "grab", chosen); status != kExitOk)
        return status;
    std::vector<GrabChoice> ticked;
    for (int t : chosen.tracks)
        ticked.push_back({t, chosen.names[t]});
    const std::optional<int> correction =
        options.readCorrection ? options.readCorrection : StoredReadCorrection(*chosen.drive);
    chosen.drive->readCorrection = correction.value_or(0);
    RipReport report = StartRipReport(*chosen.drive);
    report.offsetCorrection = correction;
    if (chosen.stored) {
        report.album = chosen.store.Text(index, 0, TrackField::Album);
        report.performer = chosen.store.Text(index, 0, TrackField::Artist);
    }
    const EnvironmentLookup environment = [](const char* name) { return std::getenv(name); };
    AccurateRipCheck check;
    check.server = ChooseAccurateRipServer(LoadStoredSettings().settings.lookup.accurateRipServer, environment);
    check.timeoutSeconds = LookupTimeoutSeconds(environment);
    if (!options.accurateRip)
        report.summary.push_back("AccurateRip: not asked (--no-accuraterip)");
    TerminalGrabWindow window;
    const GrabOutcome outcome = AudioGrab(
        *chosen.drive, ticked, [&](const std::string&) { return std::optional(options.outputDir); }, window,
        WallClockSeconds, &report, options.secure, options.accurateRip ? &check : nullptr);
    const bool clean = TellSuspiciousTracks(report, "grab");
    if (outcome == GrabOutcome::Cancelled)
        return kExitCancelled;
    return TellAccurateRip(report, check, "grab", outcome == GrabOutcome::Completed && clean ? kExitOk : kExitFailed);
}

} // namespace

int TellAccurateRip(const RipReport& report, const AccurateRipCheck& check, const char* command, int status)
{
    if (!check.message.empty())
        std::fprintf(stderr, "quillon %s: %s The tracks are not checked against AccurateRip.\n", command,
                     check.message.c_str());
    for (const RipTrackReport& track : report.tracks)
        if (!track.verdict.empty())
            std::printf("Track %2d: %s\n", track.number, track.verdict.c_str());
    if (check.cancelled && status == kExitOk)
        return kExitCancelled;
    if (check.verdicts.notAccurate > 0 && status == kExitOk)
        return kExitFailed;
    return status;
}

bool TellSuspiciousTracks(const RipReport& report, const char* command)
{
    bool clean = true;
    for (const RipTrackReport& track : report.tracks) {
        if (track.suspicious.empty())
            continue;
        clean = false;
        std::fprintf(stderr,
                     "quillon %s: %s: suspicious positions at sectors %s: reads never agreed (kept, see the log)\n",
                     command, track.fileName.c_str(), SectorRangesText(track.suspicious).c_str());
    }
    return clean;
}

bool TakesCdOptionsOnly(const char* name)
{
    return std::strcmp(name, "drives") == 0 || std::strcmp(name, "toc") == 0 || std::strcmp(name, "grab") == 0 ||
           std::strcmp(name, "lookup") == 0;
}

bool IsCdCommand(const char* name)
{
    return TakesCdOptionsOnly(name) || std::strcmp(name, "rip") == 0;
}

int RunCdCommand(int argc, char** argv)
{
    CdOptions options;
    std::string error;
    if (!ParseCdOptions(argc - 2, argv + 2, options, error)) {
        std::fprintf(stderr, "quillon %s: %s\n", argv[1], error.c_str());
        return kExitUsage;
    }
    const std::string command = argv[1];
    if (command != "lookup" && (options.release || options.save)) {
        std::fprintf(stderr, "quillon %s: --release and --save are options of quillon lookup\n", argv[1]);
        return kExitUsage;
    }
    const int index = options.drive ? *options.drive : LoadStoredSettings().settings.defaultCd;
    if (command == "drives")
        return Drives(options);
    if (command == "toc")
        return Toc(options, index);
    if (command == "lookup")
        return RunLookup(options, index);
    if (command == "grab") {
        if (options.tracks.empty()) {
            std::fprintf(stderr, "quillon grab: --tracks is required (for example --tracks 1,3-5)\n");
            return kExitUsage;
        }
        return Grab(options, index);
    }
    return kExitUsage;
}

} // namespace quillon::cli
