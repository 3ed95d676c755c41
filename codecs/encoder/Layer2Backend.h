#pragma once

#include <vector>

#include "codecs/encoder/EncoderBackend.h"

struct twolame_options_struct;

namespace quillon {

// MPEG-1/2 Layer II through libtwolame, with the psychoacoustic model of the -p word and
// TwoLAME's quick mode for -t.
class Layer2Backend final : public EncoderBackend
{
public:
    Layer2Backend() = default;
    ~Layer2Backend() override;

    std::string Name() const override;
    std::string Open(const EncoderArguments& arguments) override;
    EncodedBytes Encode(std::span<const std::int16_t> samples, size_t frames) override;
    EncodedBytes Finish() override;
    long FrameCount() const override;

private:
    twolame_options_struct* twolame_ = nullptr;
    int channels_ = 2;
    unsigned long long samplesIn_ = 0;
    bool finished_ = false;
    std::vector<unsigned char> output_;
};

} // namespace quillon
