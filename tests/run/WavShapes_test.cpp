// WAV files as other tools write them, encoded by the run through the real l3.dll.
#include "RunTestSupport.h"
#include "tests/formats/WavShapes.h"
#include "tests/support/Id3v2Length.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace quillon::test {
namespace {

constexpr int kRate = 44100;
constexpr const char* kFinished = "Processing Finished.";

// One second of a 1 kHz tone on the left channel, silence on the right.
Bytes LeftToneWav()
{
    Bytes wav(kWavHeaderSize);
    for (int i = 0; i < kRate; ++i) {
        const auto left = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 1000 * i / kRate));
        PutLe(wav, static_cast<uint16_t>(left), 2);
        PutLe(wav, 0, 2);
    }
    BuildWavHeader(wav.data(), wav.size(), 2, kRate);
    return wav;
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Encoded
{
    std::vector<std::string> messages;
    std::vector<int64_t> currentRanges;
    std::vector<StatusFigures> figures;
};

// `name` in `folder` encoded as a stereo Layer III job of its own run.
Encoded EncodeAlone(const TempFolder& folder, const std::string& name)
{
    JobList jobs;
    EXPECT_TRUE(jobs.SetDefaultOutputDir(folder.Path()));
    DefaultEncodingOptions options;
    options.layer = 3;
    options.mode = 1;
    options.bitrate = 128;
    EXPECT_TRUE(jobs.AddFiles({{name, SizeText(FileSize(folder / name))}}, folder.Path(), kActionEncode, options));
    TestWindow window;
    FastClock clock;
    TempWavGrab grab;
    ConversionRun run(jobs, window, clock, grab, [](const char* program) { return CodecInBin(program); });
    run.Start();
    run.Join();
    return {window.Get(window.messages), window.Get(window.currentRanges), window.Get(window.figureList)};
}

// The energy of the left and of the right channel of an MPEG file, as mpg123 decodes it.
std::pair<double, double> ChannelEnergy(const std::string& mpeg)
{
    const std::string raw = mpeg + ".raw";
    EXPECT_EQ(std::system(("mpg123 -q -s " + mpeg + " > " + raw).c_str()), 0);
    const std::string pcm = ReadAll(raw);
    double left = 0, right = 0;
    for (size_t at = 0; at + 4 <= pcm.size(); at += 4) {
        const auto l = static_cast<int16_t>(static_cast<uint8_t>(pcm[at]) | static_cast<uint8_t>(pcm[at + 1]) << 8);
        const auto r = static_cast<int16_t>(static_cast<uint8_t>(pcm[at + 2]) | static_cast<uint8_t>(pcm[at + 3]) << 8);
        left += double(l) * l;
        right += double(r) * r;
    }
    return {left, right};
}

TEST(WavShapes, EncodeToTheCanonicalFilesBytesOrTheirToneOrAreRefused)
{
    if (!RealCodecsPresent())
        return;
    TempFolder folder;
    const Bytes canonical = LeftToneWav();
    const Bytes fmt(canonical.begin() + 20, canonical.begin() + 36);
    const Bytes samples(canonical.begin() + kWavHeaderSize, canonical.end());
    Bytes fmt18 = fmt;
    fmt18.insert(fmt18.end(), {0, 0});
    const Bytes info = InfoBody({{"INAM", "Left tone"}, {"IART", "Quillon tests"}, {"ICMT", "as sox writes it"}});
    Bytes adpcm = FormatBody(0x11, 2, kRate, 4);
    adpcm.insert(adpcm.end(), {2, 0, 0xF9, 0x01}); // cbSize, samples per block
    const Bytes fact = {0x44, 0xAC, 0, 0};
    const char* const kNot16Bit = "Error: Input file is not a 16-bit WAV File.";
    // The same tone in 32-bit float, which the run decodes and dithers back to 16 bits.
    Bytes floats;
    for (size_t at = 0; at + 2 <= samples.size(); at += 2) {
        const float value = static_cast<int16_t>(samples[at] | samples[at + 1] << 8) / 32768.0f;
        uint32_t bits;
        std::memcpy(&bits, &value, 4);
        PutLe(floats, bits, 4);
    }
    Bytes unknown = FormatBody(0x1234, 2, kRate, 16); // a format tag no reader knows

    struct Row
    {
        const char* what;
        Bytes file;
        const char* message;  // kFinished: the MPEG bytes must be the canonical file's
        bool tagged = false;  // its texts become an ID3v2 tag before those bytes
        bool decoded = false; // decoded and dithered: the tone, not the very bytes
    };
    const Row rows[] = {
        {"canonical 44-byte header", canonical, kFinished},
        {"18-byte fmt chunk", Riff({Chunk("fmt ", fmt18), Chunk("data", samples)}), kFinished},
        {"EXTENSIBLE with the PCM sub-format", Riff({Chunk("fmt ", ExtensibleBody(fmt, 1)), Chunk("data", samples)}),
         kFinished},
        {"LIST/INFO before the data", Riff({Chunk("fmt ", fmt), Chunk("LIST", info), Chunk("data", samples)}),
         kFinished, true},
        {"odd-sized chunk after the data",
         Riff({Chunk("fmt ", fmt), Chunk("data", samples), Chunk("id3 ", Bytes(4999, 0x5A))}), kFinished},
        {"streamed, sizes all ones", Riff({Chunk("fmt ", fmt), Chunk("data", samples, 0xFFFFFFFF)}, 0xFFFFFFFF),
         kFinished},
        {"streamed, sizes zero", Riff({Chunk("fmt ", fmt), Chunk("data", samples, 0)}, 0), kFinished},
        {"32-bit float", Riff({Chunk("fmt ", FormatBody(3, 2, kRate, 32)), Chunk("fact", fact), Chunk("data", floats)}),
         kFinished, false, true},
        {"EXTENSIBLE float",
         Riff({Chunk("fmt ", ExtensibleBody(FormatBody(3, 2, kRate, 32), 3)), Chunk("data", floats)}), kFinished, false,
         true},
        {"IMA ADPCM", Riff({Chunk("fmt ", adpcm), Chunk("fact", fact), Chunk("data", samples)}), kNot16Bit},
        {"unknown format", Riff({Chunk("fmt ", unknown), Chunk("data", samples)}), kNot16Bit},
    };

    std::string canonicalMpeg;
    for (size_t i = 0; i < std::size(rows); ++i) {
        const Row& row = rows[i];
        const std::string name = "shape" + std::to_string(i);
        std::ofstream(folder / (name + ".wav"), std::ios::binary)
            .write(reinterpret_cast<const char*>(row.file.data()), static_cast<std::streamsize>(row.file.size()));
        const Encoded encoded = EncodeAlone(folder, name + ".wav");
        EXPECT_EQ(encoded.messages, std::vector<std::string>{row.message}) << row.what;
        if (row.message != kFinished)
            continue;
        std::string mpeg = ReadAll(folder / (name + ".mp3"));
        const size_t tag = testing_support::Id3v2Length(mpeg);
        EXPECT_EQ(tag > 0, row.tagged) << row.what;
        mpeg.erase(0, tag);
        if (i == 0)
            canonicalMpeg = mpeg;
        if (i == 0 || row.decoded) {
            const auto [left, right] = ChannelEnergy(folder / (name + ".mp3"));
            EXPECT_GT(left, 1000 * right) << row.what << ": the tone is on the left";
        }
        EXPECT_FALSE(mpeg.empty()) << row.what;
        if (row.decoded)
            continue;
        EXPECT_TRUE(mpeg == canonicalMpeg) << row.what << ": the MPEG bytes differ from the canonical file's";
        // The figures count the samples alone.
        EXPECT_EQ(encoded.currentRanges.front(), static_cast<int64_t>(samples.size() / 10)) << row.what;
        ASSERT_FALSE(encoded.figures.empty()) << row.what;
        for (const StatusFigures& f : encoded.figures)
            EXPECT_EQ(f.totalFrames, static_cast<int64_t>(samples.size() / 4608)) << row.what;
    }
}

} // namespace
} // namespace quillon::test
