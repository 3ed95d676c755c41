#include "res/Pictures.h"

namespace quillon::pictures {

// Keeps the resource library a normal static library with one object of its own.
static_assert(PicturePath(kSplash)[0] == ':');

} // namespace quillon::pictures
