#include "batch/JobList.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <limits>
#include <strings.h>

namespace quillon {

namespace {

constexpr size_t kSizeTextMax = 15;

std::string WithSlash(const std::string& folder)
{
    if (!folder.empty() && folder.back() == '/')
        return folder;
    return folder + "/";
}

// The decimal number at the start of a size text such as "1234K".
int32_t LeadingNumber(const std::string& text)
{
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        value = std::min<int64_t>(value * 10 + (c - '0'), std::numeric_limits<int32_t>::max());
    }
    return static_cast<int32_t>(value);
}

EditResult TooLong(const char* what, const std::string& text, size_t fieldSize)
{
    return EditResult::Refused(std::string(what) + " is longer than " + std::to_string(fieldSize - 1) +
                               " characters: " + text);
}

} // namespace

bool IsDefaultMarker(std::string_view text)
{
    return std::equal(text.begin(), text.end(), kDefaultDirMarker.begin(), kDefaultDirMarker.end(),
                      [](char a, char b) { return std::toupper(static_cast<unsigned char>(a)) == b; });
}

std::string SizeText(uint64_t bytes)
{
    return std::to_string(bytes / 1024) + "K";
}

JobList::JobList() : defaultOutputDir_(kNotSet)
{
    jobs_.reserve(kCapacityStep);
    rows_.reserve(kCapacityStep);
}

void JobList::Select(int index)
{
    selected_ = index >= 0 && index < Count() ? index : -1;
}

EditResult JobList::SetDefaultOutputDirText(const std::string& text)
{
    if (!FitsField(text, kFolderFieldSize))
        return TooLong("The default output folder", text, kFolderFieldSize);
    defaultOutputDir_ = text;
    return {};
}

void JobList::ResetForWizard()
{
    if (jobs_.empty()) {
        capacity_ = kCapacityStep;
        std::vector<FileJob>().swap(jobs_);
        std::vector<JobRow>().swap(rows_);
        jobs_.reserve(kCapacityStep);
        rows_.reserve(kCapacityStep);
    }
    jobs_.clear();
    rows_.clear();
    selected_ = -1;
}

EditResult JobList::RoomFor(size_t more) const
{
    if (static_cast<size_t>(Count()) + more > static_cast<size_t>(kMaxJobs))
        return EditResult::Refused("The job list is full: it holds at most " + std::to_string(kMaxJobs) + " jobs.");
    return {};
}

void JobList::Append(FileJob job, JobRow row)
{
    jobs_.push_back(std::move(job));
    rows_.push_back(std::move(row));
    selected_ = Count() - 1;
    // Grow one step ahead, so that there is always room for one more job.
    if (Count() % kCapacityStep == kCapacityStep - 1) {
        capacity_ = (Count() / kCapacityStep + 2) * kCapacityStep;
        jobs_.reserve(static_cast<size_t>(capacity_));
        rows_.reserve(static_cast<size_t>(capacity_));
    }
}

EditResult JobList::AddFiles(const std::vector<SourceFile>& files, const std::string& folder, int action,
                             const DefaultEncodingOptions& defaults)
{
    const std::string location = WithSlash(folder);
    if (!FitsField(location, kFolderFieldSize))
        return TooLong("The folder", location, kFolderFieldSize);
    if (auto room = RoomFor(files.size()); !room)
        return room;
    const int16_t jobAction = action != kActionDecode ? kActionEncode : kActionDecode;
    for (const auto& file : files) {
        const std::string outputName = MakeOutputName(file.name, jobAction, defaults.layer);
        if (!FitsField(file.name, kNameFieldSize))
            return TooLong("The file name", file.name, kNameFieldSize);
        if (!FitsField(outputName, kNameFieldSize))
            return TooLong("The output name", outputName, kNameFieldSize);
        if (file.sizeText.size() > kSizeTextMax)
            return EditResult::Refused("The size text is longer than 15 characters: " + file.sizeText);
    }

    const auto options = EncodingOptions::From(defaults);
    for (const auto& file : files) {
        FileJob job;
        job.fileName = file.name;
        job.location = location;
        job.outputName = MakeOutputName(file.name, jobAction, defaults.layer);
        job.outputDir = defaultOutputDir_;
        job.SetOptions(options);
        job.action = jobAction;
        job.sizeKiB = LeadingNumber(file.sizeText);

        JobRow row{job.fileName,
                   job.location,
                   file.sizeText,
                   jobAction == kActionEncode ? "Encode" : "Decode",
                   jobAction == kActionEncode ? FormatOptionString(defaults) : "None",
                   job.outputName,
                   std::string(kDefaultDirMarker)};
        Append(std::move(job), std::move(row));
    }
    return {};
}

EditResult JobList::AddCdTracks(const std::vector<CdTrackSource>& tracks, const DefaultEncodingOptions& defaults)
{
    if (auto room = RoomFor(tracks.size()); !room)
        return room;
    for (const auto& track : tracks) {
        // The name with ".mp3" must fit, and so must the name with the default layer's extension.
        const std::string named = track.trackName + ".mp3";
        if (!FitsField(named, kNameFieldSize) ||
            !FitsField(MakeOutputName(named, kActionEncode, defaults.layer), kNameFieldSize))
            return TooLong("The track name", track.trackName, kNameFieldSize - 4);
    }

    const auto options = EncodingOptions::From(defaults);
    for (const auto& track : tracks) {
        char text[64];
        FileJob job;
        std::snprintf(text, sizeof text, "Track%02d", track.trackIndex + 1);
        job.fileName = text;
        std::snprintf(text, sizeof text, "CD[%d,%d]", track.hostAdapter, track.targetId);
        job.location = text;
        job.outputName = MakeOutputName(track.trackName + ".mp3", kActionEncode, defaults.layer);
        job.outputDir = defaultOutputDir_;
        job.SetOptions(options);
        job.action = kActionEncode;
        job.trackIndex = static_cast<int16_t>(track.trackIndex);
        job.cdDrive = track.drive;
        job.tagBlock = track.tagBlock;
        job.tags = track.tags;
        job.sizeKiB = static_cast<int32_t>(
            std::min<uint64_t>(uint64_t{track.sectors} * 2352 / 1024, std::numeric_limits<int32_t>::max()));

        JobRow row{job.fileName,
                   job.location,
                   std::to_string(job.sizeKiB) + "K",
                   "Encode",
                   FormatOptionString(defaults),
                   job.outputName,
                   std::string(kDefaultDirMarker)};
        Append(std::move(job), std::move(row));
    }
    return {};
}

void JobList::RemoveSelected()
{
    if (selected_ < 0 || selected_ >= Count())
        return;
    const auto index = static_cast<size_t>(selected_);
    jobs_.erase(jobs_.begin() + static_cast<std::ptrdiff_t>(index));
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(index));
    if (jobs_.empty())
        selected_ = -1;
    else
        selected_ = selected_ > 0 ? selected_ - 1 : 0;
}

void JobList::Clear()
{
    jobs_.clear();
    rows_.clear();
    selected_ = -1;
}

EditResult JobList::SetDefaultOutputDir(const std::string& folder)
{
    const std::string dir = WithSlash(folder);
    if (!FitsField(dir, kFolderFieldSize))
        return TooLong("The folder", dir, kFolderFieldSize);
    defaultOutputDir_ = dir;
    for (size_t i = 0; i < jobs_.size(); ++i) {
        if (IsDefaultMarker(rows_[i].outputDirText))
            jobs_[i].outputDir = dir;
    }
    return {};
}

EditResult JobList::SetJobOutputDir(const std::string& folder)
{
    if (selected_ < 0)
        return {};
    const std::string dir = WithSlash(folder);
    if (!FitsField(dir, kFolderFieldSize))
        return TooLong("The folder", dir, kFolderFieldSize);
    jobs_[static_cast<size_t>(selected_)].outputDir = dir;
    rows_[static_cast<size_t>(selected_)].outputDirText = dir;
    return {};
}

EditResult JobList::SetJobOutputName(const std::string& text)
{
    if (selected_ < 0)
        return {};
    auto& job = jobs_[static_cast<size_t>(selected_)];
    std::string name = text;
    if (name.find('.') == std::string::npos)
        name += OutputExtension(job.action, job.layer);
    if (!FitsField(name, kNameFieldSize))
        return TooLong("The output name", name, kNameFieldSize);
    job.outputName = name;
    rows_[static_cast<size_t>(selected_)].outputName = name;
    return {};
}

void JobList::FollowLayerExtension(int index)
{
    if (index < 0 || index >= Count())
        return;
    auto& job = jobs_[static_cast<size_t>(index)];
    const auto dot = job.outputName.rfind('.');
    if (!job.IsCdTrack() || !job.IsEncode() || dot == std::string::npos)
        return;
    const std::string extension = job.outputName.substr(dot);
    if (extension.size() != 4 || strncasecmp(extension.c_str(), ".mp", 3) != 0 || extension[3] < '1' ||
        extension[3] > '3')
        return;
    job.outputName = MakeOutputName(job.outputName, job.action, job.layer);
    rows_[static_cast<size_t>(index)].outputName = job.outputName;
}

void JobList::RefreshOptionText(int index)
{
    if (index < 0 || index >= Count())
        return;
    const auto& job = jobs_[static_cast<size_t>(index)];
    rows_[static_cast<size_t>(index)].optionText = job.IsEncode() ? FormatOptionString(job.Options()) : "None";
}

void JobList::ShowOptionString(int index)
{
    if (index < 0 || index >= Count())
        return;
    rows_[static_cast<size_t>(index)].optionText = FormatOptionString(jobs_[static_cast<size_t>(index)].Options());
}

int64_t JobList::BatchKiB() const
{
    int64_t total = 0;
    for (const auto& job : jobs_)
        total += job.sizeKiB;
    return total;
}

} // namespace quillon
