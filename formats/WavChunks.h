#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quillon {

// The texts of a LIST/INFO chunk that a tag can carry; empty where the file has none.
struct WavInfoTexts
{
    std::string title;   // INAM
    std::string artist;  // IART
    std::string album;   // IPRD
    std::string date;    // ICRD
    std::string comment; // ICMT
    std::string genre;   // IGNR
    std::string track;   // ITRK
};

// What the chunk list of a RIFF/WAVE file holds, as far as the encoder needs it.
struct WavLayout
{
    bool hasFormat = false;
    bool pcm16 = false; // format tag 1, or EXTENSIBLE with the PCM sub-format, 16 bits a sample
    int channels = 0;
    uint32_t sampleRate = 0;
    bool hasData = false;
    uint64_t dataStart = 0; // file offset of the first sample byte
    uint64_t dataBytes = 0; // never reaches past the end of the file
    WavInfoTexts info;
};

// Up to `size` bytes of `fd` from `offset`, retried when interrupted; the number read.
size_t ReadFileAt(int fd, uint8_t* into, size_t size, uint64_t offset);

// Walks the chunks that follow the 12-byte RIFF header of the file `fd` of `fileSize`
// bytes. Every size is checked against the file; a data size of 0 or 0xFFFFFFFF (a WAV
// written while streaming) runs to the end of the file. Reads with pread only.
WavLayout ReadWavLayout(int fd, uint64_t fileSize);

} // namespace quillon
