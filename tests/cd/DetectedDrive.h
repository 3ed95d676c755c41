#pragma once

#include "TestDisc.h"
#include "cd/CdDrive.h"
#include "cd/DriveQuirks.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace quillon::testing {

// Makes the disc, describes one virtual drive over it (`driveLine`, whose disc is
// "disc.cue") with the quirks `tosharc`, detects it and reads its table of contents, as
// every grab test starts.
inline void DetectTestDrive(const TempDir& dir, const std::string& driveLine, const std::string& tosharc,
                            const std::vector<TestTrack>& tracks, TestDisc& disc, DriveTable& drives)
{
    disc = MakeTestDisc(dir.Path(), "disc", tracks);
    WriteTextFile(dir / "drives", driveLine + "\n");
    WriteTextFile(dir / "tosharc", tosharc);
    ScopedChdir cd(dir.Path());
    ScopedVirtualCd env(dir / "drives");
    ResetDriveQuirks();
    ASSERT_EQ(DetectDrives(drives), 1);
    ResetDriveQuirks();
    DiscToc toc;
    int count = 0;
    ASSERT_EQ(drives[0].ReadToc(count, toc.data()), 1);
}

} // namespace quillon::testing
