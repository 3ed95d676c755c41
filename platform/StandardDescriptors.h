#pragma once

namespace quillon {

// Puts /dev/null on each of descriptors 0, 1 and 2 that is closed. A program started
// with them closed would otherwise hand those numbers to its first pipes and files, and
// its own messages would land in them. Call it first, before anything is opened.
void KeepStandardDescriptorsOpen();

} // namespace quillon
