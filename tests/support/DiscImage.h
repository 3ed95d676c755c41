#pragma once

// Generated BIN/CUE discs for the tests that read a disc, through the CD layer or by
// running the quillon program.

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace quillon::testing_support {

// The byte at `offset` of sector `lba` of every generated disc: no two neighbouring
// bytes are equal, so a byte swap or a shifted sector shows.
inline uint8_t PatternByte(uint32_t lba, uint32_t offset)
{
    return static_cast<uint8_t>((lba * 131u + offset * 7u + (offset >> 8) * 3u + 1u) & 0xFF);
}

inline std::vector<uint8_t> PatternSectors(uint32_t lba, uint32_t count)
{
    std::vector<uint8_t> out(static_cast<size_t>(count) * 2352);
    for (uint32_t s = 0; s < count; ++s)
        for (uint32_t i = 0; i < 2352; ++i)
            out[s * 2352u + i] = PatternByte(lba + s, i);
    return out;
}

struct TestTrack
{
    bool data = false; // MODE1/2352 instead of AUDIO
    uint32_t sectors = 0;
};

struct TestDisc
{
    std::string cue;
    std::string bin;
    std::vector<uint32_t> starts;
    uint32_t leadOut = 0;
};

// Writes "<name>.bin" and "<name>.cue" into `dir`: the tracks one after another, each
// sector filled with PatternSectors. The CUE names the BIN relative to itself.
inline TestDisc MakeTestDisc(const std::string& dir, const std::string& name, const std::vector<TestTrack>& tracks)
{
    TestDisc disc;
    disc.bin = dir + "/" + name + ".bin";
    disc.cue = dir + "/" + name + ".cue";
    std::ofstream bin(disc.bin, std::ios::binary);
    std::ofstream cue(disc.cue);
    cue << "FILE \"" << name << ".bin\" BINARY\n";
    uint32_t lba = 0;
    char line[128];
    for (size_t t = 0; t < tracks.size(); ++t) {
        disc.starts.push_back(lba);
        std::snprintf(line, sizeof line, "  TRACK %02zu %s\n    INDEX 01 %02u:%02u:%02u\n", t + 1,
                      tracks[t].data ? "MODE1/2352" : "AUDIO", lba / 4500, lba / 75 % 60, lba % 75);
        cue << line;
        const auto bytes = PatternSectors(lba, tracks[t].sectors);
        bin.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        lba += tracks[t].sectors;
    }
    disc.leadOut = lba;
    return disc;
}

inline void WriteTextFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

inline std::vector<uint8_t> ReadBinaryFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

} // namespace quillon::testing_support
