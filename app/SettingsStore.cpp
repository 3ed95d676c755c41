#include "app/SettingsStore.h"

#include "batch/JobList.h"

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
                                       std::pair{"CoverArtServer", &settings.lookup.coverArtServer}}) {
        if (auto text = backend.ReadValue(name); text && text->size() < kValueRoom)
            *member = *text;
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
    const std::vector<std::pair<std::string, std::string>> values = {
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
        {"AutoLookup", std::to_string(settings.lookup.autoLookup)},
        {"SecureMode", std::to_string(settings.secureMode)},
    };
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
