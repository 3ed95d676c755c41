#pragma once

#include <cstdint>

namespace quillon {

// The one shape of WAV file Quillon knows: a fixed 44-byte RIFF/WAVE header followed
// directly by 16-bit PCM samples.
constexpr int kWavHeaderSize = 44;

// Fills the 44 header bytes for a file of `fileLength` bytes. A file shorter than the
// header (nothing written yet) gets the sizes of an empty data chunk, 36 and 0.
void BuildWavHeader(uint8_t header[kWavHeaderSize], uint64_t fileLength, int channels, double sampleRate);

// Writes the header over the first 44 bytes of the open file `fd`, sized from the file's
// current length, and leaves the position at 44. False when the file layer fails.
bool WriteWavHeader(int fd, int channels, double sampleRate);

enum class WavCheck {
    Accepted,
    NothingRead,     // the file gave no byte
    NotRiff,         // byte 0 is not 'R'
    NotWave,         // byte 8 is not 'W'
    StereoToMono,    // stereo file, mono stream asked for
    MonoToStereo,    // mono file, two-channel stream asked for
    NotMonoOrStereo, // a channel count other than 1 or 2
    Not16Bit,
};

struct WavCheckResult
{
    WavCheck verdict = WavCheck::NothingRead;
    int channels = 0;
    uint32_t sampleRate = 0;
};

// Checks the header at the start of `fd` for a job that asks for a mono MPEG stream
// (`monoStream`) or a two-channel one. Reads up to 44 bytes; on acceptance the position
// is 44 and the rest of the file is fed as samples. Only fixed offsets are looked at.
WavCheckResult CheckWavInput(int fd, bool monoStream);

// The text shown for a rejection; empty for Accepted.
const char* WavCheckMessage(WavCheck verdict);

} // namespace quillon
