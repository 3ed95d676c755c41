#include "codecs/ConsoleText.h"

#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace quillon {
namespace {

bool stdoutBroken = false;

bool IsContinuationByte(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

} // namespace

std::string SanitizeConsoleText(std::string_view text)
{
    std::string clean(text);
    for (char& c : clean) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || byte == 0xFF) {
            c = '?';
        }
    }
    return clean;
}

std::string ShortFileName(std::string_view path, size_t maxBytes)
{
    const size_t slash = path.find_last_of('/');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    if (name.size() <= maxBytes || maxBytes < 4) {
        return std::string(name);
    }
    size_t start = name.size() - (maxBytes - 3);
    while (start < name.size() && IsContinuationByte(static_cast<unsigned char>(name[start]))) {
        ++start;
    }
    return "..." + std::string(name.substr(start));
}

void PrintLine(std::string_view text)
{
    if (stdoutBroken) {
        return;
    }
    std::string line = SanitizeConsoleText(text);
    line += '\n';
    size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            stdoutBroken = true;
            return;
        }
        done += static_cast<size_t>(n);
    }
}

std::string FormatAudioTime(double seconds)
{
    if (seconds < 0) {
        seconds = 0;
    }
    const long tenths = static_cast<long>(seconds * 10.0 + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld.%ld", tenths / 600, (tenths / 10) % 60, tenths % 10);
    return text;
}

} // namespace quillon
