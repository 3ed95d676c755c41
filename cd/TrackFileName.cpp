#include "cd/TrackFileName.h"

namespace quillon {

std::string TrackFileName(std::string_view title)
{
    const auto first = title.find_first_not_of(" .");
    if (first == std::string_view::npos)
        return {};
    std::string name(title.substr(first));
    for (char& c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || byte < 0x20 || byte == 0x7f)
            c = '_';
    }
    return name;
}

std::string TrackNameNotAFileName(std::string_view title)
{
    return "Error: The track name \"" + std::string(title) + "\" cannot be a file name.";
}

} // namespace quillon
