#include "codecs/MpegTables.h"

#include <algorithm>
#include <array>

namespace quillon {
namespace {

constexpr std::array<int, 9> kSampleRates = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};

constexpr std::array<int, 14> kMpeg1Layer1 = {32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448};
constexpr std::array<int, 14> kMpeg1Layer2 = {32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384};
constexpr std::array<int, 14> kMpeg1Layer3 = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
constexpr std::array<int, 14> kMpeg2Layer1 = {32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256};
constexpr std::array<int, 14> kMpeg2Layers23 = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};

std::string ListBitrates(std::span<const int> bitrates)
{
    std::string text;
    for (int bitrate : bitrates) {
        text += (text.empty() ? "" : " ") + std::to_string(bitrate);
    }
    return text;
}

} // namespace

std::span<const int> MpegSampleRates()
{
    return kSampleRates;
}

bool MpegVersionForRate(int sampleRateHz, MpegVersion& version)
{
    switch (sampleRateHz) {
    case 32000:
    case 44100:
    case 48000: version = MpegVersion::Mpeg1; return true;
    case 16000:
    case 22050:
    case 24000: version = MpegVersion::Mpeg2; return true;
    case 8000:
    case 11025:
    case 12000: version = MpegVersion::Mpeg25; return true;
    default: return false;
    }
}

const char* MpegVersionName(MpegVersion version)
{
    switch (version) {
    case MpegVersion::Mpeg1: return "MPEG-1";
    case MpegVersion::Mpeg2: return "MPEG-2";
    case MpegVersion::Mpeg25: return "MPEG-2.5";
    }
    return "MPEG-?";
}

std::span<const int> MpegBitrates(MpegVersion version, int layer)
{
    if (version == MpegVersion::Mpeg1) {
        return layer == 1   ? std::span<const int>(kMpeg1Layer1)
               : layer == 2 ? std::span<const int>(kMpeg1Layer2)
                            : std::span<const int>(kMpeg1Layer3);
    }
    return layer == 1 ? std::span<const int>(kMpeg2Layer1) : std::span<const int>(kMpeg2Layers23);
}

std::string CheckMpegStream(const EncoderArguments& arguments)
{
    const int layer = arguments.layer;
    const std::string layerName = "Layer " + std::string(layer == 1 ? "I" : layer == 2 ? "II" : "III");
    MpegVersion version{};
    if (!MpegVersionForRate(arguments.sampleRateHz, version) || (version == MpegVersion::Mpeg25 && layer != 3)) {
        return "Error: sample rate " + std::to_string(arguments.sampleRateHz) + " Hz is not supported by " + layerName +
               " (use " + (layer == 3 ? "8000 to 48000" : "16000 to 48000") + " Hz MPEG rates)";
    }
    const std::span<const int> bitrates = MpegBitrates(version, layer);
    if (std::find(bitrates.begin(), bitrates.end(), arguments.bitrateKbps) == bitrates.end()) {
        return "Error: " + std::to_string(arguments.bitrateKbps) + " kbit/s is not in " + MpegVersionName(version) +
               " " + layerName + ": " + ListBitrates(bitrates);
    }
    if (layer == 2 && version == MpegVersion::Mpeg1) {
        const int kbps = arguments.bitrateKbps;
        const bool mono = arguments.mode == ChannelMode::Mono;
        if (mono && kbps > 192) {
            return "Error: MPEG-1 Layer II allows at most 192 kbit/s in mono";
        }
        if (!mono && (kbps < 64 || kbps == 80)) {
            return "Error: MPEG-1 Layer II needs 64 kbit/s or more (not 80) for two channels";
        }
    }
    return {};
}

} // namespace quillon
