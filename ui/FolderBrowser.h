#pragma once

#include <string>

namespace quillon {

// Lets the user pick one folder with the desktop's folder dialog.
class FolderBrowser
{
public:
    virtual ~FolderBrowser() = default;

    std::string title; // shown above the folders; "Open" when empty
    std::string path;  // the chosen folder, without a trailing "/" below the root

    // True with path set when the user chose a folder; false when cancelled.
    bool Browse();
};

} // namespace quillon
