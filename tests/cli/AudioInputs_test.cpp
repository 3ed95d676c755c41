// `quillon encode` on the audio files people hold (FLAC, Ogg Vorbis, Opus, 24-bit and
// float WAV, other rates), made here with sox, flac, oggenc and opusenc, and the MPEG
// files it writes decoded back by d3.dll and measured by sox.

#include "tests/support/ShellRun.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace quillon {
namespace {

namespace fs = std::filesystem;
using testing_support::TempFolder;

// A tone of its own on each channel, well inside full scale, so that the level can be
// compared to a tenth of a decibel.
std::string Tone(int rate, const std::string& shape, double seconds, int channels = 2, const char* suffix = "")
{
    std::string sines;
    for (int c = 0; c < channels; ++c)
        sines += " sine " + std::to_string(997 + 502 * c);
    return "sox -n -r " + std::to_string(rate) + " -c " + std::to_string(channels) + " " + shape + " %s" + suffix +
           " synth " + std::to_string(seconds) + sines + " vol 0.5";
}

std::string Run(const std::string& command)
{
    return RunShell(command + " 2>&1").out;
}

// `command` with every %s replaced by `path`, quoted.
std::string WithPath(std::string command, const std::string& path)
{
    for (size_t at; (at = command.find("%s")) != std::string::npos;)
        command.replace(at, 2, "'" + path + "'");
    return command;
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string MpegFrames(const std::string& path)
{
    const std::string bytes = ReadAll(path);
    // Behind an ID3v2 tag, if there is one.
    if (bytes.size() > 10 && bytes.compare(0, 3, "ID3") == 0) {
        const size_t body = size_t(uint8_t(bytes[6])) << 21 | size_t(uint8_t(bytes[7])) << 14 |
                            size_t(uint8_t(bytes[8])) << 7 | uint8_t(bytes[9]);
        return bytes.substr(10 + body);
    }
    return bytes;
}

long long Soxi(const std::string& option, const std::string& path)
{
    const std::string out = RunShell("soxi " + option + " '" + path + "' 2>/dev/null").out;
    return std::atoll(out.c_str());
}

double RmsDb(const std::string& path)
{
    return std::atof(Run("sox '" + path + "' -n stats | awk '/^RMS lev dB/ { print $4 }'").c_str());
}

struct Row
{
    const char* name;
    const char* file;             // made in in/, encoded to out/
    std::string make;             // shell command, %s the file
    int rate;                     // the MPEG file's rate; 0: refused
    const char* sameAs = nullptr; // an earlier row's file whose MPEG bytes this one's equal
    const char* refusal = nullptr;
};

TEST(AudioInputs, EncodeEveryFileLibsndfileReads)
{
    TempFolder dir;
    fs::create_directories(dir / "in");
    fs::create_directories(dir / "out");
    fs::create_directories(dir / "config");
    const std::string wav16 = Tone(44100, "-b 16", 2.5);
    const std::string wav16Beside = Tone(44100, "-b 16", 2.5, 2, ".wav"); // the same, as %s.wav
    const Row rows[] = {
        {"16-bit WAV", "tone.wav", wav16, 44100},
        // The very samples of the row before (sox dithers afresh each time it writes 16 bits).
        {"16-bit FLAC", "tone-flac.flac", "flac -s -o %s '" + (dir / "in/tone.wav") + "'", 44100, "tone.wav"},
        {"24-bit WAV (EXTENSIBLE, as sox writes it)", "deep.wav", Tone(44100, "-b 24", 2), 44100},
        {"24-bit PCM WAV", "plain.wav", Tone(32000, "-b 24 -t wavpcm", 1.5), 32000},
        {"float WAV", "float.wav", Tone(48000, "-b 32 -e floating-point", 2), 48000},
        {"24-bit FLAC", "deep.flac", Tone(44100, "-b 24", 2), 44100},
        {"96 kHz 24-bit FLAC", "high.flac", Tone(96000, "-b 24", 2), 48000},
        {"22.05 kHz FLAC", "low.flac", Tone(22050, "-b 16", 2), 44100},
        {"88.2 kHz AIFF", "hi88.aiff", Tone(88200, "-b 24", 1.7), 44100},
        {"Ogg Vorbis", "vorbis.ogg", wav16Beside + " && oggenc -Q -o %s %s.wav", 44100},
        {"Opus", "opus.opus", wav16Beside + " && opusenc --quiet %s.wav %s", 48000},
        {"6 channels", "six.flac", Tone(44100, "-b 16", 1, 6), 0, nullptr,
         "Error: Input file has 6 channels; only mono and stereo files can be encoded."},
        {"truncated FLAC", "cut.flac",
         "sox -n -r 44100 -c 2 -b 16 %s.wav synth 3 pinknoise vol 0.5 && flac -s -o %s.whole %s.wav && "
         "head -c $(($(wc -c < %s.whole) * 2 / 3)) %s.whole > %s",
         0, nullptr, "Cannot decode the input file"},
        {"not audio", "notes.flac", "echo 'not audio at all' > %s", 0, nullptr,
         "Error: Input file is not an audio file Quillon can read"},
        {"not audio named .wav", "notes.wav", "echo 'not audio at all' > %s", 0, nullptr,
         "Error: Input file is not a WAV"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string input = dir / ("in/" + std::string(row.file));
        ASSERT_EQ(RunShell(WithPath(row.make, input) + " 2>&1").status, 0) << row.make;
        const std::string stem = fs::path(row.file).stem().string();
        const std::string output = dir / ("out/" + stem + ".mp3");
        const CliRun run = Quillon(dir.Path(), "encode --layer 3 --bitrate 128 --mode stereo --hq -o out 'in/" +
                                                   std::string(row.file) + "'");
        if (row.rate == 0) {
            EXPECT_EQ(run.status, 1) << run.out;
            EXPECT_NE(run.out.find(row.refusal), std::string::npos) << run.out;
            EXPECT_FALSE(fs::exists(output));
            for (const auto& entry : fs::directory_iterator(dir / "out"))
                EXPECT_NE(entry.path().filename().string().rfind("." + stem, 0), 0u) << entry.path();
            continue;
        }
        ASSERT_EQ(run.status, 0) << run.out;
        if (row.sameAs) {
            const std::string other = dir / ("out/" + fs::path(row.sameAs).stem().string() + ".mp3");
            EXPECT_TRUE(MpegFrames(output) == MpegFrames(other)) << "MPEG frames differ from " << other;
        }
        const std::string decoded = output + ".wav";
        RunShell(std::string(QUILLON_BIN_DIR) + "/d3.dll '" + output + "' '" + decoded + "' < '" + output + "'");
        // The source as ffmpeg decodes it, in float: sox reads neither Opus nor every WAV.
        const std::string source = input + ".ref.wav";
        ASSERT_EQ(RunShell("ffmpeg -v error -i '" + input + "' -c:a pcm_f32le '" + source + "'").status, 0);
        const long long sourceFrames = Soxi("-s", source);
        const long long sourceRate = Soxi("-r", source);
        EXPECT_EQ(Soxi("-r", decoded), row.rate);
        // The resampler gives the exact length rounded to the nearest sample frame.
        const auto expected =
            std::llround(static_cast<double>(sourceFrames) * row.rate / static_cast<double>(sourceRate));
        EXPECT_EQ(Soxi("-s", decoded), expected) << "from " << sourceFrames << " frames at " << sourceRate << " Hz";
        // Lossy sources are measured against what their decoder gives, as the encoder got it.
        EXPECT_NEAR(RmsDb(decoded), RmsDb(source), 0.1);
    }

    // Two at once give the same files: each job decodes on its own, dither included.
    const char* const batch[] = {"tone-flac.flac", "deep.flac", "high.flac", "low.flac"};
    std::string words;
    for (const char* file : batch)
        words += " 'in/" + std::string(file) + "'";
    fs::create_directories(dir / "out2");
    const CliRun two =
        Quillon(dir.Path(), "encode --jobs 2 --layer 3 --bitrate 128 --mode stereo --hq -o out2" + words);
    ASSERT_EQ(two.status, 0) << two.out;
    EXPECT_NE(two.out.find("[2] "), std::string::npos) << "two jobs ran at once: " << two.out;
    for (const char* file : batch) {
        const std::string mp3 = fs::path(file).stem().string() + ".mp3";
        EXPECT_TRUE(ReadAll(dir / ("out2/" + mp3)) == ReadAll(dir / ("out/" + mp3))) << mp3;
    }
}

} // namespace
} // namespace quillon
