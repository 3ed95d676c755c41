#pragma once

#include <cstdint>

namespace quillon {

// The oldest Qt Widgets library the windows are built for.
inline constexpr std::uint32_t kMinimumWidgetsMajor = 6;
inline constexpr std::uint32_t kMinimumWidgetsMinor = 2;

// The library start-up asks for its version.
inline constexpr const char* kWidgetsLibraryName = "libQt6Widgets.so.6";

// String 126: shown with a stop icon when the library is too old, before any window.
inline constexpr const char* kString126 =
    "In order to run Quillon you need the COMCTL32.DLL Version 4.71 or higher, you can find it at "
    "https://www.norvane.example/quillon/components/ or if you install Internet Explorer 4.xx + or Windows 98";

// Whether start-up may go on with this version; a library that gave none (0.0) is too old.
bool WidgetsVersionSufficient(std::uint32_t major, std::uint32_t minor);

} // namespace quillon
