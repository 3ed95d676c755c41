#pragma once

#include <vector>

#include "codecs/encoder/EncoderBackend.h"
#include "codecs/layer1/Layer1Encoder.h"

namespace quillon {

// MPEG-1/2 Layer I through our own encoder (codecs/layer1): the full masking model by default,
// the fast one for -t. The -p word has no meaning for Layer I.
class Layer1Backend final : public EncoderBackend
{
public:
    std::string Name() const override;
    std::string Open(const EncoderArguments& arguments) override;
    EncodedBytes Encode(std::span<const std::int16_t> samples, size_t frames) override;
    EncodedBytes Finish() override;
    long FrameCount() const override;

private:
    layer1::Layer1Encoder encoder_;
    std::vector<unsigned char> output_;
};

} // namespace quillon
