#pragma once

// The set-up of the tests that run quillon's CD commands as a user runs them.

#include "tests/support/DiscImage.h"
#include "tests/support/ShellRun.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace quillon::testing_support {

// A temporary folder holding an image disc "disc.cue" (with "disc.bin"), a drive list
// "drives" whose drive 0 holds it, and the folders the test writes to; quillon runs there.
class CdCommandTest : public ::testing::Test
{
protected:
    TempFolder dir;
    TestDisc disc;

    // The disc of `tracks`; `moreDrives` are further lines of the drive list.
    void MakeDisc(const std::vector<TestTrack>& tracks, const std::string& moreDrives = "",
                  std::initializer_list<const char*> folders = {})
    {
        disc = MakeTestDisc(dir.Path(), "disc", tracks);
        WriteTextFile(dir / "drives", "ATAPI | QUILLON | VIRTUAL CD | 1.0 | disc.cue\n" + moreDrives);
        for (const char* folder : folders)
            dir.MakeFolder(folder);
    }

    // `quillon ARGS` in the folder; `after` and `limits` as Quillon takes them.
    CliRun Run(const std::string& args, const std::string& after = "", const std::string& limits = "") const
    {
        return Quillon(dir.Path(), args, after, limits);
    }

    // A command and its answer: the exit status and a text of its output.
    struct Answer
    {
        std::string args;
        int status = 0;
        std::string text;
    };
    enum class Output { Holds, Is };

    // Runs each command and checks its answer, naming the command where one differs.
    void ExpectAnswers(const std::vector<Answer>& rows, Output match = Output::Holds) const
    {
        for (const Answer& row : rows) {
            const CliRun r = Run(row.args);
            EXPECT_EQ(r.status, row.status) << row.args << ": " << r.out;
            if (match == Output::Is)
                EXPECT_EQ(r.out, row.text) << row.args;
            else
                EXPECT_NE(r.out.find(row.text), std::string::npos) << row.args << ": " << r.out;
        }
    }
};

} // namespace quillon::testing_support
