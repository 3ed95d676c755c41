#pragma once

// Reading MPEG audio frame headers in tests: MPEG-1, MPEG-2 and MPEG-2.5, Layers I to III.
// Kept apart from the encoder's own tables so that the tests check the streams independently.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quillon::test {

struct MpegFrameHeader
{
    int version = 0;     // 10 for MPEG-1, 20 for MPEG-2, 25 for MPEG-2.5
    int layer = 0;       // 1, 2 or 3
    bool crc = false;    // the protection bit is 0: a CRC follows the header
    int bitrateKbps = 0; // 0 for free format
    int sampleRate = 0;  // Hz
    bool padding = false;
    bool privateBit = false;
    int mode = 0; // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    int modeExtension = 0;
    bool copyright = false;
    bool original = false;
    int emphasis = 0;      // 0 none, 1 50/15 us, 2 reserved, 3 CCITT J.17
    size_t frameBytes = 0; // the whole frame with header; 0 for free format
    int samplesPerFrame = 0;
};

// Parses the four header bytes at data; false when they are no valid header.
inline bool ParseMpegFrameHeader(const unsigned char* data, size_t size, MpegFrameHeader& header)
{
    if (size < 4 || data[0] != 0xFF || (data[1] & 0xE0) != 0xE0) {
        return false;
    }
    const int versionBits = (data[1] >> 3) & 3;
    const int layerBits = (data[1] >> 1) & 3;
    const int bitrateIndex = data[2] >> 4;
    const int rateIndex = (data[2] >> 2) & 3;
    if (versionBits == 1 || layerBits == 0 || bitrateIndex == 15 || rateIndex == 3) {
        return false;
    }
    header.version = versionBits == 3 ? 10 : versionBits == 2 ? 20 : 25;
    header.layer = 4 - layerBits;
    header.crc = (data[1] & 1) == 0;
    header.padding = ((data[2] >> 1) & 1) != 0;
    header.privateBit = (data[2] & 1) != 0;
    header.mode = data[3] >> 6;
    header.modeExtension = (data[3] >> 4) & 3;
    header.copyright = ((data[3] >> 3) & 1) != 0;
    header.original = ((data[3] >> 2) & 1) != 0;
    header.emphasis = data[3] & 3;

    static const int kRates[3] = {44100, 48000, 32000};
    header.sampleRate = kRates[rateIndex] / (header.version == 10 ? 1 : header.version == 20 ? 2 : 4);

    static const int kBitrates[5][15] = {
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448}, // MPEG-1 Layer I
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},    // MPEG-1 Layer II
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},     // MPEG-1 Layer III
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},    // MPEG-2 Layer I
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},         // MPEG-2 Layers II, III
    };
    const int table = header.version == 10 ? header.layer - 1 : header.layer == 1 ? 3 : 4;
    header.bitrateKbps = kBitrates[table][bitrateIndex];

    const bool lsf = header.version != 10;
    header.samplesPerFrame = header.layer == 1 ? 384 : (header.layer == 3 && lsf) ? 576 : 1152;
    const long bitsPerSecond = header.bitrateKbps * 1000L;
    if (header.layer == 1) {
        header.frameBytes = static_cast<size_t>((12 * bitsPerSecond / header.sampleRate + header.padding) * 4);
    } else {
        const long factor = header.samplesPerFrame / 8;
        header.frameBytes = static_cast<size_t>(factor * bitsPerSecond / header.sampleRate + header.padding);
    }
    return true;
}

struct MpegStream
{
    std::vector<MpegFrameHeader> frames;
    bool endsWithTag = false; // a 128-byte "TAG" record follows the last frame
    std::string error;        // why the walk stopped early; empty when every byte was a frame
};

// Walks the stream frame by frame from its first byte, each header giving the next
// one's position, as a strict decoder would. A 128-byte TAG record may end the stream.
inline MpegStream ScanMpegFrames(const std::vector<unsigned char>& bytes)
{
    MpegStream stream;
    size_t at = 0;
    while (at < bytes.size()) {
        if (bytes.size() - at == 128 && bytes[at] == 'T' && bytes[at + 1] == 'A' && bytes[at + 2] == 'G') {
            stream.endsWithTag = true;
            break;
        }
        MpegFrameHeader header;
        if (!ParseMpegFrameHeader(bytes.data() + at, bytes.size() - at, header)) {
            stream.error = "no frame header at byte " + std::to_string(at) + " (frame " +
                           std::to_string(stream.frames.size()) + ")";
            break;
        }
        if (header.frameBytes == 0 || header.frameBytes > bytes.size() - at) {
            stream.error = "frame " + std::to_string(stream.frames.size()) + " at byte " + std::to_string(at) +
                           " is cut short or free format";
            break;
        }
        stream.frames.push_back(header);
        at += header.frameBytes;
    }
    return stream;
}

} // namespace quillon::test
