#pragma once

#include "audio/PcmDither.h"
#include "audio/Resampler.h"
#include "audio/SoundFile.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quillon {

// Any audio file libsndfile reads (FLAC, Ogg Vorbis, Opus, AIFF, WAV of any sample
// format, WAVE64, RF64, CAF, ...) as the encoder takes it: interleaved 16-bit
// little-endian PCM at 32, 44.1 or 48 kHz. Sources of 16 bits or fewer are read as they
// are, bit for bit; deeper and float ones are reduced with TPDF dither; other rates are
// resampled (see EncoderRateFor). Memory stays that of one block and the resampler.
class AudioDecoder
{
public:
    static constexpr size_t kBlockFrames = 2048;

    explicit AudioDecoder(std::unique_ptr<ByteSource> bytes);
    ~AudioDecoder();
    AudioDecoder(const AudioDecoder&) = delete;
    AudioDecoder& operator=(const AudioDecoder&) = delete;

    // False when libsndfile cannot read the file (or the resampler cannot be set up).
    bool IsOpen() const { return open_; }
    int Channels() const { return channels_; }
    uint32_t SourceRate() const { return sourceRate_; }
    uint32_t FedRate() const { return fedRate_; }
    // True when the samples reach the encoder unchanged (16 bits or fewer, rate kept).
    bool Exact() const { return exact_; }
    // The PCM bytes the whole file gives; 0 when the file does not say how long it is.
    uint64_t ExpectedBytes() const { return expectedBytes_; }

    // Up to `size` bytes of PCM, whole sample frames only; 0 at the end of the audio, -1
    // when the file cannot be read on (Problem says why).
    ptrdiff_t Read(uint8_t* into, size_t size);
    const std::string& Problem() const { return problem_; }

private:
    size_t ReadShorts(size_t frames);
    size_t ReadDoubles(double* into, size_t frames);
    size_t Resample(size_t frames);
    void NoteShortRead();

    SoundFile file_;
    bool open_ = false;
    bool exact_ = false;
    int channels_ = 0;
    uint32_t sourceRate_ = 0;
    uint32_t fedRate_ = 0;
    uint64_t expectedBytes_ = 0;
    uint64_t framesRead_ = 0;
    bool sourceEnded_ = false;
    std::string problem_;

    std::unique_ptr<Resampler> resampler_;
    TpdfDither dither_;
    std::vector<int16_t> shorts_;
    std::vector<double> in_;  // source frames waiting for the resampler
    std::vector<double> out_; // frames about to be dithered
    size_t inFrames_ = 0;
    size_t inUsed_ = 0;
};

} // namespace quillon
