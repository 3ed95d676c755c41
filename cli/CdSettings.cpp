#include "cli/CdSettings.h"

#include "platform/qt/QtSettingsFile.h"

#include <cstdlib>

namespace quillon {

DefaultSettings LoadCdSettings()
{
    const EnvironmentLookup environment = [](const char* name) { return std::getenv(name); };
    DefaultSettings settings = SettingsStore::Initialise(environment);
    QtSettingsFile file(SettingsFilePath(environment));
    SettingsStore::LoadDefaults(file, settings);
    return settings;
}

} // namespace quillon
