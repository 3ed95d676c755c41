#include "ui/core/ValueName.h"

namespace quillon {

std::string ValueName(const std::string& caption, const std::string& value)
{
    const auto first = value.find_first_not_of(" \t");
    if (first == std::string::npos)
        return caption;
    const auto last = value.find_last_not_of(" \t");
    const std::string shown = value.substr(first, last - first + 1);
    if (caption.empty())
        return shown;
    return caption + (caption.back() == ':' ? " " : ": ") + shown;
}

} // namespace quillon
