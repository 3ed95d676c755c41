#pragma once

#include <QString>

namespace quillon {

// Renders the status window part-way through a run into outDir/status-window.png.
bool RenderStatusWindow(const QString& outDir);

} // namespace quillon
