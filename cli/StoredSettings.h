#pragma once

#include "app/SettingsStore.h"
#include "cd/CdDrive.h"

#include <optional>

#include <string>

namespace quillon::cli {

// The defaults every command starts from: the built-in ones with whatever the user's
// settings file holds over them, and the file's path (shown and saved to).
struct StoredSettings
{
    std::string path;
    DefaultSettings settings;
};

StoredSettings LoadStoredSettings();

// The read offset correction stored for the model of `drive` (DriveOffsetKey); nothing when
// none is stored or the stored one is no correction a drive can be given.
std::optional<int32_t> StoredReadCorrection(const CdDrive& drive);

} // namespace quillon::cli
