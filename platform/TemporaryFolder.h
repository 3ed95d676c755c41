#pragma once

#include <functional>
#include <string>

namespace quillon {

using EnvironmentLookup = std::function<const char*(const char*)>;

// The temporary folder named by the environment: TMP, then TEMP, then TMPDIR. A variable
// that is set but empty counts as unset; "" when none names a folder. The settings'
// first output folder and the CD tracks' temporary WAV files both follow this one rule.
std::string TemporaryFolderVariable(const EnvironmentLookup& getEnv);

} // namespace quillon
