#include "cli/CliArguments.h"

#include "cd/CdDrive.h"
#include "cd/ReadCorrection.h"
#include "platform/scsi/ShiftedRead.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
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

using Setter = std::function<bool(const std::string&)>;
using Setters = std::map<std::string, Setter>;

constexpr std::pair<const char*, Command> kCommandWords[] = {
    {"--help", Command::Help},           {"-h", Command::Help},       {"help", Command::Help},
    {"--version", Command::Version},     {"encode", Command::Encode}, {"decode", Command::Decode},
    {"defaults", Command::ShowDefaults}, {"rip", Command::Rip},
};

// `defaults --save` stores the options given.
constexpr const char* kSaveWord = "--save";
constexpr const char* kLookupWord = "--lookup";                // rip's flag
constexpr const char* kSecureWord = "--secure";                // rip's flag
constexpr const char* kNoAccurateRipWord = "--no-accuraterip"; // rip's flag

// The command the first word names; false with the error set when it names none.
bool ReadCommand(const std::string& first, CliArguments& result)
{
    for (const auto& [word, command] : kCommandWords) {
        if (first == word) {
            result.command = command;
            return true;
        }
    }
    if (first.size() > 1 && first[0] == '-') {
        // `quillon -o out a.wav`: the words are right, their order is not.
        result.error =
            "'" + first + "' is an option: options come after the command, as in 'quillon encode " + first + " ...'";
    } else {
        result.error = "unknown command '" + first + "'";
    }
    return false;
}

// The options with a value that encode, decode, defaults and rip share.
Setters SharedOptionRows(CliArguments& result)
{
    OptionOverrides& o = result.options;
    return {
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
}

// A whole number from `low` to `high`, read as strtol reads it (rip has always taken
// "+1" and leading blanks).
bool RipNumber(const std::string& text, long low, long high, std::optional<int>& out)
{
    char* end = nullptr;
    const long n = std::strtol(text.c_str(), &end, 10);
    out = static_cast<int>(n);
    return !text.empty() && *end == '\0' && n >= low && n <= high;
}

Setter Text(std::optional<std::string>& field)
{
    return [&field](const std::string& v) {
        field = v;
        return true;
    };
}

// `--offset C` of rip and defaults: a correction grab would take, refused in its words.
Setter ReadCorrectionSetter(CliArguments& result)
{
    return [&result](const std::string& v) {
        int samples = 0;
        if (!ParseReadCorrection(v, samples, result.error))
            return false;
        result.offset = samples;
        return true;
    };
}

// rip's own options; its --drive and --jobs take the place of the shared ones.
Setters RipOptionRows(CliArguments& result)
{
    RipOptions& rip = result.rip;
    return {
        {"--drive", [&](const std::string& v) { return RipNumber(v, 0, kDriveSlots - 1, result.drive); }},
        {"--jobs", [&](const std::string& v) { return RipNumber(v, 1, 1024, result.jobs); }},
        {"--tracks",
         [&](const std::string& v) {
             rip.tracks = v;
             return true;
         }},
        {"--artist", Text(rip.artist)},
        {"--album", Text(rip.album)},
        {"--year", Text(rip.year)},
        {"--comment", Text(rip.comment)},
        {"--genre", Text(rip.genre)},
        {"--cover", Text(rip.cover)},
        {"--release", [&](const std::string& v) { return RipNumber(v, 1, 1000, rip.release); }},
        {"--offset", ReadCorrectionSetter(result)},
    };
}

// What `defaults --save` takes beside the shared options: the correction it stores for a
// drive, refused as grab refuses it.
Setters DefaultsOptionRows(CliArguments& result)
{
    return {
        {"--offset", ReadCorrectionSetter(result)},
    };
}

using Flags = std::map<std::string, std::pair<std::optional<int>*, int>>;

Flags FlagRows(OptionOverrides& o)
{
    return {
        {"--fast", {&o.quality, 0}},        {"--hq", {&o.quality, 1}},
        {"--copyright", {&o.copyright, 1}}, {"--no-copyright", {&o.copyright, 0}},
        {"--original", {&o.original, 1}},   {"--no-original", {&o.original, 0}},
        {"--crc", {&o.errorProtection, 1}}, {"--no-crc", {&o.errorProtection, 0}},
    };
}

// The words after the command, read into the arguments up to the first fault.
class OptionReader
{
public:
    OptionReader(const std::vector<std::string>& words, CliArguments& result)
        : words_(words), result_(result), shared_(SharedOptionRows(result)), flags_(FlagRows(result.options))
    {
        if (result.command == Command::Rip)
            ripOwn_ = RipOptionRows(result);
        else if (result.command == Command::ShowDefaults)
            defaultsOwn_ = DefaultsOptionRows(result);
    }

    // False with the error set at the first word that cannot be understood.
    bool ReadAll()
    {
        bool optionsEnded = false;
        for (i_ = 1; i_ < words_.size(); ++i_) {
            const std::string& word = words_[i_];
            if (optionsEnded || word.empty() || word[0] != '-' || word == "-") {
                if (!TakeFile(word))
                    return false;
            } else if (word == "--") {
                optionsEnded = true;
            } else if (!ReadOption(word)) {
                return false;
            }
        }
        return true;
    }

    bool AnyOption() const { return anyOption_; }

private:
    bool Fail(const std::string& error)
    {
        result_.error = error;
        return false;
    }

    bool TakeFile(const std::string& word)
    {
        if (result_.command == Command::Rip)
            return Fail("unexpected word \"" + word + "\"");
        result_.files.push_back(word);
        return true;
    }

    bool ReadOption(const std::string& word)
    {
        if (word == kSaveWord && result_.command == Command::ShowDefaults) {
            result_.command = Command::SaveDefaults;
            return true;
        }
        // A rip uses the defaults; storing them is left to `quillon defaults --save`,
        // so that a rip never changes what the next command does.
        if (word == kSaveWord && result_.command == Command::Rip)
            return Fail("quillon rip does not store defaults; store them with 'quillon defaults --save'");
        if (word == kLookupWord && result_.command == Command::Rip) {
            result_.rip.lookup = true;
            return true;
        }
        if (word == kSecureWord && result_.command == Command::Rip) {
            result_.rip.secure = true;
            return true;
        }
        if (word == kNoAccurateRipWord && result_.command == Command::Rip) {
            result_.rip.accurateRip = false;
            return true;
        }
        if (const auto flag = flags_.find(word); flag != flags_.end()) {
            *flag->second.first = flag->second.second;
            anyOption_ = true;
            return true;
        }
        return ReadValued(word);
    }

    // "--name value", "--name=value" and "-oDIR".
    bool ReadValued(const std::string& word)
    {
        auto [name, value] = SplitOptionWord(word);
        if (!value && i_ + 1 < words_.size())
            value = words_[++i_];
        anyOption_ = true;
        if (const auto own = ripOwn_.find(name); own != ripOwn_.end())
            return (value && own->second(*value)) ||
                   Fail(result_.error.empty() ? "bad or missing value for " + name : result_.error);
        if (const auto own = defaultsOwn_.find(name); own != defaultsOwn_.end()) {
            if (!value)
                return Fail("option '" + name + "' needs a value");
            return own->second(*value) || Fail(result_.error);
        }
        const auto setter = shared_.find(name);
        if (setter == shared_.end())
            return Fail("unknown option '" + word + "'");
        if (!value)
            return Fail("option '" + name + "' needs a value");
        return setter->second(*value) || Fail("invalid value '" + *value + "' for option '" + name + "'");
    }

    const std::vector<std::string>& words_;
    CliArguments& result_;
    Setters shared_;
    Setters ripOwn_;
    Setters defaultsOwn_;
    Flags flags_;
    size_t i_ = 1;
    bool anyOption_ = false;
};

// Why the words, each understood, do not fit the command together ("" when they do).
std::string CommandWordsProblem(const CliArguments& result, bool anyOption)
{
    switch (result.command) {
    case Command::Encode:
    case Command::Decode:
        if (result.drive)
            return "--drive is for the CD commands and 'quillon defaults --save'";
        if (result.files.empty())
            return "no input files given";
        return {};
    case Command::ShowDefaults:
        if (anyOption)
            return "options are stored only with 'quillon defaults --save'";
        [[fallthrough]];
    case Command::SaveDefaults:
        if (result.offset && !result.drive)
            return "--offset is stored for a drive's model: give --drive N too";
        if (result.jobs)
            return "--jobs applies to encode, decode and rip only";
        if (!result.files.empty())
            return "'quillon defaults' takes no files";
        return {};
    case Command::Rip:
        if (result.rip.release && !result.rip.lookup)
            return "--release chooses a release of the look-up: give --lookup too";
        return {};
    default: return {};
    }
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
    if (words.empty() || !ReadCommand(words[0], result))
        return result;
    if (result.command == Command::Help || result.command == Command::Version)
        return result;
    OptionReader reader(words, result);
    if (reader.ReadAll())
        result.error = CommandWordsProblem(result, reader.AnyOption());
    return result;
}

OptionWord SplitOptionWord(const std::string& word)
{
    if (const auto equals = word.find('='); word.rfind("--", 0) == 0 && equals != std::string::npos)
        return {word.substr(0, equals), word.substr(equals + 1)};
    if (word.size() > 2 && word.rfind("-o", 0) == 0)
        return {"-o", word.substr(2)};
    return {word, std::nullopt};
}

std::vector<std::string> KnownOptionWords()
{
    std::vector<std::string> words;
    for (const auto& [word, command] : kCommandWords)
        if (word[0] == '-')
            words.push_back(word);
    words.push_back(kSaveWord);
    words.push_back(kLookupWord);
    words.push_back(kSecureWord);
    words.push_back(kNoAccurateRipWord);
    CliArguments unused;
    for (const Setters& rows : {SharedOptionRows(unused), RipOptionRows(unused), DefaultsOptionRows(unused)})
        for (const auto& [name, setter] : rows)
            words.push_back(name);
    for (const auto& [name, flag] : FlagRows(unused.options))
        words.push_back(name);
    std::sort(words.begin(), words.end());
    words.erase(std::unique(words.begin(), words.end()), words.end());
    return words;
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
