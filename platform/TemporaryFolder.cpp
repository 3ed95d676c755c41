#include "platform/TemporaryFolder.h"

namespace quillon {

std::string TemporaryFolderVariable(const EnvironmentLookup& getEnv)
{
    for (const char* name : {"TMP", "TEMP", "TMPDIR"}) {
        const char* value = getEnv(name);
        if (value != nullptr && *value != '\0')
            return value;
    }
    return {};
}

} // namespace quillon
