#include "codecs/encoder/Layer2Backend.h"

#include <fcntl.h>
#include <twolame.h>
#include <unistd.h>

namespace quillon {
namespace {

TWOLAME_MPEG_mode TwolameMode(ChannelMode mode)
{
    switch (mode) {
    case ChannelMode::Stereo: return TWOLAME_STEREO;
    case ChannelMode::JointStereo: return TWOLAME_JOINT_STEREO;
    case ChannelMode::DualChannel: return TWOLAME_DUAL_CHANNEL;
    case ChannelMode::Mono: return TWOLAME_MONO;
    }
    return TWOLAME_STEREO;
}

TWOLAME_Emphasis TwolameEmphasis(Emphasis emphasis)
{
    switch (emphasis) {
    case Emphasis::None: return TWOLAME_EMPHASIS_N;
    case Emphasis::Microseconds50_15: return TWOLAME_EMPHASIS_5;
    case Emphasis::CcittJ17: return TWOLAME_EMPHASIS_C;
    }
    return TWOLAME_EMPHASIS_N;
}

// The largest Layer II frame is 1728 bytes (384 kbit/s at 32 kHz) for 1152 samples.
size_t OutputBound(size_t frames)
{
    return (frames / TWOLAME_SAMPLES_PER_FRAME + 2) * 1728;
}

// TwoLAME's model 1 prints a debugging line on standard error when it sets itself up, whatever
// the verbosity; Quillon's console is no place for it, so standard error is muted meanwhile.
class QuietStandardError
{
public:
    QuietStandardError()
    {
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        saved_ = null >= 0 ? ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0) : -1;
        if (saved_ >= 0) {
            ::dup2(null, STDERR_FILENO);
        }
        if (null >= 0) {
            ::close(null);
        }
    }
    ~QuietStandardError()
    {
        if (saved_ >= 0) {
            ::dup2(saved_, STDERR_FILENO);
            ::close(saved_);
        }
    }
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

private:
    int saved_ = -1;
};

} // namespace

Layer2Backend::~Layer2Backend()
{
    if (twolame_ != nullptr) {
        twolame_close(&twolame_);
    }
}

std::string Layer2Backend::Name() const
{
    return std::string("TwoLAME ") + get_twolame_version();
}

std::string Layer2Backend::Open(const EncoderArguments& arguments)
{
    twolame_ = twolame_init();
    if (twolame_ == nullptr) {
        return "Error: TwoLAME could not be started (out of memory)";
    }
    channels_ = arguments.Channels();
    int failures = 0;
    failures += twolame_set_verbosity(twolame_, 0) != 0;
    failures += twolame_set_num_channels(twolame_, channels_) != 0;
    failures += twolame_set_in_samplerate(twolame_, arguments.sampleRateHz) != 0;
    failures += twolame_set_out_samplerate(twolame_, arguments.sampleRateHz) != 0;
    failures += twolame_set_version(twolame_, arguments.sampleRateHz < 32000 ? TWOLAME_MPEG2 : TWOLAME_MPEG1) != 0;
    failures += twolame_set_mode(twolame_, TwolameMode(arguments.mode)) != 0;
    failures += twolame_set_bitrate(twolame_, arguments.bitrateKbps) != 0;
    failures += twolame_set_psymodel(twolame_, arguments.psychoModel) != 0;
    failures += twolame_set_quick_mode(twolame_, arguments.fast ? TRUE : FALSE) != 0;
    failures += twolame_set_copyright(twolame_, arguments.copyright ? TRUE : FALSE) != 0;
    failures += twolame_set_original(twolame_, arguments.original ? TRUE : FALSE) != 0;
    failures += twolame_set_error_protection(twolame_, arguments.errorProtection ? TRUE : FALSE) != 0;
    failures += twolame_set_emphasis(twolame_, TwolameEmphasis(arguments.emphasis)) != 0;
    // Padding keeps the mean bitrate exact at 44.1 and 22.05 kHz, as other encoders do.
    failures += twolame_set_padding(twolame_, TWOLAME_PAD_ALL) != 0;
    QuietStandardError quiet;
    if (failures != 0 || twolame_init_params(twolame_) != 0) {
        return "Error: TwoLAME refused these settings";
    }
    return {};
}

EncodedBytes Layer2Backend::Encode(std::span<const std::int16_t> samples, size_t frames)
{
    output_.resize(OutputBound(frames));
    const int count = static_cast<int>(frames);
    const int size = static_cast<int>(output_.size());
    int n = 0;
    std::unique_ptr<QuietStandardError> quiet;
    if (samplesIn_ < TWOLAME_SAMPLES_PER_FRAME) {
        quiet = std::make_unique<QuietStandardError>();
    }
    if (channels_ == 1) {
        n = twolame_encode_buffer(twolame_, samples.data(), samples.data(), count, output_.data(), size);
    } else {
        n = twolame_encode_buffer_interleaved(twolame_, samples.data(), count, output_.data(), size);
    }
    if (n < 0) {
        return {{}, "Error: TwoLAME encoding failed (code " + std::to_string(n) + ")"};
    }
    samplesIn_ += frames;
    return {{output_.data(), static_cast<size_t>(n)}, {}};
}

EncodedBytes Layer2Backend::Finish()
{
    output_.resize(OutputBound(0));
    const int n = twolame_encode_flush(twolame_, output_.data(), static_cast<int>(output_.size()));
    if (n < 0) {
        return {{}, "Error: TwoLAME flush failed (code " + std::to_string(n) + ")"};
    }
    finished_ = true;
    return {{output_.data(), static_cast<size_t>(n)}, {}};
}

long Layer2Backend::FrameCount() const
{
    // TwoLAME encodes a frame as soon as it holds 1152 samples and pads the rest at the end.
    const unsigned long long perFrame = TWOLAME_SAMPLES_PER_FRAME;
    return static_cast<long>(finished_ ? (samplesIn_ + perFrame - 1) / perFrame : samplesIn_ / perFrame);
}

} // namespace quillon
