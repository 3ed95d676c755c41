#include "run/OutputSplitter.h"

#include <gtest/gtest.h>
#include <vector>

namespace quillon {
namespace {

struct Split
{
    std::vector<std::string> lines;
    size_t consumed = 0; // bytes read before the reader stopped
};

Split SplitBytes(const std::string& bytes)
{
    Split result;
    OutputSplitter splitter([&](std::string_view line) { result.lines.emplace_back(line); });
    for (char c : bytes) {
        ++result.consumed;
        if (!splitter.Push(static_cast<uint8_t>(c)))
            break;
    }
    return result;
}

TEST(OutputSplitter, Rules)
{
    struct Row
    {
        const char* what;
        std::string bytes;
        std::vector<std::string> lines;
    };
    const Row rows[] = {
        {"plain lines", "one\ntwo\n", {"one", "two"}},
        {"CR LF arrives as LF", "one\r\ntwo\r\n", {"one", "two"}},
        {"a lone CR stays in the line", "a\rb\nc\r\n", {"a\rb", "c"}},
        {"CR CR LF keeps the first CR", "a\r\r\n", {"a\r"}},
        {"an empty line is handed over", "\n\nx\n", {"", "", "x"}},
        {"an unfinished line is dropped at the end", "done\npartial", {"done"}},
        {"250 characters come in pieces of 101",
         std::string(250, 'x') + "\n",
         {std::string(101, 'x'), std::string(101, 'x'), std::string(48, 'x')}},
        {"exactly 101 characters then LF gives an empty line",
         std::string(101, 'y') + "\n",
         {std::string(101, 'y'), ""}},
        {"the stop byte ends reading",
         "before\n\xff"
         "after\n",
         {"before"}},
        {"0x1A ends the stream",
         "a\n\x1a"
         "b\n",
         {"a"}},
        {"a stop byte after CR drops the line", "ab\r\xff\n", {}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(SplitBytes(row.bytes).lines, row.lines) << row.what;
}

TEST(OutputSplitter, StopsAtTheStopByteWithoutReadingFurther)
{
    const Split split = SplitBytes("ab\n\xff"
                                   "cd\n");
    EXPECT_EQ(split.consumed, 4u);
}

} // namespace
} // namespace quillon
