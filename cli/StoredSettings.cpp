#include "cli/StoredSettings.h"

#include "platform/qt/QtSettingsFile.h"

#include <cstdio>
#include <cstdlib>

namespace quillon::cli {

StoredSettings LoadStoredSettings()
{
    const EnvironmentLookup environment = [](const char* name) { return std::getenv(name); };
    StoredSettings stored{SettingsFilePath(environment), SettingsStore::Initialise(environment)};
    QtSettingsFile file(stored.path);
    SettingsStore::LoadDefaults(file, stored.settings);
    if (const std::string problem = file.Problem(); !problem.empty())
        std::fprintf(stderr, "quillon: the settings file %s is not read: %s\n", stored.path.c_str(), problem.c_str());
    return stored;
}

} // namespace quillon::cli
