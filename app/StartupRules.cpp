#include "app/StartupRules.h"

namespace quillon {

bool WidgetsVersionSufficient(std::uint32_t major, std::uint32_t minor)
{
    return major > kMinimumWidgetsMajor || (major == kMinimumWidgetsMajor && minor >= kMinimumWidgetsMinor);
}

} // namespace quillon
