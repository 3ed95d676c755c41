#include "cd/DiscTextFile.h"

#include "formats/TextEncoding.h"

#include <charconv>

namespace quillon {

const char* const kDiscTextHeader = "quillon disc texts 1";

namespace {

constexpr const char* kFieldNames[kTrackFields] = {"title", "artist", "album", "year", "comment"};

std::string Escaped(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
    return out;
}

// An escape the writer does not make keeps its backslash.
std::string Unescaped(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (text[i] == '\\' && (next == '\\' || next == 'n' || next == 'r')) {
            out += next == 'n' ? '\n' : next == 'r' ? '\r' : '\\';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Reads "<position> <field> <text>" into `texts`; a line of another shape is skipped.
void ParseLine(std::string_view line, std::vector<TrackTexts>& texts)
{
    size_t position = 0;
    const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), position);
    if (error != std::errc() || position < 1 || position > texts.size() || end == line.data() + line.size() ||
        *end != ' ')
        return;
    std::string_view rest = line.substr(static_cast<size_t>(end - line.data()) + 1);
    const std::string_view name = rest.substr(0, rest.find(' '));
    rest.remove_prefix(name.size() < rest.size() ? name.size() + 1 : rest.size());
    for (size_t f = 0; f < kTrackFields; ++f)
        if (name == kFieldNames[f])
            texts[position - 1].fields[f] = Utf8FirstCharacters(TextAsUtf8(Unescaped(rest)), kMaxTrackTextLength);
}

} // namespace

std::string FormatDiscTexts(const std::vector<TrackTexts>& tracks)
{
    std::string file = std::string(kDiscTextHeader) + "\n";
    for (size_t t = 0; t < tracks.size(); ++t)
        for (size_t f = 0; f < kTrackFields; ++f)
            file += std::to_string(t + 1) + " " + kFieldNames[f] + " " + Escaped(tracks[t].fields[f]) + "\n";
    return file;
}

bool ParseDiscTexts(std::string_view file, size_t tracks, std::vector<TrackTexts>& texts)
{
    texts.assign(tracks, TrackTexts{});
    bool first = true;
    while (!file.empty()) {
        const size_t newline = file.find('\n');
        std::string_view line = file.substr(0, newline);
        file.remove_prefix(newline == std::string_view::npos ? file.size() : newline + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1); // a copy that went through a Windows editor
        if (first) {
            if (line != kDiscTextHeader)
                return false;
            first = false;
            continue;
        }
        ParseLine(line, texts);
    }
    return !first;
}

} // namespace quillon
