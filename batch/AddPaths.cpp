#include "batch/AddPaths.h"

#include "audio/AudioFileNames.h"
#include "formats/WavHeader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace quillon {

namespace {

// A header our input check takes: RIFF, WAVE, 16-bit samples. The channel count is the
// job's business, so either channel verdict still counts as a WAV file.
bool HasWavHeader(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const WavCheck verdict = CheckWavInput(fd, false).verdict;
    ::close(fd);
    return verdict == WavCheck::Accepted || verdict == WavCheck::MonoToStereo || verdict == WavCheck::StereoToMono;
}

} // namespace

std::vector<std::string> AddPathsToBatch(JobList& jobs, const std::vector<std::string>& paths,
                                         const DefaultEncodingOptions& defaults)
{
    std::vector<std::string> refused;
    for (const auto& given : paths) {
        auto refuse = [&](const std::string& why) { refused.push_back("Cannot add " + given + ": " + why); };
        if (given.empty()) {
            refuse("the name is empty");
            continue;
        }
        struct stat info
        {};
        if (::stat(given.c_str(), &info) != 0) {
            refuse(std::strerror(errno));
            continue;
        }
        if (!S_ISREG(info.st_mode)) {
            refuse("not a regular file");
            continue;
        }
        // The run opens location + file name later, perhaps from another current folder.
        std::error_code error;
        const auto full = std::filesystem::absolute(given, error).lexically_normal();
        if (error) {
            refuse(error.message());
            continue;
        }
        const std::string name = full.filename().string();
        int action;
        if (HasAudioFileExtension(name))
            action = kActionEncode;
        else if (IsMpegAudioName(name))
            action = kActionDecode;
        else if (HasWavHeader(given) || IsReadableAudioFile(given))
            action = kActionEncode;
        else {
            refuse("neither an audio file Quillon can read (WAV, FLAC, Ogg Vorbis, Opus, AIFF, ...) nor an MPEG audio "
                   "file (.mp1, .mp2, .mp3, .mpa)");
            continue;
        }
        const SourceFile file{name, SizeText(static_cast<uint64_t>(info.st_size))};
        if (auto added = jobs.AddFiles({file}, full.parent_path().string(), action, defaults); !added)
            refuse(added.message);
    }
    return refused;
}

} // namespace quillon
