#pragma once

#include <vector>

#include "codecs/encoder/EncoderBackend.h"

struct lame_global_struct;

namespace quillon
{

// MPEG-1/2/2.5 Layer III through libmp3lame, constant bitrate, frames carrying exactly the
// asked header flags: no info frame and no ID3 tag (Quillon appends its own tag).
class Layer3Backend final : public EncoderBackend
{
public:
    Layer3Backend() = default;
    ~Layer3Backend() override;

    std::string Name() const override;
    std::string Open(const EncoderArguments& arguments) override;
    EncodedBytes Encode(std::span<const std::int16_t> samples, size_t frames) override;
    EncodedBytes Finish() override;
    long FrameCount() const override;

private:
    lame_global_struct* lame_ = nullptr;
    int channels_ = 2;
    std::vector<unsigned char> output_;
};

} // namespace quillon
