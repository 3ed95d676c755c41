#include "cli/CdOptions.h"

#include "cd/ReadCorrection.h"
#include "cli/CliArguments.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace quillon::cli {

namespace {

bool ParseInt(const std::string& s, int& out)
{
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && p == s.data() + s.size();
}

// A number of at least `least` into `out`; false with `error` naming the `what` when not.
bool ReadNumber(const std::string& v, int least, const char* what, std::optional<int>& out, std::string& error)
{
    int number = 0;
    if (!ParseInt(v, number) || number < least) {
        error = std::string("bad ") + what + " number \"" + v + "\"";
        return false;
    }
    out = number;
    return true;
}

// One option of drives, toc, grab and lookup: its name and what its value sets (false with
// `error` set on a bad value).
struct CdOptionRow
{
    const char* name;
    bool (*set)(const std::string& value, CdOptions& options, std::string& error);
};

constexpr CdOptionRow kCdOptionRows[] = {
    {"--drive",
     [](const std::string& v, CdOptions& o, std::string& error) { return ReadNumber(v, 0, "drive", o.drive, error); }},
    {"--release", [](const std::string& v, CdOptions& o,
                     std::string& error) { return ReadNumber(v, 1, "release", o.release, error); }},
    {"--tracks",
     [](const std::string& v, CdOptions& o, std::string&) {
         o.tracks = v;
         return true;
     }},
    {"--offset",
     [](const std::string& v, CdOptions& o, std::string& error) {
         int samples = 0;
         if (!ParseReadCorrection(v, samples, error))
             return false;
         o.readCorrection = samples;
         return true;
     }},
    {"-o",
     [](const std::string& v, CdOptions& o, std::string&) {
         o.outputDir = v;
         return true;
     }},
};

// The options without a value: lookup's and grab's.
constexpr const char* kSaveFlag = "--save";
constexpr const char* kSecureFlag = "--secure";
constexpr const char* kNoAccurateRipFlag = "--no-accuraterip";

} // namespace

bool ParseCdOptions(int argc, char** argv, CdOptions& o, std::string& error)
{
    for (int i = 0; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == kSaveFlag) {
            o.save = true;
            continue;
        }
        if (word == kSecureFlag) {
            o.secure = true;
            continue;
        }
        if (word == kNoAccurateRipFlag) {
            o.accurateRip = false;
            continue;
        }
        // "--name value", "--name=value" and "-oDIR", as the other commands read them.
        OptionWord split = SplitOptionWord(word);
        std::optional<std::string>& value = split.value;
        const auto row = std::find_if(std::begin(kCdOptionRows), std::end(kCdOptionRows),
                                      [&](const CdOptionRow& r) { return split.name == r.name; });
        if (row == std::end(kCdOptionRows)) {
            error = "unknown option \"" + word + "\"";
            return false;
        }
        if (!value && i + 1 < argc)
            value = argv[++i];
        if (!value) {
            error = word + " needs a value";
            return false;
        }
        if (!row->set(*value, o, error))
            return false;
    }
    return true;
}

std::vector<std::string> CdOptionWords()
{
    std::vector<std::string> words;
    for (const CdOptionRow& row : kCdOptionRows)
        words.push_back(row.name);
    words.push_back(kSaveFlag);
    words.push_back(kSecureFlag);
    return words;
}

bool ParseTrackList(const std::string& text, int trackCount, std::vector<int>& tracks, std::string& error)
{
    tracks.clear();
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = std::min(text.find(',', start), text.size());
        const std::string part = text.substr(start, comma - start);
        const size_t dash = part.find('-');
        int first = 0, last = 0;
        const bool ok = dash == std::string::npos
                            ? ParseInt(part, first) && (last = first, true)
                            : ParseInt(part.substr(0, dash), first) && ParseInt(part.substr(dash + 1), last);
        if (!ok || first < 1 || last < first) {
            error = "bad track list \"" + text + "\" (for example 1,3-5)";
            return false;
        }
        if (last > trackCount) {
            error = "the disc has no track " + std::to_string(last) + " (it has " + std::to_string(trackCount) + ")";
            return false;
        }
        for (int t = first; t <= last; ++t)
            if (std::find(tracks.begin(), tracks.end(), t - 1) == tracks.end())
                tracks.push_back(t - 1);
        start = comma + 1;
    }
    return true;
}

} // namespace quillon::cli
