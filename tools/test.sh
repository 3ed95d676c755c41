#!/usr/bin/env bash
# Builds Quillon and runs its tests through CTest.
#   tools/test.sh            plain build in build/, every test
#   tools/test.sh address    address + undefined sanitizers in build-address/, every test
#   tools/test.sh thread     thread sanitizer in build-thread/, the run, pipe and process tests and rip
#   tools/test.sh package    the Debian package from the plain build, checked (tools/package.sh --check)
#   tools/test.sh all        the plain build, its package, then both sanitizer builds
set -euo pipefail
self=$(realpath "$0")
cd "$(dirname "$self")/.."
kind=${1:-}
if [ "$kind" = all ]; then
  bash "$self" && bash "$self" package && bash "$self" address && bash "$self" thread
  exit
fi
if [ "$kind" = package ]; then
  exec bash tools/package.sh --check build
fi
dir=build${kind:+-$kind}
cmake -S . -B "$dir" -G Ninja -DQUILLON_SANITIZE="$kind" -DQUILLON_WERROR=ON >/dev/null
cmake --build "$dir"
export QT_QPA_PLATFORM=offscreen
select=()
if [ "$kind" = thread ]; then
  # Qt and the codec libraries are not built for the thread sanitizer; the threads of
  # our own are in the run and pipe code.
  select=(-L 'run_tests|platform_tests')
fi
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" "${select[@]}"
if [ "$kind" = thread ]; then
  # rip's reading thread and its encodes, through the real program.
  ctest --test-dir "$dir" --output-on-failure -R '^CdCommands\.(Rip|CtrlC)'
fi
