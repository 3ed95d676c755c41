#pragma once

#include <string>
#include <vector>

namespace quillon {

// Cuts a browser command line at its placeholder: a quoted placeholder is cut at its
// opening quotation mark, a bare one where it starts, and everything after it is dropped;
// a command line without a placeholder is kept whole. The placeholders are the field
// codes of a desktop entry that stand for the target (%u %U %f %F); "%%" is a plain "%".
std::string CutBrowserCommand(const std::string& command);

// Splits a desktop entry's Exec value into argument words: the entry's string escapes
// (\s \n \t \r \\) first, then double-quoted words with \" \` \$ \\ inside quotes.
// The remaining field codes are dropped and "%%" becomes "%". Returns no words when the
// quoting is broken.
std::vector<std::string> SplitExecLine(const std::string& exec);

// The argument words that open target with a browser command: the cut command line
// followed by the target as one word of its own (it is never split or interpreted).
std::vector<std::string> BrowserArguments(const std::string& command, const std::string& target);

// Desktop ids listed for a MIME type in a mimeapps.list or mimeinfo.cache text, in the
// given group ("Default Applications" or "MIME Cache").
std::vector<std::string> DesktopIdsFor(const std::string& text, const std::string& group, const std::string& mimeType);

// The Exec value of the [Desktop Entry] group of a desktop file; empty when none.
std::string DesktopEntryExec(const std::string& text);

// The command line of the desktop's registered program for web pages (text/html), found
// through the XDG mimeapps.list files and the mimeinfo.cache files of the data folders.
// Returns false when no program is registered or its entry has no command.
bool FindRegisteredBrowserCommand(std::string& command);

} // namespace quillon
