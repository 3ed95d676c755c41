#pragma once

#include <string>
#include <vector>

namespace quillon {

// Channel modes in the order of the MPEG header's mode field.
enum class ChannelMode {
    Stereo = 0,
    JointStereo = 1,
    DualChannel = 2,
    Mono = 3,
};

// De-emphasis values as the MPEG header's emphasis field holds them.
enum class Emphasis {
    None = 0,
    Microseconds50_15 = 1,
    CcittJ17 = 3,
};

struct EncoderArguments
{
    ChannelMode mode = ChannelMode::Stereo;
    int bitrateKbps = 0;
    int sampleRateHz = 0;
    int psychoModel = 0;
    int layer = 0;
    bool copyright = false;
    bool original = false;
    bool errorProtection = false;
    Emphasis emphasis = Emphasis::None;
    bool fast = false;
    std::string inputPath;
    std::string outputPath;

    int Channels() const { return mode == ChannelMode::Mono ? 1 : 2; }
};

struct DecoderArguments
{
    std::string inputPath;
    std::string outputPath;
};

struct EncoderArgumentsResult
{
    bool ok = false;
    std::string error;
    EncoderArguments arguments;
};

struct DecoderArgumentsResult
{
    bool ok = false;
    std::string error;
    DecoderArguments arguments;
};

// Parses the words after the program name:
//   -m<m|s|j|d> -b<kbps> -s<kHz> -p<1|2> -l<1|2|3> [-c] [-o] [-e] [-d5|-dc] [-t] INPUT OUTPUT
// Empty words count as no word, and an option word holding blanks ("-l3 -c -o") counts as
// the words between the blanks, because a caller may join the flags to the layer word.
// The last two words are the paths, taken as they are.
EncoderArgumentsResult ParseEncoderArguments(const std::vector<std::string>& words);

// Parses "INPUT OUTPUT"; empty words count as no word.
DecoderArgumentsResult ParseDecoderArguments(const std::vector<std::string>& words);

// The sample rate a "-s" value in kHz stands for: the value in Hz rounded, moved to the
// nearest MPEG sample rate when within 1% of it ("11.03" is 11025 Hz). Returns 0 when the
// text is no number or no MPEG rate is that close.
int SampleRateFromKilohertz(const std::string& text);

const char* ChannelModeName(ChannelMode mode);

} // namespace quillon
