#!/usr/bin/env bash
# Regenerates every picture in res/pictures/ with the drawing program in res/tools/.
# The pictures are committed, so the normal build never runs this.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target quillon-make-pictures
QT_QPA_PLATFORM=offscreen "$build/bin/quillon-make-pictures" "$root/res/pictures"
echo "pictures written to $root/res/pictures"
