#include "app/SettingsStore.h"

#include "batch/JobList.h"
#include "cd/ReadCorrection.h"

#include <charconv>
#include <vector>

namespace quillon {

std::string InitialOutputDir(const EnvironmentLookup& getEnv)
{
    std::string folder = TemporaryFolderVariable(getEnv);
    if (folder.empty())
        return std::string(kNotSet);
    if (folder.back() != '/')
        folder += '/';
    return folder;
}

std::optional<int32_t> ParseStoredNumber(const std::string& text)
{
    int32_t value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+')
        ++first;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last || first == last)
        return std::nullopt;
    return value;
}

std::string DriveOffsetKey(const std::string& vendor, const std::string& product)
{
    const auto model = [](std::string text) {
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        for (char& c : text) {
            const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == ' ' ||
                               c == '.' || c == '-' || c == '_';
            if (!plain)
                c = '_';
        }
        return text;
    };
    return "DriveOffsets/" + model(vendor) + " " + model(product);
}

std::string DriveOffsetFieldText(const DefaultSettings& settings, const std::string& key)
{
    const auto stored = settings.driveOffsets.find(key);
    return stored == settings.driveOffsets.end() ? std::string() : ReadCorrectionText(stored->second);
}

bool TakeDriveOffsetField(DefaultSettings& settings, const std::string& key, const std::string& text,
                          std::optional<int>& correction, bool& changed, std::string& error)
{
    correction.reset();
    changed = false;
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return true;
    const std::string given = text.substr(first, text.find_last_not_of(' ') - first + 1);
    int samples = 0;
    if (!ParseReadCorrection(given, samples, error))
        return false;
    correction = samples;
    const auto stored = settings.driveOffsets.find(key);
    changed = stored == settings.driveOffsets.end() || stored->second != samples;
    settings.driveOffsets[key] = samples;
    return true;
}

std::optional<int32_t> SettingsStore::LoadDriveOffset(SettingsBackend& backend, const std::string& key)
{
    if (!backend.OpenForReading())
        return std::nullopt;
    const auto text = backend.ReadValue(key);
    return text ? ParseStoredNumber(*text) : std::nullopt;
}

DefaultSettings SettingsStore::Initialise(const EnvironmentLookup& getEnv)
{
    DefaultSettings settings;
    settings.defaultOutputDir = InitialOutputDir(getEnv);
    return settings;
}

void SettingsStore::LoadDefaults(SettingsBackend& backend, DefaultSettings& settings)
{
    if (!backend.OpenForReading())
        return;
    auto& o = settings.options;
    if (auto text = backend.ReadValue("DefOutDir"); text && text->size() < kValueRoom)
        settings.defaultOutputDir = *text;
    for (const auto& [name, member] : {std::pair{"MusicBrainzServer", &settings.lookup.musicBrainzServer},
                                       std::pair{"CoverArtServer", &settings.lookup.coverArtServer},
                                       std::pair{"AccurateRipServer", &settings.lookup.accurateRipServer}}) {
        if (auto text = backend.ReadValue(name); text && text->size() < kValueRoom)
            *member = *text;
    }
    for (const std::string& model : backend.ValueNames("DriveOffsets")) {
        const std::string key = "DriveOffsets/" + model;
        if (const auto text = backend.ReadValue(key))
            if (const auto correction = ParseStoredNumber(*text))
                settings.driveOffsets[key] = *correction;
    }
    const std::pair<const char*, int32_t*> numbers[] = {
        {"Layer", &o.layer},
        {"Quality", &o.quality},
        {"Stereo", &o.mode},
        {"Bitrate", &o.bitrate},
        {"Copyright", &o.copyright},
        {"Original", &o.original},
        {"Protection", &o.errorProtection},
        {"Deemp", &o.deEmphasis},
        {"DefaultCD", &settings.defaultCd},
        {"AutoLookup", &settings.lookup.autoLookup},
        {"SecureMode", &settings.secureMode},
    };
    for (const auto& [name, member] : numbers) {
        const auto text = backend.ReadValue(name);
        if (!text)
            continue;
        if (const auto value = ParseStoredNumber(*text))
            *member = *value;
    }
}

int SettingsStore::SaveDefaults(SettingsBackend& backend, const DefaultSettings& settings)
{
    const auto& o = settings.options;
    std::vector<std::pair<std::string, std::string>> values = {
        {"DefOutDir", settings.defaultOutputDir},
        {"Bitrate", std::to_string(o.bitrate)},
        {"Layer", std::to_string(o.layer)},
        {"Stereo", std::to_string(o.mode)},
        {"Quality", std::to_string(o.quality)},
        {"Copyright", std::to_string(o.copyright)},
        {"Original", std::to_string(o.original)},
        {"Protection", std::to_string(o.errorProtection)},
        {"Deemp", std::to_string(o.deEmphasis)},
        {"DefaultCD", std::to_string(settings.defaultCd)},
        {"MusicBrainzServer", settings.lookup.musicBrainzServer},
        {"CoverArtServer", settings.lookup.coverArtServer},
        {"AccurateRipServer", settings.lookup.accurateRipServer},
        {"AutoLookup", std::to_string(settings.lookup.autoLookup)},
        {"SecureMode", std::to_string(settings.secureMode)},
    };
    for (const auto& [key, correction] : settings.driveOffsets)
        values.emplace_back(key, std::to_string(correction));
    return backend.WriteAll(values);
}

} // namespace quillon

namespace quillon {

std::string SettingsFilePath(const EnvironmentLookup& getEnv)
{
    std::string base;
    if (const char* config = getEnv("XDG_CONFIG_HOME"); config && config[0] == '/')
        base = config;
    else if (const char* home = getEnv("HOME"); home && home[0] != '\0')
        base = std::string(home) + "/.config";
    else
        return {};
    return base + "/Norvane/Quillon/2.51.conf";
}

} // namespace quillon
