#include "codecs/encoder/Layer1Backend.h"

namespace quillon {

std::string Layer1Backend::Name() const
{
    return "Quillon Layer I";
}

std::string Layer1Backend::Open(const EncoderArguments& arguments)
{
    // The header field values of both sides are the same, so the enumerations convert directly.
    layer1::Layer1Config config;
    config.sampleRate = arguments.sampleRateHz;
    config.bitrateKbps = arguments.bitrateKbps;
    config.mode = static_cast<layer1::ChannelMode>(static_cast<int>(arguments.mode));
    config.inputChannels = arguments.Channels();
    config.copyright = arguments.copyright;
    config.original = arguments.original;
    config.crc = arguments.errorProtection;
    config.emphasis = static_cast<layer1::Emphasis>(static_cast<int>(arguments.emphasis));
    config.fast = arguments.fast;
    std::string error;
    if (!encoder_.Configure(config, error)) {
        return "Error: " + error;
    }
    return {};
}

EncodedBytes Layer1Backend::Encode(std::span<const std::int16_t> samples, size_t frames)
{
    output_.clear();
    encoder_.Encode(samples.data(), frames, output_);
    return {{output_.data(), output_.size()}, {}};
}

EncodedBytes Layer1Backend::Finish()
{
    output_.clear();
    encoder_.Flush(output_);
    return {{output_.data(), output_.size()}, {}};
}

long Layer1Backend::FrameCount() const
{
    return encoder_.FrameCount();
}

} // namespace quillon
