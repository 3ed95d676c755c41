#include "cli/Commands.h"

#include "app/SettingsStore.h"
#include "batch/JobList.h"
#include "batch/OutputClashes.h"
#include "cd/ReadCorrection.h"
#include "cli/CancelWatcher.h"
#include "cli/CdCommands.h"
#include "cli/ParallelBatch.h"
#include "cli/StoredSettings.h"
#include "cli/TerminalWindow.h"
#include "platform/qt/QtSettingsFile.h"
#include "run/ConversionRun.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon::cli {

namespace {

void Complain(const std::string& text)
{
    std::fprintf(stderr, "quillon: %s\n", text.c_str());
}

std::string WithSlash(std::string folder)
{
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

// The same file reached by both paths (the output would overwrite the input while it is read).
bool SameFile(const std::string& a, const std::string& b)
{
    struct stat first, second;
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

// "+6 samples": a correction as the rip log gives it.
std::string CorrectionText(int32_t samples)
{
    return ReadCorrectionText(samples) + " samples";
}

// The model of a drive as its settings key names it, for the user.
std::string ModelText(const std::string& key)
{
    return key.substr(key.find('/') + 1);
}

// A line for each drive found whose model has a stored read offset correction; drives are
// looked for only when the settings store any.
void PrintStoredCorrections(const DefaultSettings& settings)
{
    if (settings.driveOffsets.empty())
        return;
    DriveTable drives;
    const int found = DetectDrives(drives);
    for (int i = 0; i < found; ++i) {
        const std::string key = DriveOffsetKey(drives[i].vendor, drives[i].product);
        if (const auto correction = StoredReadCorrection(drives[i]))
            std::printf("Read offset correction of drive %d (%s): %s\n", i, ModelText(key).c_str(),
                        CorrectionText(*correction).c_str());
    }
}

} // namespace

std::string OutputFolderProblem(const std::string& folder)
{
    struct stat info;
    if (stat(folder.c_str(), &info) != 0)
        return errno == ENOENT ? "the output folder " + folder + " does not exist"
                               : "the output folder " + folder + " cannot be used: " + std::strerror(errno);
    if (!S_ISDIR(info.st_mode))
        return "the output folder " + folder + " is not a folder";
    return {};
}

std::string ChooseEncodingOptions(const StoredSettings& loaded, const OptionOverrides& given,
                                  DefaultEncodingOptions& chosen)
{
    chosen = loaded.settings.options;
    given.ApplyTo(chosen);
    const std::string problem = CheckEncodingOptions(chosen);
    if (problem.empty() || problem != CheckEncodingOptions(loaded.settings.options))
        return problem;
    return "the settings file " + loaded.path + " holds a default that cannot be used: " + problem;
}

int RunConversion(const CliArguments& arguments)
{
    const StoredSettings loaded = LoadStoredSettings();
    DefaultEncodingOptions options;
    const std::string optionsProblem = ChooseEncodingOptions(loaded, arguments.options, options);
    const int action = arguments.command == Command::Encode ? kActionEncode : kActionDecode;
    if (action == kActionEncode) {
        if (!optionsProblem.empty()) {
            Complain(optionsProblem);
            return kExitUsage;
        }
    }

    std::string outputDir;
    if (arguments.outputDir) {
        outputDir = *arguments.outputDir;
    } else {
        outputDir = loaded.settings.defaultOutputDir;
        if (outputDir.empty() || outputDir == kNotSet || IsDefaultMarker(outputDir)) {
            Complain("no output folder: give one with -o DIR, or store one with 'quillon defaults --save -o DIR'");
            return kExitUsage;
        }
    }
    if (const std::string problem = OutputFolderProblem(outputDir); !problem.empty()) {
        Complain(problem);
        return kExitFailed;
    }

    JobList jobs;
    if (const EditResult set = jobs.SetDefaultOutputDir(outputDir); !set) {
        Complain(set.message);
        return kExitUsage;
    }
    for (const std::string& file : arguments.files) {
        const auto slash = file.rfind('/');
        const std::string folder = slash == std::string::npos ? "./" : file.substr(0, slash + 1);
        const std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
        if (name.empty()) {
            Complain(file + " names a folder, not a file");
            return kExitUsage;
        }
        struct stat info;
        const bool found = stat(file.c_str(), &info) == 0;
        // A FIFO or device would block the run's open, or never end.
        if (found && !S_ISREG(info.st_mode)) {
            Complain(file + (S_ISDIR(info.st_mode) ? " names a folder, not a file" : " is not a regular file"));
            return kExitUsage;
        }
        const uint64_t size = found ? static_cast<uint64_t>(info.st_size) : 0;
        if (const EditResult added = jobs.AddFiles({{name, SizeText(size)}}, folder, action, options); !added) {
            Complain(added.message);
            return kExitUsage;
        }
        const FileJob& job = jobs.Job(jobs.Count() - 1);
        if (SameFile(job.InputPath(), job.OutputPath())) {
            Complain(file + " would be overwritten by its own output; choose another output folder with -o");
            return kExitUsage;
        }
    }

    // A later job would overwrite an earlier one's result without a word.
    if (const auto clashes = ClashingOutputPaths(jobs); !clashes.empty()) {
        Complain(OutputClashMessage(clashes));
        return kExitUsage;
    }

    TerminalWindow window(stdout, stderr, isatty(STDOUT_FILENO) != 0);
    UnpacedRunClock clock;
    return RunParallelBatch(jobs, window, clock, arguments.jobs.value_or(UsableCpuCount()));
}

int RunBatch(ConversionRun& run, TerminalWindow& window, const int& skippedGrabs)
{
    {
        CancelWatcher watcher([&run] { run.Cancel(); });
        run.Start();
        run.Join();
    }
    switch (run.End()) {
    case RunEnd::Finished:
        // The run goes on past a track that could not be grabbed; the exit status tells.
        if (skippedGrabs > 0) {
            window.Note(std::to_string(skippedGrabs) + " track(s) could not be grabbed and were skipped", true);
            return kExitFailed;
        }
        return kExitOk;
    case RunEnd::Closed: window.ShowEnd({RunEnd::Aborted}); return kExitCancelled;
    case RunEnd::Aborted: return kExitCancelled;
    default: return kExitFailed;
    }
}

int ShowDefaults()
{
    const StoredSettings loaded = LoadStoredSettings();
    std::printf("%s\n", FormatOptionSummary(loaded.settings.options).c_str());
    std::printf("Output folder: %s\n", loaded.settings.defaultOutputDir.c_str());
    std::printf("Default CD drive: %d\n", loaded.settings.defaultCd);
    PrintStoredCorrections(loaded.settings);
    std::printf("Settings file: %s\n", loaded.path.c_str());
    return kExitOk;
}

int SaveDefaults(const CliArguments& arguments)
{
    StoredSettings loaded = LoadStoredSettings();
    DefaultSettings& settings = loaded.settings;
    DefaultEncodingOptions chosen;
    if (const std::string problem = ChooseEncodingOptions(loaded, arguments.options, chosen); !problem.empty()) {
        Complain(problem);
        return kExitUsage;
    }
    settings.options = chosen;
    if (arguments.outputDir) {
        if (const std::string problem = OutputFolderProblem(*arguments.outputDir); !problem.empty()) {
            Complain(problem);
            return kExitFailed;
        }
        settings.defaultOutputDir = WithSlash(*arguments.outputDir);
        if (settings.defaultOutputDir.size() >= SettingsStore::kValueRoom) {
            Complain("the output folder is longer than 255 characters and could not be read back");
            return kExitUsage;
        }
    }
    std::string corrected; // the line telling the correction stored
    if (arguments.offset) {
        // The correction belongs to the drive named, which stays what it was otherwise.
        DriveTable drives;
        const CdDrive* drive = PickCdDrive(drives, *arguments.drive);
        if (drive == nullptr)
            return kExitFailed;
        const std::string key = DriveOffsetKey(drive->vendor, drive->product);
        settings.driveOffsets[key] = *arguments.offset;
        corrected = "Read offset correction of drive " + std::to_string(*arguments.drive) + " (" + ModelText(key) +
                    "): " + CorrectionText(*arguments.offset);
    } else if (arguments.drive) {
        settings.defaultCd = *arguments.drive;
    }
    QtSettingsFile file(loaded.path);
    if (const int error = SettingsStore::SaveDefaults(file, settings); error != 0) {
        const std::string why = file.Problem().empty() ? std::strerror(error) : file.Problem();
        Complain("cannot save the defaults to " + loaded.path + ": " + why);
        return kExitFailed;
    }
    std::printf("%s\n", FormatOptionSummary(settings.options).c_str());
    std::printf("Output folder: %s\n", settings.defaultOutputDir.c_str());
    std::printf("Default CD drive: %d\n", settings.defaultCd);
    if (!corrected.empty())
        std::printf("%s\n", corrected.c_str());
    return kExitOk;
}

} // namespace quillon::cli
