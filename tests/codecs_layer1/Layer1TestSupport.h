#pragma once

// Signals, a frame parser, decoder runs and SNR measurement shared by the Layer I tests.

#include "codecs/layer1/Layer1Encoder.h"
#include "tests/support/TempFolder.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace quillon::layer1::test {

inline std::vector<int16_t> Sine(int rate, int channels, size_t frames, double hz, double amplitude)
{
    std::vector<int16_t> pcm(frames * channels);
    for (size_t i = 0; i < frames; ++i) {
        const double v = amplitude * 32767.0 * std::sin(2.0 * M_PI * hz * static_cast<double>(i) / rate);
        for (int ch = 0; ch < channels; ++ch) {
            pcm[i * channels + ch] = static_cast<int16_t>(std::lround(v));
        }
    }
    return pcm;
}

// Pink noise (Paul Kellet's filter over white noise), independent per channel.
inline std::vector<int16_t> PinkNoise(int channels, size_t frames, double amplitude, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> white(-1.0, 1.0);
    std::vector<int16_t> pcm(frames * channels);
    for (int ch = 0; ch < channels; ++ch) {
        double b[7] = {};
        for (size_t i = 0; i < frames; ++i) {
            const double w = white(rng);
            b[0] = 0.99886 * b[0] + w * 0.0555179;
            b[1] = 0.99332 * b[1] + w * 0.0750759;
            b[2] = 0.96900 * b[2] + w * 0.1538520;
            b[3] = 0.86650 * b[3] + w * 0.3104856;
            b[4] = 0.55000 * b[4] + w * 0.5329522;
            b[5] = -0.7616 * b[5] - w * 0.0168980;
            const double pink = (b[0] + b[1] + b[2] + b[3] + b[4] + b[5] + b[6] + w * 0.5362) * 0.11;
            b[6] = w * 0.115926;
            pcm[i * channels + ch] = static_cast<int16_t>(std::clamp(pink * amplitude * 32767.0, -32768.0, 32767.0));
        }
    }
    return pcm;
}

// Notes with harmonics and decaying envelopes over a quiet noise floor, different per channel.
inline std::vector<int16_t> MusicLike(int rate, int channels, size_t frames, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<double> mix(frames * channels, 0.0);
    const size_t noteLength = static_cast<size_t>(rate) / 4;
    for (size_t start = 0; start < frames; start += noteLength / 2) {
        const double f0 = 110.0 * std::pow(2.0, std::floor(unit(rng) * 36.0) / 12.0);
        const double pan = unit(rng);
        for (size_t i = start; i < std::min(frames, start + noteLength * 2); ++i) {
            const double t = static_cast<double>(i - start) / rate;
            const double envelope = std::exp(-4.0 * t) * std::min(1.0, t * 200.0);
            double v = 0.0;
            for (int h = 1; h <= 8; ++h) {
                v += std::sin(2.0 * M_PI * f0 * h * t) / h;
            }
            for (int ch = 0; ch < channels; ++ch) {
                mix[i * channels + ch] += 0.12 * envelope * v * (ch == 0 ? 1.0 - 0.6 * pan : 0.4 + 0.6 * pan);
            }
        }
    }
    const std::vector<int16_t> floor = PinkNoise(channels, frames, 0.02, seed + 1);
    std::vector<int16_t> pcm(frames * channels);
    for (size_t i = 0; i < pcm.size(); ++i) {
        pcm[i] = static_cast<int16_t>(std::clamp(mix[i] * 32767.0 + floor[i], -32768.0, 32767.0));
    }
    return pcm;
}

// Encodes in pieces of uneven size, as a pipe delivers them.
inline std::vector<uint8_t> EncodeAll(const Layer1Config& config, const std::vector<int16_t>& pcm)
{
    Layer1Encoder encoder;
    std::string error;
    if (!encoder.Configure(config, error)) {
        return {};
    }
    std::vector<uint8_t> out;
    const size_t frames = pcm.size() / static_cast<size_t>(config.inputChannels);
    size_t done = 0;
    size_t piece = 1;
    while (done < frames) {
        const size_t n = std::min(piece, frames - done);
        encoder.Encode(pcm.data() + done * config.inputChannels, n, out);
        done += n;
        piece = piece * 3 + 7;
    }
    encoder.Flush(out);
    return out;
}

struct ParsedFrame
{
    size_t offset = 0;
    size_t length = 0;
    int version = 0; // 1 = MPEG-1, 0 = MPEG-2 low sampling frequency
    int layerBits = 0;
    bool protectedByCrc = false;
    int bitrateIndex = 0;
    int rateIndex = 0;
    bool padding = false;
    int mode = 0;
    int modeExtension = 0;
    bool copyright = false;
    bool original = false;
    int emphasis = 0;
};

inline int Bitrate(const ParsedFrame& f)
{
    static const int mpeg1[] = {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448};
    static const int lsf[] = {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256};
    return f.bitrateIndex < 15 ? (f.version == 1 ? mpeg1 : lsf)[f.bitrateIndex] : 0;
}

inline int SampleRate(const ParsedFrame& f)
{
    static const int mpeg1[] = {44100, 48000, 32000};
    static const int lsf[] = {22050, 24000, 16000};
    return f.rateIndex < 3 ? (f.version == 1 ? mpeg1 : lsf)[f.rateIndex] : 0;
}

// Splits a Layer I stream into frames by their headers; `error` names the first fault found.
inline std::vector<ParsedFrame> ParseFrames(const std::vector<uint8_t>& data, std::string& error)
{
    std::vector<ParsedFrame> frames;
    size_t pos = 0;
    while (pos < data.size()) {
        if (data.size() - pos < 4 || data[pos] != 0xFF || (data[pos + 1] & 0xF0) != 0xF0) {
            error = "no frame sync at byte " + std::to_string(pos);
            return frames;
        }
        ParsedFrame f;
        f.offset = pos;
        f.version = (data[pos + 1] >> 3) & 1;
        f.layerBits = (data[pos + 1] >> 1) & 3;
        f.protectedByCrc = (data[pos + 1] & 1) == 0;
        f.bitrateIndex = data[pos + 2] >> 4;
        f.rateIndex = (data[pos + 2] >> 2) & 3;
        f.padding = ((data[pos + 2] >> 1) & 1) != 0;
        f.mode = data[pos + 3] >> 6;
        f.modeExtension = (data[pos + 3] >> 4) & 3;
        f.copyright = ((data[pos + 3] >> 3) & 1) != 0;
        f.original = ((data[pos + 3] >> 2) & 1) != 0;
        f.emphasis = data[pos + 3] & 3;
        if (Bitrate(f) == 0 || SampleRate(f) == 0) {
            error = "bad bitrate or rate index at byte " + std::to_string(pos);
            return frames;
        }
        f.length = static_cast<size_t>(12 * Bitrate(f) * 1000 / SampleRate(f) + (f.padding ? 1 : 0)) * 4;
        if (pos + f.length > data.size()) {
            error = "truncated frame at byte " + std::to_string(pos);
            return frames;
        }
        frames.push_back(f);
        pos += f.length;
    }
    return frames;
}

// Reads bits of a frame, most significant first.
class BitReader
{
public:
    BitReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint32_t Get(int bits)
    {
        uint32_t v = 0;
        for (int i = 0; i < bits; ++i, ++pos_) {
            const size_t byte = pos_ / 8;
            const uint32_t bit = byte < size_ ? (data_[byte] >> (7 - pos_ % 8)) & 1u : 0u;
            v = (v << 1) | bit;
        }
        return v;
    }
    size_t Position() const { return pos_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// The bits a frame's audio data really takes (header, check word, allocation, scale factors,
// samples), read back from its allocation fields.
inline size_t AudioDataBits(const std::vector<uint8_t>& data, const ParsedFrame& f, int allocation[2][32])
{
    BitReader reader(data.data() + f.offset, f.length);
    reader.Get(32);
    if (f.protectedByCrc) {
        reader.Get(16);
    }
    const int channels = f.mode == 3 ? 1 : 2;
    const int bound = f.mode == 1 ? 4 * (f.modeExtension + 1) : 32;
    for (int sb = 0; sb < 32; ++sb) {
        for (int ch = 0; ch < channels; ++ch) {
            allocation[ch][sb] = (sb < bound || ch == 0) ? static_cast<int>(reader.Get(4)) : allocation[0][sb];
        }
    }
    size_t bits = reader.Position();
    for (int sb = 0; sb < 32; ++sb) {
        for (int ch = 0; ch < channels; ++ch) {
            if (allocation[ch][sb] != 0) {
                bits += 6;
                if (sb < bound || ch == 0) {
                    bits += 12 * static_cast<size_t>(allocation[ch][sb] + 1);
                }
            }
        }
    }
    return bits;
}

using TempDir = testing_support::TempFolder;

inline void WriteFile(const std::string& path, const void* data, size_t size)
{
    std::ofstream out(path, std::ios::binary);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

inline std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string ReadText(const std::string& path)
{
    const std::vector<uint8_t> bytes = ReadFile(path);
    return {bytes.begin(), bytes.end()};
}

struct Decoded
{
    bool ran = false;
    std::string diagnostics; // the decoder's standard error
    std::vector<int16_t> pcm;
};

// Decodes an MPEG audio file to 16-bit PCM with mpg123 or ffmpeg; ffmpeg reads it through a
// pipe, as its file demuxer notes that a stream without a duration header is estimated.
inline Decoded DecodeWith(const std::string& decoder, const std::string& mpegPath, const std::string& extraOptions = "")
{
    Decoded result;
    const std::string raw = mpegPath + "." + decoder + ".raw";
    const std::string err = mpegPath + "." + decoder + ".err";
    std::string command;
    if (decoder == "mpg123") {
        command = "mpg123 -q -s " + extraOptions + " '" + mpegPath + "' > '" + raw + "' 2> '" + err + "'";
    } else {
        command = "ffmpeg -nostdin -v warning " + extraOptions + " -i pipe:0 -f s16le -y '" + raw + "' < '" + mpegPath +
                  "' 2> '" + err + "'";
    }
    result.ran = std::system(command.c_str()) == 0;
    result.diagnostics = ReadText(err);
    const std::vector<uint8_t> bytes = ReadFile(raw);
    result.pcm.resize(bytes.size() / 2);
    for (size_t i = 0; i < result.pcm.size(); ++i) {
        result.pcm[i] = static_cast<int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    return result;
}

struct Alignment
{
    int delay = -1;
    double snrDb = 0.0;
};

inline double SnrAt(const std::vector<int16_t>& reference, const std::vector<int16_t>& decoded, int channels, int delay,
                    size_t first, size_t last)
{
    double error = 0.0;
    double signal = 0.0;
    const size_t n = std::min(reference.size() / channels, decoded.size() / channels - static_cast<size_t>(delay));
    for (size_t i = first; i < std::min(n, last); ++i) {
        for (int ch = 0; ch < channels; ++ch) {
            const double x = reference[i * channels + ch];
            const double y = decoded[(i + delay) * channels + ch];
            error += (x - y) * (x - y);
            signal += x * x;
        }
    }
    return 10.0 * std::log10(std::max(signal, 1e-9) / std::max(error, 1e-9));
}

// SNR of `decoded` against `reference` at the delay that fits best (searched up to 1200 samples
// on a stretch of 8192, then measured over everything but the first and last 1000 samples).
inline Alignment AlignedSnr(const std::vector<int16_t>& reference, const std::vector<int16_t>& decoded, int channels)
{
    Alignment best;
    const size_t decFrames = decoded.size() / channels;
    double bestSnr = -1e9;
    for (int d = 0; d <= 1200 && decFrames >= static_cast<size_t>(d) + 3000; ++d) {
        const double snr = SnrAt(reference, decoded, channels, d, 1000, 1000 + 8192);
        if (snr > bestSnr) {
            bestSnr = snr;
            best.delay = d;
        }
    }
    if (best.delay >= 0) {
        const size_t n = std::min(reference.size() / channels, decFrames - best.delay);
        best.snrDb = SnrAt(reference, decoded, channels, best.delay, 1000, n - 1000);
    }
    return best;
}

} // namespace quillon::layer1::test
