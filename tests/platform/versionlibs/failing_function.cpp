#include "platform/DllVersion.h"

// Its version function reports failure, so the file name must answer.
extern "C" __attribute__((visibility("default"))) std::int32_t DllGetVersion(quillon::DllVersionInfo*)
{
    return -2147467259; // a failure code
}
