#include "audio/AudioDecoder.h"

#include <algorithm>

namespace quillon {

namespace {

// Sample formats that libsndfile decodes into 16 bits without loss: read as short, they
// reach the encoder bit for bit, so a 16-bit FLAC gives what the same WAV gives.
bool FitsSixteenBits(int format)
{
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_PCM_16:
    case SF_FORMAT_ULAW:
    case SF_FORMAT_ALAW:
    case SF_FORMAT_IMA_ADPCM:
    case SF_FORMAT_MS_ADPCM:
    case SF_FORMAT_GSM610:
    case SF_FORMAT_DPCM_8:
    case SF_FORMAT_DPCM_16: return true;
    default: return false;
    }
}

} // namespace

AudioDecoder::AudioDecoder(std::unique_ptr<ByteSource> bytes) : file_(std::move(bytes))
{
    if (!file_.IsOpen())
        return;
    const SF_INFO& info = file_.Info();
    channels_ = info.channels;
    sourceRate_ = static_cast<uint32_t>(info.samplerate);
    fedRate_ = EncoderRateFor(sourceRate_);
    exact_ = FitsSixteenBits(info.format) && fedRate_ == sourceRate_;
    // A channel count this large is no audio file; the run refuses more than two anyway,
    // but the buffers below must not be sized from it.
    if (channels_ > 64) {
        open_ = true;
        return;
    }
    if (fedRate_ != sourceRate_) {
        resampler_ = std::make_unique<Resampler>(sourceRate_, fedRate_, channels_);
        if (!resampler_->IsReady())
            return;
        in_.resize(kBlockFrames * static_cast<size_t>(channels_));
    }
    const size_t samples = kBlockFrames * static_cast<size_t>(channels_);
    if (exact_)
        shorts_.resize(samples);
    else
        out_.resize(samples);
    const bool known = info.frames > 0 && info.frames != SF_COUNT_MAX;
    if (known) {
        const auto frames = static_cast<uint64_t>(info.frames);
        expectedBytes_ = (resampler_ ? ResampledFrames(frames, sourceRate_, fedRate_) : frames) *
                         static_cast<uint64_t>(channels_) * 2;
    }
    open_ = true;
}

AudioDecoder::~AudioDecoder() = default;

ptrdiff_t AudioDecoder::Read(uint8_t* into, size_t size)
{
    if (!problem_.empty())
        return -1;
    if (!open_ || channels_ > 64)
        return 0;
    const size_t frameBytes = static_cast<size_t>(channels_) * 2;
    const size_t frames = std::min(size / frameBytes, kBlockFrames);
    if (frames == 0)
        return 0;
    size_t got = 0;
    if (exact_) {
        got = ReadShorts(frames);
        for (size_t i = 0; i < got * static_cast<size_t>(channels_); ++i)
            PutPcm16(into + 2 * i, shorts_[i]);
    } else {
        got = resampler_ ? Resample(frames) : ReadDoubles(out_.data(), frames);
        for (size_t i = 0; i < got * static_cast<size_t>(channels_); ++i)
            PutPcm16(into + 2 * i, dither_.Quantize(out_[i]));
    }
    if (!problem_.empty())
        return -1;
    return static_cast<ptrdiff_t>(got * frameBytes);
}

size_t AudioDecoder::ReadShorts(size_t frames)
{
    const sf_count_t n = sf_readf_short(file_.Handle(), shorts_.data(), static_cast<sf_count_t>(frames));
    const size_t got = n > 0 ? static_cast<size_t>(n) : 0;
    framesRead_ += got;
    if (got < frames)
        NoteShortRead();
    return got;
}

size_t AudioDecoder::ReadDoubles(double* into, size_t frames)
{
    if (sourceEnded_)
        return 0;
    const sf_count_t n = sf_readf_double(file_.Handle(), into, static_cast<sf_count_t>(frames));
    const size_t got = n > 0 ? static_cast<size_t>(n) : 0;
    framesRead_ += got;
    if (got < frames)
        NoteShortRead();
    return got;
}

size_t AudioDecoder::Resample(size_t frames)
{
    const auto channels = static_cast<size_t>(channels_);
    size_t made = 0;
    while (made < frames && problem_.empty()) {
        if (inUsed_ == inFrames_ && !sourceEnded_) {
            inFrames_ = ReadDoubles(in_.data(), kBlockFrames);
            inUsed_ = 0;
        }
        size_t used = 0, got = 0;
        if (inUsed_ < inFrames_) {
            resampler_->Process(in_.data() + inUsed_ * channels, inFrames_ - inUsed_, used,
                                out_.data() + made * channels, frames - made, got);
        } else {
            resampler_->Process(nullptr, 0, used, out_.data() + made * channels, frames - made, got);
            if (got == 0)
                break; // all given out
        }
        inUsed_ += used;
        made += got;
    }
    return made;
}

// A read that gave fewer frames than asked for: the end of the audio, unless libsndfile
// met a fault or the file stops before the length its header gives.
void AudioDecoder::NoteShortRead()
{
    sourceEnded_ = true;
    const SF_INFO& info = file_.Info();
    const bool known = info.frames > 0 && info.frames != SF_COUNT_MAX;
    const std::string counted =
        known ? " after " + std::to_string(framesRead_) + " of its " + std::to_string(info.frames) + " sample frames"
              : " after " + std::to_string(framesRead_) + " sample frames";
    if (sf_error(file_.Handle()) != SF_ERR_NO_ERROR) {
        std::string reason = sf_strerror(file_.Handle());
        // Its texts say "Error : " first; ours put the file's name before the reason.
        if (const auto colon = reason.find(" : "); colon != std::string::npos && colon < 8)
            reason.erase(0, colon + 3);
        while (!reason.empty() && (reason.back() == '.' || reason.back() == ' '))
            reason.pop_back();
        problem_ = reason + counted;
    } else if (known && framesRead_ < static_cast<uint64_t>(info.frames))
        problem_ = "the audio ends early" + counted;
}

} // namespace quillon
