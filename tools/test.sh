#!/usr/bin/env bash
# Builds Quillon and runs every test through CTest.
#   tools/test.sh            plain build in build/
#   tools/test.sh address    address + undefined sanitizers in build-address/
#   tools/test.sh thread     thread sanitizer in build-thread/
set -euo pipefail
cd "$(dirname "$0")/.."
kind=${1:-}
dir=build${kind:+-$kind}
cmake -S . -B "$dir" -G Ninja -DQUILLON_SANITIZE="$kind" -DQUILLON_WERROR=ON >/dev/null
cmake --build "$dir"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)"
