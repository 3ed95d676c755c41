#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "codecs/CodecArguments.h"

namespace quillon {

// What one call of an encoder backend gives: the MPEG bytes made (owned by the backend and
// valid until its next call), or a failure text for the user.
struct EncodedBytes
{
    std::span<const unsigned char> bytes;
    std::string error;
};

// One MPEG layer's encoder behind l3.dll. The program checks the arguments against the
// standard's tables first (codecs/MpegTables.h), so a backend only refuses what its own
// library cannot do.
class EncoderBackend
{
public:
    virtual ~EncoderBackend() = default;

    // Library name and version for the start line, "LAME 3.100".
    virtual std::string Name() const = 0;

    // Sets the encoder up for the arguments; returns an empty text or the reason it cannot.
    virtual std::string Open(const EncoderArguments& arguments) = 0;

    // Encodes interleaved 16-bit samples (frames x channels values) in host byte order.
    virtual EncodedBytes Encode(std::span<const std::int16_t> samples, size_t frames) = 0;

    // Encodes what the backend still holds, padding the last frame; called once at the end.
    virtual EncodedBytes Finish() = 0;

    // Number of MPEG frames made so far.
    virtual long FrameCount() const = 0;

    // Bytes to write over the start of the stream once it has ended (LAME's info frame,
    // which tells players the encoder's delay and padding), or none.
    virtual std::vector<unsigned char> StreamHeader() { return {}; }
};

// The backend for a layer, or nullptr with the reason in refusal when the layer has none.
std::unique_ptr<EncoderBackend> MakeEncoderBackend(int layer, std::string& refusal);

} // namespace quillon
