#pragma once

// Running the codec programs in tests and making their inputs.

#include "tests/support/TempFolder.h"
#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace quillon::test {

inline std::string EncoderPath()
{
    return std::string(QUILLON_BIN_DIR) + "/l3.dll";
}

inline std::string DecoderPath()
{
    return std::string(QUILLON_BIN_DIR) + "/d3.dll";
}

struct ProgramResult
{
    int exitCode = -1;  // -1 when the program did not end normally
    std::string output; // everything it wrote on standard output
};

inline std::vector<unsigned char> ReadFileBytes(const std::string& path);

// Runs a program with a file as standard input and a pipe as standard output, no shell.
// With closedOutput the pipe's read end is closed before the program starts, as when the
// caller has stopped listening. With feedBlock the file comes through a pipe instead, written
// in blocks of that size as Quillon feeds it.
inline ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                                const std::string& inputPath, bool closedOutput = false, size_t feedBlock = 0,
                                bool keepOutputName = false)
{
    std::signal(SIGPIPE, SIG_IGN);
    // The programs create their output and refuse a name that is taken: each run here
    // writes its output afresh, unless the test puts something at the name itself.
    if (arguments.size() >= 2 && !keepOutputName) {
        unlink(arguments.back().c_str());
    }
    ProgramResult result;
    int pipeEnds[2];
    int feedEnds[2] = {-1, -1};
    if (pipe2(pipeEnds, O_CLOEXEC) != 0 || (feedBlock > 0 && pipe2(feedEnds, O_CLOEXEC) != 0)) {
        return result;
    }
    if (closedOutput) {
        close(pipeEnds[0]);
        pipeEnds[0] = -1;
    }
    const pid_t child = fork();
    if (child == 0) {
        const int input = feedBlock > 0 ? feedEnds[0] : open(inputPath.c_str(), O_RDONLY);
        if (input < 0 || dup2(input, 0) < 0 || dup2(pipeEnds[1], 1) < 0) {
            _exit(126);
        }
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& word : arguments) {
            argv.push_back(const_cast<char*>(word.c_str()));
        }
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    if (feedBlock > 0) {
        close(feedEnds[0]);
        const std::vector<unsigned char> bytes = ReadFileBytes(inputPath);
        for (size_t at = 0; at < bytes.size(); at += feedBlock) {
            const size_t size = std::min(feedBlock, bytes.size() - at);
            if (write(feedEnds[1], bytes.data() + at, size) != static_cast<ssize_t>(size)) {
                break;
            }
        }
        close(feedEnds[1]);
    }
    if (pipeEnds[0] >= 0) {
        char buffer[4096];
        ssize_t n = 0;
        while ((n = read(pipeEnds[0], buffer, sizeof buffer)) > 0) {
            result.output.append(buffer, static_cast<size_t>(n));
        }
        close(pipeEnds[0]);
    }
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    }
    return result;
}

inline std::vector<unsigned char> ReadFileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

inline void WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Raw 16-bit little-endian PCM: two tones that differ per channel plus a little noise, so
// that the encoders have real work and the channels are not alike.
inline std::vector<unsigned char> MakePcm(double seconds, int rate, int channels)
{
    const auto frames = static_cast<size_t>(seconds * rate);
    std::vector<unsigned char> bytes;
    bytes.reserve(frames * channels * 2);
    std::uint32_t noise = 12345;
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        for (int c = 0; c < channels; ++c) {
            noise = noise * 1664525u + 1013904223u;
            const double value = 6000.0 * std::sin(2 * M_PI * (440.0 + 220.0 * c) * t) +
                                 3000.0 * std::sin(2 * M_PI * 3100.0 * t * (1 + c)) +
                                 static_cast<double>(static_cast<std::int32_t>(noise >> 20) - 2048);
            const auto sample = static_cast<std::int16_t>(value);
            bytes.push_back(static_cast<unsigned char>(sample & 0xFF));
            bytes.push_back(static_cast<unsigned char>((sample >> 8) & 0xFF));
        }
    }
    return bytes;
}

inline std::uint32_t Little32(const std::vector<unsigned char>& bytes, size_t at)
{
    return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) | (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

inline std::uint32_t Little16(const std::vector<unsigned char>& bytes, size_t at)
{
    return bytes[at] | (bytes[at + 1] << 8);
}

using testing_support::TempFolder;

// True when ffmpeg decodes the file without a word on its error output, checking CRCs
// unless told not to.
inline bool FfmpegDecodesCleanly(const std::string& path, std::string& complaints, bool checkCrc = true)
{
    const std::string log = path + ".ffmpeg.log";
    const std::string command = std::string("ffmpeg -nostdin -v error ") + (checkCrc ? "-err_detect crccheck " : "") +
                                "-i '" + path + "' -f null - 2>'" + log + "'";
    const int status = std::system(command.c_str());
    const std::vector<unsigned char> text = ReadFileBytes(log);
    complaints.assign(text.begin(), text.end());
    return status == 0 && complaints.empty();
}

inline bool HasForbiddenConsoleByte(const std::string& text)
{
    return text.find('\xFF') != std::string::npos || text.find('\x1A') != std::string::npos;
}

} // namespace quillon::test
