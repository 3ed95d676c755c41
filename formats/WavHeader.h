#pragma once

#include "formats/WavChunks.h"

#include <cstdint>

namespace quillon {

// The WAV files Quillon writes: a fixed 44-byte RIFF/WAVE header followed directly by
// 16-bit PCM samples. Files it reads may hold more chunks (see WavChunks.h).
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
    Not16Bit,        // other sample widths, and formats other than PCM (float, ADPCM)
    NoSamples,       // no "data" chunk
};

struct WavCheckResult
{
    WavCheck verdict = WavCheck::NothingRead;
    int channels = 0;
    uint32_t sampleRate = 0;
    uint64_t dataStart = 0; // the samples to feed: the "data" chunk's bytes
    uint64_t dataBytes = 0;
    WavInfoTexts info;
};

// Checks the header at the start of `fd` for a job that asks for a mono MPEG stream
// (`monoStream`) or a two-channel one. Walks the chunk list for the "fmt " and "data"
// chunks; on acceptance the position is the first sample byte.
WavCheckResult CheckWavInput(int fd, bool monoStream);

// The text shown for a rejection; empty for Accepted.
const char* WavCheckMessage(WavCheck verdict);

} // namespace quillon
