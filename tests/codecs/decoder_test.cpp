// d3.dll on streams it may meet: nothing, junk, Layer I, Quillon's own tagged files and
// joined files whose format changes.

#include <gtest/gtest.h>

#include "codecs/CodecProgram.h"
#include "tests/codecs/CodecTestSupport.h"
#include "tests/codecs/MpegFrames.h"

namespace quillon::test {
namespace {

struct WavFacts
{
    bool canonical = false;
    int channels = 0;
    int rate = 0;
    size_t frames = 0;
};

WavFacts ReadWav(const std::string& path)
{
    const std::vector<unsigned char> wav = ReadFileBytes(path);
    WavFacts facts;
    if (wav.size() < 44) {
        return facts;
    }
    const std::uint32_t data = Little32(wav, 40);
    facts.channels = static_cast<int>(Little16(wav, 22));
    facts.rate = static_cast<int>(Little32(wav, 24));
    facts.canonical = std::string(wav.begin(), wav.begin() + 4) == "RIFF" && Little32(wav, 4) == 36 + data &&
                      wav.size() == 44 + data && Little16(wav, 34) == 16 && facts.channels > 0 &&
                      Little32(wav, 28) == static_cast<std::uint32_t>(facts.rate * facts.channels * 2);
    facts.frames = facts.channels > 0 ? data / (2 * facts.channels) : 0;
    return facts;
}

std::vector<unsigned char> Encode(const TempFolder& folder, const std::vector<std::string>& options, double seconds,
                                  int rate, int channels)
{
    const std::string input = folder / "enc.pcm";
    const std::string output = folder / "enc.out";
    WriteFileBytes(input, MakePcm(seconds, rate, channels));
    std::vector<std::string> words = options;
    words.push_back(input);
    words.push_back(output);
    const ProgramResult run = RunProgram(EncoderPath(), words, input);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    return ReadFileBytes(output);
}

TEST(Decoder, InputsWithoutAudioGiveAnEmptyWavAndAFailure)
{
    struct Row
    {
        const char* what;
        std::vector<unsigned char> bytes;
    };
    std::vector<unsigned char> junk(50000);
    std::uint32_t x = 7;
    for (unsigned char& byte : junk) {
        x = x * 1103515245u + 12345u;
        byte = static_cast<unsigned char>((x >> 16) & 0x7F); // never a sync byte
    }
    const Row rows[] = {{"empty input", {}}, {"text without frames", junk}};
    TempFolder folder;
    for (const Row& row : rows) {
        const std::string input = folder / "in.mp3";
        const std::string wav = folder / "out.wav";
        WriteFileBytes(input, row.bytes);
        const ProgramResult run = RunProgram(DecoderPath(), {input, wav}, input);
        EXPECT_NE(run.exitCode, 0) << row.what;
        EXPECT_NE(run.output.find("Error: "), std::string::npos) << row.what << ": " << run.output;
        const std::vector<unsigned char> bytes = ReadFileBytes(wav);
        ASSERT_EQ(bytes.size(), 44u) << row.what;
        EXPECT_EQ(Little32(bytes, 4), 36u) << row.what;
        EXPECT_EQ(Little32(bytes, 40), 0u) << row.what;
    }
}

TEST(Decoder, ArgumentAndOutputFailuresAreReported)
{
    struct Row
    {
        const char* what;
        std::vector<std::string> words;
    };
    TempFolder folder;
    const std::string input = folder / "in.mp3";
    WriteFileBytes(input, {});
    const Row rows[] = {
        {"no words", {}},
        {"one path", {input}},
        {"three paths", {input, folder / "a.wav", folder / "b.wav"}},
        {"output folder missing", {input, folder / "missing/out.wav"}},
    };
    for (const Row& row : rows) {
        const ProgramResult run = RunProgram(DecoderPath(), row.words, input);
        EXPECT_GT(run.exitCode, 0) << row.what;
        EXPECT_EQ(run.output.rfind("Error: ", 0), 0u) << row.what << ": " << run.output;
        EXPECT_FALSE(HasForbiddenConsoleByte(run.output));
    }
}

// A WAV file declares at most 4 GiB of samples; the limit is lowered here (the variable
// the decoder honours for tests) so that it is met without decoding hours of audio.
TEST(Decoder, AudioLongerThanAWavCanHoldIsRefused)
{
    TempFolder folder;
    const std::vector<unsigned char> mp3 = Encode(folder, {"-ms", "-b128", "-s44.10", "-p2", "-l3"}, 3.0, 44100, 2);
    const std::string input = folder / "in.mp3";
    WriteFileBytes(input, mp3);
    const struct
    {
        const char* limit;
        bool refused;
    } rows[] = {{"100000", true}, {"", false}};
    for (const auto& row : rows) {
        ::setenv("QUILLON_WAV_DATA_LIMIT", row.limit, 1);
        const ProgramResult run = RunProgram(DecoderPath(), {input, folder / "out.wav"}, input);
        ::unsetenv("QUILLON_WAV_DATA_LIMIT");
        EXPECT_EQ(run.exitCode != 0, row.refused) << row.limit << ": " << run.output;
        EXPECT_EQ(run.output.find("Error: the audio is longer than a WAV file can hold (at most 100000 bytes of "
                                  "samples); the decode is stopped") != std::string::npos,
                  row.refused)
            << row.limit << ": " << run.output;
        const WavFacts facts = ReadWav(folder / "out.wav");
        EXPECT_TRUE(facts.canonical) << row.limit;
        EXPECT_GE(facts.frames, row.refused ? 0u : 3u * 44100) << row.limit;
    }
}

// Both programs create their output themselves: whatever stands at the name (a link
// swapped in, a file) is refused and left as it was.
TEST(Decoder, CodecProgramsNeverWriteThroughWhatStandsAtTheOutputName)
{
    TempFolder folder;
    const std::vector<unsigned char> mp3 = Encode(folder, {"-ms", "-b128", "-s44.10", "-p2", "-l3"}, 0.5, 44100, 2);
    const std::string mp3Path = folder / "in.mp3";
    WriteFileBytes(mp3Path, mp3);
    const std::string pcmPath = folder / "in.pcm";
    WriteFileBytes(pcmPath, MakePcm(0.5, 44100, 2));
    const std::string victim = folder / "victim";
    const struct
    {
        const char* what;
        std::string program;
        std::vector<std::string> words;
        std::string input;
    } rows[] = {
        {"d3.dll", DecoderPath(), {mp3Path}, mp3Path},
        {"l3.dll", EncoderPath(), {"-ms", "-b128", "-s44.10", "-p2", "-l3", pcmPath}, pcmPath},
    };
    for (const auto& row : rows) {
        for (const bool link : {true, false}) {
            const std::string output = folder / ".out.part";
            WriteFileBytes(link ? victim : output, {'k', 'e', 'e', 'p'});
            if (link) {
                ASSERT_EQ(::symlink(victim.c_str(), output.c_str()), 0);
            }
            std::vector<std::string> words = row.words;
            words.push_back(output);
            const ProgramResult run = RunProgram(row.program, words, row.input, false, 0, true);
            EXPECT_EQ(run.exitCode, kExitOutputFailed) << row.what << (link ? " link: " : " file: ") << run.output;
            EXPECT_NE(run.output.find("File exists"), std::string::npos) << row.what << ": " << run.output;
            const std::vector<unsigned char> kept = ReadFileBytes(link ? victim : output);
            EXPECT_EQ(std::string(kept.begin(), kept.end()), "keep") << row.what << (link ? " link" : " file");
            ::unlink(output.c_str());
            ::unlink(victim.c_str());
        }
    }
}

// No Layer I encoder is at hand, so the frames are made here: all allocations zero is silence.
TEST(Decoder, LayerOneFramesDecode)
{
    struct Row
    {
        const char* what;
        unsigned char header[4];
        int rate;
        int channels;
        size_t frameBytes;
    };
    const Row rows[] = {
        // MPEG-1 Layer I, 128 kbit/s, 48 kHz, stereo: (12 * 128000 / 48000) * 4 = 128 bytes.
        {"MPEG-1 stereo", {0xFF, 0xFF, 0x44, 0x00}, 48000, 2, 128},
        // MPEG-1 Layer I, 64 kbit/s, 32 kHz, mono: (12 * 64000 / 32000) * 4 = 96 bytes.
        {"MPEG-1 mono", {0xFF, 0xFF, 0x28, 0xC0}, 32000, 1, 96},
        // MPEG-2 Layer I, 32 kbit/s, 16 kHz, joint stereo: (12 * 32000 / 16000) * 4 = 96 bytes.
        {"MPEG-2 joint stereo", {0xFF, 0xF7, 0x18, 0x40}, 16000, 2, 96},
    };
    TempFolder folder;
    for (const Row& row : rows) {
        MpegFrameHeader parsed;
        ASSERT_TRUE(ParseMpegFrameHeader(row.header, 4, parsed)) << row.what;
        ASSERT_EQ(parsed.layer, 1) << row.what;
        ASSERT_EQ(parsed.frameBytes, row.frameBytes) << row.what;
        const size_t frameCount = 200;
        std::vector<unsigned char> stream;
        for (size_t i = 0; i < frameCount; ++i) {
            stream.insert(stream.end(), row.header, row.header + 4);
            stream.resize(stream.size() + row.frameBytes - 4, 0);
        }
        const std::string input = folder / "in.mp1";
        const std::string wav = folder / "out.wav";
        WriteFileBytes(input, stream);
        const ProgramResult run = RunProgram(DecoderPath(), {input, wav}, input);
        EXPECT_EQ(run.exitCode, 0) << row.what << ": " << run.output;
        EXPECT_NE(run.output.find("Layer I,"), std::string::npos) << run.output;
        const WavFacts facts = ReadWav(wav);
        EXPECT_TRUE(facts.canonical) << row.what;
        EXPECT_EQ(facts.channels, row.channels) << row.what;
        EXPECT_EQ(facts.rate, row.rate) << row.what;
        EXPECT_EQ(facts.frames, frameCount * 384) << row.what;
    }
}

// Quillon appends a 128-byte tag record to MPEG files made from CD tracks.
TEST(Decoder, TrailingTagRecordIsNoAudio)
{
    TempFolder folder;
    std::vector<unsigned char> mp3 = Encode(folder, {"-mj", "-b128", "-s44.10", "-p2", "-l3", ""}, 2.0, 44100, 2);
    const size_t frames = ScanMpegFrames(mp3).frames.size();
    std::vector<unsigned char> tag(128, ' ');
    tag[0] = 'T';
    tag[1] = 'A';
    tag[2] = 'G';
    mp3.insert(mp3.end(), tag.begin(), tag.end());
    const MpegStream scanned = ScanMpegFrames(mp3);
    EXPECT_TRUE(scanned.endsWithTag);
    const std::string input = folder / "tagged.mp3";
    const std::string wav = folder / "out.wav";
    WriteFileBytes(input, mp3);
    const ProgramResult run = RunProgram(DecoderPath(), {input, wav}, input);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    const WavFacts facts = ReadWav(wav);
    EXPECT_TRUE(facts.canonical);
    EXPECT_GT(frames, 0u);
    // The info frame's delay and padding leave exactly the two seconds encoded.
    EXPECT_EQ(facts.frames, 2 * 44100u);
}

// A WAV file has one format, so parts of a joined stream in another format are converted
// to the first part's rate and channels rather than written as they come.
TEST(Decoder, JoinedStreamKeepsTheFirstFormat)
{
    TempFolder folder;
    const std::vector<unsigned char> first =
        Encode(folder, {"-mm", "-b64", "-s22.05", "-p2", "-l3", ""}, 2.0, 22050, 1);
    const std::vector<unsigned char> second =
        Encode(folder, {"-ms", "-b128", "-s44.10", "-p2", "-l3", ""}, 2.0, 44100, 2);
    std::vector<unsigned char> joined = first;
    joined.insert(joined.end(), second.begin(), second.end());
    const std::string input = folder / "joined.mp3";
    const std::string wav = folder / "out.wav";
    WriteFileBytes(input, joined);
    const ProgramResult run = RunProgram(DecoderPath(), {input, wav}, input);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    const WavFacts facts = ReadWav(wav);
    EXPECT_TRUE(facts.canonical);
    EXPECT_EQ(facts.channels, 1);
    EXPECT_EQ(facts.rate, 22050);
    // About four seconds at 22050 Hz; the encoders' delay and padding add a little.
    EXPECT_NEAR(static_cast<double>(facts.frames) / 22050, 4.0, 0.15) << facts.frames;
}

} // namespace
} // namespace quillon::test
