#include "app/windows/DesktopStart.h"

#include <cstdio>

namespace quillon {

// Temporary: this branch does not have the wizard's windows yet.
int DesktopMain(int, char**, const std::vector<std::string>&)
{
    std::fprintf(stderr, "quillon: this build has no wizard; see 'quillon --help' for the command line.\n");
    return 2;
}

} // namespace quillon
