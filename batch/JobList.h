#pragma once

#include "batch/FileJob.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// The "Output Dir" text of a row whose job follows the default output folder.
inline constexpr std::string_view kDefaultDirMarker = "@DEFAULT";
// The default output folder before any folder is known.
inline constexpr std::string_view kNotSet = "NOT SET";

// The question Clear asks first (Yes/No, question icon) and its caption.
inline constexpr std::string_view kClearQuestion = "Are you sure you want to clear the list ?";
inline constexpr std::string_view kClearCaption = "Confirmation required";

bool IsDefaultMarker(std::string_view text);

// The texts of a job's row on the input and output page, kept here so the page only
// shows them.
struct JobRow
{
    std::string fileName;
    std::string location;
    std::string sizeText;   // "%dK"
    std::string actionText; // "Encode" or "Decode"
    std::string optionText; // the option string, or "None" for a decode job
    std::string outputName;
    std::string outputDirText; // "@DEFAULT" while the job follows the default folder
};

// A file the user picked in the source list: its name and its size text ("%dK").
struct SourceFile
{
    std::string name;
    std::string sizeText;
};

// A track the CD grabber hands over (the record side of a CD job).
struct CdTrackSource
{
    int trackIndex = 0; // 0-based index in the grabber's track list
    int hostAdapter = 0;
    int targetId = 0;
    const CdDrive* drive = nullptr;
    std::string trackName; // the name the user gave the track
    TagBlock tagBlock{};
    std::optional<TrackTags> tags; // the whole texts for the ID3v2 tag
    uint32_t sectors = 0;          // length in 2352-byte sectors
};

// The outcome of an edit: refused edits change nothing and say why.
struct EditResult
{
    bool ok = true;
    std::string message;

    static EditResult Refused(std::string text) { return {false, std::move(text)}; }
    explicit operator bool() const { return ok; }
};

// "%dK" of a length in bytes, rounded down.
std::string SizeText(uint64_t bytes);

// The batch one showing of the wizard builds and one run processes, with the rows the
// page shows (row i is job i) and the default output folder.
class JobList
{
public:
    static constexpr int kCapacityStep = 40;
    static constexpr int kMaxJobs = 32767;

    JobList();

    int Count() const { return static_cast<int>(jobs_.size()); }
    int Capacity() const { return capacity_; }
    FileJob& Job(int index) { return jobs_.at(static_cast<size_t>(index)); }
    const FileJob& Job(int index) const { return jobs_.at(static_cast<size_t>(index)); }
    const JobRow& Row(int index) const { return rows_.at(static_cast<size_t>(index)); }
    int Selected() const { return selected_; }
    void Select(int index);

    const std::string& DefaultOutputDir() const { return defaultOutputDir_; }
    // Takes a stored or initial value as it is (the settings store); at most 511 characters.
    EditResult SetDefaultOutputDirText(const std::string& text);

    // Every showing of the wizard starts with an empty list of 40 places.
    void ResetForWizard();

    EditResult AddFiles(const std::vector<SourceFile>& files, const std::string& folder, int action,
                        const DefaultEncodingOptions& defaults);
    EditResult AddCdTracks(const std::vector<CdTrackSource>& tracks, const DefaultEncodingOptions& defaults);
    void RemoveSelected();
    // Removes every job; the page asks kClearQuestion first.
    void Clear();
    EditResult SetDefaultOutputDir(const std::string& folder);
    EditResult SetJobOutputDir(const std::string& folder);
    EditResult SetJobOutputName(const std::string& text);

    // The option text of the selected job changed (the options dialog).
    void RefreshOptionText(int index);
    // After the options of job `index` changed: a CD job's output name ending in ".mp1",
    // ".mp2" or ".mp3" takes the extension of its layer, so a Layer II stream is never
    // named ".mp3". Other names, and file jobs, are left as the user set them.
    void FollowLayerExtension(int index);
    // Shows the job's option string whatever its action (a decode job that took new
    // defaults shows them too).
    void ShowOptionString(int index);

    // Sum of sizeKiB over all jobs.
    int64_t BatchKiB() const;

private:
    void Append(FileJob job, JobRow row);
    EditResult RoomFor(size_t more) const;

    std::vector<FileJob> jobs_;
    std::vector<JobRow> rows_;
    int capacity_ = kCapacityStep;
    int selected_ = -1;
    std::string defaultOutputDir_;
};

} // namespace quillon
