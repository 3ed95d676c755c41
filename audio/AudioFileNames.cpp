#include "audio/AudioFileNames.h"

#include "audio/SoundFile.h"

#include <algorithm>
#include <cctype>
#include <fcntl.h>
#include <unistd.h>

namespace quillon {

namespace {

std::vector<std::string> CollectExtensions()
{
    // Spellings other programs write that libsndfile's own list does not name.
    std::vector<std::string> found = {".wav",  ".wave", ".flac", ".ogg",  ".oga", ".opus", ".aif",
                                      ".aiff", ".aifc", ".w64",  ".rf64", ".caf", ".au",   ".snd"};
    int count = 0;
    sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof count);
    for (int i = 0; i < count; ++i) {
        SF_FORMAT_INFO info{};
        info.format = i;
        // MPEG audio (libsndfile names it .m1a) is d3.dll's.
        if (sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &info, sizeof info) != 0 || !info.extension ||
            (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG)
            continue;
        const std::string ext = "." + std::string(info.extension);
        // Headerless samples say nothing of their shape.
        if (ext == ".raw" || IsMpegAudioName(ext))
            continue;
        if (std::find(found.begin(), found.end(), ext) == found.end())
            found.push_back(ext);
    }
    return found;
}

} // namespace

const std::vector<std::string>& AudioFileExtensions()
{
    static const std::vector<std::string> extensions = CollectExtensions();
    return extensions;
}

std::string LowerExtension(const std::string& name)
{
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || name.find('/', dot) != std::string::npos)
        return {};
    std::string ext = name.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

bool HasAudioFileExtension(const std::string& name)
{
    const std::string ext = LowerExtension(name);
    const auto& all = AudioFileExtensions();
    return !ext.empty() && std::find(all.begin(), all.end(), ext) != all.end();
}

bool IsMpegAudioName(const std::string& name)
{
    const std::string ext = LowerExtension(name);
    return ext == ".mp1" || ext == ".mp2" || ext == ".mp3" || ext == ".mpa";
}

bool IsReadableAudioFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    const SoundFile file(FileBytes(fd));
    // MPEG audio that libsndfile would read is d3.dll's, whatever its name.
    const bool readable = file.IsOpen() && (file.Info().format & SF_FORMAT_TYPEMASK) != SF_FORMAT_MPEG;
    ::close(fd);
    return readable;
}

} // namespace quillon
