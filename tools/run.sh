#!/usr/bin/env bash
# Builds Quillon and starts it with the given arguments.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja >/dev/null
cmake --build build >/dev/null
exec build/bin/quillon "$@"
