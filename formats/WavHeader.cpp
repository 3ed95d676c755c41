#include "formats/WavHeader.h"

#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {

namespace {

void Put16(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v)
{
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

} // namespace

void BuildWavHeader(uint8_t h[kWavHeaderSize], uint64_t fileLength, int channels, double sampleRate)
{
    const uint64_t length = fileLength < kWavHeaderSize ? kWavHeaderSize : fileLength;
    const auto rate = static_cast<uint32_t>(sampleRate);
    const auto ch = static_cast<uint32_t>(channels);
    std::memcpy(h, "RIFF", 4);
    Put32(h + 4, static_cast<uint32_t>(length - 8));
    std::memcpy(h + 8, "WAVE", 4);
    std::memcpy(h + 12, "fmt ", 4);
    Put32(h + 16, 16);
    Put16(h + 20, 1);
    Put16(h + 22, ch);
    Put32(h + 24, rate);
    Put32(h + 28, rate * ch * 2);
    Put16(h + 32, ch * 2);
    Put16(h + 34, 16);
    std::memcpy(h + 36, "data", 4);
    Put32(h + 40, static_cast<uint32_t>(length - kWavHeaderSize));
}

bool WriteWavHeader(int fd, int channels, double sampleRate)
{
    struct stat st
    {};
    if (fstat(fd, &st) != 0)
        return false;
    uint8_t header[kWavHeaderSize];
    BuildWavHeader(header, static_cast<uint64_t>(st.st_size), channels, sampleRate);
    if (pwrite(fd, header, sizeof header, 0) != static_cast<ssize_t>(sizeof header))
        return false;
    return lseek(fd, kWavHeaderSize, SEEK_SET) == kWavHeaderSize;
}

WavCheckResult CheckWavInput(int fd, bool monoStream)
{
    uint8_t h[12] = {};
    const size_t got = ReadFileAt(fd, h, sizeof h, 0);

    WavCheckResult result;
    if (got == 0)
        return result;
    if (h[0] != 'R') {
        result.verdict = WavCheck::NotRiff;
        return result;
    }
    if (h[8] != 'W') {
        result.verdict = WavCheck::NotWave;
        return result;
    }
    struct stat st
    {};
    const uint64_t size = fstat(fd, &st) == 0 && st.st_size > 0 ? static_cast<uint64_t>(st.st_size) : 0;
    const WavLayout layout = ReadWavLayout(fd, size);
    result.channels = layout.channels;
    result.sampleRate = layout.sampleRate;
    result.dataStart = layout.dataStart;
    result.dataBytes = layout.dataBytes;
    result.info = layout.info;
    // The encoders know one or two channels; any other count would be fed as noise.
    if (result.channels != 1 && result.channels != 2)
        result.verdict = WavCheck::NotMonoOrStereo;
    else if (result.channels == 2 && monoStream)
        result.verdict = WavCheck::StereoToMono;
    else if (result.channels != 2 && !monoStream)
        result.verdict = WavCheck::MonoToStereo;
    else if (!layout.pcm16)
        result.verdict = WavCheck::Not16Bit;
    else if (!layout.hasData ||
             lseek(fd, static_cast<off_t>(layout.dataStart), SEEK_SET) != static_cast<off_t>(layout.dataStart))
        result.verdict = WavCheck::NoSamples;
    else
        result.verdict = WavCheck::Accepted;
    return result;
}

const char* WavCheckMessage(WavCheck verdict)
{
    switch (verdict) {
    case WavCheck::Accepted: return "";
    case WavCheck::NothingRead:
    case WavCheck::NotRiff:
    case WavCheck::NotWave:
    case WavCheck::NoSamples: return "Error: Input file is not a WAV";
    case WavCheck::StereoToMono: return "A Stereo WAVE file cannot be encoded into a Mono MPEG file.";
    case WavCheck::MonoToStereo: return "A Mono WAVE file cannot be encoded into a Stereo MPEG file.";
    case WavCheck::NotMonoOrStereo: return "Error: Input file is neither mono nor stereo (1 or 2 channels).";
    case WavCheck::Not16Bit: return "Error: Input file is not a 16-bit WAV File.";
    }
    return "";
}

} // namespace quillon
