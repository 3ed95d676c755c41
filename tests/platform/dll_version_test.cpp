#include <gtest/gtest.h>

#include <fstream>

#include "platform/DllVersion.h"
#include "tests/support/TempFolder.h"

namespace quillon {
namespace {

const std::string kLibs = QUILLON_VERSION_LIB_DIR;

struct Version
{
    std::uint32_t major = 99, minor = 99, build = 99;
    bool operator==(const Version&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Version& v)
{
    return out << v.major << "." << v.minor << "." << v.build;
}

TEST(DllVersion, QueriesTheTestLibraries)
{
    testing_support::TempFolder folder;
    // Not a loadable library: only its name can answer.
    std::ofstream(folder / "libjunk.so.1.2.3") << "not an ELF file";
    struct Row
    {
        std::string name;
        bool ok;
        Version version;
    };
    const Row rows[] = {
        {kLibs + "/libqv_with_function.so", true, {4, 72, 3110}},    // the function wins over the name 9.8.7
        {kLibs + "/libqv_without_function.so", true, {4, 70, 1155}}, // libqv_without_function.so.4.70.1155.1
        {kLibs + "/libqv_failing_function.so", true, {5, 0, 2614}},  // .so.5.00.2614.3500: leading zeros dropped
        {kLibs + "/libqv_short_version.so", false, {4, 70, 99}},     // .so.4.70: build untouched
        {kLibs + "/libqv_unversioned.so", false, {99, 99, 99}},
        {folder / "libjunk.so.1.2.3", true, {1, 2, 3}},
        {kLibs + "/libqv_missing.so", false, {99, 99, 99}},
        {"libquillon-no-such-library.so.1", false, {99, 99, 99}},
    };
    for (const Row& row : rows) {
        Version v;
        EXPECT_EQ(QueryDllVersion(row.name, v.major, v.minor, v.build), row.ok) << row.name;
        EXPECT_EQ(v, row.version) << row.name;
    }
}

TEST(DllVersion, SystemLibraryByBareName)
{
    // libstdc++ is loaded by this program and carries its full version in its file name.
    Version v;
    ASSERT_TRUE(QueryDllVersion("libstdc++.so.6", v.major, v.minor, v.build));
    EXPECT_EQ(v.major, 6u);
}

TEST(DllVersion, VersionTextRules)
{
    struct Row
    {
        const char* text;
        bool ok;
        Version version;
    };
    const Row rows[] = {
        {"4.70.1155.1", true, {4, 70, 1155}},
        {"5.00.2614.3500", true, {5, 0, 2614}},
        {"4.70", false, {4, 70, 99}},
        {"6.4.2", true, {6, 4, 2}},
        {"7..8.9", true, {7, 8, 9}},      // empty pieces are skipped
        {"1.2rc.3beta", true, {1, 2, 3}}, // anything after the digits is ignored
        {"", false, {99, 99, 99}},
    };
    for (const Row& row : rows) {
        Version v;
        EXPECT_EQ(ParseVersionText(row.text, v.major, v.minor, v.build), row.ok) << row.text;
        EXPECT_EQ(v, row.version) << row.text;
    }
    EXPECT_EQ(VersionTextOfFileName("/usr/lib/libQt6Widgets.so.6.4.2"), "6.4.2");
    EXPECT_EQ(VersionTextOfFileName("/opt/x.so.d/libplain.so"), "");
}

} // namespace
} // namespace quillon
