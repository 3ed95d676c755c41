#include "audio/Resampler.h"

#include <soxr.h>

namespace quillon {

bool IsMpegSampleRate(uint32_t rate)
{
    switch (rate) {
    case 8000:
    case 11025:
    case 12000:
    case 16000:
    case 22050:
    case 24000:
    case 32000:
    case 44100:
    case 48000: return true;
    default: return false;
    }
}

uint32_t EncoderRateFor(uint32_t sourceRate)
{
    if (sourceRate == 32000 || sourceRate == 44100 || sourceRate == 48000)
        return sourceRate;
    return sourceRate % 11025 == 0 ? 44100 : 48000;
}

uint64_t ResampledFrames(uint64_t frames, uint32_t from, uint32_t to)
{
    if (from == 0)
        return 0;
    // 128 bits: hours at 192 kHz times a rate pass 64 bits only by far, but cheaply kept.
    const unsigned __int128 scaled = static_cast<unsigned __int128>(frames) * to * 2 + from;
    return static_cast<uint64_t>(scaled / (static_cast<unsigned __int128>(from) * 2));
}

Resampler::Resampler(uint32_t from, uint32_t to, int channels)
{
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT64_I, SOXR_FLOAT64_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    soxr_error_t error = nullptr;
    soxr_ = soxr_create(from, to, static_cast<unsigned>(channels), &error, &io, &quality, nullptr);
    if (error) {
        soxr_delete(soxr_);
        soxr_ = nullptr;
    }
}

Resampler::~Resampler()
{
    soxr_delete(soxr_);
}

void Resampler::Process(const double* in, size_t inFrames, size_t& used, double* out, size_t outFrames, size_t& made)
{
    used = made = 0;
    if (!soxr_)
        return;
    if (in)
        soxr_process(soxr_, in, inFrames, &used, out, outFrames, &made);
    else
        soxr_process(soxr_, nullptr, 0, nullptr, out, outFrames, &made);
}

} // namespace quillon
