#include "platform/scsi/CueSheet.h"

#include "formats/TextEncoding.h"
#include "platform/scsi/TextLines.h"

#include <libcue.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace quillon {

namespace {

constexpr uint32_t kFramesPerSecond = 75;

// Splits a line into words; a quoted word keeps its blanks and loses its quotes.
std::vector<std::string> Words(std::string_view line)
{
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t') {
            ++i;
            continue;
        }
        std::string word;
        if (line[i] == '"') {
            for (++i; i < line.size() && line[i] != '"'; ++i) {
                if (line[i] == '\\' && i + 1 < line.size())
                    ++i;
                word += line[i];
            }
            ++i;
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t')
                word += line[i++];
        }
        words.push_back(std::move(word));
    }
    return words;
}

bool Number(const std::string& s, int low, int high, int& out)
{
    if (s.empty() || s.size() > 3)
        return false;
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    out = v;
    return v >= low && v <= high;
}

// "mm:ss:ff" in frames.
bool Time(const std::string& s, uint32_t& frames)
{
    const auto a = s.find(':'), b = s.rfind(':');
    if (a == std::string::npos || a == b)
        return false;
    int m = 0, sec = 0, f = 0;
    if (!Number(s.substr(0, a), 0, 999, m) || !Number(s.substr(a + 1, b - a - 1), 0, 59, sec) ||
        !Number(s.substr(b + 1), 0, 74, f))
        return false;
    frames = (static_cast<uint32_t>(m) * 60 + static_cast<uint32_t>(sec)) * kFramesPerSecond + static_cast<uint32_t>(f);
    return true;
}

bool Mode(const std::string& s, CueTrackMode& mode)
{
    if (s == "AUDIO")
        mode = CueTrackMode::Audio;
    else if (s == "MODE1/2352")
        mode = CueTrackMode::Mode1Raw;
    else if (s == "MODE1/2048")
        mode = CueTrackMode::Mode1Cooked;
    else if (s == "MODE2/2352")
        mode = CueTrackMode::Mode2Raw;
    else
        return false;
    return true;
}

bool Accepted(const std::string& keyword)
{
    static const char* const kIgnored[] = {"CATALOG",    "CDTEXTFILE", "FLAGS",    "ISRC",     "TITLE",   "PERFORMER",
                                           "SONGWRITER", "COMPOSER",   "ARRANGER", "MESSAGE",  "DISC_ID", "GENRE",
                                           "TOC_INFO1",  "TOC_INFO2",  "UPC_EAN",  "SIZE_INFO"};
    for (const char* k : kIgnored)
        if (keyword == k)
            return true;
    return false;
}

std::string At(int line, const std::string& why)
{
    return "line " + std::to_string(line) + ": " + why;
}

// Our own pass over the lines: the layout of files, tracks and indexes with the line
// each comes from. libcue attaches a track to the wrong file when a FILE line falls
// between its INDEX 00 and INDEX 01 (the layout rippers write for one file per track),
// and it reports no line numbers, so the layout is read here, a keyword at a time; the
// first fault is kept with its line.
class LayoutReader
{
public:
    LayoutReader(CueSheet& sheet, std::string& error) : sheet_(sheet), error_(error) {}

    bool ReadLine(int lineNumber, const std::vector<std::string>& words)
    {
        line_ = lineNumber;
        const std::string& key = words[0];
        if (key == "FILE")
            return ReadFile(words);
        if (key == "TRACK")
            return ReadTrack(words);
        if (key == "INDEX")
            return ReadIndex(words);
        if (key == "PREGAP" || key == "POSTGAP")
            return ReadGap(words);
        if (key == "REM") {
            ReadRemark(words);
            return true;
        }
        if (!Accepted(key))
            return Fail(line_, "unknown command \"" + key + "\"");
        if (words.size() < 2)
            return Fail(line_, key + " without a value");
        // The codes the disc's Q sub-channel carries, for the drive to report.
        if (key == "CATALOG")
            sheet_.catalog = words[1];
        else if (key == "ISRC" && track_ != nullptr)
            track_->isrc = words[1];
        return true;
    }

    // The checks of the whole sheet once its `lineCount` lines are read.
    bool Finish(int lineCount)
    {
        sheet_.lineCount = lineCount;
        if (LacksIndex1())
            return Fail(track_->line, "track " + std::to_string(track_->number) + " has no INDEX 01");
        for (const auto& t : sheet_.tracks)
            if (t.mode == CueTrackMode::Audio)
                return true;
        return Fail(sheet_.tracks.empty() ? std::max(lineCount, 1) : sheet_.tracks.front().line,
                    "the sheet has no audio track");
    }

private:
    bool Fail(int line, const std::string& why)
    {
        error_ = At(line, why);
        return false;
    }

    bool LacksIndex1() const
    {
        if (track_ == nullptr)
            return false;
        for (const auto& index : track_->indexes)
            if (index.number == 1)
                return false;
        return true;
    }

    bool ReadFile(const std::vector<std::string>& words)
    {
        if (words.size() != 3)
            return Fail(line_, "expected FILE \"name\" BINARY or WAVE");
        if (words[2] != "BINARY" && words[2] != "WAVE")
            return Fail(line_, "file type " + words[2] + " is not read (BINARY or WAVE only)");
        sheet_.files.push_back({words[1], words[2] == "WAVE", line_});
        return true;
    }

    bool ReadTrack(const std::vector<std::string>& words)
    {
        int number = 0;
        CueTrackMode mode;
        if (sheet_.files.empty())
            return Fail(line_, "TRACK before any FILE");
        if (words.size() != 3 || !Number(words[1], 1, 99, number))
            return Fail(line_, "expected TRACK nn MODE with nn from 01 to 99");
        if (!Mode(words[2], mode))
            return Fail(line_, "track mode " + words[2] + " is not read (AUDIO, MODE1/2352, MODE1/2048, MODE2/2352)");
        if (LacksIndex1())
            return Fail(track_->line, "track " + std::to_string(track_->number) + " has no INDEX 01");
        if (track_ != nullptr && number <= track_->number)
            return Fail(line_, "track " + std::to_string(number) + " follows track " + std::to_string(track_->number));
        sheet_.tracks.push_back({});
        track_ = &sheet_.tracks.back();
        track_->number = number;
        track_->line = line_;
        track_->mode = mode;
        return true;
    }

    bool ReadIndex(const std::vector<std::string>& words)
    {
        int number = 0;
        uint32_t frames = 0;
        if (track_ == nullptr)
            return Fail(line_, "INDEX outside a TRACK");
        if (words.size() != 3 || !Number(words[1], 0, 99, number) || !Time(words[2], frames))
            return Fail(line_, "expected INDEX nn mm:ss:ff");
        if (track_->indexes.empty() ? number > 1 : number <= track_->indexes.back().number)
            return Fail(line_, "INDEX " + words[1] + " out of order");
        track_->indexes.push_back({number, frames, static_cast<int>(sheet_.files.size()) - 1, line_});
        return true;
    }

    // PREGAP and POSTGAP.
    bool ReadGap(const std::vector<std::string>& words)
    {
        const std::string& key = words[0];
        uint32_t frames = 0;
        if (track_ == nullptr)
            return Fail(line_, key + " outside a TRACK");
        if (words.size() != 2 || !Time(words[1], frames))
            return Fail(line_, "expected " + key + " mm:ss:ff");
        (key == "PREGAP" ? track_->pregap : track_->postgap) = frames;
        return true;
    }

    // A remark says nothing of the layout; the disc's genre is the one kept.
    void ReadRemark(const std::vector<std::string>& words)
    {
        if (words.size() >= 3 && words[1] == "GENRE" && track_ == nullptr) {
            sheet_.genre = words[2];
            for (size_t i = 3; i < words.size(); ++i)
                sheet_.genre += " " + words[i];
        }
    }

    CueSheet& sheet_;
    std::string& error_;
    CueTrack* track_ = nullptr; // the track being read
    int line_ = 0;              // the line being read
};

bool ReadLayout(std::string_view text, CueSheet& sheet, std::string& error)
{
    LayoutReader reader(sheet, error);
    int lineNumber = 0;
    while (!text.empty()) {
        std::string_view line = TakeLine(text);
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const auto words = Words(line);
        if (!words.empty() && !reader.ReadLine(lineNumber, words))
            return false;
    }
    return reader.Finish(lineNumber);
}

// libcue prints its complaints on standard error; the drive list reports the sheet in
// its own words, so the stream is pointed at /dev/null while libcue parses.
class QuietStderr
{
public:
    QuietStderr()
    {
        std::fflush(stderr);
        saved_ = ::dup(STDERR_FILENO);
        const int sink = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && sink >= 0)
            ::dup2(sink, STDERR_FILENO);
        if (sink >= 0)
            ::close(sink);
    }
    ~QuietStderr()
    {
        std::fflush(stderr);
        if (saved_ >= 0) {
            ::dup2(saved_, STDERR_FILENO);
            ::close(saved_);
        }
    }
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
    int saved_ = -1;
};

// CD-Text and REM DATE through libcue, which also has the last word on the grammar.
// The texts come out in UTF-8: a sheet whose bytes are not UTF-8 was written on Windows.
// FILE names stay the bytes the file system knows.
bool ReadTexts(const std::string& text, CueSheet& sheet, std::string& error)
{
    const bool utf8 = IsUtf8(text);
    const auto Text = [utf8](const char* s) {
        const std::string_view bytes = s != nullptr ? s : "";
        return utf8 ? std::string(bytes) : Windows1252ToUtf8(bytes);
    };
    static std::mutex parserState; // libcue's parser keeps its state in globals
    std::lock_guard lock(parserState);
    Cd* cd = nullptr;
    {
        QuietStderr quiet;
        cd = cue_parse_string(text.c_str());
    }
    if (cd == nullptr || cd_get_ntrack(cd) != static_cast<int>(sheet.tracks.size())) {
        if (cd != nullptr)
            cd_delete(cd);
        error = At(sheet.lineCount, "the sheet is malformed (libcue refuses it)");
        return false;
    }
    if (const Cdtext* cdtext = cd_get_cdtext(cd)) {
        sheet.title = Text(cdtext_get(PTI_TITLE, cdtext));
        sheet.performer = Text(cdtext_get(PTI_PERFORMER, cdtext));
    }
    if (Rem* rem = cd_get_rem(cd))
        sheet.date = Text(rem_get(REM_DATE, rem));
    for (size_t i = 0; i < sheet.tracks.size(); ++i) {
        const Track* track = cd_get_track(cd, static_cast<int>(i) + 1);
        const Cdtext* cdtext = track != nullptr ? track_get_cdtext(track) : nullptr;
        if (cdtext != nullptr)
            sheet.tracks[i].title = Text(cdtext_get(PTI_TITLE, cdtext));
    }
    cd_delete(cd);
    sheet.genre = Text(sheet.genre.c_str());
    return true;
}

} // namespace

bool ParseCueSheet(std::string_view text, CueSheet& sheet, std::string& error)
{
    sheet = CueSheet{};
    // Sheets saved on other systems often begin with a byte order mark.
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    if (const auto nul = text.find('\0'); nul != std::string_view::npos) {
        const auto line = 1 + std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(nul), '\n');
        error = At(static_cast<int>(line), "the sheet holds a NUL byte");
        return false;
    }
    return ReadLayout(text, sheet, error) && ReadTexts(std::string(text), sheet, error);
}

} // namespace quillon
