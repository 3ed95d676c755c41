#include "run/CodecCommandLine.h"

#include <charconv>
#include <cstdio>
#include <unistd.h>

namespace quillon {

namespace {

// The letter at `index` of `letters`, or '?' for a stored value outside the table, which
// the codec program then refuses with a message of its own.
char LetterAt(const char* letters, int count, int index)
{
    return index >= 0 && index < count ? letters[index] : '?';
}

} // namespace

std::string ProgramDirectory()
{
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return "./";
    std::string text(path, static_cast<size_t>(n));
    return text.substr(0, text.rfind('/') + 1);
}

std::string CodecPath(const char* programName)
{
    const std::string beside = ProgramDirectory() + programName;
    if (access(beside.c_str(), X_OK) == 0)
        return beside;
    // Installed, the codec programs live in <prefix>/lib/quillon/ rather than on PATH.
    const std::string installed = ProgramDirectory() + "../lib/quillon/" + programName;
    return access(installed.c_str(), X_OK) == 0 ? installed : beside;
}

std::vector<std::string> EncoderArguments(const std::string& codecPath, const EncodingOptions& o, uint32_t sampleRateHz,
                                          const std::string& inputPath, const std::string& outputPath)
{
    // "-s%4.2f" without printf: the desktop program runs under the user's LC_NUMERIC,
    // and the encoder reads a decimal point, never a comma.
    char digits[32];
    const auto end =
        std::to_chars(digits, digits + sizeof digits, sampleRateHz * 0.001, std::chars_format::fixed, 2).ptr;
    std::string rate(digits, end);
    rate.insert(0, rate.size() < 4 ? 4 - rate.size() : 0, ' ');
    rate.insert(0, "-s");

    std::vector<std::string> words{
        codecPath,
        std::string("-m") + LetterAt("msjd", 4, o.mode),
        "-b" + std::to_string(o.bitrate),
        rate,
        o.layer == 3 ? "-p2" : "-p1",
        "-l" + std::to_string(o.layer),
    };
    if (o.copyright)
        words.push_back("-c");
    if (o.original)
        words.push_back("-o");
    if (o.errorProtection)
        words.push_back("-e");
    if (o.deEmphasis != 0)
        words.push_back(std::string("-d") + LetterAt("n5c", 3, o.deEmphasis));
    if (o.quality == 0)
        words.push_back("-t");
    words.push_back(inputPath);
    words.push_back(outputPath);
    return words;
}

std::vector<std::string> DecoderArguments(const std::string& codecPath, const std::string& inputPath,
                                          const std::string& outputPath)
{
    return {codecPath, inputPath, outputPath};
}

} // namespace quillon
