// The codec programs' argument words: the input is the words, separated by line feeds.
#include "codecs/CodecArguments.h"
#include "tests/fuzz/FuzzInput.h"

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace quillon;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> words = fuzz::Split(text, '\n');

    const EncoderArgumentsResult encoder = ParseEncoderArguments(words);
    if (encoder.ok) {
        const EncoderArguments& a = encoder.arguments;
        // What the encoders are handed must be something they can set up.
        if (a.layer < 1 || a.layer > 3 || a.bitrateKbps <= 0 || a.sampleRateHz <= 0 || a.outputPath.empty())
            std::abort();
        (void)ChannelModeName(a.mode);
    } else if (encoder.error.empty()) {
        std::abort();
    }
    const DecoderArgumentsResult decoder = ParseDecoderArguments(words);
    if (!decoder.ok && decoder.error.empty())
        std::abort();
    if (!words.empty())
        (void)SampleRateFromKilohertz(words.front());
    return 0;
}
