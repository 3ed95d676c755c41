// A virtual drive list and the CUE sheet its drives may name ("disc.cue", over a small
// BIN file "disc.bin" of 30 sectors): the input is the list, then optionally a NUL byte
// and the sheet. Every drive found is then detected, its TOC read and its first sectors
// grabbed, the way the command line does.
#include "cd/AspiLayer.h"
#include "cd/CdDrive.h"
#include "tests/fuzz/FuzzInput.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace {

using namespace quillon;

constexpr uint32_t kBinSectors = 30;

const std::string& Folder()
{
    static const std::string folder = [] {
        const std::string f = fuzz::ScratchFolder();
        std::string bin(kBinSectors * kSectorBytes, '\0');
        for (size_t i = 0; i < bin.size(); ++i)
            bin[i] = static_cast<char>(i * 7);
        fuzz::WriteWholeFile(f + "/disc.bin", bin);
        return f;
    }();
    return folder;
}

// The list may name any file as its disc; the fuzz run keeps it to files it made, and
// never sleeps a drive's read delay.
bool Tame(std::string& list)
{
    for (const char* forbidden : {"/dev", "/proc", "/sys", ".."})
        if (list.find(forbidden) != std::string::npos)
            return false;
    std::string tamed;
    size_t from = 0;
    for (size_t at = list.find("delay="); at != std::string::npos; at = list.find("delay=", from)) {
        tamed.append(list, from, at + 6 - from);
        tamed += '0';
        from = at + 6;
        while (from < list.size() && list[from] >= '0' && list[from] <= '9')
            ++from;
    }
    tamed.append(list, from, std::string::npos);
    list = std::move(tamed);
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& folder = Folder();
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\0');
    std::string list(input.substr(0, split));
    if (!Tame(list))
        return 0;
    const std::string_view sheet = split == std::string_view::npos ? std::string_view() : input.substr(split + 1);
    if (sheet.find("/dev") != std::string_view::npos || sheet.find("/proc") != std::string_view::npos ||
        sheet.find("..") != std::string_view::npos)
        return 0;
    fuzz::WriteWholeFile(folder + "/disc.cue", sheet);
    fuzz::WriteWholeFile(folder + "/drives.list", list);

    // The way the program finds its drives: the list named by QUILLON_VIRTUAL_CD.
    setenv("QUILLON_VIRTUAL_CD", (folder + "/drives.list").c_str(), 1);
    DriveTable drives;
    const int found = DetectDrives(drives);
    static DiscToc toc;
    std::vector<uint8_t> buffer(4 * kSectorBytes);
    for (int d = 0; d < found; ++d) {
        CdDrive& drive = drives[d];
        uint8_t capabilities[32] = {};
        drive.GetCapabilities(capabilities);
        drive.SetBlockMode(0, 2048);
        int count = 0;
        if (drive.ReadToc(count, toc.data()) != 1)
            continue;
        drive.PrepareForAudio();
        for (int t = 0; t < drive.trackCount; ++t) {
            const uint32_t sectors = std::min<uint32_t>(drive.tracks[t].sectors, 4);
            drive.ReadAudio(drive.tracks[t].entry.start, sectors, buffer.data());
        }
        drive.RestoreAfterAudio();
    }
    return 0;
}
