// l3.dll and d3.dll run as Quillon runs them: option words, PCM on standard input, the
// MPEG file checked frame by frame and decoded by ffmpeg and by d3.dll.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sys/stat.h>

#include "tests/codecs/CodecTestSupport.h"
#include "tests/codecs/MpegFrames.h"

namespace quillon::test {
namespace {

struct EncodeCase
{
    const char* name;
    std::vector<std::string> options;
    int rate;
    int layer;
    int version; // 10, 20 or 25
    int bitrate;
    int mode; // header value: 0 stereo, 1 joint, 2 dual, 3 mono
    bool crc, copyright, original;
    int emphasis; // header value
};

const EncodeCase kEncodeCases[] = {
    {"layer 3 joint stereo, copyright, fast",
     {"-mj", "-b128", "-s44.10", "-p2", "-l3", "-c", "-t"},
     44100,
     3,
     10,
     128,
     1,
     false,
     true,
     false,
     0},
    {"layer 3 stereo 320 at 48 kHz, original, CRC, 50/15",
     {"-ms", "-b320", "-s48.00", "-p2", "-l3", "-o", "-e", "-d5", ""},
     48000,
     3,
     10,
     320,
     0,
     true,
     false,
     true,
     1},
    {"layer 3 mono 32 kHz, CCITT, copyright, original",
     {"-mm", "-b64", "-s32.00", "-p2", "-l3", "-c", "-o", "-dc", ""},
     32000,
     3,
     10,
     64,
     3,
     false,
     true,
     true,
     3},
    {"layer 3 dual channel with CRC",
     {"-md", "-b192", "-s44.10", "-p2", "-l3", "-e", ""},
     44100,
     3,
     10,
     192,
     2,
     true,
     false,
     false,
     0},
    {"layer 3 MPEG-2 22.05 kHz joint, CRC, fast",
     {"-mj", "-b64", "-s22.05", "-p2", "-l3", "-e", "-t"},
     22050,
     3,
     20,
     64,
     1,
     true,
     false,
     false,
     0},
    {"layer 3 MPEG-2 16 kHz mono",
     {"-mm", "-b32", "-s16.00", "-p2", "-l3", ""},
     16000,
     3,
     20,
     32,
     3,
     false,
     false,
     false,
     0},
    {"layer 3 MPEG-2 24 kHz, every flag joined to the layer",
     {"-ms", "-b160", "-s24.00", "-p2", "-l3 -c -o -e -d5", ""},
     24000,
     3,
     20,
     160,
     0,
     true,
     true,
     true,
     1},
    {"layer 3 MPEG-2.5 11025 Hz mono with CRC",
     {"-mm", "-b24", "-s11.03", "-p2", "-l3", "-e", ""},
     11025,
     3,
     25,
     24,
     3,
     true,
     false,
     false,
     0},
    {"layer 2 stereo 192", {"-ms", "-b192", "-s44.10", "-p1", "-l2", ""}, 44100, 2, 10, 192, 0, false, false, false, 0},
    {"layer 2 joint 384 at 48 kHz, every flag, fast",
     {"-mj", "-b384", "-s48.00", "-p1", "-l2", "-c", "-o", "-e", "-d5", "-t"},
     48000,
     2,
     10,
     384,
     1,
     true,
     true,
     true,
     1},
    {"layer 2 mono 80 at 32 kHz, CCITT, model 2",
     {"-mm", "-b80", "-s32.00", "-p2", "-l2", "-dc", ""},
     32000,
     2,
     10,
     80,
     3,
     false,
     false,
     false,
     3},
    {"layer 2 dual channel with CRC",
     {"-md", "-b256", "-s44.10", "-p1", "-l2", "-e", ""},
     44100,
     2,
     10,
     256,
     2,
     true,
     false,
     false,
     0},
    {"layer 2 MPEG-2 22.05 kHz joint with CRC",
     {"-mj", "-b96", "-s22.05", "-p1", "-l2", "-e", ""},
     22050,
     2,
     20,
     96,
     1,
     true,
     false,
     false,
     0},
    {"layer 2 MPEG-2 16 kHz mono, original",
     {"-mm", "-b32", "-s16.00", "-p1", "-l2", "-o", ""},
     16000,
     2,
     20,
     32,
     3,
     false,
     false,
     true,
     0},
    {"layer 2 MPEG-2 24 kHz stereo, copyright, 50/15",
     {"-ms", "-b160", "-s24.00", "-p1", "-l2", "-c", "-d5", ""},
     24000,
     2,
     20,
     160,
     0,
     false,
     true,
     false,
     1},
};

constexpr double kSeconds = 3.0;

std::vector<std::string> Lines(const std::string& output)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = output.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(output.substr(start, end - start));
    }
    return lines;
}

// Checks a canonical 16-bit WAV file and gives its number of sample frames.
::testing::AssertionResult CanonicalWav(const std::vector<unsigned char>& wav, int channels, int rate, size_t& frames)
{
    if (wav.size() < 44 || std::string(wav.begin(), wav.begin() + 4) != "RIFF" ||
        std::string(wav.begin() + 8, wav.begin() + 16) != "WAVEfmt " ||
        std::string(wav.begin() + 36, wav.begin() + 40) != "data") {
        return ::testing::AssertionFailure() << "no canonical WAV header";
    }
    const std::uint32_t data = Little32(wav, 40);
    if (Little32(wav, 4) != 36 + data || wav.size() != 44 + data) {
        return ::testing::AssertionFailure()
               << "sizes " << Little32(wav, 4) << "/" << data << " for " << wav.size() << " bytes";
    }
    if (Little32(wav, 16) != 16 || Little16(wav, 20) != 1 || Little16(wav, 34) != 16) {
        return ::testing::AssertionFailure() << "not 16-bit PCM";
    }
    if (Little16(wav, 22) != static_cast<std::uint32_t>(channels) ||
        Little32(wav, 24) != static_cast<std::uint32_t>(rate) ||
        Little32(wav, 28) != static_cast<std::uint32_t>(rate * channels * 2) ||
        Little16(wav, 32) != static_cast<std::uint32_t>(channels * 2)) {
        return ::testing::AssertionFailure() << Little16(wav, 22) << " channels at " << Little32(wav, 24) << " Hz";
    }
    frames = data / (2 * channels);
    return ::testing::AssertionSuccess();
}

TEST(EncoderEndToEnd, EveryWordReachesEveryFrameHeader)
{
    TempFolder folder;
    for (const EncodeCase& c : kEncodeCases) {
        SCOPED_TRACE(c.name);
        const int channels = c.mode == 3 ? 1 : 2;
        const std::string input = folder / "in.pcm";
        WriteFileBytes(input, MakePcm(kSeconds, c.rate, channels));
        const std::string output = folder / (c.layer == 3 ? "out.mp3" : "out.mp2");
        std::vector<std::string> words = c.options;
        words.push_back("/music/in.wav");
        words.push_back(output);

        const ProgramResult run = RunProgram(EncoderPath(), words, input);
        ASSERT_EQ(run.exitCode, 0) << run.output;
        EXPECT_FALSE(HasForbiddenConsoleByte(run.output));
        const std::vector<std::string> lines = Lines(run.output);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back().rfind("Done: ", 0), 0u) << run.output;
        EXPECT_EQ(run.output.back(), '\n');
        for (const std::string& line : lines) {
            EXPECT_LT(line.size(), 100u) << line;
        }

        const std::vector<unsigned char> mpeg = ReadFileBytes(output);
        const MpegStream stream = ScanMpegFrames(mpeg);
        ASSERT_TRUE(stream.error.empty()) << stream.error;
        ASSERT_FALSE(stream.frames.empty());
        EXPECT_FALSE(stream.endsWithTag);
        size_t mismatches = 0;
        size_t jointFrames = 0;
        for (const MpegFrameHeader& h : stream.frames) {
            jointFrames += h.mode == 1 ? 1 : 0;
            // Layer II codes a frame as joint stereo only when plain stereo does not fit its bits.
            const bool modeFits = h.mode == c.mode || (c.layer == 2 && c.mode == 1 && h.mode == 0);
            const bool same = h.version == c.version && h.layer == c.layer && h.sampleRate == c.rate &&
                              h.bitrateKbps == c.bitrate && modeFits && h.crc == c.crc && h.copyright == c.copyright &&
                              h.original == c.original && h.emphasis == c.emphasis;
            mismatches += same ? 0 : 1;
        }
        const MpegFrameHeader& first = stream.frames.front();
        EXPECT_EQ(mismatches, 0u) << "first frame: version " << first.version << ", layer " << first.layer << ", "
                                  << first.sampleRate << " Hz, " << first.bitrateKbps << " kbit/s, mode " << first.mode
                                  << ", crc " << first.crc << ", copyright " << first.copyright << ", original "
                                  << first.original << ", emphasis " << first.emphasis;

        if (c.mode == 1 && c.bitrate <= 128) {
            EXPECT_GT(jointFrames, 0u) << "a tight joint stereo stream has joint stereo frames";
        }

        // Enough frames for the audio, plus at most the encoder's delay and the last frame.
        const size_t samples = static_cast<size_t>(kSeconds * c.rate);
        const size_t perFrame = static_cast<size_t>(first.samplesPerFrame);
        const size_t least = (samples + perFrame - 1) / perFrame;
        EXPECT_GE(stream.frames.size(), least);
        EXPECT_LE(stream.frames.size(), least + 3);
        // Padding keeps the mean bitrate at the nominal one.
        const double seconds = static_cast<double>(stream.frames.size() * perFrame) / c.rate;
        EXPECT_NEAR(mpeg.size() * 8 / seconds / 1000.0, c.bitrate, c.bitrate * 0.01);

        std::string complaints;
        EXPECT_TRUE(FfmpegDecodesCleanly(output, complaints)) << complaints;

        const std::string wavPath = folder / "back.wav";
        const ProgramResult decoded = RunProgram(DecoderPath(), {output, wavPath}, output);
        ASSERT_EQ(decoded.exitCode, 0) << decoded.output;
        EXPECT_FALSE(HasForbiddenConsoleByte(decoded.output));
        size_t wavFrames = 0;
        ASSERT_TRUE(CanonicalWav(ReadFileBytes(wavPath), channels, c.rate, wavFrames));
        // Layer III carries the encoder's delay and padding in its info frame, so exactly the
        // input comes back; Layers I and II decode to whole frames, and so does Layer III where
        // a frame is too small to hold the info frame (LAME leaves it out at 24 and 32 kbit/s).
        const bool infoFrame = c.layer == 3 && c.bitrate >= 64;
        EXPECT_EQ(wavFrames, infoFrame ? samples : stream.frames.size() * perFrame);
    }
}

// -t and -p change how the encoder works, which the headers do not show: the streams differ.
TEST(EncoderEndToEnd, QualityWordsChangeTheStream)
{
    struct Row
    {
        const char* what;
        std::vector<std::string> one;
        std::vector<std::string> other;
    };
    const Row rows[] = {
        {"layer 3 -t", {"-mj", "-b128", "-s44.10", "-p2", "-l3", ""}, {"-mj", "-b128", "-s44.10", "-p2", "-l3", "-t"}},
        {"layer 2 -t", {"-mj", "-b192", "-s44.10", "-p1", "-l2", ""}, {"-mj", "-b192", "-s44.10", "-p1", "-l2", "-t"}},
        {"layer 2 -p", {"-mj", "-b192", "-s44.10", "-p1", "-l2", ""}, {"-mj", "-b192", "-s44.10", "-p2", "-l2", ""}},
    };
    TempFolder folder;
    const std::string input = folder / "in.pcm";
    WriteFileBytes(input, MakePcm(2.0, 44100, 2));
    for (const Row& row : rows) {
        std::vector<unsigned char> streams[2];
        for (int i = 0; i < 2; ++i) {
            std::vector<std::string> words = i == 0 ? row.one : row.other;
            words.push_back(input);
            words.push_back(folder / ("out" + std::to_string(i)));
            ASSERT_EQ(RunProgram(EncoderPath(), words, input).exitCode, 0) << row.what;
            streams[i] = ReadFileBytes(folder / ("out" + std::to_string(i)));
        }
        EXPECT_EQ(streams[0].size(), streams[1].size()) << row.what << ": same bitrate, same size";
        EXPECT_NE(streams[0], streams[1]) << row.what;
    }
}

TEST(EncoderEndToEnd, RefusalsEndNonZeroWithALineAndNoFile)
{
    struct Row
    {
        const char* what;
        std::vector<std::string> options;
        bool unwritable = false;
    };
    const Row rows[] = {
        {"no words at all", {}},
        {"bitrate of no layer 3 table", {"-mj", "-b200", "-s44.10", "-p2", "-l3"}},
        {"MPEG-2 bitrate too high", {"-mj", "-b192", "-s22.05", "-p2", "-l3"}},
        {"sample rate of no MPEG table", {"-mj", "-b128", "-s96.00", "-p2", "-l3"}},
        {"MPEG-2.5 rate at layer 2", {"-mm", "-b32", "-s11.03", "-p1", "-l2"}},
        {"layer 2 stereo at 32 kbit/s", {"-ms", "-b32", "-s44.10", "-p1", "-l2"}},
        {"layer 2 mono at 384 kbit/s", {"-mm", "-b384", "-s44.10", "-p1", "-l2"}},
        {"layer 1 stereo frame too small for its allocation", {"-ms", "-b32", "-s48.00", "-p1", "-l1"}},
        // The options dialog keeps the bitrate list of the layer it opened with, so a job
        // can carry a bitrate that its new layer has not.
        {"layer 1 at the layer 3 bitrate 40", {"-ms", "-b40", "-s44.10", "-p1", "-l1"}},
        {"layer 2 at the layer 3 bitrate 40", {"-mm", "-b40", "-s44.10", "-p1", "-l2"}},
        {"layer 3 at the layer 1 bitrate 288", {"-ms", "-b288", "-s44.10", "-p2", "-l3"}},
        {"layer 2 at the layer 1 bitrate 416", {"-ms", "-b416", "-s44.10", "-p1", "-l2"}},
        {"unknown mode", {"-mq", "-b128", "-s44.10", "-p2", "-l3"}},
        {"unknown word", {"-ms", "-b128", "-s44.10", "-p2", "-l3", "-z"}},
        {"output folder missing", {"-ms", "-b128", "-s44.10", "-p2", "-l3"}, true},
    };
    TempFolder folder;
    const std::string input = folder / "in.pcm";
    WriteFileBytes(input, MakePcm(0.5, 44100, 2));
    for (const Row& row : rows) {
        const std::string output = row.unwritable ? folder / "missing/out.mp3" : folder / "out.mp3";
        std::vector<std::string> words = row.options;
        if (!row.options.empty()) {
            words.push_back(input);
            words.push_back(output);
        }
        const ProgramResult run = RunProgram(EncoderPath(), words, input);
        EXPECT_NE(run.exitCode, 0) << row.what;
        EXPECT_NE(run.exitCode, -1) << row.what << ": the program did not end by itself";
        EXPECT_EQ(run.output.rfind("Error: ", 0), 0u) << row.what << ": " << run.output;
        EXPECT_FALSE(run.output.empty() || run.output.back() != '\n') << row.what;
        for (const std::string& line : Lines(run.output)) {
            EXPECT_LT(line.size(), 100u) << row.what << ": " << line;
        }
        EXPECT_FALSE(HasForbiddenConsoleByte(run.output)) << row.what;
        struct stat info
        {};
        EXPECT_NE(stat(output.c_str(), &info), 0) << row.what << ": an output file was made";
    }
}

// Names with bytes that would stop Quillon's reader are printed without them; long names
// are shortened so that lines stay short.
TEST(EncoderEndToEnd, StrangeFileNamesNeverReachTheConsoleRaw)
{
    TempFolder folder;
    const std::string input = folder / "in\xFF\x1A\r.pcm";
    WriteFileBytes(input, MakePcm(0.5, 44100, 2));
    const std::string mp3 = folder / (std::string(150, 'n') + "\xFF\x1A.mp3");
    const ProgramResult encoded =
        RunProgram(EncoderPath(), {"-ms", "-b128", "-s44.10", "-p2", "-l3", "", input, mp3}, input);
    ASSERT_EQ(encoded.exitCode, 0) << encoded.output;
    const ProgramResult decoded = RunProgram(DecoderPath(), {mp3, folder / "out\xFF\x1A.wav"}, mp3);
    ASSERT_EQ(decoded.exitCode, 0) << decoded.output;
    for (const ProgramResult* run : {&encoded, &decoded}) {
        EXPECT_FALSE(HasForbiddenConsoleByte(run->output)) << run->output;
        EXPECT_EQ(run->output.find('\r'), std::string::npos);
        for (const std::string& line : Lines(run->output)) {
            EXPECT_LT(line.size(), 100u) << line;
        }
    }
}

// Quillon stops reading the program's output before its input ends; the file must still be whole.
TEST(EncoderEndToEnd, OutputFileIsFinishedWhenStandardOutputIsClosed)
{
    TempFolder folder;
    const std::string input = folder / "in.pcm";
    WriteFileBytes(input, MakePcm(kSeconds, 44100, 2));
    for (const char* layer : {"-l2", "-l3"}) {
        const std::string output = folder / (std::string("out") + layer);
        const ProgramResult run =
            RunProgram(EncoderPath(), {"-mj", "-b192", "-s44.10", "-p1", layer, "", input, output}, input, true);
        EXPECT_EQ(run.exitCode, 0) << layer;
        const MpegStream stream = ScanMpegFrames(ReadFileBytes(output));
        EXPECT_TRUE(stream.error.empty()) << layer << ": " << stream.error;
        EXPECT_GE(stream.frames.size(), static_cast<size_t>(kSeconds * 44100 / 1152)) << layer;

        const std::string wav = folder / (std::string("back") + layer + ".wav");
        const ProgramResult decoded = RunProgram(DecoderPath(), {output, wav}, output, true);
        EXPECT_EQ(decoded.exitCode, 0) << layer;
        size_t frames = 0;
        EXPECT_TRUE(CanonicalWav(ReadFileBytes(wav), 2, 44100, frames)) << layer;
        EXPECT_EQ(frames,
                  std::string(layer) == "-l3" ? static_cast<size_t>(kSeconds * 44100) : stream.frames.size() * 1152)
            << layer;
    }
}

// Quillon feeds 8192-byte blocks through a pipe; the programs must make the very same files
// as from a file read in one go.
TEST(EncoderEndToEnd, PipeFeedGivesTheSameFiles)
{
    TempFolder folder;
    const std::string input = folder / "in.pcm";
    WriteFileBytes(input, MakePcm(2.5, 44100, 2));
    for (const char* layer : {"-l2", "-l3"}) {
        std::vector<unsigned char> files[2];
        for (int piped = 0; piped < 2; ++piped) {
            const std::string output = folder / ("out" + std::to_string(piped));
            const ProgramResult run =
                RunProgram(EncoderPath(), {"-mj", "-b128", "-s44.10", "-p1", layer, "", input, output}, input, false,
                           piped ? 8192 : 0);
            EXPECT_EQ(run.exitCode, 0) << layer << ": " << run.output;
            files[piped] = ReadFileBytes(output);
        }
        EXPECT_FALSE(files[0].empty()) << layer;
        EXPECT_EQ(files[0], files[1]) << layer;

        std::vector<unsigned char> wavs[2];
        for (int piped = 0; piped < 2; ++piped) {
            const std::string wav = folder / ("back" + std::to_string(piped) + ".wav");
            const std::string mpeg = folder / "out0";
            EXPECT_EQ(RunProgram(DecoderPath(), {mpeg, wav}, mpeg, false, piped ? 8192 : 0).exitCode, 0) << layer;
            wavs[piped] = ReadFileBytes(wav);
        }
        EXPECT_GT(wavs[0].size(), 44u) << layer;
        EXPECT_EQ(wavs[0], wavs[1]) << layer;
    }
}

// An input that ends inside a sample frame loses only that partial frame.
TEST(EncoderEndToEnd, EmptyAndRaggedInputsMakeValidStreams)
{
    TempFolder folder;
    struct Row
    {
        const char* what;
        size_t bytes;
    };
    const Row rows[] = {{"empty", 0}, {"one partial sample", 3}, {"a second and a half sample", 44100 * 4 + 2}};
    const std::vector<unsigned char> pcm = MakePcm(1.1, 44100, 2);
    for (const Row& row : rows) {
        for (const char* layer : {"-l2", "-l3"}) {
            const std::string input = folder / "in.pcm";
            WriteFileBytes(input, std::vector<unsigned char>(pcm.begin(), pcm.begin() + row.bytes));
            const std::string output = folder / "out";
            const ProgramResult run =
                RunProgram(EncoderPath(), {"-ms", "-b192", "-s44.10", "-p1", layer, "", input, output}, input);
            EXPECT_EQ(run.exitCode, 0) << row.what << " " << layer << ": " << run.output;
            const MpegStream stream = ScanMpegFrames(ReadFileBytes(output));
            EXPECT_TRUE(stream.error.empty()) << row.what << " " << layer << ": " << stream.error;
            EXPECT_LE(stream.frames.size(), row.bytes / 4 / 1152 + 3) << row.what << " " << layer;
        }
    }
}

} // namespace
} // namespace quillon::test

namespace quillon::test {
namespace {

// Sample frames of a 16-bit WAV file as any tool writes it (ffmpeg and mpg123 add chunks).
std::vector<std::int16_t> WavSamples(const std::string& path)
{
    const std::vector<unsigned char> bytes = ReadFileBytes(path);
    std::vector<std::int16_t> samples;
    for (size_t at = 12; at + 8 <= bytes.size();) {
        const size_t size = Little32(bytes, at + 4);
        if (std::equal(bytes.begin() + at, bytes.begin() + at + 4, "data")) {
            for (size_t i = at + 8; i + 1 < bytes.size() && i + 1 < at + 8 + size; i += 2)
                samples.push_back(static_cast<std::int16_t>(bytes[i] | bytes[i + 1] << 8));
            break;
        }
        at += 8 + size + (size & 1);
    }
    return samples;
}

double SnrDb(const std::vector<unsigned char>& pcm, const std::vector<std::int16_t>& decoded)
{
    double signal = 0, error = 0;
    for (size_t i = 0; i < decoded.size() && 2 * i + 1 < pcm.size(); ++i) {
        const double in = static_cast<std::int16_t>(pcm[2 * i] | pcm[2 * i + 1] << 8);
        signal += in * in;
        error += (in - decoded[i]) * (in - decoded[i]);
    }
    return 10 * std::log10(signal / std::max(error, 1.0));
}

} // namespace

// Tracks of a live album play back to back: every decoder that reads LAME's info frame
// gives back exactly the samples that went in, aligned with them.
TEST(EncoderEndToEnd, LayerThreeIsGaplessThroughEveryDecoder)
{
    TempFolder folder;
    const std::string mp3 = folder / "gapless.mp3";
    const std::string wav = folder / "back.wav";
    for (const char* rate : {"32.00", "44.10", "48.00"}) {
        const int hertz = std::string(rate) == "32.00" ? 32000 : std::string(rate) == "44.10" ? 44100 : 48000;
        for (const size_t length : {1u, 1151u, 1152u, 1153u, 132307u}) {
            SCOPED_TRACE(std::to_string(length) + " samples at " + rate + " kHz");
            std::vector<unsigned char> pcm = MakePcm(1.0 * length / hertz + 1.0, hertz, 2);
            pcm.resize(length * 4);
            const std::string input = folder / "in.pcm";
            WriteFileBytes(input, pcm);
            const ProgramResult run =
                RunProgram(EncoderPath(), {"-ms", "-b192", std::string("-s") + rate, "-l3", input, mp3}, input);
            ASSERT_EQ(run.exitCode, 0) << run.output;
            const std::vector<std::string> decoders = {
                "'" + DecoderPath() + "' '" + mp3 + "' '" + wav + "' < '" + mp3 + "' > /dev/null",
                "mpg123 -q -w '" + wav + "' '" + mp3 + "'",
                "ffmpeg -loglevel error -y -i '" + mp3 + "' '" + wav + "'",
            };
            for (const std::string& decode : decoders) {
                std::remove(wav.c_str()); // d3.dll never writes over what stands at its output
                ASSERT_EQ(std::system(decode.c_str()), 0) << decode;
                const std::vector<std::int16_t> samples = WavSamples(wav);
                EXPECT_EQ(samples.size(), length * 2) << decode;
                // Aligned audio decodes to the input within the codec's error; a stream shifted
                // by the encoder's delay would not come near.
                if (length > 100000) {
                    EXPECT_GT(SnrDb(pcm, samples), 15.0) << decode;
                }
            }
        }
    }
}

} // namespace quillon::test

namespace quillon::test {

// Files made by the lame program carry the same info frame: d3.dll gives back their exact
// length too.
TEST(EncoderEndToEnd, LameFilesDecodeToTheirExactLength)
{
    TempFolder folder;
    const std::string pcmPath = folder / "in.pcm";
    const std::string mp3 = folder / "lame.mp3";
    const std::string wav = folder / "back.wav";
    const std::pair<int, const char*> rates[] = {{32000, "32"}, {44100, "44.1"}, {48000, "48"}};
    for (const auto& [hertz, kiloHertz] : rates) {
        for (const size_t length : {1u, 1151u, 1152u, 1153u, 132307u}) {
            SCOPED_TRACE(std::to_string(length) + " samples at " + kiloHertz + " kHz");
            std::vector<unsigned char> pcm = MakePcm(1.0 * length / hertz + 1.0, hertz, 2);
            pcm.resize(length * 4);
            WriteFileBytes(pcmPath, pcm);
            const std::string encode = std::string("lame --quiet -r -s ") + kiloHertz +
                                       " --bitwidth 16 --signed --little-endian -m s -b 192 '" + pcmPath + "' '" + mp3 +
                                       "' 2>/dev/null";
            ASSERT_EQ(std::system(encode.c_str()), 0) << encode;
            std::remove(wav.c_str());
            const ProgramResult decoded = RunProgram(DecoderPath(), {mp3, wav}, mp3);
            ASSERT_EQ(decoded.exitCode, 0) << decoded.output;
            EXPECT_EQ(WavSamples(wav).size(), length * 2);
        }
    }
}

} // namespace quillon::test
