#include "app/SettingsStore.h"
#include "platform/qt/QtSettingsFile.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <unistd.h>

namespace quillon {
namespace {

namespace fs = std::filesystem;

EnvironmentLookup Env(std::map<std::string, std::string> vars)
{
    auto shared = std::make_shared<std::map<std::string, std::string>>(std::move(vars));
    return [shared](const char* name) -> const char* {
        auto it = shared->find(name);
        return it == shared->end() ? nullptr : it->second.c_str();
    };
}

// A store in memory, to check the store's rules apart from the file.
class MemoryBackend : public SettingsBackend
{
public:
    bool readable = true;
    std::map<std::string, std::string> values;
    bool OpenForReading() override { return readable; }
    std::optional<std::string> ReadValue(const std::string& name) override
    {
        auto it = values.find(name);
        return it == values.end() ? std::nullopt : std::optional(it->second);
    }
    int WriteAll(std::span<const std::pair<std::string, std::string>> all) override
    {
        for (const auto& [name, value] : all)
            values[name] = value;
        return 0;
    }
};

class SettingsFileTest : public ::testing::Test
{
protected:
    void SetUp() override { path = SettingsFilePath(Env({{"XDG_CONFIG_HOME", dir}})); }

    void WriteRaw(const std::string& text)
    {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }
    std::string ReadRaw() const
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    testing_support::TempFolder folder;
    std::string dir = folder.Path();
    std::string path;
};

TEST(TemporaryFolderRule, PicksTheFirstVariableThatIsNotEmpty)
{
    struct Row
    {
        std::map<std::string, std::string> env;
        const char* expected;
    };
    const Row rows[] = {
        {{{"TMP", "/tmp"}}, "/tmp/"},
        {{{"TMP", "/var/tmp/"}, {"TEMP", "/other"}}, "/var/tmp/"},
        {{{"TEMP", "/temp"}}, "/temp/"},
        {{{"TMP", ""}, {"TEMP", "/temp"}}, "/temp/"}, // an empty TMP counts as unset
        {{{"TMP", ""}, {"TEMP", ""}}, "NOT SET"},
        {{{"TMPDIR", "/run/user/1"}}, "/run/user/1/"},
        {{{"TEMP", "/temp"}, {"TMPDIR", "/tmpdir"}}, "/temp/"},
        {{}, "NOT SET"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(InitialOutputDir(Env(row.env)), row.expected) << "row with " << row.env.size() << " variables";
}

TEST(SettingsStore, InitialValues)
{
    const DefaultSettings s = SettingsStore::Initialise(Env({{"TMP", "/scratch"}}));
    EXPECT_EQ(s.defaultOutputDir, "/scratch/");
    EXPECT_EQ(s.options.layer, 3);
    EXPECT_EQ(s.options.mode, 1);
    EXPECT_EQ(s.options.bitrate, 128);
    EXPECT_EQ(s.options.quality, 1);
    EXPECT_EQ(s.defaultCd, 0);
    EXPECT_EQ(s.options.copyright + s.options.original + s.options.errorProtection + s.options.deEmphasis, 0);
}

TEST(SettingsStore, StoredNumbersMustBe32BitIntegers)
{
    struct Row
    {
        const char* text;
        std::optional<int32_t> value;
    };
    const Row rows[] = {
        {"7", 7},
        {"-1", -1},
        {"+5", 5},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"2147483648", std::nullopt},
        {"", std::nullopt},
        {"12a", std::nullopt},
        {" 3", std::nullopt},
        {"3.0", std::nullopt},
        {"0x10", std::nullopt},
        {"abc", std::nullopt},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ParseStoredNumber(row.text), row.value) << '"' << row.text << '"';
}

TEST(SettingsStore, LoadTakesWellFormedValuesUnchecked)
{
    MemoryBackend backend;
    backend.values = {{"Layer", "7"},
                      {"Bitrate", "x"},
                      {"Stereo", "0"},
                      {"DefaultCD", "2"},
                      {"DefOutDir", "whatever form"},
                      {"Deemp", "99999999999"},
                      {"MusicBrainzServer", "http://mirror:5000"},
                      {"AutoLookup", "0"},
                      {"SecureMode", "1"}};
    DefaultSettings s = SettingsStore::Initialise(Env({}));
    SettingsStore::LoadDefaults(backend, s);
    EXPECT_EQ(s.lookup.musicBrainzServer, "http://mirror:5000");
    EXPECT_EQ(s.lookup.coverArtServer, "https://coverartarchive.org"); // not stored: the default
    EXPECT_EQ(s.lookup.autoLookup, 0);
    EXPECT_EQ(s.secureMode, 1);
    // Saving keeps the look-up settings with the defaults: the file is written whole.
    MemoryBackend saved;
    SettingsStore::SaveDefaults(saved, s);
    EXPECT_EQ(saved.values["MusicBrainzServer"], "http://mirror:5000");
    EXPECT_EQ(saved.values["AutoLookup"], "0");
    EXPECT_EQ(saved.values["SecureMode"], "1");
    EXPECT_EQ(s.options.layer, 7);     // no range check
    EXPECT_EQ(s.options.bitrate, 128); // not a number: kept
    EXPECT_EQ(s.options.mode, 0);
    EXPECT_EQ(s.defaultCd, 2);
    EXPECT_EQ(s.options.deEmphasis, 0); // too wide: kept
    EXPECT_EQ(s.defaultOutputDir, "whatever form");

    backend.readable = false;
    DefaultSettings untouched = SettingsStore::Initialise(Env({{"TMP", "/t"}}));
    SettingsStore::LoadDefaults(backend, untouched);
    EXPECT_EQ(untouched.options.layer, 3);
    EXPECT_EQ(untouched.defaultOutputDir, "/t/");
}

TEST(SettingsStore, OutputFolderOf256CharactersOrMoreIsIgnored)
{
    struct Row
    {
        size_t length;
        bool taken;
    };
    const Row rows[] = {{255, true}, {256, false}, {600, false}};
    for (const auto& row : rows) {
        MemoryBackend backend;
        backend.values["DefOutDir"] = "/" + std::string(row.length - 1, 'd');
        DefaultSettings s = SettingsStore::Initialise(Env({{"TMP", "/tmp"}}));
        SettingsStore::LoadDefaults(backend, s);
        EXPECT_EQ(s.defaultOutputDir == backend.values["DefOutDir"], row.taken) << row.length;
        if (!row.taken) {
            EXPECT_EQ(s.defaultOutputDir, "/tmp/") << row.length;
        }
    }
}

TEST_F(SettingsFileTest, PathFollowsXdgConfigHome)
{
    EXPECT_EQ(path, dir + "/Norvane/Quillon/2.51.conf");
    EXPECT_EQ(SettingsFilePath(Env({{"HOME", "/home/u"}})), "/home/u/.config/Norvane/Quillon/2.51.conf");
    EXPECT_EQ(SettingsFilePath(Env({{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "rel"}})),
              "/home/u/.config/Norvane/Quillon/2.51.conf");
}

TEST_F(SettingsFileTest, RoundTripLeavesNothingOfALongerFolder)
{
    QtSettingsFile file(path);
    DefaultSettings saved = SettingsStore::Initialise(Env({}));
    saved.defaultOutputDir = "/a/very/long/folder/name/with,comma \"quoted\";semicolon=/";
    saved.options = {1, 448, 3, 0, 1, 1, 1, 2};
    saved.defaultCd = 5;
    ASSERT_EQ(SettingsStore::SaveDefaults(file, saved), 0);
    saved.defaultOutputDir = "/short/";
    ASSERT_EQ(SettingsStore::SaveDefaults(file, saved), 0);

    DefaultSettings loaded = SettingsStore::Initialise(Env({{"TMP", "/elsewhere"}}));
    QtSettingsFile again(path);
    SettingsStore::LoadDefaults(again, loaded);
    EXPECT_EQ(loaded.defaultOutputDir, "/short/");
    EXPECT_EQ(loaded.options, saved.options);
    EXPECT_EQ(loaded.defaultCd, 5);
    EXPECT_NE(ReadRaw().find("Default"), std::string::npos);
    for (const auto& entry : fs::directory_iterator(fs::path(path).parent_path()))
        EXPECT_EQ(entry.path().string(), path) << "a temporary file was left behind";
}

TEST_F(SettingsFileTest, ReadOnlyFileIsKeptAndItsModeSurvivesASave)
{
    DefaultSettings saved = SettingsStore::Initialise(Env({}));
    saved.defaultOutputDir = "/new/";
    const struct
    {
        fs::perms mode;
        bool saves;
    } rows[] = {
        {fs::perms::owner_read | fs::perms::group_read, false},
        {fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read, true},
    };
    for (const auto& row : rows) {
        WriteRaw("[Default%20Settings]\nDefOutDir=/old/\n");
        fs::permissions(path, row.mode);
        QtSettingsFile file(path);
        const int error = SettingsStore::SaveDefaults(file, saved);
        EXPECT_EQ(error == 0, row.saves) << static_cast<int>(row.mode);
        EXPECT_EQ(ReadRaw().find("/new/") != std::string::npos, row.saves) << ReadRaw();
        EXPECT_EQ(fs::status(path).permissions(), row.mode) << "the file's mode changed";
        fs::permissions(path, fs::perms::owner_all);
    }
}

TEST_F(SettingsFileTest, SaveRemovesStaleFilesOfKilledSaves)
{
    WriteRaw("[Default%20Settings]\nDefOutDir=/old/\n");
    const fs::path folder = fs::path(path).parent_path();
    const auto old = fs::file_time_type::clock::now() - std::chrono::minutes(5);
    // A process that has ended, and one that lives on (saving right now, as far as we know).
    const pid_t ended = fork();
    if (ended == 0)
        _exit(0);
    ASSERT_EQ(waitpid(ended, nullptr, 0), ended);
    const std::string endedSave = "2.51.conf.quillon-save-" + std::to_string(ended) + "-Qw34Er";
    const std::string livingSave = "2.51.conf.quillon-save-" + std::to_string(getppid()) + "-Ty56Ui";
    const struct
    {
        std::string name;
        const char* content;
        bool stale;
        bool removed;
    } rows[] = {
        {endedSave, "", false, true},
        {endedSave + ".lock", "1", false, true},
        {livingSave, "", false, false},
        {"2.51.conf.quillon-save-Ab12Cd", "[Default%20Settings]", true, true},
        {"2.51.conf.quillon-save-Ab12Cd.lock", "123", true, true},
        {"2.51.conf.DzvYEc", "", true, true},
        {"2.51.conf.FKcXhb.lock", "", true, true},
        {"2.51.conf.quillon-save-Zz99Yy", "", false, false}, // a save going on now
        {"2.51.conf.backup", "[Default%20Settings]", true, false},
        {"other.conf.AbCdEf", "", true, false},
    };
    for (const auto& row : rows) {
        std::ofstream(folder / row.name) << row.content;
        if (row.stale)
            fs::last_write_time(folder / row.name, old);
    }
    QtSettingsFile file(path);
    ASSERT_EQ(SettingsStore::SaveDefaults(file, SettingsStore::Initialise(Env({}))), 0);
    for (const auto& row : rows)
        EXPECT_EQ(fs::exists(folder / row.name), !row.removed) << row.name;
}

TEST_F(SettingsFileTest, HandWrittenFileInEitherSectionSpelling)
{
    for (const char* section : {"[Default%20Settings]", "[Default Settings]"}) {
        WriteRaw(std::string(section) + "\nLayer=2\nBitrate=foo\nDefOutDir=/music/out/\nStereo=1.5\n");
        DefaultSettings s = SettingsStore::Initialise(Env({}));
        QtSettingsFile file(path);
        SettingsStore::LoadDefaults(file, s);
        EXPECT_EQ(s.options.layer, 2) << section;
        EXPECT_EQ(s.options.bitrate, 128) << section;
        EXPECT_EQ(s.options.mode, 1) << section;
        EXPECT_EQ(s.defaultOutputDir, "/music/out/") << section;
    }
}

TEST_F(SettingsFileTest, CorruptOrMissingFileLeavesDefaultsAndSaveReplacesIt)
{
    DefaultSettings s = SettingsStore::Initialise(Env({{"TMP", "/tmp"}}));
    QtSettingsFile missing(path);
    SettingsStore::LoadDefaults(missing, s);
    EXPECT_EQ(s.defaultOutputDir, "/tmp/");

    WriteRaw(std::string("\0\xff\xfe[[[=\n\x01Layer=2\n", 14));
    QtSettingsFile corrupt(path);
    SettingsStore::LoadDefaults(corrupt, s);
    EXPECT_EQ(s.options.layer, 3);

    s.options.layer = 1;
    ASSERT_EQ(SettingsStore::SaveDefaults(corrupt, s), 0);
    DefaultSettings loaded = SettingsStore::Initialise(Env({}));
    QtSettingsFile file(path);
    SettingsStore::LoadDefaults(file, loaded);
    EXPECT_EQ(loaded.options.layer, 1);
    EXPECT_EQ(loaded.defaultOutputDir, "/tmp/");
}

TEST_F(SettingsFileTest, FailedSaveIsReportedAndLeavesNoTemporaryFile)
{
    // A folder where the file should be: the rename over it fails, whoever runs the test.
    fs::create_directories(path);
    fs::create_directories(path + "/inside");
    QtSettingsFile file(path);
    DefaultSettings s = SettingsStore::Initialise(Env({}));
    EXPECT_NE(SettingsStore::SaveDefaults(file, s), 0);
    EXPECT_TRUE(fs::is_directory(path + "/inside"));
    for (const auto& entry : fs::directory_iterator(fs::path(path).parent_path()))
        EXPECT_EQ(entry.path().string(), path) << "a temporary file was left behind";

    QtSettingsFile nowhere(dir + "/plainfile/2.51.conf");
    std::ofstream(dir + "/plainfile") << "x";
    EXPECT_NE(SettingsStore::SaveDefaults(nowhere, s), 0);
}

} // namespace
} // namespace quillon

namespace quillon {

// Each drive model keeps its own read offset correction through the settings file, however
// its vendor and product are spelled; a save of one keeps the others.
TEST_F(SettingsFileTest, DriveOffsetsAreKeptPerModel)
{
    struct Model
    {
        const char* vendor;
        const char* product;
        const char* key;
        int32_t correction;
    };
    const Model models[] = {
        {"PLEXTOR ", "DVDR   PX-716A  ", "DriveOffsets/PLEXTOR DVDR   PX-716A", 30},
        {"HL-DT-ST", "DVDRAM GH24NSB0", "DriveOffsets/HL-DT-ST DVDRAM GH24NSB0", 6},
        // "/" would open a group, "\" and "%" are the file's escapes, "=" ends a key.
        {"A/B\\C", "x%y=z", "DriveOffsets/A_B_C x_y_z", -1200},
        {"A_B_C", "x_y_z ", "DriveOffsets/A_B_C x_y_z", -1200},
        {"", "", "DriveOffsets/ ", 220500},
    };
    for (const Model& model : models) {
        EXPECT_EQ(DriveOffsetKey(model.vendor, model.product), model.key) << model.vendor;
        DefaultSettings settings = SettingsStore::Initialise(Env({}));
        QtSettingsFile file(path);
        SettingsStore::LoadDefaults(file, settings);
        settings.driveOffsets[model.key] = model.correction;
        ASSERT_EQ(SettingsStore::SaveDefaults(file, settings), 0);
    }
    for (const Model& model : models) {
        QtSettingsFile file(path);
        EXPECT_EQ(SettingsStore::LoadDriveOffset(file, model.key), model.correction) << model.key << "\n" << ReadRaw();
    }
    QtSettingsFile file(path);
    DefaultSettings loaded = SettingsStore::Initialise(Env({}));
    SettingsStore::LoadDefaults(file, loaded);
    EXPECT_EQ(loaded.driveOffsets.size(), 4u); // two spellings share a key
    for (const Model& model : models)
        EXPECT_EQ(loaded.driveOffsets[model.key], model.correction) << model.key;
    EXPECT_EQ(SettingsStore::LoadDriveOffset(file, DriveOffsetKey("PLEXTOR", "PX-W4012A")), std::nullopt);
    EXPECT_TRUE(file.ValueNames("Nothing").empty());
}

} // namespace quillon
