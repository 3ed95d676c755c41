// The manual page and the bash completion against the argument parsers' own tables and
// the usage texts: an option or subcommand added to the program and forgotten in either
// file fails here, naming the word and the file to add it to.

#include "cli/CdOptions.h"
#include "cli/CliArguments.h"
#include "cli/UsageTexts.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

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

// The option words a usage text names: "--name" and "-o", "-h".
std::set<std::string> OptionsNamedIn(const std::string& text)
{
    static const std::regex option(R"((^|[\s\[|(,])(--[a-z0-9][a-z0-9-]*|-[a-z])\b)");
    std::set<std::string> words;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), option); it != std::sregex_iterator(); ++it)
        words.insert((*it)[2]);
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
    const std::regex whole("(^|[\\s'\"(=])" + std::regex_replace(word, std::regex("[-]"), "\\-") + "($|[\\s'\")])");
    return std::regex_search(script, whole);
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
