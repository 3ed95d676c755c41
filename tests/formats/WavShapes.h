#pragma once

// WAV files as other tools write them, built chunk by chunk from the parts of a canonical one.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace quillon::test {

using Bytes = std::vector<uint8_t>;

inline void PutLe(Bytes& b, uint32_t v, int width)
{
    for (int i = 0; i < width; ++i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// One chunk: id, size (the body's length unless `size` is given), body, and a pad byte
// after an odd-sized body.
inline Bytes Chunk(const std::string& id, const Bytes& body, int64_t size = -1)
{
    Bytes b(id.begin(), id.end());
    PutLe(b, size < 0 ? static_cast<uint32_t>(body.size()) : static_cast<uint32_t>(size), 4);
    b.insert(b.end(), body.begin(), body.end());
    if (body.size() % 2 != 0)
        b.push_back(0);
    return b;
}

// "RIFF", its size (`size` when given), "WAVE" and the chunks in order.
inline Bytes Riff(const std::vector<Bytes>& chunks, int64_t size = -1)
{
    Bytes all;
    for (const Bytes& c : chunks)
        all.insert(all.end(), c.begin(), c.end());
    Bytes b{'R', 'I', 'F', 'F'};
    PutLe(b, size < 0 ? static_cast<uint32_t>(all.size() + 4) : static_cast<uint32_t>(size), 4);
    b.insert(b.end(), {'W', 'A', 'V', 'E'});
    b.insert(b.end(), all.begin(), all.end());
    return b;
}

// The 16-byte format body of `tag` with the given shape.
inline Bytes FormatBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits)
{
    Bytes b;
    PutLe(b, tag, 2);
    PutLe(b, channels, 2);
    PutLe(b, rate, 4);
    PutLe(b, rate * channels * bits / 8, 4);
    PutLe(b, channels * bits / 8, 2);
    PutLe(b, bits, 2);
    return b;
}

// WAVE_FORMAT_EXTENSIBLE around a 16-byte format body: 40 bytes, with the sub-format GUID
// whose first two bytes are `subFormat` (1 PCM, 3 float).
inline Bytes ExtensibleBody(Bytes body16, uint16_t subFormat)
{
    body16[0] = 0xFE;
    body16[1] = 0xFF;
    PutLe(body16, 22, 2);                                  // cbSize
    body16.insert(body16.end(), {body16[14], body16[15]}); // valid bits
    PutLe(body16, 3, 4);                                   // front left and right
    PutLe(body16, subFormat, 2);
    body16.insert(body16.end(), {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71});
    return body16;
}

// A LIST/INFO chunk body with the given (id, text) items, each text zero-terminated.
inline Bytes InfoBody(const std::vector<std::pair<std::string, std::string>>& items)
{
    Bytes b{'I', 'N', 'F', 'O'};
    for (const auto& [id, text] : items) {
        Bytes t(text.begin(), text.end());
        t.push_back(0);
        const Bytes c = Chunk(id, t);
        b.insert(b.end(), c.begin(), c.end());
    }
    return b;
}

} // namespace quillon::test
