#include "batch/WizardRules.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(WizardRules, LeavingPage1NeedsARealDefaultFolderAndDistinctOutputs)
{
    struct Row
    {
        const char* defaultDir;
        std::vector<std::string> names;
        std::string expected;
    };
    const std::string noDir(kNoDefaultDirMessage);
    const Row rows[] = {
        {"@DEFAULT", {"a.wav"}, noDir},
        {"@default", {"a.wav"}, noDir},
        {"@DeFaUlT", {"a.wav"}, noDir},
        {"NOT SET", {"a.wav"}, noDir},
        {"", {"a.wav"}, noDir},
        {"/out/", {"a.wav"}, ""},
        {"/out/", {"a.wav", "b.wav"}, ""},
        {"/out/",
         {"a.wav", "a.wav", "b.wav", "a.wav"},
         "Two or more files of the batch would be written as /out/a.mp3. Give them other output names or folders."},
        {"@DEFAULT", {"a.wav", "a.wav"}, noDir}, // the folder is asked for first
    };
    for (const auto& row : rows) {
        JobList jobs;
        ASSERT_TRUE(jobs.SetDefaultOutputDirText(row.defaultDir));
        for (const auto& name : row.names)
            ASSERT_TRUE(jobs.AddFiles({{name, "1K"}}, "/in", kActionEncode, {}));
        EXPECT_EQ(LeavePage1Refusal(jobs), row.expected)
            << "folder '" << row.defaultDir << "', " << row.names.size() << " jobs";
    }
}

TEST(WizardRules, OptionsDialogFillsAndReadsBack)
{
    using O = EncodingOptions;
    struct Row
    {
        const char* what;
        O shown;
        void (*user)(OptionsDialogControls&); // what the user does in the dialog
        O expected;
    };
    const Row rows[] = {
        {"layer 2 at 32 keeps 32", O{2, 32, 1, 1, 0, 0, 0, 0}, [](OptionsDialogControls&) {},
         O{2, 32, 1, 1, 0, 0, 0, 0}},
        {"layer 3 list stays after choosing layer 1; 40 is stored with layer 1", O{3, 128, 1, 1, 0, 0, 0, 0},
         [](OptionsDialogControls& c) {
             c.layer = 1;
             c.bitrateItem = 1;
         },
         O{1, 40, 1, 1, 0, 0, 0, 0}},
        {"every field changed", O{3, 128, 1, 1, 0, 0, 0, 0},
         [](OptionsDialogControls& c) {
             c.layer = 2;
             c.bitrateItem = 0;
             c.mode = 3;
             c.quality = 0;
             c.copyright = c.original = c.errorProtection = true;
             c.deEmphasis = 2;
         },
         O{2, 32, 3, 0, 1, 1, 1, 2}},
        {"de-emphasis 0/15 reads 1", O{3, 128, 0, 1, 0, 0, 0, 0}, [](OptionsDialogControls& c) { c.deEmphasis = 1; },
         O{3, 128, 0, 1, 0, 0, 0, 1}},
        {"values out of range check nothing; layer and mode are kept, quality reads turbo", O{7, 999, 9, 5, 1, 0, 1, 4},
         [](OptionsDialogControls&) {}, O{7, 999, 9, 0, 1, 0, 1, 0}},
        {"bitrate outside the layer's list is kept, not garbled", O{2, 40, 1, 1, 0, 0, 0, 0},
         [](OptionsDialogControls&) {}, O{2, 40, 1, 1, 0, 0, 0, 0}},
    };
    for (const auto& row : rows) {
        OptionsDialogControls c = FillOptionsDialog(row.shown);
        row.user(c);
        EXPECT_EQ(ReadOptionsDialog(c, row.shown), row.expected) << row.what;
    }
    const auto layer3 = FillOptionsDialog(O{});
    EXPECT_EQ(layer3.bitrates.size(), 14u);
    EXPECT_EQ(layer3.bitrates[layer3.bitrateItem], 128);
    EXPECT_EQ(FillOptionsDialog(O{7, 128, 9, 5, 0, 0, 0, 4}).layer, 0);
    EXPECT_EQ(FillOptionsDialog(O{7, 128, 9, 5, 0, 0, 0, 4}).deEmphasis, -1);
}

TEST(WizardRules, SetDefaultWithOnlyOwnOptionsChangesJustTheDefaults)
{
    JobList jobs;
    ASSERT_TRUE(jobs.AddFiles({{"a.wav", "1K"}}, "/in", kActionEncode, {}));
    ASSERT_TRUE(jobs.AddFiles({{"c.mp3", "1K"}}, "/in", kActionDecode, {}));
    const EncodingOptions own{1, 384, 0, 0, 0, 0, 0, 0};
    SetOwnOptions(jobs, 0, own);
    SetOwnOptions(jobs, 1, own);
    DefaultEncodingOptions defaults;
    const EncodingOptions shared{2, 256, 2, 1, 1, 0, 0, 1};
    SetDefaultOptions(jobs, defaults, shared);
    EXPECT_EQ(defaults, DefaultEncodingOptions::From(shared));
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(jobs.Job(i).Options(), own) << i;
        EXPECT_EQ(jobs.Row(i).optionText, "lr: 1,384kbps,Mono,Fast,NoCopr,NotOrig,NoProt,None") << i;
    }
}

} // namespace
} // namespace quillon
