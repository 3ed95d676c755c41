#include "platform/BrowserCommand.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace quillon {

static bool IsTargetCode(char c)
{
    return c == 'u' || c == 'U' || c == 'f' || c == 'F';
}

// Position of the first target field code (the '%'), skipping "%%"; with quoted set,
// only a code standing alone between double quotation marks counts, and the position of
// the opening mark is returned.
static std::size_t FindTargetCode(const std::string& command, bool quoted)
{
    for (std::size_t i = 0; i + 1 < command.size(); ++i) {
        if (command[i] != '%') {
            continue;
        }
        if (command[i + 1] == '%') {
            ++i;
            continue;
        }
        if (!IsTargetCode(command[i + 1])) {
            continue;
        }
        if (!quoted) {
            return i;
        }
        if (i > 0 && command[i - 1] == '"' && i + 2 < command.size() && command[i + 2] == '"') {
            return i - 1;
        }
    }
    return std::string::npos;
}

std::string CutBrowserCommand(const std::string& command)
{
    std::size_t cut = FindTargetCode(command, true);
    if (cut == std::string::npos) {
        cut = FindTargetCode(command, false);
    }
    return cut == std::string::npos ? command : command.substr(0, cut);
}

static std::string UnescapeDesktopString(const std::string& value)
{
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        char next = value[++i];
        switch (next) {
        case 's': out += ' '; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case '\\': out += '\\'; break;
        default:
            out += '\\';
            out += next;
            break;
        }
    }
    return out;
}

// Drops field codes and turns "%%" into "%" within one word.
static std::string ExpandFieldCodes(const std::string& word)
{
    std::string out;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (word[i] == '%' && i + 1 < word.size()) {
            if (word[i + 1] == '%') {
                out += '%';
            }
            ++i;
            continue;
        }
        out += word[i];
    }
    return out;
}

std::vector<std::string> SplitExecLine(const std::string& exec)
{
    std::string line = UnescapeDesktopString(exec);
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quotedWord = false;
    // A word that was nothing but field codes goes away with them.
    auto finishWord = [&] {
        std::string expanded = ExpandFieldCodes(word);
        if (!expanded.empty() || quotedWord) {
            words.push_back(expanded);
        }
        word.clear();
        inWord = false;
        quotedWord = false;
    };
    for (std::size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (c == ' ' || c == '\t' || c == '\n') {
            if (inWord) {
                finishWord();
            }
            continue;
        }
        inWord = true;
        if (c != '"') {
            word += c;
            continue;
        }
        // A quoted part: field codes inside quotes are not expanded, so it is taken as is.
        std::string quoted;
        bool closed = false;
        for (++i; i < line.size(); ++i) {
            if (line[i] == '\\' && i + 1 < line.size() &&
                (line[i + 1] == '"' || line[i + 1] == '`' || line[i + 1] == '$' || line[i + 1] == '\\')) {
                quoted += line[++i];
            } else if (line[i] == '"') {
                closed = true;
                break;
            } else {
                quoted += line[i];
            }
        }
        if (!closed) {
            return {};
        }
        quotedWord = true;
        // Percent signs of a quoted part are literal; double them so the expansion keeps them.
        for (char q : quoted) {
            word += q;
            if (q == '%') {
                word += '%';
            }
        }
    }
    if (inWord) {
        finishWord();
    }
    return words;
}

std::vector<std::string> BrowserArguments(const std::string& command, const std::string& target)
{
    std::vector<std::string> words = SplitExecLine(CutBrowserCommand(command));
    if (words.empty()) {
        return words;
    }
    words.push_back(target);
    return words;
}

static std::string Trim(const std::string& text)
{
    std::size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos) {
        return {};
    }
    std::size_t end = text.find_last_not_of(" \t\r");
    return text.substr(begin, end - begin + 1);
}

// Calls back with every key and value of one group of an ini-like text.
template <typename F>
static void ForEachKey(const std::string& text, const std::string& group, F&& f)
{
    std::istringstream lines(text);
    std::string line;
    bool inGroup = false;
    while (std::getline(lines, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == '#') {
            continue;
        }
        if (line[0] == '[') {
            inGroup = line == "[" + group + "]";
            continue;
        }
        std::size_t equals = line.find('=');
        if (inGroup && equals != std::string::npos) {
            f(Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)));
        }
    }
}

std::vector<std::string> DesktopIdsFor(const std::string& text, const std::string& group, const std::string& mimeType)
{
    std::vector<std::string> ids;
    ForEachKey(text, group, [&](const std::string& key, const std::string& value) {
        if (key != mimeType) {
            return;
        }
        std::istringstream list(value);
        std::string id;
        while (std::getline(list, id, ';')) {
            id = Trim(id);
            if (!id.empty()) {
                ids.push_back(id);
            }
        }
    });
    return ids;
}

std::string DesktopEntryExec(const std::string& text)
{
    std::string exec;
    ForEachKey(text, "Desktop Entry", [&](const std::string& key, const std::string& value) {
        if (key == "Exec" && exec.empty()) {
            exec = value;
        }
    });
    return exec;
}

static std::string ReadWholeFile(const std::string& path, bool& ok)
{
    std::ifstream file(path);
    ok = static_cast<bool>(file);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

static std::vector<std::string> EnvFolders(const char* name, const std::string& fallback)
{
    const char* value = std::getenv(name);
    std::string list = (value != nullptr && *value != '\0') ? value : fallback;
    std::vector<std::string> folders;
    std::istringstream parts(list);
    std::string folder;
    while (std::getline(parts, folder, ':')) {
        if (!folder.empty()) {
            folders.push_back(folder);
        }
    }
    return folders;
}

static std::string HomeFolder(const char* name, const char* below)
{
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') {
        return value;
    }
    const char* home = std::getenv("HOME");
    return home != nullptr ? std::string(home) + below : std::string();
}

// The Exec value of a desktop id from the first data folder that has its file. A desktop
// id "a-b.desktop" may also live as "a/b.desktop".
static std::string ExecOfDesktopId(const std::vector<std::string>& appFolders, const std::string& id)
{
    std::vector<std::string> names = {id};
    for (std::size_t dash = id.find('-'); dash != std::string::npos; dash = id.find('-', dash + 1)) {
        names.push_back(id.substr(0, dash) + "/" + id.substr(dash + 1));
    }
    for (const std::string& folder : appFolders) {
        for (const std::string& name : names) {
            bool ok = false;
            std::string text = ReadWholeFile(folder + "/" + name, ok);
            if (ok) {
                return DesktopEntryExec(text);
            }
        }
    }
    return {};
}

bool FindRegisteredBrowserCommand(std::string& command)
{
    const std::string mimeType = "text/html";
    std::string configHome = HomeFolder("XDG_CONFIG_HOME", "/.config");
    std::string dataHome = HomeFolder("XDG_DATA_HOME", "/.local/share");
    std::vector<std::string> configDirs = EnvFolders("XDG_CONFIG_DIRS", "/etc/xdg");
    std::vector<std::string> dataDirs = EnvFolders("XDG_DATA_DIRS", "/usr/local/share:/usr/share");

    std::vector<std::string> appFolders;
    if (!dataHome.empty()) {
        appFolders.push_back(dataHome + "/applications");
    }
    for (const std::string& dir : dataDirs) {
        appFolders.push_back(dir + "/applications");
    }

    std::vector<std::string> listFiles;
    if (!configHome.empty()) {
        listFiles.push_back(configHome + "/mimeapps.list");
    }
    for (const std::string& dir : configDirs) {
        listFiles.push_back(dir + "/mimeapps.list");
    }
    for (const std::string& folder : appFolders) {
        listFiles.push_back(folder + "/mimeapps.list");
    }

    std::vector<std::string> candidates;
    for (const std::string& path : listFiles) {
        bool ok = false;
        std::string text = ReadWholeFile(path, ok);
        for (const std::string& id : DesktopIdsFor(text, "Default Applications", mimeType)) {
            candidates.push_back(id);
        }
    }
    for (const std::string& folder : appFolders) {
        bool ok = false;
        std::string text = ReadWholeFile(folder + "/mimeinfo.cache", ok);
        for (const std::string& id : DesktopIdsFor(text, "MIME Cache", mimeType)) {
            candidates.push_back(id);
        }
    }
    for (const std::string& id : candidates) {
        std::string exec = ExecOfDesktopId(appFolders, id);
        if (!exec.empty()) {
            command = exec;
            return true;
        }
    }
    return false;
}

} // namespace quillon
