// d3.dll: Quillon's MPEG audio decoder program. Reads a whole MPEG-1/2 Layer I/II/III
// stream on standard input until it ends and writes a 16-bit PCM WAV file.

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <mpg123.h>
#include <unistd.h>
#include <vector>

#include "codecs/CodecArguments.h"
#include "codecs/CodecProgram.h"
#include "codecs/ConsoleText.h"
#include "codecs/OutputFile.h"
#include "codecs/PcmWavHeader.h"
#include "platform/StandardDescriptors.h"

namespace quillon {
namespace {

const char* ModeName(int mode)
{
    switch (mode) {
    case MPG123_M_STEREO: return "stereo";
    case MPG123_M_JOINT: return "joint stereo";
    case MPG123_M_DUAL: return "dual channel";
    case MPG123_M_MONO: return "mono";
    default: return "?";
    }
}

std::string StreamLine(mpg123_handle* handle)
{
    mpg123_frameinfo2 info{};
    if (mpg123_info2(handle, &info) != MPG123_OK) {
        return "MPEG audio stream";
    }
    static const char* const versions[] = {"MPEG-1", "MPEG-2", "MPEG-2.5"};
    static const char* const layers[] = {"?", "I", "II", "III"};
    const char* version = info.version >= 0 && info.version <= 2 ? versions[info.version] : "MPEG-?";
    const char* layer = info.layer >= 1 && info.layer <= 3 ? layers[info.layer] : "?";
    return std::string(version) + " Layer " + layer + ", " + std::to_string(info.rate) + " Hz, " +
           std::to_string(info.bitrate) + " kbit/s, " + ModeName(info.mode) + ", libmpg123";
}

// The most sample bytes the WAV file may hold: what its header can declare. The
// environment variable QUILLON_WAV_DATA_LIMIT may lower it, so that tests meet the limit
// without decoding 4 GiB of audio.
std::uint64_t DataLimit()
{
    static const std::uint64_t limit = [] {
        const char* text = std::getenv("QUILLON_WAV_DATA_LIMIT");
        const unsigned long long lowered = text != nullptr ? std::strtoull(text, nullptr, 10) : 0;
        return lowered > 0 && lowered < kMaxWavDataBytes ? lowered : std::uint64_t{kMaxWavDataBytes};
    }();
    return limit;
}

// Owns the libmpg123 handle and the WAV being written.
class WavDecoder
{
public:
    explicit WavDecoder(OutputFile& output) : output_(output) {}
    ~WavDecoder()
    {
        if (handle_ != nullptr) {
            mpg123_delete(handle_);
        }
    }

    std::string Open()
    {
        int error = MPG123_OK;
        handle_ = mpg123_new(nullptr, &error);
        if (handle_ == nullptr) {
            return std::string("Error: libmpg123 could not be started: ") + mpg123_plain_strerror(error);
        }
        // The library stays silent; what matters reaches the user through our own lines.
        mpg123_param(handle_, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
        // 16-bit output at the stream's own rate and channel count.
        mpg123_format_none(handle_);
        const long* rates = nullptr;
        size_t rateCount = 0;
        mpg123_rates(&rates, &rateCount);
        for (size_t i = 0; i < rateCount; ++i) {
            mpg123_format(handle_, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
        }
        if (mpg123_open_feed(handle_) != MPG123_OK) {
            return std::string("Error: libmpg123 feed failed: ") + mpg123_strerror(handle_);
        }
        // Room for the header, which is written last with the true sizes.
        const auto placeholder = PcmWavHeader(2, 44100, 0);
        if (!output_.Write(placeholder)) {
            return output_.Error();
        }
        return {};
    }

    // Feeds one block of the stream and writes all audio it completes; size 0 drains.
    std::string Feed(const unsigned char* data, size_t size)
    {
        if (size > 0 && mpg123_feed(handle_, data, size) != MPG123_OK) {
            return std::string("Error: libmpg123 feed failed: ") + mpg123_strerror(handle_);
        }
        for (;;) {
            off_t frameNumber = 0;
            unsigned char* audio = nullptr;
            size_t bytes = 0;
            const int status = mpg123_decode_frame(handle_, &frameNumber, &audio, &bytes);
            if (status == MPG123_NEW_FORMAT) {
                if (std::string problem = TakeFormat(); !problem.empty()) {
                    return problem;
                }
            } else if (status == MPG123_NEED_MORE || status == MPG123_DONE) {
                return {};
            } else if (status != MPG123_OK) {
                return std::string("Error: decoding failed: ") + mpg123_strerror(handle_);
            }
            if (bytes > 0 && channels_ > 0) {
                if (std::string problem = WriteAudio(audio, bytes); !problem.empty()) {
                    return problem;
                }
            }
        }
    }

    // Writes the header with the true sizes and closes the file.
    std::string Finish()
    {
        const int channels = channels_ > 0 ? channels_ : 2;
        const long rate = rate_ > 0 ? rate_ : 44100;
        const auto header = PcmWavHeader(channels, rate, static_cast<std::uint32_t>(dataBytes_));
        if (!output_.WriteAt(0, header) || !output_.Close()) {
            return output_.Error();
        }
        return {};
    }

    bool HasAudioFormat() const { return channels_ > 0; }
    int Channels() const { return channels_; }
    long Rate() const { return rate_; }
    std::uint64_t DataBytes() const { return dataBytes_; }
    double Seconds() const { return channels_ > 0 ? static_cast<double>(dataBytes_) / (2.0 * channels_ * rate_) : 0.0; }

private:
    std::string TakeFormat()
    {
        long rate = 0;
        int channels = 0;
        int encoding = 0;
        mpg123_getformat(handle_, &rate, &channels, &encoding);
        if (channels_ == 0) {
            rate_ = rate;
            channels_ = channels;
            progressBytes_ = static_cast<std::uint64_t>(kProgressSeconds * rate * channels * 2);
            nextProgress_ = progressBytes_;
            PrintLine(StreamLine(handle_));
            // A WAV file has one format: later parts of a joined stream are converted to it.
            mpg123_format_none(handle_);
            mpg123_format(handle_, rate_, channels_, MPG123_ENC_SIGNED_16);
            return {};
        }
        if (rate != rate_ || channels != channels_) {
            return "Error: the stream changes to " + std::to_string(rate) + " Hz, " + std::to_string(channels) +
                   " channels and cannot be converted";
        }
        return {};
    }

    std::string WriteAudio(const unsigned char* audio, size_t bytes)
    {
        // A WAV file cannot declare more: cutting the audio there would lose its end
        // without a word, so the decode fails instead.
        const std::uint64_t limit = DataLimit();
        if (dataBytes_ + bytes > limit - limit % (2u * static_cast<unsigned>(channels_))) {
            return "Error: the audio is longer than a WAV file can hold (at most " + std::to_string(limit) +
                   " bytes of samples); the decode is stopped";
        }
        if (!output_.Write({audio, bytes})) {
            return output_.Error();
        }
        dataBytes_ += bytes;
        if (dataBytes_ >= nextProgress_) {
            nextProgress_ = (dataBytes_ / progressBytes_ + 1) * progressBytes_;
            PrintLine("Decoded " + FormatAudioTime(Seconds()));
        }
        return {};
    }

    OutputFile& output_;
    mpg123_handle* handle_ = nullptr;
    long rate_ = 0;
    int channels_ = 0;
    std::uint64_t dataBytes_ = 0;
    std::uint64_t progressBytes_ = 0;
    std::uint64_t nextProgress_ = 0;
};

int Run(int argc, char** argv)
{
    // A closed standard output must not end the program: the output file comes first.
    std::signal(SIGPIPE, SIG_IGN);

    const DecoderArgumentsResult parsed = ParseDecoderArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.ok) {
        PrintLine(parsed.error);
        return kExitBadArguments;
    }
    const DecoderArguments& arguments = parsed.arguments;
    if (mpg123_init() != MPG123_OK) {
        PrintLine("Error: libmpg123 could not be started");
        return kExitCodecFailed;
    }
    OutputFile output;
    if (!output.Open(arguments.outputPath)) {
        PrintLine(output.Error());
        return kExitOutputFailed;
    }
    PrintLine("Decoding " + ShortFileName(arguments.inputPath, 40) + " to " + ShortFileName(arguments.outputPath, 40));
    WavDecoder decoder(output);
    std::string problem = decoder.Open();
    std::vector<unsigned char> block(kReadBytes);
    while (problem.empty()) {
        const long n = ReadFull(STDIN_FILENO, block.data(), block.size());
        if (n < 0) {
            problem = std::string("Error: cannot read the input: ") + std::strerror(errno);
            break;
        }
        if (n == 0) {
            break;
        }
        problem = decoder.Feed(block.data(), static_cast<size_t>(n));
    }
    if (problem.empty()) {
        problem = decoder.Feed(nullptr, 0);
    }
    // The WAV file is finished in every case, so that what was decoded stays usable.
    const std::string closing = decoder.Finish();
    if (!problem.empty() || !closing.empty()) {
        PrintLine(problem.empty() ? closing : problem);
        return closing.empty() ? kExitCodecFailed : kExitOutputFailed;
    }
    if (!decoder.HasAudioFormat()) {
        PrintLine("Error: no MPEG audio found in the input; the WAV file is empty");
        return kExitCodecFailed;
    }
    PrintLine("Done: " + FormatAudioTime(decoder.Seconds()) + " of audio, " + std::to_string(decoder.Channels()) +
              " channels, " + std::to_string(decoder.Rate()) + " Hz, " + std::to_string(decoder.DataBytes()) +
              " bytes of samples");
    return kExitOk;
}

} // namespace
} // namespace quillon

int main(int argc, char** argv)
{
    quillon::KeepStandardDescriptorsOpen();
    return quillon::Run(argc, argv);
}
