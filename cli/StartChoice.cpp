#include "cli/StartChoice.h"

#include "cli/CdCommands.h"

#include <array>
#include <string_view>

namespace quillon::cli {

namespace {

bool IsSubcommand(const std::string& word)
{
    constexpr std::array<std::string_view, 4> kConversion = {"encode", "decode", "defaults", "help"};
    for (const std::string_view name : kConversion)
        if (word == name)
            return true;
    return IsCdCommand(word.c_str());
}

bool HasValue(const std::function<const char*(const char*)>& getEnv, const char* name)
{
    const char* value = getEnv(name);
    return value && *value;
}

} // namespace

StartKind ChooseStart(const std::vector<std::string>& words, const std::function<const char*(const char*)>& getEnv,
                      const std::function<bool(const std::string&)>& exists)
{
    if (!words.empty()) {
        const std::string& first = words.front();
        if (first.empty() || first.front() == '-' || IsSubcommand(first))
            return StartKind::CommandLine;
        const bool looksLikeFile = first.find_first_of("/.") != std::string::npos || exists(first);
        if (!looksLikeFile)
            return StartKind::CommandLine;
    }
    // Qt would abort deep inside its start-up; a plain line is kinder to a terminal user.
    if (!HasValue(getEnv, "DISPLAY") && !HasValue(getEnv, "WAYLAND_DISPLAY") && !HasValue(getEnv, "QT_QPA_PLATFORM"))
        return StartKind::NoDisplay;
    return StartKind::Desktop;
}

std::string NoDisplayMessage()
{
    return "quillon: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are not set); "
           "for the command line see 'quillon --help'.";
}

} // namespace quillon::cli
