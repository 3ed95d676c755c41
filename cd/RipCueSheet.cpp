#include "cd/RipCueSheet.h"

#include "cd/RipChecksums.h"
#include "formats/TextEncoding.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace quillon {

namespace {

// "mm:ss:ff" of a number of sectors.
std::string CueTime(uint32_t sectors)
{
    char text[32];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", sectors / 4500, sectors / 75 % 60, sectors % 75);
    return text;
}

// A text as one quoted word of the sheet: a quote would end the word and a line break the
// command, so quotes become apostrophes and control characters blanks.
std::string Quoted(const std::string& text)
{
    std::string word = TextAsUtf8(text);
    for (char& c : word) {
        if (c == '"')
            c = '\'';
        else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    }
    return "\"" + word + "\"";
}

// Catalogue numbers and ISRCs are letters and digits only; anything else is left out
// rather than written into the sheet's syntax.
bool PlainCode(const std::string& code)
{
    return !code.empty() && std::all_of(code.begin(), code.end(),
                                        [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

const char* FileType(const std::string& name)
{
    const size_t dot = name.rfind('.');
    std::string extension = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == "mp3" ? "MP3" : extension == "aif" || extension == "aiff" ? "AIFF" : "WAVE";
}

const RipTocRow* FindRow(const RipReport& report, int number)
{
    for (const RipTocRow& row : report.toc)
        if (row.number == number)
            return &row;
    return nullptr;
}

} // namespace

std::string RipCueSheetText(const RipReport& report)
{
    const AccurateRipIds ids = RipAccurateRipIds(report);
    char line[128];
    std::snprintf(line, sizeof line, "REM DISCID %08X\n", ids.freedbId);
    std::string text = line;
    text += "REM ACCURATERIPID " + RipAccurateRipIdText(ids) + "\n";
    text += "REM COMMENT " + Quoted(report.program + " " + report.version) + "\n";
    if (PlainCode(report.catalog))
        text += "CATALOG " + report.catalog + "\n";
    if (!report.performer.empty())
        text += "PERFORMER " + Quoted(report.performer) + "\n";
    if (!report.album.empty())
        text += "TITLE " + Quoted(report.album) + "\n";

    int previousNumber = -1; // the track whose file the sheet is in
    for (const RipTrackReport& track : report.tracks) {
        if (!track.complete)
            continue;
        const RipTocRow* row = FindRow(report, track.number);
        std::snprintf(line, sizeof line, "  TRACK %02d AUDIO\n", track.number);
        std::string entry = line;
        if (row && row->preEmphasis)
            entry += "    FLAGS PRE\n";
        if (PlainCode(track.isrc))
            entry += "    ISRC " + track.isrc + "\n";
        if (!track.title.empty())
            entry += "    TITLE " + Quoted(track.title) + "\n";
        if (!track.performer.empty() && track.performer != report.performer)
            entry += "    PERFORMER " + Quoted(track.performer) + "\n";
        const RipTocRow* previousRow = FindRow(report, previousNumber);
        const bool follows = previousRow && row && previousRow->start + previousRow->sectors == row->start;
        const uint32_t gap = track.pregapSectors.value_or(0);
        std::string file = "FILE " + Quoted(track.fileName) + " " + FileType(track.fileName) + "\n";
        if (gap > 0 && follows && gap < previousRow->sectors) {
            // The gap is the end of the file before: INDEX 00 there, the new file from INDEX 01.
            text += entry + "    INDEX 00 " + CueTime(previousRow->sectors - gap) + "\n" + file;
        } else {
            // Nothing of this rip holds the gap, nor audio before a first track above LBA 0.
            const bool discStart = row && !report.toc.empty() && row == &report.toc.front();
            const uint32_t hidden = discStart && row->start > 0 ? row->start : gap;
            text += file + entry;
            if (hidden > 0)
                text += "    PREGAP " + CueTime(hidden) + "\n";
        }
        text += "    INDEX 01 00:00:00\n";
        previousNumber = track.number;
    }
    return text;
}

} // namespace quillon
