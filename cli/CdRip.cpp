#include "cli/CdRip.h"

#include "batch/JobList.h"
#include "cd/AccurateRipLookup.h"
#include "cd/CdDrive.h"
#include "cd/DiscInfoStore.h"
#include "cd/DiscTextFile.h"
#include "cd/GenreList.h"
#include "cd/RipChecksums.h"
#include "cd/RipLog.h"
#include "cd/RipRecorder.h"
#include "cd/SecureRead.h"
#include "cd/TrackJobs.h"
#include "cli/CancelWatcher.h"
#include "cli/CdCommands.h"
#include "cli/CdLookup.h"
#include "cli/CliArguments.h"
#include "cli/Commands.h"
#include "cli/ParallelBatch.h"
#include "cli/StoredSettings.h"
#include "cli/TerminalText.h"
#include "cli/TerminalWindow.h"
#include "formats/CoverPicture.h"
#include "formats/TextEncoding.h"
#include "run/TempWavGrab.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <unistd.h>

namespace quillon::cli {

namespace {

void Complain(const std::string& text)
{
    std::fprintf(stderr, "quillon rip: %s\n", text.c_str());
}

std::string CurrentYear()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return std::to_string(local.tm_year + 1900);
}

// The disc's text as the grabber starts it: from the first track's stored record, or
// the current year and "Unknown"; the genre always starts as "Other".
struct DiscText
{
    std::string artist = "Unknown";
    std::string album = "Unknown";
    std::string year;
    std::string comment;
    int genre = kGenreOther;
    bool trackArtists = false; // each track keeps the artist its record holds (a look-up's credits)
};

// What the words of a rip ask for, checked before any drive is touched.
struct RipRequest
{
    RipOptions rip; // its texts in UTF-8, each within its tag field
    int genre = kGenreOther;
    TagPicture cover;
    DefaultEncodingOptions options;
    std::string outputDir;
    int drive = 0;
    int workers = 1;
    std::optional<int> offset;     // the correction given, else the one stored for the drive
    std::string accurateRipServer; // the setting's
};

// Why rip's own words cannot be used ("" when they can). The texts become UTF-8 on the way;
// the cover picture is read.
std::string RipWordsProblem(RipOptions& rip, int& genre, TagPicture& cover)
{
    if (rip.tracks.empty())
        return "--tracks is required (for example --tracks 1,3-5)";
    if (rip.genre) {
        genre = FindGenre(*rip.genre);
        if (genre < 0)
            return "unknown genre \"" + *rip.genre + "\"";
    }
    // The disc's store keeps texts whole up to its limit (the record takes their first
    // bytes); the record's year holds 4. Longer texts would be cut silently.
    const std::pair<std::optional<std::string>*, size_t> limits[] = {{&rip.artist, kMaxTrackTextLength},
                                                                     {&rip.album, kMaxTrackTextLength},
                                                                     {&rip.comment, kMaxTrackTextLength},
                                                                     {&rip.year, 4}};
    for (const auto& [text, room] : limits) {
        if (*text)
            **text = TextAsUtf8(**text);
        if (*text && Utf8Length(**text) > room)
            return "\"" + **text + "\" is longer than " + std::to_string(room) + " characters";
    }
    if (rip.cover) {
        std::string problem;
        if (auto picture = ReadCoverPicture(*rip.cover, problem))
            cover = std::move(*picture);
        return problem;
    }
    return {};
}

// The request from the words and the stored defaults; the exit status when there is none.
int MakeRipRequest(const CliArguments& arguments, RipRequest& request)
{
    request.rip = arguments.rip;
    std::string wordsProblem = arguments.error;
    if (wordsProblem.empty())
        wordsProblem = RipWordsProblem(request.rip, request.genre, request.cover);
    if (!wordsProblem.empty()) {
        Complain(wordsProblem);
        return kExitUsage;
    }
    const StoredSettings loaded = LoadStoredSettings();
    if (const std::string problem = ChooseEncodingOptions(loaded, arguments.options, request.options);
        !problem.empty()) {
        Complain(problem);
        return kExitUsage;
    }
    request.outputDir = arguments.outputDir.value_or(loaded.settings.defaultOutputDir);
    if (request.outputDir.empty() || request.outputDir == kNotSet || IsDefaultMarker(request.outputDir)) {
        Complain("no output folder: give one with -o DIR, or store one with 'quillon defaults --save -o DIR'");
        return kExitUsage;
    }
    if (const std::string problem = OutputFolderProblem(request.outputDir); !problem.empty()) {
        Complain(problem);
        return kExitFailed;
    }
    request.drive = arguments.drive.value_or(loaded.settings.defaultCd);
    request.offset = arguments.offset;
    request.accurateRipServer = loaded.settings.lookup.accurateRipServer;
    request.workers = arguments.jobs.value_or(UsableCpuCount());
    return kExitOk;
}

// The disc's text: the release looked up, else the stored fields, then what the command
// line names.
DiscText ChooseDiscText(ChosenTracks& chosen, const RipRequest& request, const ReleaseChoice* release)
{
    DiscText text;
    text.year = CurrentYear();
    if (release) {
        text.artist = release->artist;
        text.album = release->title;
        text.year = release->Year();
        text.trackArtists = !request.rip.artist;
    } else if (chosen.stored) {
        text.artist = chosen.store.Text(request.drive, 0, TrackField::Artist);
        text.album = chosen.store.Text(request.drive, 0, TrackField::Album);
        text.year = chosen.store.Text(request.drive, 0, TrackField::Year);
    }
    const RipOptions& given = request.rip;
    text.artist = given.artist.value_or(text.artist);
    text.album = given.album.value_or(text.album);
    text.year = given.year.value_or(text.year);
    text.comment = given.comment.value_or(text.comment);
    text.genre = request.genre;
    if (const int found = release ? ReleaseGenre(*release) : -1; found >= 0 && !given.genre)
        text.genre = found;
    return text;
}

// Every track's record with the disc's text, as the grabber assigns it on OK; the stored
// records take it too, so that saving the disc's file stores it.
std::vector<TrackInfo> AssignDiscText(ChosenTracks& chosen, int driveIndex, const DiscText& text)
{
    const int count = chosen.drive->trackCount;
    std::vector<TrackInfo> records(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const std::string& name = chosen.names[static_cast<size_t>(i)];
        TrackInfo* record = chosen.store.Record(driveIndex, i);
        TrackInfo& info = record ? *record : records[static_cast<size_t>(i)];
        TrackTexts spare;
        TrackTexts& texts = record ? *chosen.store.Texts(driveIndex, i) : spare;
        const std::string artist = text.trackArtists ? TrackText(info, texts, TrackField::Artist) : text.artist;
        SetTrackInfoTitle(info, texts, name);
        SetTrackInfo(info, texts, name, artist.empty() ? text.artist : artist, text.album, text.year, text.comment,
                     static_cast<uint8_t>(text.genre));
        records[static_cast<size_t>(i)] = info;
    }
    return records;
}

// One job per chosen track into the request's folder; the exit status when there are none.
int AddRipJobs(JobList& jobs, const ChosenTracks& chosen, const std::vector<TrackInfo>& records,
               const RipRequest& request)
{
    if (const EditResult set = jobs.SetDefaultOutputDir(request.outputDir); !set) {
        Complain(set.message);
        return kExitUsage;
    }
    std::vector<TickedTrack> ticked;
    for (int t : chosen.tracks)
        ticked.push_back({t, chosen.names[static_cast<size_t>(t)], &records[static_cast<size_t>(t)],
                          chosen.store.Texts(request.drive, t)});
    if (const EditResult added = AddTrackJobs(jobs, *chosen.drive, ticked, request.options, request.cover); !added) {
        Complain(added.message);
        return kExitUsage;
    }
    return kExitOk;
}

// The look-up's texts in the disc's records and its names for the files, its cover unless
// the command line gives one; null when the look-up found nothing, which is told, and the
// rip goes on with the stored or default texts.
int TakeLookup(ChosenTracks& chosen, RipRequest& request, LoadedDiscLookup& lookup, const ReleaseChoice*& release)
{
    lookup = LookUpLoadedDisc(*chosen.drive);
    if (lookup.result.outcome == LookupOutcome::Cancelled)
        return kExitCancelled;
    if (lookup.result.outcome != LookupOutcome::Found) {
        Complain(lookup.result.message + " The files take the disc's stored or default texts.");
        return kExitOk;
    }
    release = ChosenRelease(lookup.result, request.rip.release.value_or(1), "rip");
    if (release == nullptr)
        return kExitUsage;
    std::printf("Release: %s\n", TerminalText(ReleaseLine(*release)).c_str());
    TagPicture cover = TakeRelease(lookup, *release, chosen.store, request.drive, *chosen.drive);
    if (!request.rip.cover)
        request.cover = std::move(cover);
    chosen.stored = true;
    chosen.names = StoredTrackNames(chosen.store, request.drive, *chosen.drive, true);
    return CheckChosenTracks(*chosen.drive, chosen.tracks, chosen.names, "rip") ? kExitOk : kExitUsage;
}

// Grabs each track to a temporary WAV file beside the outputs and encodes it; what each
// read gave goes into the rip's record.
int RunRipJobs(JobList& jobs, CdDrive& drive, int workers, RipRecorder& recorder, bool secure)
{
    TerminalWindow window(stdout, stderr, ::isatty(STDOUT_FILENO) != 0);
    UnpacedRunClock clock;
    const std::string tempFolder = TempWavFolder(jobs.DefaultOutputDir());
    return RunParallelBatch(jobs, window, clock, workers, [&](FileJob& job, GrabProgressWindow& grabWindow) {
        const std::string output = job.outputName;
        TrackChecksums sums = recorder.Sums(job.trackIndex);
        SecureTrackReader reader = MakeSecureReader(drive);
        const bool read =
            GrabToTempWav(job, drive, tempFolder, grabWindow, WallClockSeconds, &sums, secure ? &reader : nullptr);
        if (read)
            recorder.Add(job.trackIndex, output, job.tags ? job.tags->title : "", job.tags ? job.tags->artist : "",
                         sums, true, secure ? &reader : nullptr);
        else
            recorder.AddMissing(job.trackIndex);
        return read;
    });
}

// Each track read whole judged by the AccurateRip database, printed and kept for the log.
// A track that is not accurate makes the rip fail (its file stays); a database that cannot
// be asked or read is told, and the rip stands as it is.
int CheckAccurateRip(RipReport& report, const RipRequest& request, int status)
{
    if (!request.rip.accurateRip) {
        report.summary.push_back("AccurateRip: not asked (--no-accuraterip)");
        return status;
    }
    if (report.tracks.empty())
        return status;
    const EnvironmentLookup environment = [](const char* name) { return std::getenv(name); };
    std::atomic<bool> cancel{false};
    AccurateRipAnswer answer;
    {
        CancelWatcher watcher([&cancel] { cancel = true; });
        answer = LookUpAccurateRip(ChooseAccurateRipServer(request.accurateRipServer, environment),
                                   RipAccurateRipIds(report), LookupTimeoutSeconds(environment), cancel);
    }
    AccurateRipCheck check;
    check.verdicts = JudgeRipTracks(answer, report);
    check.message = answer.message;
    check.cancelled = answer.outcome == AccurateRipOutcome::Cancelled;
    return TellAccurateRip(report, check, "rip", status);
}

// The rip's log and cue sheet beside its files; a rip whose log cannot be written fails.
int WriteRipRecord(RipRecorder& recorder, const std::string& folder, int status)
{
    if (recorder.Empty())
        return status;
    if (const std::string problem = recorder.Write(folder); !problem.empty()) {
        Complain(problem);
        return status == kExitOk ? kExitFailed : status;
    }
    return status;
}

} // namespace

int RunRip(const CliArguments& arguments)
{
    RipRequest request;
    if (const int status = MakeRipRequest(arguments, request); status != kExitOk)
        return status;
    ChosenTracks chosen;
    if (const int status = ChooseTracks(request.drive, request.rip.tracks, "rip", chosen); status != kExitOk)
        return status;
    LoadedDiscLookup lookup;
    const ReleaseChoice* release = nullptr;
    if (request.rip.lookup)
        if (const int status = TakeLookup(chosen, request, lookup, release); status != kExitOk)
            return status;
    const DiscText text = ChooseDiscText(chosen, request, release);
    const std::vector<TrackInfo> records = AssignDiscText(chosen, request.drive, text);
    JobList jobs;
    if (const int status = AddRipJobs(jobs, chosen, records, request); status != kExitOk)
        return status;
    chosen.store.SaveDiscInfo(request.drive, *chosen.drive);
    if (!request.offset)
        request.offset = StoredReadCorrection(*chosen.drive);
    chosen.drive->readCorrection = request.offset.value_or(0);
    RipReport report = StartRipReport(*chosen.drive);
    report.offsetCorrection = request.offset;
    if (request.rip.secure)
        report.readMode = kSecureReadMode;
    report.album = text.album;
    report.performer = text.artist;
    RipRecorder recorder(report);
    int status = RunRipJobs(jobs, *chosen.drive, request.workers, recorder, request.rip.secure);
    if (!TellSuspiciousTracks(report, "rip") && status == kExitOk)
        status = kExitFailed;
    if (status != kExitCancelled)
        status = CheckAccurateRip(report, request, status);
    return WriteRipRecord(recorder, request.outputDir, status);
}

} // namespace quillon::cli
