#include "codecs/CodecArguments.h"

#include <cmath>
#include <cstdlib>

#include "codecs/MpegTables.h"

namespace quillon
{
namespace
{

// Empty words are dropped; a word with blanks becomes the words between them.
std::vector<std::string> OptionWords(const std::vector<std::string>& words, size_t count)
{
    std::vector<std::string> options;
    for (size_t i = 0; i < count; ++i)
    {
        const std::string& word = words[i];
        size_t start = 0;
        while (start <= word.size())
        {
            size_t end = word.find(' ', start);
            if (end == std::string::npos)
            {
                end = word.size();
            }
            if (end > start)
            {
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
    for (const std::string& word : words)
    {
        if (!word.empty())
        {
            kept.push_back(word);
        }
    }
    return kept;
}

// A whole decimal number of at most six digits, nothing else.
bool ParseSmallNumber(const std::string& text, int& value)
{
    if (text.empty() || text.size() > 6)
    {
        return false;
    }
    value = 0;
    for (char c : text)
    {
        if (c < '0' || c > '9')
        {
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
    for (char c : text)
    {
        if (c >= '0' && c <= '9')
        {
            digits = true;
            if (scale == 0.0)
            {
                kilohertz = kilohertz * 10.0 + (c - '0');
            }
            else
            {
                scale *= 0.1;
                kilohertz += (c - '0') * scale;
            }
            if (kilohertz > 1.0e6)
            {
                return 0;
            }
        }
        else if (c == '.' && scale == 0.0)
        {
            scale = 1.0;
        }
        else
        {
            return 0;
        }
    }
    if (!digits)
    {
        return 0;
    }
    const double hertz = std::round(kilohertz * 1000.0);
    for (int rate : MpegSampleRates())
    {
        if (std::fabs(hertz - rate) <= rate * 0.01)
        {
            return rate;
        }
    }
    return 0;
}

EncoderArgumentsResult ParseEncoderArguments(const std::vector<std::string>& words)
{
    const std::vector<std::string> kept = NonEmptyWords(words);
    if (kept.size() < 2)
    {
        return Fail("Error: missing arguments: -m? -b? -s? [-p?] -l? [-c -o -e -d5|-dc -t] INPUT OUTPUT");
    }
    EncoderArgumentsResult result;
    EncoderArguments& arguments = result.arguments;
    arguments.inputPath = kept[kept.size() - 2];
    arguments.outputPath = kept[kept.size() - 1];

    bool haveMode = false;
    bool haveBitrate = false;
    bool haveRate = false;
    bool havePsycho = false;
    bool haveLayer = false;
    bool haveEmphasis = false;
    for (const std::string& word : OptionWords(kept, kept.size() - 2))
    {
        const std::string bad = "Error: bad argument word " + Quoted(word);
        if (word.size() < 2 || word[0] != '-')
        {
            return Fail(bad + "; expected an option before the two paths");
        }
        const char letter = word[1];
        const std::string value = word.substr(2);
        auto once = [&](bool& seen) {
            const bool first = !seen;
            seen = true;
            return first;
        };
        switch (letter)
        {
        case 'm':
            if (!once(haveMode))
            {
                return Fail(bad + "; the mode is given twice");
            }
            if (value == "m")
                arguments.mode = ChannelMode::Mono;
            else if (value == "s")
                arguments.mode = ChannelMode::Stereo;
            else if (value == "j")
                arguments.mode = ChannelMode::JointStereo;
            else if (value == "d")
                arguments.mode = ChannelMode::DualChannel;
            else
                return Fail(bad + "; the mode is one of -mm -ms -mj -md");
            break;
        case 'b':
            if (!once(haveBitrate) || !ParseSmallNumber(value, arguments.bitrateKbps) ||
                arguments.bitrateKbps == 0)
            {
                return Fail(bad + "; give the bitrate once, in kbit/s, like -b128");
            }
            break;
        case 's':
            if (!once(haveRate))
            {
                return Fail(bad + "; the sample rate is given twice");
            }
            arguments.sampleRateHz = SampleRateFromKilohertz(value);
            if (arguments.sampleRateHz == 0)
            {
                return Fail("Error: " + Quoted(value) + " kHz is no MPEG sample rate (8 11.025 12 16 22.05 24 32 44.1 48)");
            }
            break;
        case 'p':
            if (!once(havePsycho) || (value != "1" && value != "2"))
            {
                return Fail(bad + "; the psychoacoustic model is -p1 or -p2, once");
            }
            arguments.psychoModel = value[0] - '0';
            break;
        case 'l':
            if (!once(haveLayer) || (value != "1" && value != "2" && value != "3"))
            {
                return Fail(bad + "; the layer is -l1, -l2 or -l3, once");
            }
            arguments.layer = value[0] - '0';
            break;
        case 'd':
            if (!once(haveEmphasis) || (value != "5" && value != "c"))
            {
                return Fail(bad + "; de-emphasis is -d5 or -dc, once");
            }
            arguments.emphasis = value == "5" ? Emphasis::Microseconds50_15 : Emphasis::CcittJ17;
            break;
        case 'c':
        case 'o':
        case 'e':
        case 't': {
            bool& flag = letter == 'c'   ? arguments.copyright
                         : letter == 'o' ? arguments.original
                         : letter == 'e' ? arguments.errorProtection
                                         : arguments.fast;
            if (!value.empty() || flag)
            {
                return Fail(bad + "; -c, -o, -e and -t stand alone, once each");
            }
            flag = true;
            break;
        }
        default:
            return Fail(bad + "; unknown option");
        }
    }
    if (!haveMode || !haveBitrate || !haveRate || !haveLayer)
    {
        return Fail(std::string("Error: missing ") + (!haveMode ? "-m (mode)" : !haveBitrate ? "-b (bitrate)"
                                                                 : !haveRate ? "-s (sample rate)"
                                                                             : "-l (layer)") +
                    " before the two paths");
    }
    if (!havePsycho)
    {
        arguments.psychoModel = arguments.layer == 3 ? 2 : 1;
    }
    result.ok = true;
    return result;
}

DecoderArgumentsResult ParseDecoderArguments(const std::vector<std::string>& words)
{
    DecoderArgumentsResult result;
    const std::vector<std::string> kept = NonEmptyWords(words);
    if (kept.size() != 2)
    {
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
    switch (mode)
    {
    case ChannelMode::Stereo:
        return "stereo";
    case ChannelMode::JointStereo:
        return "joint stereo";
    case ChannelMode::DualChannel:
        return "dual channel";
    case ChannelMode::Mono:
        return "mono";
    }
    return "?";
}

} // namespace quillon
