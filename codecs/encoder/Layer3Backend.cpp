#include "codecs/encoder/Layer3Backend.h"

#include <cstdarg>
#include <cstdio>
#include <lame/lame.h>

#include "codecs/ConsoleText.h"

namespace quillon {
namespace {

// LAME's own complaints become lines of ours; its chatter is dropped.
void ReportLameError(const char* format, va_list args)
{
    char text[200];
    std::vsnprintf(text, sizeof text, format, args);
    std::string line = std::string("LAME: ") + text;
    while (!line.empty() && (line.back() == '\n' || line.back() == ' ')) {
        line.pop_back();
    }
    PrintLine(line);
}

void IgnoreLameMessage(const char*, va_list) {}

MPEG_mode LameMode(ChannelMode mode)
{
    switch (mode) {
    case ChannelMode::Stereo: return STEREO;
    case ChannelMode::JointStereo: return JOINT_STEREO;
    case ChannelMode::DualChannel: return DUAL_CHANNEL;
    case ChannelMode::Mono: return MONO;
    }
    return STEREO;
}

EncodedBytes Failed(const char* what, int code)
{
    return {{}, std::string("Error: LAME ") + what + " failed (code " + std::to_string(code) + ")"};
}

} // namespace

Layer3Backend::~Layer3Backend()
{
    if (lame_ != nullptr) {
        lame_close(lame_);
    }
}

std::string Layer3Backend::Name() const
{
    return std::string("LAME ") + get_lame_version();
}

std::string Layer3Backend::Open(const EncoderArguments& arguments)
{
    lame_ = lame_init();
    if (lame_ == nullptr) {
        return "Error: LAME could not be started (out of memory)";
    }
    lame_set_errorf(lame_, ReportLameError);
    lame_set_msgf(lame_, IgnoreLameMessage);
    lame_set_debugf(lame_, IgnoreLameMessage);

    channels_ = arguments.Channels();
    lame_set_num_channels(lame_, channels_);
    lame_set_in_samplerate(lame_, arguments.sampleRateHz);
    lame_set_out_samplerate(lame_, arguments.sampleRateHz);
    lame_set_mode(lame_, LameMode(arguments.mode));
    lame_set_VBR(lame_, vbr_off);
    lame_set_brate(lame_, arguments.bitrateKbps);
    lame_set_quality(lame_, arguments.fast ? 7 : 2);
    lame_set_copyright(lame_, arguments.copyright ? 1 : 0);
    lame_set_original(lame_, arguments.original ? 1 : 0);
    lame_set_error_protection(lame_, arguments.errorProtection ? 1 : 0);
    lame_set_emphasis(lame_, static_cast<int>(arguments.emphasis));
    // No loudness analysis and no ID3 tag (Quillon writes its own tags), but the info
    // frame: without it every track plays the encoder's delay and padding as silence.
    lame_set_findReplayGain(lame_, 0);
    lame_set_bWriteVbrTag(lame_, 1);
    lame_set_write_id3tag_automatic(lame_, 0);

    const int status = lame_init_params(lame_);
    if (status < 0) {
        return "Error: LAME refused these settings (code " + std::to_string(status) + ")";
    }
    if (lame_get_out_samplerate(lame_) != arguments.sampleRateHz || lame_get_brate(lame_) != arguments.bitrateKbps) {
        return "Error: LAME cannot encode " + std::to_string(arguments.bitrateKbps) + " kbit/s at " +
               std::to_string(arguments.sampleRateHz) + " Hz";
    }
    return {};
}

EncodedBytes Layer3Backend::Encode(std::span<const std::int16_t> samples, size_t frames)
{
    // LAME's own bound for the worst case of one call.
    output_.resize(frames + frames / 4 + 7200);
    const int size = static_cast<int>(output_.size());
    const int count = static_cast<int>(frames);
    int n = 0;
    if (channels_ == 1) {
        n = lame_encode_buffer(lame_, samples.data(), samples.data(), count, output_.data(), size);
    } else {
        // LAME's prototype lacks const but does not write the samples.
        n = lame_encode_buffer_interleaved(lame_, const_cast<short*>(samples.data()), count, output_.data(), size);
    }
    if (n < 0) {
        return Failed("encoding", n);
    }
    return {{output_.data(), static_cast<size_t>(n)}, {}};
}

EncodedBytes Layer3Backend::Finish()
{
    output_.resize(16384);
    const int n = lame_encode_flush(lame_, output_.data(), static_cast<int>(output_.size()));
    if (n < 0) {
        return Failed("flush", n);
    }
    return {{output_.data(), static_cast<size_t>(n)}, {}};
}

std::vector<unsigned char> Layer3Backend::StreamHeader()
{
    if (lame_ == nullptr) {
        return {};
    }
    // The info frame is one frame long: at most 2880 bytes (Layer III, 320 kbit/s at 32 kHz,
    // or 160 kbit/s at 8 kHz).
    std::vector<unsigned char> frame(4096);
    const size_t size = lame_get_lametag_frame(lame_, frame.data(), frame.size());
    frame.resize(size <= frame.size() ? size : 0);
    return frame;
}

long Layer3Backend::FrameCount() const
{
    return lame_ != nullptr ? lame_get_frameNum(lame_) : 0;
}

} // namespace quillon
