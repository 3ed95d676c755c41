#include "platform/DllVersion.h"

// Answers 4.72.3110 through its version function, whatever its file is called.
extern "C" __attribute__((visibility("default"))) std::int32_t DllGetVersion(quillon::DllVersionInfo* info)
{
    if (info->size != sizeof *info) {
        return -1;
    }
    info->major = 4;
    info->minor = 72;
    info->build = 3110;
    return 0;
}
