#include "cli/CliArguments.h"

#include "cd/CdDrive.h"

#include <charconv>
#include <functional>
#include <map>

namespace quillon::cli {

namespace {

std::optional<int> ParseInt(const std::string& text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

std::optional<int> WordIndex(const std::string& text, std::initializer_list<const char*> words)
{
    int index = 0;
    for (const char* word : words) {
        if (text == word)
            return index;
        ++index;
    }
    return std::nullopt;
}

} // namespace

void OptionOverrides::ApplyTo(DefaultEncodingOptions& o) const
{
    const std::pair<const std::optional<int>*, int32_t*> fields[] = {
        {&layer, &o.layer},
        {&bitrate, &o.bitrate},
        {&mode, &o.mode},
        {&quality, &o.quality},
        {&copyright, &o.copyright},
        {&original, &o.original},
        {&errorProtection, &o.errorProtection},
        {&deEmphasis, &o.deEmphasis},
    };
    for (const auto& [given, member] : fields) {
        if (*given)
            *member = **given;
    }
}

CliArguments ParseArguments(const std::vector<std::string>& words)
{
    CliArguments result;
    if (words.empty())
        return result;

    const std::string& first = words[0];
    if (first == "--help" || first == "-h" || first == "help") {
        result.command = Command::Help;
        return result;
    }
    if (first == "--version") {
        result.command = Command::Version;
        return result;
    }
    if (first == "encode")
        result.command = Command::Encode;
    else if (first == "decode")
        result.command = Command::Decode;
    else if (first == "defaults")
        result.command = Command::ShowDefaults;
    else if (first.size() > 1 && first[0] == '-') {
        // `quillon -o out a.wav`: the words are right, their order is not.
        result.error =
            "'" + first + "' is an option: options come after the command, as in 'quillon encode " + first + " ...'";
        return result;
    } else {
        result.error = "unknown command '" + first + "'";
        return result;
    }

    auto& o = result.options;
    using Setter = std::function<bool(const std::string&)>;
    const std::map<std::string, Setter> valued = {
        {"-o",
         [&](const std::string& v) {
             result.outputDir = v;
             return !v.empty();
         }},
        {"--layer",
         [&](const std::string& v) {
             o.layer = ParseInt(v);
             return o.layer && *o.layer >= 1 && *o.layer <= 3;
         }},
        {"--bitrate",
         [&](const std::string& v) {
             o.bitrate = ParseInt(v);
             return o.bitrate && *o.bitrate > 0;
         }},
        {"--mode",
         [&](const std::string& v) {
             o.mode = WordIndex(v, {"mono", "stereo", "joint", "dual"});
             return o.mode.has_value();
         }},
        {"--jobs",
         [&](const std::string& v) {
             result.jobs = ParseInt(v);
             return result.jobs && *result.jobs >= 1;
         }},
        {"--emphasis",
         [&](const std::string& v) {
             o.deEmphasis = WordIndex(v, {"none", "50/15", "ccitt"});
             return o.deEmphasis.has_value();
         }},
        {"--drive",
         [&](const std::string& v) {
             result.drive = ParseInt(v);
             return result.drive && *result.drive >= 0 && *result.drive < kDriveSlots;
         }},
    };
    const std::map<std::string, std::pair<std::optional<int>*, int>> flags = {
        {"--fast", {&o.quality, 0}},        {"--hq", {&o.quality, 1}},
        {"--copyright", {&o.copyright, 1}}, {"--no-copyright", {&o.copyright, 0}},
        {"--original", {&o.original, 1}},   {"--no-original", {&o.original, 0}},
        {"--crc", {&o.errorProtection, 1}}, {"--no-crc", {&o.errorProtection, 0}},
    };

    bool optionsEnded = false;
    bool anyOption = false;
    for (size_t i = 1; i < words.size(); ++i) {
        std::string word = words[i];
        if (optionsEnded || word.empty() || word[0] != '-' || word == "-") {
            result.files.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        if (word == "--save" && result.command == Command::ShowDefaults) {
            result.command = Command::SaveDefaults;
            continue;
        }
        if (auto flag = flags.find(word); flag != flags.end()) {
            *flag->second.first = flag->second.second;
            anyOption = true;
            continue;
        }
        std::string value;
        bool hasValue = false;
        if (const auto equals = word.find('='); word.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = word.substr(equals + 1);
            word = word.substr(0, equals);
            hasValue = true;
        } else if (word.size() > 2 && word.rfind("-o", 0) == 0) {
            value = word.substr(2);
            word = "-o";
            hasValue = true;
        }
        const auto setter = valued.find(word);
        if (setter == valued.end()) {
            result.error = "unknown option '" + words[i] + "'";
            return result;
        }
        if (!hasValue) {
            if (i + 1 >= words.size()) {
                result.error = "option '" + word + "' needs a value";
                return result;
            }
            value = words[++i];
        }
        if (!setter->second(value)) {
            result.error = "invalid value '" + value + "' for option '" + word + "'";
            return result;
        }
        anyOption = true;
    }

    switch (result.command) {
    case Command::Encode:
    case Command::Decode:
        if (result.drive)
            result.error = "--drive is for the CD commands and 'quillon defaults --save'";
        else if (result.files.empty())
            result.error = "no input files given";
        break;
    case Command::ShowDefaults:
        if (anyOption)
            result.error = "options are stored only with 'quillon defaults --save'";
        [[fallthrough]];
    case Command::SaveDefaults:
        if (result.error.empty() && result.jobs)
            result.error = "--jobs applies to encode, decode and rip only";
        if (result.error.empty() && !result.files.empty())
            result.error = "'quillon defaults' takes no files";
        break;
    default: break;
    }
    return result;
}

std::string CheckEncodingOptions(const DefaultEncodingOptions& options)
{
    const auto bitrates = BitratesForLayer(options.layer);
    if (bitrates.empty())
        return "Layer " + std::to_string(options.layer) + " does not exist; use --layer 1, 2 or 3";
    if (options.mode < 0 || options.mode > 3)
        return "Channel mode " + std::to_string(options.mode) +
               " does not exist; use --mode mono, stereo, joint or dual";
    if (options.deEmphasis < 0 || options.deEmphasis > 2)
        return "De-emphasis " + std::to_string(options.deEmphasis) +
               " does not exist; use --emphasis none, 50/15 or ccitt";
    std::string list;
    for (int bitrate : bitrates) {
        if (bitrate == options.bitrate)
            return {};
        list += " " + std::to_string(bitrate);
    }
    return "Layer " + std::to_string(options.layer) + " has no bitrate of " + std::to_string(options.bitrate) +
           " kbit/s; use one of:" + list;
}

} // namespace quillon::cli
