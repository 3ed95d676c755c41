#pragma once

#include "app/SettingsStore.h"

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

} // namespace quillon::cli
