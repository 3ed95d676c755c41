#include "cli/StoredSettings.h"

#include "platform/qt/QtSettingsFile.h"
#include "platform/scsi/ShiftedRead.h"

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

std::optional<int32_t> StoredReadCorrection(const CdDrive& drive)
{
    const EnvironmentLookup environment = [](const char* name) { return std::getenv(name); };
    QtSettingsFile file(SettingsFilePath(environment));
    const auto correction = SettingsStore::LoadDriveOffset(file, DriveOffsetKey(drive.vendor, drive.product));
    if (correction && (*correction < -kLargestReadCorrection || *correction > kLargestReadCorrection))
        return std::nullopt;
    return correction;
}

} // namespace quillon::cli
