#pragma once

#include "app/SettingsStore.h"

namespace quillon {

// The stored defaults as the CD commands use them (the settings file of the user).
DefaultSettings LoadCdSettings();

} // namespace quillon
