// The manual page and the bash completion against the argument parsers' own tables and
// the usage texts: an option or subcommand added to the program and forgotten in either
// file fails here, naming the word and the file to add it to.

#include "cli/CdOptions.h"
#include "cli/CliArguments.h"
#include "cli/UsageTexts.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string_view>

namespace quillon::cli {
namespace {

const std::string kSourceDir = QUILLON_SOURCE_DIR;
const std::string kManualPage = "docs/quillon.1.scd";
const std::string kCompletion = "res/completion/quillon.bash";

std::string ReadSource(const std::string& relative)
{
    std::ifstream in(kSourceDir + "/" + relative);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Every option word the parsers know, with the file whose table holds it.
std::map<std::string, std::string> ParserOptions()
{
    std::map<std::string, std::string> options;
    for (const std::string& word : CdOptionWords())
        options[word] = "cli/CdOptions.cpp";
    for (const std::string& word : KnownOptionWords())
        options[word] = "cli/CliArguments.cpp";
    return options;
}

// The option words a usage text names: "--name" and "-o", "-h", each after a blank or
// one of "[|(," and not followed by a letter or digit. (No std::regex: GCC 12 warns in
// its own code under the sanitizers.)
std::set<std::string> OptionsNamedIn(const std::string& text)
{
    const auto lower = [](char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); };
    const auto word = [&](char c) { return lower(c) || (c >= 'A' && c <= 'Z') || c == '_'; };
    std::set<std::string> words;
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '-' || (i > 0 && std::string_view(" \t\n[|(,").find(text[i - 1]) == std::string_view::npos))
            continue;
        size_t end = i + 1;
        if (text[end] == '-' && end + 1 < text.size() && lower(text[end + 1])) {
            for (end += 2; end < text.size() && (lower(text[end]) || text[end] == '-'); ++end) {}
            while (text[end - 1] == '-')
                --end;
        } else if (text[end] >= 'a' && text[end] <= 'z') {
            ++end;
        } else {
            continue;
        }
        if (end == text.size() || !word(text[end]))
            words.insert(text.substr(i, end - i));
        i = end - 1;
    }
    return words;
}

// An entry of the manual page's lists: a line that starts with the bold word.
bool ManualPageHasEntry(const std::string& page, const std::string& word)
{
    std::istringstream lines(page);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty() && line[0] == '*' && line.find("*" + word + "*") != std::string::npos)
            return true;
    return false;
}

bool ManualPageHasSubcommand(const std::string& page, const std::string& name)
{
    return page.find("\n## " + name + "\n") != std::string::npos;
}

// The completion names a word between quotes or blanks, as in its word lists.
bool CompletionNames(const std::string& script, const std::string& word)
{
    for (size_t at = script.find(word); at != std::string::npos; at = script.find(word, at + 1)) {
        const size_t end = at + word.size();
        const bool opens = at == 0 || std::string_view(" \t\n\r'\"(=").find(script[at - 1]) != std::string_view::npos;
        const bool closes =
            end == script.size() || std::string_view(" \t\n\r'\")").find(script[end]) != std::string_view::npos;
        if (opens && closes)
            return true;
    }
    return false;
}

TEST(OptionsDocumented, EveryParserOptionAndSubcommandIsInTheManualPageAndTheCompletion)
{
    const std::string page = ReadSource(kManualPage);
    const std::string completion = ReadSource(kCompletion);
    ASSERT_FALSE(page.empty()) << kManualPage << " cannot be read";
    ASSERT_FALSE(completion.empty()) << kCompletion << " cannot be read";

    const auto options = ParserOptions();
    ASSERT_GT(options.size(), 20u) << "the parsers' tables gave too few options";
    for (const auto& [word, table] : options) {
        EXPECT_TRUE(ManualPageHasEntry(page, word))
            << "option " << word << " (known to the parser of " << table << ") is missing from " << kManualPage
            << ": add an entry line beginning '*" << word << "*' under OPTIONS";
        EXPECT_TRUE(CompletionNames(completion, word))
            << "option " << word << " (known to the parser of " << table << ") is missing from " << kCompletion;
    }
    for (const std::string& name : SubcommandNames()) {
        EXPECT_TRUE(ManualPageHasSubcommand(page, name))
            << "subcommand " << name << " (cli/UsageTexts.cpp) is missing from " << kManualPage
            << ": add a section '## " << name << "' under SUBCOMMANDS and its line in SYNOPSIS";
        EXPECT_TRUE(CompletionNames(completion, name))
            << "subcommand " << name << " (cli/UsageTexts.cpp) is missing from " << kCompletion;
    }
}

// The completion test takes each subcommand's options from its usage; the usage texts
// must therefore name exactly what the parsers take.
TEST(OptionsDocumented, UsageTextsNameExactlyTheOptionsTheParsersKnow)
{
    const auto known = ParserOptions();
    std::set<std::string> named = OptionsNamedIn(UsageText());
    for (const std::string& name : SubcommandNames()) {
        const std::string usage = SubcommandUsage(name).value_or("");
        ASSERT_FALSE(usage.empty()) << "no usage for " << name;
        for (const std::string& word : OptionsNamedIn(usage)) {
            EXPECT_TRUE(known.count(word))
                << "the usage of " << name << " (cli/UsageTexts.cpp) names " << word
                << ", which neither CdOptionWords() (cli/CdOptions.cpp) nor KnownOptionWords() (cli/CliArguments.cpp)"
                   " lists: put it in their tables, or list a word read outside them as --save is";
            named.insert(word);
        }
    }
    for (const auto& [word, table] : known)
        EXPECT_TRUE(named.count(word)) << "option " << word << " of " << table
                                       << " is in no usage text (cli/UsageTexts.cpp)";
}
} // namespace
} // namespace quillon::cli
