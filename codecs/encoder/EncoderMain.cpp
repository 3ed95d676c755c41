// l3.dll: Quillon's MPEG audio encoder program. Reads raw 16-bit PCM on standard input until
// it ends and writes the MPEG file named by the last argument.

#include <bit>
#include <csignal>
#include <cstring>
#include <ctime>
#include <unistd.h>
#include <vector>

#include "codecs/CodecArguments.h"
#include "codecs/CodecProgram.h"
#include "codecs/ConsoleText.h"
#include "codecs/MpegTables.h"
#include "codecs/OutputFile.h"
#include "codecs/encoder/EncoderBackend.h"
#include "platform/StandardDescriptors.h"

namespace quillon {
namespace {

double MonotonicSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec * 1e-9;
}

std::string SettingsLine(const EncoderArguments& arguments, const EncoderBackend& backend)
{
    MpegVersion version{};
    MpegVersionForRate(arguments.sampleRateHz, version);
    return std::string(MpegVersionName(version)) + " Layer " +
           (arguments.layer == 1   ? "I"
            : arguments.layer == 2 ? "II"
                                   : "III") +
           ", " + std::to_string(arguments.sampleRateHz) + " Hz, " + std::to_string(arguments.bitrateKbps) +
           " kbit/s, " + ChannelModeName(arguments.mode) + (arguments.fast ? ", fast, " : ", high quality, ") +
           backend.Name();
}

// The header flags asked for, or an empty text when there are none.
std::string FlagsLine(const EncoderArguments& arguments)
{
    std::string flags;
    flags += arguments.copyright ? ", copyright" : "";
    flags += arguments.original ? ", original" : "";
    flags += arguments.errorProtection ? ", CRC" : "";
    flags += arguments.emphasis == Emphasis::Microseconds50_15 ? ", emphasis 50/15 us"
             : arguments.emphasis == Emphasis::CcittJ17        ? ", emphasis CCITT J.17"
                                                               : "";
    return flags.empty() ? flags : "Flags: " + flags.substr(2);
}

// WAV bodies are little-endian; the encoders take samples in host order.
void ToHostOrder(std::int16_t* samples, size_t count)
{
    if constexpr (std::endian::native == std::endian::big) {
        for (size_t i = 0; i < count; ++i) {
            const auto value = static_cast<std::uint16_t>(samples[i]);
            samples[i] = static_cast<std::int16_t>((value >> 8) | (value << 8));
        }
    }
}

int Encode(EncoderBackend& backend, const EncoderArguments& arguments, OutputFile& output)
{
    const size_t frameBytes = 2 * static_cast<size_t>(arguments.Channels());
    const auto progressFrames = static_cast<unsigned long long>(arguments.sampleRateHz * kProgressSeconds);
    // Whole sample frames go to the encoder; a split frame's first bytes wait in front.
    std::vector<std::int16_t> samples(kReadBytes / sizeof(std::int16_t));
    auto* bytes = reinterpret_cast<unsigned char*>(samples.data());
    size_t carried = 0;
    unsigned long long framesIn = 0;
    unsigned long long nextProgress = progressFrames;
    const double start = MonotonicSeconds();

    for (;;) {
        const long n = ReadFull(STDIN_FILENO, bytes + carried, kReadBytes - carried);
        if (n < 0) {
            PrintLine(std::string("Error: cannot read the input: ") + std::strerror(errno));
            return kExitCodecFailed;
        }
        if (n == 0) {
            break;
        }
        const size_t available = carried + static_cast<size_t>(n);
        const size_t frames = available / frameBytes;
        ToHostOrder(samples.data(), frames * arguments.Channels());
        const EncodedBytes encoded = backend.Encode({samples.data(), frames * arguments.Channels()}, frames);
        if (!encoded.error.empty()) {
            PrintLine(encoded.error);
            return kExitCodecFailed;
        }
        if (!output.Write(encoded.bytes)) {
            PrintLine(output.Error());
            return kExitOutputFailed;
        }
        carried = available - frames * frameBytes;
        std::memmove(bytes, bytes + frames * frameBytes, carried);
        framesIn += frames;
        if (framesIn >= nextProgress) {
            nextProgress = (framesIn / progressFrames + 1) * progressFrames;
            PrintLine("Encoded " + FormatAudioTime(static_cast<double>(framesIn) / arguments.sampleRateHz) +
                      ", frame " + std::to_string(backend.FrameCount()));
        }
    }
    const EncodedBytes rest = backend.Finish();
    if (!rest.error.empty()) {
        PrintLine(rest.error);
        return kExitCodecFailed;
    }
    const std::vector<unsigned char> header = backend.StreamHeader();
    if (!output.Write(rest.bytes) || (!header.empty() && !output.WriteAt(0, header)) || !output.Close()) {
        PrintLine(output.Error());
        return kExitOutputFailed;
    }
    if (carried != 0) {
        PrintLine("Note: the last " + std::to_string(carried) + " input bytes were no whole sample and were left out");
    }
    const double audio = static_cast<double>(framesIn) / arguments.sampleRateHz;
    const double took = MonotonicSeconds() - start;
    char speed[64] = "";
    if (took > 0.001 && audio > 0) {
        std::snprintf(speed, sizeof speed, ", %.1fx real time", audio / took);
    }
    PrintLine("Done: " + FormatAudioTime(audio) + " of audio in " + std::to_string(backend.FrameCount()) + " frames, " +
              std::to_string(output.BytesWritten()) + " bytes" + speed);
    return kExitOk;
}

int Run(int argc, char** argv)
{
    // A closed standard output must not end the program: the output file comes first.
    std::signal(SIGPIPE, SIG_IGN);

    const EncoderArgumentsResult parsed = ParseEncoderArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.ok) {
        PrintLine(parsed.error);
        return kExitBadArguments;
    }
    const EncoderArguments& arguments = parsed.arguments;
    if (const std::string problem = CheckMpegStream(arguments); !problem.empty()) {
        PrintLine(problem);
        return kExitBadArguments;
    }
    std::string refusal;
    std::unique_ptr<EncoderBackend> backend = MakeEncoderBackend(arguments.layer, refusal);
    if (backend == nullptr) {
        PrintLine(refusal);
        return kExitBadArguments;
    }
    if (const std::string problem = backend->Open(arguments); !problem.empty()) {
        PrintLine(problem);
        return kExitBadArguments;
    }
    OutputFile output;
    if (!output.Open(arguments.outputPath)) {
        PrintLine(output.Error());
        return kExitOutputFailed;
    }
    PrintLine("Encoding " + ShortFileName(arguments.inputPath, 40) + " to " + ShortFileName(arguments.outputPath, 40));
    PrintLine(SettingsLine(arguments, *backend));
    if (const std::string flags = FlagsLine(arguments); !flags.empty()) {
        PrintLine(flags);
    }
    return Encode(*backend, arguments, output);
}

} // namespace
} // namespace quillon

int main(int argc, char** argv)
{
    quillon::KeepStandardDescriptorsOpen();
    return quillon::Run(argc, argv);
}
