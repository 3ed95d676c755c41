#pragma once

// Test fixtures of the CD tests: temporary folders, generated BIN/CUE discs and
// virtual drive lists.

#include "cd/CdDrive.h"
#include "tests/support/TempFolder.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace quillon::testing {

using TempDir = testing_support::TempFolder;

// Changes the current directory for the length of a test.
class ScopedChdir
{
public:
    explicit ScopedChdir(const std::string& dir)
    {
        char buf[4096];
        old_ = ::getcwd(buf, sizeof buf) ? buf : "/";
        if (::chdir(dir.c_str()) != 0)
            std::abort();
    }
    ~ScopedChdir()
    {
        if (::chdir(old_.c_str()) != 0)
            std::abort();
    }

private:
    std::string old_;
};

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

// Points QUILLON_VIRTUAL_CD at a drive list for the length of a test.
class ScopedVirtualCd
{
public:
    explicit ScopedVirtualCd(const std::string& listPath) { ::setenv("QUILLON_VIRTUAL_CD", listPath.c_str(), 1); }
    ~ScopedVirtualCd() { ::unsetenv("QUILLON_VIRTUAL_CD"); }
};

// One virtual drive of model `model` holding `sheet` (as the drive list in `dir` names it),
// detected and with its TOC read; the drive list stays named while this lives.
struct VirtualDrive
{
    VirtualDrive(const std::string& dir, const std::string& sheet, const std::string& model = "VIRTUAL CD")
        : env((WriteTextFile(dir + "/drives", "ATAPI | QUILLON | " + model + " | 1.0 | " + sheet + "\n"),
               dir + "/drives"))
    {
        detected = DetectDrives(drives);
        if (detected > 0)
            tocResult = drives[0].ReadToc(count, toc.data());
    }

    ScopedVirtualCd env;
    DriveTable drives;
    int detected = -1;
    DiscToc toc{};
    int count = 0;
    int32_t tocResult = 0;
};

} // namespace quillon::testing
