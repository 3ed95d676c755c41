#include "batch/EncodingOptions.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(EncodingOptions, TextFormsOfOptionSets)
{
    struct Row
    {
        DefaultEncodingOptions options;
        const char* optionString;
        const char* summary;
    };
    const Row rows[] = {
        {{},
         "lr: 3,128kbps,Stereo,HQ,NoCopr,NotOrig,NoProt,None",
         "Layer 3, Bitrate 128, Stereo ,HQ ,NoCopr ,NotOrig ,NoProt ,None"},
        {{1, 32, 3, 0, 1, 1, 1, 2},
         "lr: 1,32kbps,DualCh,Fast,Copr,Orig,ErrProt,CITT",
         "Layer 1, Bitrate 32, DualCh ,Fast ,Copr ,Orig ,ErrProt ,CITT"},
        {{2, 384, 2, 1, 0, 1, 0, 1},
         "lr: 2,384kbps,Joint,HQ,NoCopr,Orig,NoProt,0/15 uS",
         "Layer 2, Bitrate 384, Joint ,HQ ,NoCopr ,Orig ,NoProt ,0/15 uS"},
        {{3, 64, 0, 1, 0, 0, 0, 0},
         "lr: 3,64kbps,Mono,HQ,NoCopr,NotOrig,NoProt,None",
         "Layer 3, Bitrate 64, Mono ,HQ ,NoCopr ,NotOrig ,NoProt ,None"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(FormatOptionString(row.options), row.optionString);
        EXPECT_EQ(FormatOptionSummary(row.options), row.summary);
        // A job's 16-bit copy reads the same.
        EXPECT_EQ(FormatOptionString(EncodingOptions::From(row.options)), row.optionString);
    }
}

TEST(EncodingOptions, StoredValuesOutsideTheirTablesGiveAQuestionMark)
{
    struct Row
    {
        OptionField field;
        int value;
        const char* word;
    };
    const Row rows[] = {
        {OptionField::Mode, 3, "DualCh"},       {OptionField::Mode, 4, "?"},
        {OptionField::Mode, -1, "?"},           {OptionField::Quality, 2, "?"},
        {OptionField::Copyright, 7, "?"},       {OptionField::Original, 1, "Orig"},
        {OptionField::ErrorProtection, 2, "?"}, {OptionField::DeEmphasis, 2, "CITT"},
        {OptionField::DeEmphasis, 3, "?"},      {OptionField::DeEmphasis, 1 << 20, "?"},
    };
    for (const Row& row : rows)
        EXPECT_STREQ(OptionWord(row.field, row.value), row.word) << "value " << row.value;

    DefaultEncodingOptions wild{9, -5, 17, 2, 3, -2, 5, 100000};
    EXPECT_EQ(FormatOptionString(wild), "lr: 9,-5kbps,?,?,?,?,?,?");
}

TEST(EncodingOptions, BitrateListsPerLayer)
{
    auto has = [](int layer, int rate) {
        auto list = BitratesForLayer(layer);
        return std::find(list.begin(), list.end(), rate) != list.end();
    };
    for (int layer = 1; layer <= 3; ++layer) {
        auto list = BitratesForLayer(layer);
        ASSERT_EQ(list.size(), 14u) << "layer " << layer;
        EXPECT_TRUE(std::is_sorted(list.begin(), list.end()));
        EXPECT_TRUE(has(layer, 32) && has(layer, 320)) << "layer " << layer;
    }
    EXPECT_FALSE(has(2, 40));
    EXPECT_FALSE(has(2, 288));
    EXPECT_FALSE(has(3, 288));
    EXPECT_FALSE(has(3, 384));
    EXPECT_TRUE(has(1, 448));
    EXPECT_TRUE(BitratesForLayer(0).empty());
    EXPECT_TRUE(BitratesForLayer(4).empty());
}

} // namespace
} // namespace quillon
