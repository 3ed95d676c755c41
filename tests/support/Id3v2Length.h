#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon::testing_support {

// The length of the ID3v2 tag that starts `bytes` (its 10-byte header, the syncsafe size
// after it), or 0 when they do not start with one: where an MPEG file's frames begin.
inline size_t Id3v2Length(const uint8_t* bytes, size_t size)
{
    if (size < 10 || bytes[0] != 'I' || bytes[1] != 'D' || bytes[2] != '3')
        return 0;
    const size_t body = size_t{bytes[6]} << 21 | size_t{bytes[7]} << 14 | size_t{bytes[8]} << 7 | bytes[9];
    return 10 + body;
}

template <typename Bytes>
size_t Id3v2Length(const Bytes& bytes)
{
    return Id3v2Length(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

} // namespace quillon::testing_support
