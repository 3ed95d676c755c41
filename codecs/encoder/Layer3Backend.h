#pragma once

#include <vector>

#include "codecs/encoder/EncoderBackend.h"

struct lame_global_struct;

namespace quillon {

// MPEG-1/2/2.5 Layer III through libmp3lame, constant bitrate, frames carrying exactly the
// asked header flags. The first frame is LAME's info frame, so that players drop the
// encoder's delay and padding and an album plays without gaps; no ID3 tag (Quillon
// writes its own tags).
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
    std::vector<unsigned char> StreamHeader() override;

private:
    lame_global_struct* lame_ = nullptr;
    int channels_ = 2;
    std::vector<unsigned char> output_;
};

} // namespace quillon
