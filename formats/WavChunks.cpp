#include "formats/WavChunks.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace quillon {

namespace {

constexpr uint64_t kRiffHeaderBytes = 12;
constexpr uint64_t kChunkHeaderBytes = 8;
constexpr uint32_t kFormatPcm = 1;
constexpr uint32_t kFormatExtensible = 0xFFFE;
constexpr uint32_t kExtensibleFormatBytes = 40;
// KSDATAFORMAT_SUBTYPE_PCM as it is stored in the file.
constexpr uint8_t kPcmSubFormat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                       0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
// Tag texts are short; a larger LIST chunk (pictures, cue points) is passed over unread.
constexpr uint32_t kMaxInfoChunkBytes = 65536;
// A file of nothing but empty chunks must not keep the check reading for long.
constexpr int kMaxChunks = 4096;

uint32_t Get16(const uint8_t* p)
{
    return p[0] | (p[1] << 8);
}

uint32_t Get32(const uint8_t* p)
{
    return Get16(p) | (Get16(p + 2) << 16);
}

void ReadFormat(int fd, uint64_t at, uint32_t size, WavLayout& layout)
{
    uint8_t f[kExtensibleFormatBytes] = {};
    const size_t got = ReadFileAt(fd, f, std::min<size_t>(size, sizeof f), at);
    layout.hasFormat = true;
    layout.channels = static_cast<int>(Get16(f + 2));
    layout.sampleRate = Get32(f + 4);
    const uint32_t tag = Get16(f);
    const bool pcm = (tag == kFormatPcm && got >= 16) ||
                     (tag == kFormatExtensible && got >= kExtensibleFormatBytes && Get16(f + 16) >= 22 &&
                      std::memcmp(f + 24, kPcmSubFormat, sizeof kPcmSubFormat) == 0);
    layout.pcm16 = pcm && Get16(f + 14) == 16;
}

void ReadInfo(int fd, uint64_t at, uint32_t size, WavInfoTexts& info)
{
    if (size < 4 || size > kMaxInfoChunkBytes)
        return;
    std::vector<uint8_t> body(size);
    if (ReadFileAt(fd, body.data(), size, at) != size || std::memcmp(body.data(), "INFO", 4) != 0)
        return;
    const struct
    {
        const char* id;
        std::string WavInfoTexts::*text;
    } kFields[] = {
        {"INAM", &WavInfoTexts::title}, {"IART", &WavInfoTexts::artist},  {"IPRD", &WavInfoTexts::album},
        {"ICRD", &WavInfoTexts::date},  {"ICMT", &WavInfoTexts::comment}, {"IGNR", &WavInfoTexts::genre},
        {"ITRK", &WavInfoTexts::track},
    };
    size_t pos = 4;
    while (pos + kChunkHeaderBytes <= size) {
        const uint8_t* item = body.data() + pos;
        const uint32_t length = Get32(item + 4);
        if (length > size - pos - kChunkHeaderBytes)
            return; // runs past its LIST chunk
        const auto* text = reinterpret_cast<const char*>(item + kChunkHeaderBytes);
        for (const auto& field : kFields)
            if (std::memcmp(item, field.id, 4) == 0)
                info.*field.text = std::string(text, strnlen(text, length));
        pos += kChunkHeaderBytes + length + (length & 1);
    }
}

} // namespace

size_t ReadFileAt(int fd, uint8_t* into, size_t size, uint64_t offset)
{
    size_t got = 0;
    while (got < size) {
        const ssize_t n = pread(fd, into + got, size - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<size_t>(n);
    }
    return got;
}

WavLayout ReadWavLayout(int fd, uint64_t fileSize)
{
    WavLayout layout;
    uint64_t pos = kRiffHeaderBytes;
    for (int chunks = 0; chunks < kMaxChunks && fileSize >= kChunkHeaderBytes && pos <= fileSize - kChunkHeaderBytes;
         ++chunks) {
        uint8_t header[kChunkHeaderBytes];
        if (ReadFileAt(fd, header, sizeof header, pos) != sizeof header)
            break;
        const uint32_t size = Get32(header + 4);
        const uint64_t body = pos + kChunkHeaderBytes;
        if (std::memcmp(header, "fmt ", 4) == 0 && !layout.hasFormat) {
            ReadFormat(fd, body, size, layout);
        } else if (std::memcmp(header, "data", 4) == 0 && !layout.hasData) {
            layout.hasData = true;
            layout.dataStart = body;
            const uint64_t present = fileSize - body;
            const bool streamed = size == 0 || size == 0xFFFFFFFF;
            layout.dataBytes = streamed ? present : std::min<uint64_t>(size, present);
            if (streamed)
                break; // nothing can follow a data chunk that runs to the end
        } else if (std::memcmp(header, "LIST", 4) == 0) {
            ReadInfo(fd, body, size, layout.info);
        }
        pos = body + size + (size & 1);
    }
    return layout;
}

} // namespace quillon
