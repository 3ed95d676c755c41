#pragma once

// Test fixtures of the CD tests: temporary folders, generated BIN/CUE discs (from the
// test-support library) and virtual drive lists.

#include "cd/CdDrive.h"
#include "tests/support/DiscImage.h"
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

using testing_support::MakeTestDisc;
using testing_support::PatternByte;
using testing_support::PatternSectors;
using testing_support::ReadBinaryFile;
using testing_support::TestDisc;
using testing_support::TestTrack;
using testing_support::WriteTextFile;

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
