// Layer I encoder benchmark: speed at 384 kbit/s stereo against libtwolame's Layer II on the
// same samples, SNR on a sine and on pink noise, and segmental SNR on a music-like signal for
// every Layer I bitrate next to TwoLAME at the nearest Layer II bitrate. Decoding goes through
// the mpg123 program. Run by hand: build/bin/layer1_bench [seconds-of-noise]

#include "codecs/layer1/Layer1Encoder.h"
#include "tests/codecs_layer1/Layer1TestSupport.h"

#include <twolame.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using quillon::layer1::ChannelMode;
using quillon::layer1::Layer1Config;
using quillon::layer1::Layer1Encoder;

constexpr int kRate = 44100;

double CpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

// The test signals, stereo at the benchmark's rate.
std::vector<int16_t> Sine(size_t frames, double hz, double amplitude)
{
    return quillon::layer1::test::Sine(kRate, 2, frames, hz, amplitude);
}

std::vector<int16_t> PinkNoise(size_t frames, double amplitude, unsigned seed)
{
    return quillon::layer1::test::PinkNoise(2, frames, amplitude, seed);
}

std::vector<int16_t> MusicLike(size_t frames, unsigned seed)
{
    return quillon::layer1::test::MusicLike(kRate, 2, frames, seed);
}

std::vector<uint8_t> EncodeLayer1(const std::vector<int16_t>& pcm, int kbps, ChannelMode mode, bool fast)
{
    Layer1Config config;
    config.bitrateKbps = kbps;
    config.mode = mode;
    config.fast = fast;
    Layer1Encoder encoder;
    std::string error;
    if (!encoder.Configure(config, error)) {
        std::fprintf(stderr, "layer1: %s\n", error.c_str());
        return {};
    }
    std::vector<uint8_t> out;
    out.reserve(pcm.size() * kbps / 1400 + 4096);
    // Pieces of 4096 frames, as l3.dll reads them from its pipe.
    for (size_t done = 0; done < pcm.size() / 2; done += 4096) {
        encoder.Encode(pcm.data() + 2 * done, std::min<size_t>(4096, pcm.size() / 2 - done), out);
    }
    encoder.Flush(out);
    return out;
}

std::vector<uint8_t> EncodeTwolame(const std::vector<int16_t>& pcm, int kbps, ChannelMode mode)
{
    twolame_options* options = twolame_init();
    twolame_set_verbosity(options, 0);
    twolame_set_num_channels(options, 2);
    twolame_set_in_samplerate(options, kRate);
    twolame_set_out_samplerate(options, kRate);
    twolame_set_mode(options, mode == ChannelMode::JointStereo ? TWOLAME_JOINT_STEREO : TWOLAME_STEREO);
    twolame_set_bitrate(options, kbps);
    std::vector<uint8_t> out;
    if (twolame_init_params(options) != 0) {
        twolame_close(&options);
        return out;
    }
    std::vector<unsigned char> buffer(16384 + 4096 * 2);
    for (size_t done = 0; done < pcm.size() / 2; done += 4096) {
        const int n = static_cast<int>(std::min<size_t>(4096, pcm.size() / 2 - done));
        const int made = twolame_encode_buffer_interleaved(options, pcm.data() + 2 * done, n, buffer.data(),
                                                           static_cast<int>(buffer.size()));
        out.insert(out.end(), buffer.begin(), buffer.begin() + std::max(made, 0));
    }
    const int made = twolame_encode_flush(options, buffer.data(), static_cast<int>(buffer.size()));
    out.insert(out.end(), buffer.begin(), buffer.begin() + std::max(made, 0));
    twolame_close(&options);
    return out;
}

struct Timed
{
    double cpuSeconds = 1e9;
    std::vector<uint8_t> bytes;
};

template <typename F>
Timed BestOfThree(F encode)
{
    Timed best;
    for (int run = 0; run < 3; ++run) {
        const double start = CpuSeconds();
        std::vector<uint8_t> bytes = encode();
        const double took = CpuSeconds() - start;
        if (took < best.cpuSeconds) {
            best.cpuSeconds = took;
            best.bytes = std::move(bytes);
        }
    }
    return best;
}

std::vector<int16_t> DecodeWithMpg123(const std::vector<uint8_t>& stream, const std::string& dir)
{
    const std::string in = dir + "/bench.mpg";
    const std::string out = dir + "/bench.raw";
    {
        std::ofstream file(in, std::ios::binary);
        file.write(reinterpret_cast<const char*>(stream.data()), static_cast<std::streamsize>(stream.size()));
    }
    if (std::system(("mpg123 -q -s '" + in + "' > '" + out + "' 2>/dev/null").c_str()) != 0) {
        return {};
    }
    std::ifstream file(out, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    std::vector<int16_t> pcm(bytes.size() / 2);
    for (size_t i = 0; i < pcm.size(); ++i) {
        pcm[i] =
            static_cast<int16_t>(static_cast<uint8_t>(bytes[2 * i]) | (static_cast<uint8_t>(bytes[2 * i + 1]) << 8));
    }
    return pcm;
}

struct Quality
{
    int delay = -1;
    double snr = 0.0;
    double segmental = 0.0;
};

// Finds the delay on a stretch of aperiodic signal by least error (for periodic signals the
// caller passes the known delay), then the SNR over everything and the mean SNR of 20 ms
// segments (each held to -10..80 dB, near-silent segments left out).
Quality Measure(const std::vector<int16_t>& ref, const std::vector<int16_t>& dec, int knownDelay)
{
    Quality q;
    const size_t refFrames = ref.size() / 2;
    const size_t decFrames = dec.size() / 2;
    if (decFrames < 40000 || refFrames < 40000) {
        return q; // nothing decoded (an encoder refused): reported as delay -1
    }
    auto errorAt = [&](int d, size_t first, size_t last, double& signal) {
        double error = 0.0;
        signal = 0.0;
        for (size_t i = first; i < last && i + d < decFrames && i < refFrames; ++i) {
            for (int ch = 0; ch < 2; ++ch) {
                const double x = ref[2 * i + ch];
                const double y = dec[2 * (i + d) + ch];
                error += (x - y) * (x - y);
                signal += x * x;
            }
        }
        return error;
    };
    q.delay = knownDelay;
    if (q.delay < 0) {
        double bestRatio = 1e300;
        for (int d = 0; d <= 2000; ++d) {
            double signal = 0.0;
            const double error = errorAt(d, 5000, 5000 + 16384, signal);
            if (signal > 0.0 && error / signal < bestRatio) {
                bestRatio = error / signal;
                q.delay = d;
            }
        }
    }
    const size_t last = std::min(refFrames, decFrames - static_cast<size_t>(q.delay)) - 1000;
    double signal = 0.0;
    const double error = errorAt(q.delay, 1000, last, signal);
    q.snr = 10.0 * std::log10(signal / std::max(error, 1e-9));
    const size_t segment = kRate / 50;
    double sum = 0.0;
    int count = 0;
    for (size_t start = 1000; start + segment <= last; start += segment) {
        double s = 0.0;
        const double e = errorAt(q.delay, start, start + segment, s);
        if (s / (2.0 * segment) < 100.0) // quieter than about -50 dBFS
        {
            continue;
        }
        sum += std::clamp(10.0 * std::log10(s / std::max(e, 1e-9)), -10.0, 80.0);
        ++count;
    }
    q.segmental = count > 0 ? sum / count : 0.0;
    return q;
}

int NearestLayer2(int kbps)
{
    static const int layer2[] = {32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384};
    int best = layer2[0];
    for (int b : layer2) {
        if (std::abs(b - kbps) < std::abs(best - kbps)) {
            best = b;
        }
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    const double noiseSeconds = argc > 1 ? std::atof(argv[1]) : 30.0;
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    char pattern[] = "/tmp/layer1_bench_XXXXXX";
    const std::string dir = mkdtemp(pattern) ? pattern : "/tmp";

    const auto noise = PinkNoise(static_cast<size_t>(noiseSeconds * kRate), 0.5, 1);
    std::printf("Speed, 44.1 kHz stereo, %.0f s of pink noise, CPU time, best of 3\n", noiseSeconds);
    const Timed ours = BestOfThree([&] { return EncodeLayer1(noise, 384, ChannelMode::Stereo, false); });
    const Timed oursFast = BestOfThree([&] { return EncodeLayer1(noise, 384, ChannelMode::Stereo, true); });
    const Timed twolame = BestOfThree([&] { return EncodeTwolame(noise, 384, ChannelMode::Stereo); });
    const double oursX = noiseSeconds / ours.cpuSeconds;
    const double fastX = noiseSeconds / oursFast.cpuSeconds;
    const double twolameX = noiseSeconds / twolame.cpuSeconds;
    std::printf("  Layer I 384 kbit/s, full model   %7.1f x real time\n", oursX);
    std::printf("  Layer I 384 kbit/s, fast (-t)    %7.1f x real time\n", fastX);
    std::printf("  TwoLAME Layer II 384 kbit/s      %7.1f x real time\n", twolameX);
    std::printf("  ratio full model / TwoLAME       %7.2f (target: 250 x real time, %s)\n", oursX / twolameX,
                oursX >= 250.0 ? "met" : "NOT met");

    std::printf("\nSNR through mpg123, 44.1 kHz stereo, 384 kbit/s\n");
    const auto sine = Sine(kRate * 5, 1000.0, 0.5);
    const Quality sineQ = Measure(sine, DecodeWithMpg123(EncodeLayer1(sine, 384, ChannelMode::Stereo, false), dir),
                                  Layer1Encoder::kDecoderDelay);
    std::printf("  1 kHz sine, Layer I              %6.2f dB (target 60)\n", sineQ.snr);
    const Quality noiseQ = Measure(noise, DecodeWithMpg123(ours.bytes, dir), -1);
    const Quality noiseFastQ = Measure(noise, DecodeWithMpg123(oursFast.bytes, dir), -1);
    const Quality noiseTwolameQ = Measure(noise, DecodeWithMpg123(twolame.bytes, dir), -1);
    std::printf("  pink noise, Layer I              %6.2f dB (target 15; delay %d)\n", noiseQ.snr, noiseQ.delay);
    std::printf("  pink noise, Layer I fast         %6.2f dB\n", noiseFastQ.snr);
    std::printf("  pink noise, TwoLAME Layer II     %6.2f dB (delay %d)\n", noiseTwolameQ.snr, noiseTwolameQ.delay);

    std::printf("\nMusic-like signal (20 s), segmental SNR / SNR in dB through mpg123\n");
    std::printf("  %-8s %-6s %-18s %-18s | %-8s %-18s\n", "Layer I", "mode", "full model", "fast (-t)", "Layer II",
                "TwoLAME");
    const auto music = MusicLike(kRate * 20, 2);
    static const int layer1Bitrates[] = {32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448};
    for (int kbps : layer1Bitrates) {
        // Two plain channels do not fit the smallest frames of either layer; joint stereo does.
        const ChannelMode mode = kbps < 64 ? ChannelMode::JointStereo : ChannelMode::Stereo;
        const int kbps2 = NearestLayer2(kbps);
        const ChannelMode mode2 = (kbps2 < 64 || kbps2 == 80) ? ChannelMode::JointStereo : ChannelMode::Stereo;
        const Quality full = Measure(music, DecodeWithMpg123(EncodeLayer1(music, kbps, mode, false), dir), -1);
        const Quality fast = Measure(music, DecodeWithMpg123(EncodeLayer1(music, kbps, mode, true), dir), -1);
        // TwoLAME refuses two channels below 64 kbit/s: its column then stays empty.
        const Quality two =
            kbps2 < 64 ? Quality{} : Measure(music, DecodeWithMpg123(EncodeTwolame(music, kbps2, mode2), dir), -1);
        char twoText[64] = "   (refused for two channels)";
        if (two.delay >= 0) {
            std::snprintf(twoText, sizeof twoText, "%7.2f / %7.2f %s", two.segmental, two.snr,
                          mode2 == ChannelMode::JointStereo ? "(joint)" : "");
        }
        std::printf("  %-8d %-6s %7.2f / %7.2f  %7.2f / %7.2f  | %-8d %s\n", kbps,
                    mode == ChannelMode::JointStereo ? "joint" : "stereo", full.segmental, full.snr, fast.segmental,
                    fast.snr, kbps2, twoText);
    }
    std::system(("rm -rf '" + dir + "'").c_str());
    return 0;
}
