#include "cli/StoredSettings.h"

#include "platform/qt/QtSettingsFile.h"

#include <cstdlib>

namespace quillon {

StoredSettings LoadStoredSettings()
{
    const EnvironmentLookup environment = [](const char* name) { return std::getenv(name); };
    StoredSettings stored{SettingsFilePath(environment), SettingsStore::Initialise(environment)};
    QtSettingsFile file(stored.path);
    SettingsStore::LoadDefaults(file, stored.settings);
    return stored;
}

} // namespace quillon
