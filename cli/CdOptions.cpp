#include "cli/CdOptions.h"

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

} // namespace

bool ParseCdOptions(int argc, char** argv, CdOptions& o, std::string& error)
{
    for (int i = 0; i < argc; ++i) {
        const std::string word = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) {
                error = word + " needs a value";
                return false;
            }
            out = argv[++i];
            return true;
        };
        std::string v;
        if (word == "--drive") {
            if (!value(v))
                return false;
            int drive = 0;
            if (!ParseInt(v, drive) || drive < 0) {
                error = "bad drive number \"" + v + "\"";
                return false;
            }
            o.drive = drive;
        } else if (word == "--tracks") {
            if (!value(o.tracks))
                return false;
        } else if (word == "-o") {
            if (!value(o.outputDir))
                return false;
        } else {
            error = "unknown option \"" + word + "\"";
            return false;
        }
    }
    return true;
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
