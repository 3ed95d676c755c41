#pragma once

#include <span>
#include <string>

#include "codecs/CodecArguments.h"

namespace quillon {

enum class MpegVersion {
    Mpeg1,
    Mpeg2,  // low sampling frequencies (ISO/IEC 13818-3)
    Mpeg25, // the unofficial extension to 8 to 12 kHz, Layer III only
};

// All sample rates of MPEG-1, MPEG-2 and MPEG-2.5 audio, ascending.
std::span<const int> MpegSampleRates();

// The version a sample rate belongs to; false when the rate is no MPEG rate.
bool MpegVersionForRate(int sampleRateHz, MpegVersion& version);

const char* MpegVersionName(MpegVersion version);

// Bitrate indexes 1 to 14 of the layer's table for the version (kbit/s, ascending).
std::span<const int> MpegBitrates(MpegVersion version, int layer);

// Checks that the stream the arguments ask for exists in the standard: the rate for the
// layer, the bitrate for layer and version, and Layer II's MPEG-1 limits on bitrate per mode.
// Returns an empty text when it does, otherwise the reason as a line for the user.
std::string CheckMpegStream(const EncoderArguments& arguments);

} // namespace quillon
