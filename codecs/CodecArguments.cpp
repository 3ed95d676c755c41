#include "codecs/CodecArguments.h"

#include <cmath>
#include <cstdlib>

#include "codecs/MpegTables.h"

namespace quillon {
namespace {

// Empty words are dropped; a word with blanks becomes the words between them.
std::vector<std::string> OptionWords(const std::vector<std::string>& words, size_t count)
{
    std::vector<std::string> options;
    for (size_t i = 0; i < count; ++i) {
        const std::string& word = words[i];
        size_t start = 0;
        while (start <= word.size()) {
            size_t end = word.find(' ', start);
            if (end == std::string::npos) {
                end = word.size();
            }
            if (end > start) {
                options.push_back(word.substr(start, end - start));
            }
            start = end + 1;
        }
    }
    return options;
}

std::vector<std::string> NonEmptyWords(const std::vector<std::string>& words)
{
    std::vector<std::string> kept;
    for (const std::string& word : words) {
        if (!word.empty()) {
            kept.push_back(word);
        }
    }
    return kept;
}

// A whole decimal number of at most six digits, nothing else.
bool ParseSmallNumber(const std::string& text, int& value)
{
    if (text.empty() || text.size() > 6) {
        return false;
    }
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    return true;
}

// A word as shown in a message: quoted, and cut short so that the line stays short.
std::string Quoted(const std::string& word)
{
    return "\"" + (word.size() <= 24 ? word : word.substr(0, 21) + "...") + "\"";
}

EncoderArgumentsResult Fail(std::string error)
{
    EncoderArgumentsResult result;
    result.error = std::move(error);
    return result;
}

} // namespace

int SampleRateFromKilohertz(const std::string& text)
{
    // Digits with at most one decimal point; parsed by hand so that the locale plays no part.
    double kilohertz = 0.0;
    double scale = 0.0;
    bool digits = false;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            digits = true;
            if (scale == 0.0) {
                kilohertz = kilohertz * 10.0 + (c - '0');
            } else {
                scale *= 0.1;
                kilohertz += (c - '0') * scale;
            }
            if (kilohertz > 1.0e6) {
                return 0;
            }
        } else if (c == '.' && scale == 0.0) {
            scale = 1.0;
        } else {
            return 0;
        }
    }
    if (!digits) {
        return 0;
    }
    const double hertz = std::round(kilohertz * 1000.0);
    for (int rate : MpegSampleRates()) {
        if (std::fabs(hertz - rate) <= rate * 0.01) {
            return rate;
        }
    }
    return 0;
}

namespace {

// Which options a command line has given so far: each may stand once.
struct SeenOptions
{
    bool mode = false;
    bool bitrate = false;
    bool rate = false;
    bool psycho = false;
    bool layer = false;
    bool emphasis = false;
};

// True the first time an option is seen.
bool First(bool& seen)
{
    const bool first = !seen;
    seen = true;
    return first;
}

std::string ApplyModeWord(const std::string& value, const std::string& bad, SeenOptions& seen,
                          EncoderArguments& arguments)
{
    if (!First(seen.mode))
        return bad + "; the mode is given twice";
    if (value == "m")
        arguments.mode = ChannelMode::Mono;
    else if (value == "s")
        arguments.mode = ChannelMode::Stereo;
    else if (value == "j")
        arguments.mode = ChannelMode::JointStereo;
    else if (value == "d")
        arguments.mode = ChannelMode::DualChannel;
    else
        return bad + "; the mode is one of -mm -ms -mj -md";
    return {};
}

std::string ApplyFlagWord(char letter, const std::string& value, const std::string& bad, EncoderArguments& arguments)
{
    bool& flag = letter == 'c'   ? arguments.copyright
                 : letter == 'o' ? arguments.original
                 : letter == 'e' ? arguments.errorProtection
                                 : arguments.fast;
    if (!value.empty() || flag)
        return bad + "; -c, -o, -e and -t stand alone, once each";
    flag = true;
    return {};
}

// Takes one option word into the arguments; the refusal text, or "" when it was taken.
std::string ApplyOptionWord(const std::string& word, SeenOptions& seen, EncoderArguments& arguments)
{
    const std::string bad = "Error: bad argument word " + Quoted(word);
    if (word.size() < 2 || word[0] != '-')
        return bad + "; expected an option before the two paths";
    const char letter = word[1];
    const std::string value = word.substr(2);
    switch (letter) {
    case 'm': return ApplyModeWord(value, bad, seen, arguments);
    case 'b':
        if (!First(seen.bitrate) || !ParseSmallNumber(value, arguments.bitrateKbps) || arguments.bitrateKbps == 0)
            return bad + "; give the bitrate once, in kbit/s, like -b128";
        return {};
    case 's':
        if (!First(seen.rate))
            return bad + "; the sample rate is given twice";
        arguments.sampleRateHz = SampleRateFromKilohertz(value);
        if (arguments.sampleRateHz == 0)
            return "Error: " + Quoted(value) + " kHz is no MPEG sample rate (8 11.025 12 16 22.05 24 32 44.1 48)";
        return {};
    case 'p':
        if (!First(seen.psycho) || (value != "1" && value != "2"))
            return bad + "; the psychoacoustic model is -p1 or -p2, once";
        arguments.psychoModel = value[0] - '0';
        return {};
    case 'l':
        if (!First(seen.layer) || (value != "1" && value != "2" && value != "3"))
            return bad + "; the layer is -l1, -l2 or -l3, once";
        arguments.layer = value[0] - '0';
        return {};
    case 'd':
        if (!First(seen.emphasis) || (value != "5" && value != "c"))
            return bad + "; de-emphasis is -d5 or -dc, once";
        arguments.emphasis = value == "5" ? Emphasis::Microseconds50_15 : Emphasis::CcittJ17;
        return {};
    case 'c':
    case 'o':
    case 'e':
    case 't': return ApplyFlagWord(letter, value, bad, arguments);
    default: return bad + "; unknown option";
    }
}

} // namespace

EncoderArgumentsResult ParseEncoderArguments(const std::vector<std::string>& words)
{
    const std::vector<std::string> kept = NonEmptyWords(words);
    if (kept.size() < 2) {
        return Fail("Error: missing arguments: -m? -b? -s? [-p?] -l? [-c -o -e -d5|-dc -t] INPUT OUTPUT");
    }
    EncoderArgumentsResult result;
    EncoderArguments& arguments = result.arguments;
    arguments.inputPath = kept[kept.size() - 2];
    arguments.outputPath = kept[kept.size() - 1];

    SeenOptions seen;
    for (const std::string& word : OptionWords(kept, kept.size() - 2)) {
        if (std::string refusal = ApplyOptionWord(word, seen, arguments); !refusal.empty())
            return Fail(refusal);
    }
    if (!seen.mode || !seen.bitrate || !seen.rate || !seen.layer) {
        return Fail(std::string("Error: missing ") +
                    (!seen.mode      ? "-m (mode)"
                     : !seen.bitrate ? "-b (bitrate)"
                     : !seen.rate    ? "-s (sample rate)"
                                     : "-l (layer)") +
                    " before the two paths");
    }
    if (!seen.psycho) {
        arguments.psychoModel = arguments.layer == 3 ? 2 : 1;
    }
    result.ok = true;
    return result;
}

DecoderArgumentsResult ParseDecoderArguments(const std::vector<std::string>& words)
{
    DecoderArgumentsResult result;
    const std::vector<std::string> kept = NonEmptyWords(words);
    if (kept.size() != 2) {
        result.error = "Error: expected exactly two arguments; usage: d3.dll INPUT OUTPUT";
        return result;
    }
    result.arguments.inputPath = kept[0];
    result.arguments.outputPath = kept[1];
    result.ok = true;
    return result;
}

const char* ChannelModeName(ChannelMode mode)
{
    switch (mode) {
    case ChannelMode::Stereo: return "stereo";
    case ChannelMode::JointStereo: return "joint stereo";
    case ChannelMode::DualChannel: return "dual channel";
    case ChannelMode::Mono: return "mono";
    }
    return "?";
}

} // namespace quillon
