#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "platform/BrowserCommand.h"
#include "tests/support/TempFolder.h"

namespace quillon {
namespace {

TEST(BrowserCommand, CutAtThePlaceholder)
{
    struct Row
    {
        const char* command;
        const char* cut;
    };
    const Row rows[] = {
        {"program \"%u\" -flag", "program "},
        {"firefox-esr %u", "firefox-esr "},
        {"browser --new-window %U --private", "browser --new-window "},
        {"viewer %f", "viewer "},
        {"chromium \"%F\"", "chromium "},
        {"plain-browser --flag", "plain-browser --flag"},
        {"show 100%% %u", "show 100%% "}, // "%%" is a percent sign, not a placeholder
        {"tool --icon %i %u", "tool --icon %i "},
        {"odd \"x%u\" %u", "odd \"x"}, // quoted but not alone: cut where it starts
    };
    for (const Row& row : rows) {
        EXPECT_EQ(CutBrowserCommand(row.command), row.cut) << row.command;
    }
}

TEST(BrowserCommand, TargetIsOneWordOfItsOwn)
{
    struct Row
    {
        const char* command;
        std::vector<std::string> words;
    };
    const std::string target = "https://example.org/a b;rm -rf ~ \"$(x)\"";
    const Row rows[] = {
        {"program \"%u\" -flag", {"program", target}},
        {"\"/opt/My Browser/run\" --x %u", {"/opt/My Browser/run", "--x", target}},
        {"env MOZ=1 firefox %u", {"env", "MOZ=1", "firefox", target}},
        {"sh -c \"echo \\\"hi\\\"\" %u", {"sh", "-c", "echo \"hi\"", target}},
        {"show 100%% --icon %i %u", {"show", "100%", "--icon", target}},
        {"broken \"quote %u", {}},
        {"", {}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(BrowserArguments(row.command, target), row.words) << row.command;
    }
}

TEST(BrowserCommand, DesktopEntryEscapes)
{
    // "\s" is a blank of the value, which then separates words like any other.
    EXPECT_EQ(SplitExecLine("a\\sb c"), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(SplitExecLine("\"a\\sb\" \"\""), (std::vector<std::string>{"a b", ""}));
    EXPECT_EQ(SplitExecLine("\"a\\\\\\\\b\" c"), (std::vector<std::string>{"a\\b", "c"}));
}

TEST(BrowserCommand, ReadsListsAndEntries)
{
    const char* list =
        "[Added Associations]\ntext/html=other.desktop;\n"
        "[Default Applications]\n# comment\ntext/plain=editor.desktop\ntext/html = first.desktop;second.desktop;\n";
    EXPECT_EQ(DesktopIdsFor(list, "Default Applications", "text/html"),
              (std::vector<std::string>{"first.desktop", "second.desktop"}));
    EXPECT_TRUE(DesktopIdsFor(list, "Default Applications", "image/png").empty());

    const char* entry = "[Desktop Action new]\nExec=browser --new\n[Desktop Entry]\nName=Browser\nExec=browser %u\n";
    EXPECT_EQ(DesktopEntryExec(entry), "browser %u");
    EXPECT_EQ(DesktopEntryExec("[Desktop Entry]\nName=x\n"), "");
}

// Points the XDG variables at a folder of the test's own for the life of the object.
class FakeDesktop
{
public:
    FakeDesktop()
    {
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME", "XDG_DATA_DIRS"}) {
            const char* old = std::getenv(name);
            saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        }
        folder_.MakeFolder("config");
        folder_.MakeFolder("data/applications");
        folder_.MakeFolder("system/applications/org");
        setenv("XDG_CONFIG_HOME", (folder_ / "config").c_str(), 1);
        setenv("XDG_CONFIG_DIRS", (folder_ / "nowhere").c_str(), 1);
        setenv("XDG_DATA_HOME", (folder_ / "data").c_str(), 1);
        setenv("XDG_DATA_DIRS", (folder_ / "system").c_str(), 1);
    }
    ~FakeDesktop()
    {
        for (auto& [name, value] : saved_) {
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
        }
    }
    void Write(const std::string& relative, const std::string& text) { std::ofstream(folder_ / relative) << text; }

private:
    testing_support::TempFolder folder_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST(BrowserCommand, FindsTheRegisteredBrowser)
{
    FakeDesktop desktop;
    std::string command;
    EXPECT_FALSE(FindRegisteredBrowserCommand(command));

    // Only the system cache knows a browser; its entry lives in a subfolder (org-web.desktop).
    desktop.Write("system/applications/mimeinfo.cache", "[MIME Cache]\ntext/html=missing.desktop;org-web.desktop;\n");
    desktop.Write("system/applications/org/web.desktop", "[Desktop Entry]\nExec=web-browser %u\n");
    ASSERT_TRUE(FindRegisteredBrowserCommand(command));
    EXPECT_EQ(command, "web-browser %u");

    // The user's default wins over the cache.
    desktop.Write("config/mimeapps.list", "[Default Applications]\ntext/html=mine.desktop\n");
    desktop.Write("data/applications/mine.desktop", "[Desktop Entry]\nExec=my-browser \"%u\" --flag\n");
    ASSERT_TRUE(FindRegisteredBrowserCommand(command));
    EXPECT_EQ(command, "my-browser \"%u\" --flag");
}

} // namespace
} // namespace quillon
