#pragma once

#include "batch/EncodingOptions.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quillon {

constexpr const char* kEncoderProgram = "l3.dll";
constexpr const char* kDecoderProgram = "d3.dll";

// The directory of the running program file, ending with "/"; "./" if it cannot be read.
std::string ProgramDirectory();

// A codec program beside the running program file, or in ../lib/quillon/ of an installed one.
std::string CodecPath(const char* programName);

// The encoder's words: path, -m<c> -b<kbps> -s<kHz> -p<1|2> -l<layer>, then -c -o -e and
// -d<c> when set, -t for the fast setting, the input and the output path.
std::vector<std::string> EncoderArguments(const std::string& codecPath, const EncodingOptions& options,
                                          uint32_t sampleRateHz, const std::string& inputPath,
                                          const std::string& outputPath);

// The decoder gets its path, the input and the output path, nothing else.
std::vector<std::string> DecoderArguments(const std::string& codecPath, const std::string& inputPath,
                                          const std::string& outputPath);

} // namespace quillon
