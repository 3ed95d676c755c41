#include "cli/CdRip.h"

#include "batch/JobList.h"
#include "cd/CdDrive.h"
#include "cd/DiscInfoStore.h"
#include "cd/GenreList.h"
#include "cd/TrackJobs.h"
#include "cli/CdCommands.h"
#include "cli/CdOptions.h"
#include "cli/CliArguments.h"
#include "cli/Commands.h"
#include "cli/ParallelBatch.h"
#include "cli/StoredSettings.h"
#include "cli/TerminalWindow.h"
#include "formats/TextEncoding.h"
#include "run/TempWavGrab.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {

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
};

} // namespace

int RunRip(int argc, char** argv)
{
    using namespace cli;
    // The CD words are taken here; the encoding options are those of `quillon encode`.
    CdOptions cd;
    // The option words are read as `quillon defaults --save` reads them: options without files.
    std::vector<std::string> encodeWords{"defaults", "--save"};
    std::optional<std::string> artist, album, year, comment, genreName;
    std::optional<int> driveIndex;
    std::optional<int> jobCount;
    for (int i = 2; i < argc; ++i) {
        const std::string word = argv[i];
        auto value = [&](std::optional<std::string>& out) {
            if (i + 1 >= argc)
                return false;
            out = argv[++i];
            return true;
        };
        std::optional<std::string> v;
        bool ok = true;
        auto number = [&](long low, long high, std::optional<int>& out) {
            if (!value(v))
                return false;
            char* end = nullptr;
            const long n = std::strtol(v->c_str(), &end, 10);
            out = static_cast<int>(n);
            return !v->empty() && *end == '\0' && n >= low && n <= high;
        };
        if (word == "--drive") {
            ok = number(0, kDriveSlots - 1, driveIndex);
        } else if (word == "--jobs") {
            ok = number(1, 1024, jobCount);
        } else if (word == "--save") {
            // A rip uses the defaults; storing them is left to `quillon defaults --save`,
            // so that a rip never changes what the next command does.
            Complain("quillon rip does not store defaults; store them with 'quillon defaults --save'");
            return kExitUsage;
        } else if (word == "--tracks") {
            ok = value(v);
            cd.tracks = v.value_or("");
        } else if (word == "--artist") {
            ok = value(artist);
        } else if (word == "--album") {
            ok = value(album);
        } else if (word == "--year") {
            ok = value(year);
        } else if (word == "--comment") {
            ok = value(comment);
        } else if (word == "--genre") {
            ok = value(genreName);
        } else {
            encodeWords.push_back(word);
        }
        if (!ok) {
            Complain("bad or missing value for " + word);
            return kExitUsage;
        }
    }
    const CliArguments arguments = ParseArguments(encodeWords);
    if (!arguments.files.empty()) {
        Complain("unexpected word \"" + arguments.files.front() + "\"");
        return kExitUsage;
    }
    if (!arguments.error.empty()) {
        Complain(arguments.error);
        return kExitUsage;
    }
    if (cd.tracks.empty()) {
        Complain("--tracks is required (for example --tracks 1,3-5)");
        return kExitUsage;
    }
    int genre = kGenreOther;
    if (genreName) {
        genre = FindGenre(*genreName);
        if (genre < 0) {
            Complain("unknown genre \"" + *genreName + "\"");
            return kExitUsage;
        }
    }
    // The tag fields hold 30 characters (the year 4); longer texts would be cut silently.
    const std::pair<std::optional<std::string>*, size_t> limits[] = {
        {&artist, 30}, {&album, 30}, {&comment, 30}, {&year, 4}};
    for (const auto& [text, room] : limits) {
        if (*text)
            **text = TextAsUtf8(**text);
        if (*text && Utf8Length(**text) > room) {
            Complain("\"" + **text + "\" is longer than " + std::to_string(room) + " characters");
            return kExitUsage;
        }
    }

    const StoredSettings loaded = LoadStoredSettings();
    const DefaultSettings& settings = loaded.settings;
    DefaultEncodingOptions options;
    if (const std::string problem = cli::ChooseEncodingOptions(loaded, arguments.options, options); !problem.empty()) {
        Complain(problem);
        return kExitUsage;
    }
    std::string outputDir = arguments.outputDir.value_or(settings.defaultOutputDir);
    if (outputDir.empty() || outputDir == kNotSet || IsDefaultMarker(outputDir)) {
        Complain("no output folder: give one with -o DIR, or store one with 'quillon defaults --save -o DIR'");
        return kExitUsage;
    }
    if (const std::string problem = cli::OutputFolderProblem(outputDir); !problem.empty()) {
        Complain(problem);
        return kExitFailed;
    }

    const int index = driveIndex.value_or(settings.defaultCd);
    ChosenTracks chosen;
    if (const int status = ChooseTracks(index, cd.tracks, "rip", chosen); status != 0)
        return status;
    CdDrive* drive = chosen.drive;
    DiscInfoStore& store = chosen.store;
    const std::vector<std::string>& names = chosen.names;

    // The disc's text: stored fields first, then what the command line names; assigned
    // to every track and stored per disc, as the grabber does on OK.
    DiscText text;
    text.year = CurrentYear();
    if (chosen.stored) {
        if (const TrackInfo* first = store.Record(index, 0)) {
            text.artist = TrackInfoField(first->artist, sizeof first->artist);
            text.album = TrackInfoField(first->album, sizeof first->album);
            text.year = TrackInfoField(first->year, sizeof first->year);
        }
    }
    text.artist = artist.value_or(text.artist);
    text.album = album.value_or(text.album);
    text.year = year.value_or(text.year);
    text.comment = comment.value_or(text.comment);
    text.genre = genre;

    std::vector<TrackInfo> records(static_cast<size_t>(drive->trackCount));
    for (int i = 0; i < drive->trackCount; ++i) {
        TrackInfo* record = store.Record(index, i);
        TrackInfo& info = record ? *record : records[static_cast<size_t>(i)];
        SetTrackInfoTitle(info, names[static_cast<size_t>(i)]);
        SetTrackInfo(info, names[static_cast<size_t>(i)], text.artist, text.album, text.year, text.comment,
                     static_cast<uint8_t>(text.genre));
        records[static_cast<size_t>(i)] = info;
    }

    JobList jobs;
    if (const EditResult set = jobs.SetDefaultOutputDir(outputDir); !set) {
        Complain(set.message);
        return kExitUsage;
    }
    std::vector<TickedTrack> ticked;
    for (int t : chosen.tracks)
        ticked.push_back({t, names[static_cast<size_t>(t)], &records[static_cast<size_t>(t)]});
    if (const EditResult added = AddTrackJobs(jobs, *drive, ticked, options); !added) {
        Complain(added.message);
        return kExitUsage;
    }
    store.SaveDiscInfo(index, *drive);

    TerminalWindow window(stdout, stderr, ::isatty(STDOUT_FILENO) != 0);
    UnpacedRunClock clock;
    const std::string tempFolder = TempWavFolder(jobs.DefaultOutputDir());
    return RunParallelBatch(jobs, window, clock, jobCount.value_or(UsableCpuCount()),
                            [&](FileJob& job, GrabProgressWindow& grabWindow) {
                                return GrabToTempWav(job, *drive, tempFolder, grabWindow);
                            });
}

} // namespace quillon
