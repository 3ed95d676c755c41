#pragma once

#include <cstddef>
#include <cstdint>

struct soxr;

namespace quillon {

// A rate some MPEG audio stream has (MPEG-1, 2 and 2.5: 8 to 48 kHz).
bool IsMpegSampleRate(uint32_t rate);

// The rate an MPEG-1 stream is encoded at for audio of `sourceRate` Hz: 32, 44.1 and
// 48 kHz as they are, other multiples of 11025 Hz at 44.1 kHz, everything else at 48 kHz.
uint32_t EncoderRateFor(uint32_t sourceRate);

// The sample frames the resampler gives for `frames` at `from` Hz turned into `to` Hz:
// the exact length, rounded to the nearest frame.
uint64_t ResampledFrames(uint64_t frames, uint32_t from, uint32_t to);

// libsoxr's high-quality recipe over interleaved double samples. Its state is all the
// memory it holds, whatever the length of the audio.
class Resampler
{
public:
    Resampler(uint32_t from, uint32_t to, int channels);
    ~Resampler();
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;

    bool IsReady() const { return soxr_ != nullptr; }

    // Takes up to `inFrames` frames (`used` says how many) and gives up to `outFrames`
    // (`made`). `in` null: the input has ended; the rest is given out, 0 once it is all out.
    void Process(const double* in, size_t inFrames, size_t& used, double* out, size_t outFrames, size_t& made);

private:
    soxr* soxr_ = nullptr;
};

} // namespace quillon
