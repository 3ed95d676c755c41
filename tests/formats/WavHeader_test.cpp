#include "formats/WavHeader.h"
#include "tests/formats/WavShapes.h"

#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace quillon {
namespace {

// An anonymous temporary file: gone when closed.
struct TempFile
{
    int fd = -1;
    TempFile()
    {
        char name[] = "/tmp/quillon-wav-XXXXXX";
        fd = mkstemp(name);
        unlink(name);
    }
    ~TempFile() { close(fd); }
    void Write(const std::vector<uint8_t>& bytes)
    {
        ASSERT_EQ(pwrite(fd, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
        lseek(fd, 0, SEEK_SET);
    }
    std::vector<uint8_t> ReadAll()
    {
        std::vector<uint8_t> bytes(static_cast<size_t>(lseek(fd, 0, SEEK_END)));
        EXPECT_EQ(pread(fd, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
        return bytes;
    }
};

uint32_t Le32(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24);
}

std::vector<uint8_t> Header(uint16_t channels, uint32_t rate, uint16_t bits)
{
    uint8_t h[kWavHeaderSize];
    BuildWavHeader(h, kWavHeaderSize + 400, channels, rate);
    std::vector<uint8_t> bytes(h, h + kWavHeaderSize);
    bytes[34] = static_cast<uint8_t>(bits);
    bytes[35] = static_cast<uint8_t>(bits >> 8);
    bytes.resize(kWavHeaderSize + 400, 0x11);
    return bytes;
}

TEST(WavHeader, GrabOfWholeSectorsGetsTheirSizes)
{
    for (int sectors : {1, 2, 75}) {
        TempFile file;
        ASSERT_EQ(lseek(file.fd, kWavHeaderSize, SEEK_SET), kWavHeaderSize);
        std::vector<uint8_t> sector(2352, 0x5a);
        for (int i = 0; i < sectors; ++i)
            ASSERT_EQ(write(file.fd, sector.data(), sector.size()), 2352);
        ASSERT_TRUE(WriteWavHeader(file.fd, 2, 44100.0));
        EXPECT_EQ(lseek(file.fd, 0, SEEK_CUR), kWavHeaderSize);

        auto bytes = file.ReadAll();
        ASSERT_EQ(bytes.size(), 44u + 2352u * sectors);
        EXPECT_EQ(std::memcmp(&bytes[0], "RIFF", 4), 0);
        EXPECT_EQ(std::memcmp(&bytes[8], "WAVEfmt ", 8), 0);
        EXPECT_EQ(Le32(bytes, 4), 36u + 2352u * sectors);
        EXPECT_EQ(Le32(bytes, 16), 16u);
        EXPECT_EQ(Le32(bytes, 24), 44100u);
        EXPECT_EQ(Le32(bytes, 28), 176400u);
        EXPECT_EQ(bytes[20] | (bytes[21] << 8), 1);
        EXPECT_EQ(bytes[22] | (bytes[23] << 8), 2);
        EXPECT_EQ(bytes[32] | (bytes[33] << 8), 4);
        EXPECT_EQ(bytes[34] | (bytes[35] << 8), 16);
        EXPECT_EQ(std::memcmp(&bytes[36], "data", 4), 0);
        EXPECT_EQ(Le32(bytes, 40), 2352u * sectors);
        EXPECT_EQ(bytes[44], 0x5a);
    }
}

TEST(WavHeader, EmptyFileGetsAnEmptyDataChunk)
{
    TempFile file;
    ASSERT_TRUE(WriteWavHeader(file.fd, 2, 44100.7));
    auto bytes = file.ReadAll();
    ASSERT_EQ(bytes.size(), 44u);
    EXPECT_EQ(Le32(bytes, 4), 36u);
    EXPECT_EQ(Le32(bytes, 40), 0u);
    EXPECT_EQ(Le32(bytes, 24), 44100u) << "the rate is truncated";
}

TEST(WavHeader, InputCheckVerdicts)
{
    using test::Bytes;
    using test::Chunk;
    using test::Riff;
    auto withByte = [](std::vector<uint8_t> b, size_t at, uint8_t v) {
        b[at] = v;
        return b;
    };
    const Bytes fmt = test::FormatBody(1, 2, 44100, 16);
    const Bytes samples(400, 0x11);
    Bytes fmt18 = fmt;
    fmt18.insert(fmt18.end(), {0, 0});
    const Bytes info = test::InfoBody({{"INAM", "Tone"}, {"IART", "Quillon"}, {"ITRK", "3"}});
    Bytes brokenInfo = test::InfoBody({{"INAM", "Tone"}});
    brokenInfo.insert(brokenInfo.end(), {'I', 'A', 'R', 'T', 0xFF, 0xFF, 0, 0, 'x'});
    const Bytes oddInfo = test::InfoBody({{"INAM", "Tone"}}); // its pad byte is the LIST chunk's
    struct Row
    {
        const char* what;
        std::vector<uint8_t> file;
        bool monoStream;
        WavCheck verdict;
        uint64_t dataStart = 44, dataBytes = 400; // when accepted
    };
    const Row rows[] = {
        {"empty file", {}, false, WavCheck::NothingRead},
        {"byte 0 not R", withByte(Header(2, 44100, 16), 0, 'X'), false, WavCheck::NotRiff},
        {"byte 8 not W", withByte(Header(2, 44100, 16), 8, 'X'), false, WavCheck::NotWave},
        {"short file starting with R", {'R', 'I', 'F', 'F', 0, 0}, false, WavCheck::NotWave},
        {"stereo into mono", Header(2, 44100, 16), true, WavCheck::StereoToMono},
        {"mono into stereo", Header(1, 44100, 16), false, WavCheck::MonoToStereo},
        {"no channels", Header(0, 44100, 16), false, WavCheck::NotMonoOrStereo},
        {"no channels into mono", Header(0, 44100, 16), true, WavCheck::NotMonoOrStereo},
        {"three channels into mono", Header(3, 44100, 16), true, WavCheck::NotMonoOrStereo},
        {"four channels into stereo", Header(4, 44100, 16), false, WavCheck::NotMonoOrStereo},
        {"mono 8-bit into stereo reports channels first", Header(1, 22050, 8), false, WavCheck::MonoToStereo},
        {"8-bit", Header(2, 44100, 8), false, WavCheck::Not16Bit},
        {"24-bit", Header(2, 48000, 24), false, WavCheck::Not16Bit},
        {"mono into mono", Header(1, 22050, 16), true, WavCheck::Accepted},
        {"stereo into stereo", Header(2, 48000, 16), false, WavCheck::Accepted},
        {"18-byte fmt chunk", Riff({Chunk("fmt ", fmt18), Chunk("data", samples)}), false, WavCheck::Accepted, 46},
        {"format chunk of 14 bytes has no sample width",
         Riff({Chunk("fmt ", Bytes(fmt.begin(), fmt.begin() + 14)), Chunk("data", samples)}), false,
         WavCheck::Not16Bit},
        {"no format chunk", Riff({Chunk("data", samples)}), false, WavCheck::NotMonoOrStereo},
        {"no data chunk", Riff({Chunk("fmt ", fmt)}), false, WavCheck::NoSamples},
        {"chunk before the data runs past the file",
         Riff({Chunk("fmt ", fmt), Chunk("junk", {1, 2}, 0x7FFFFFFF), Chunk("data", samples)}), false,
         WavCheck::NoSamples},
        {"data size past the end of the file is cut there",
         Riff({Chunk("fmt ", fmt), Chunk("data", samples, 0xFFFFFFF0)}), false, WavCheck::Accepted},
        {"streamed data size of all ones", Riff({Chunk("fmt ", fmt), Chunk("data", samples, 0xFFFFFFFF)}, 0xFFFFFFFF),
         false, WavCheck::Accepted},
        {"INFO before the data", Riff({Chunk("fmt ", fmt), Chunk("LIST", info), Chunk("data", samples)}), false,
         WavCheck::Accepted, 44 + 8 + info.size()},
        {"INFO item running past its LIST chunk",
         Riff({Chunk("fmt ", fmt), Chunk("data", samples), Chunk("LIST", brokenInfo)}), false, WavCheck::Accepted},
        {"odd-sized INFO before the data",
         Riff({Chunk("fmt ", fmt), Chunk("LIST", oddInfo, 17), Chunk("data", samples)}), false, WavCheck::Accepted,
         44 + 8 + oddInfo.size()},
    };
    for (const Row& row : rows) {
        TempFile file;
        file.Write(row.file);
        const WavCheckResult result = CheckWavInput(file.fd, row.monoStream);
        EXPECT_EQ(result.verdict, row.verdict) << row.what;
        if (result.verdict == WavCheck::Accepted) {
            EXPECT_EQ(lseek(file.fd, 0, SEEK_CUR), static_cast<off_t>(row.dataStart)) << row.what;
            EXPECT_EQ(result.dataStart, row.dataStart) << row.what;
            EXPECT_EQ(result.dataBytes, row.dataBytes) << row.what;
            EXPECT_EQ(result.sampleRate, Le32(row.file, 24)) << row.what;
            EXPECT_EQ(result.channels, row.file[22]) << row.what;
        }
    }

    TempFile tagged;
    tagged.Write(rows[22].file);
    const WavInfoTexts texts = CheckWavInput(tagged.fd, false).info;
    EXPECT_EQ(texts.title, "Tone");
    EXPECT_EQ(texts.artist, "Quillon");
    EXPECT_EQ(texts.track, "3");
    EXPECT_EQ(texts.album, "");
    for (const size_t row : {23, 24}) {
        TempFile file;
        file.Write(rows[row].file);
        EXPECT_EQ(CheckWavInput(file.fd, false).info.title, "Tone") << rows[row].what;
    }
}

TEST(WavHeader, RejectionMessages)
{
    EXPECT_STREQ(WavCheckMessage(WavCheck::NothingRead), "Error: Input file is not a WAV");
    EXPECT_STREQ(WavCheckMessage(WavCheck::NotRiff), "Error: Input file is not a WAV");
    EXPECT_STREQ(WavCheckMessage(WavCheck::NotWave), "Error: Input file is not a WAV");
    EXPECT_STREQ(WavCheckMessage(WavCheck::NoSamples), "Error: Input file is not a WAV");
    EXPECT_STREQ(WavCheckMessage(WavCheck::StereoToMono),
                 "A Stereo WAVE file cannot be encoded into a Mono MPEG file.");
    EXPECT_STREQ(WavCheckMessage(WavCheck::MonoToStereo),
                 "A Mono WAVE file cannot be encoded into a Stereo MPEG file.");
    EXPECT_STREQ(WavCheckMessage(WavCheck::Not16Bit), "Error: Input file is not a 16-bit WAV File.");
    EXPECT_STREQ(WavCheckMessage(WavCheck::NotMonoOrStereo),
                 "Error: Input file is neither mono nor stereo (1 or 2 channels).");
    EXPECT_STREQ(WavCheckMessage(WavCheck::Accepted), "");
}

} // namespace
} // namespace quillon
