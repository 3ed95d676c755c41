#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::cli {

// The text of `quillon --help`: every subcommand's synopsis and the common options.
std::string UsageText();

// The text of `quillon SUBCOMMAND --help` and `quillon help SUBCOMMAND`; none for a word
// that names no subcommand.
std::optional<std::string> SubcommandUsage(std::string_view name);

// The subcommands, in the order the usage lists them.
std::vector<std::string> SubcommandNames();

// Whether the words after a subcommand ask for its usage: "--help" or "-h" before "--".
bool AsksForHelp(const std::vector<std::string>& words);

} // namespace quillon::cli
