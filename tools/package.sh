#!/usr/bin/env bash
# Builds the Debian package quillon_<version>-1_amd64.deb from the plain build, with CPack
# from the install rules, and with --check checks it as CI does.
#   tools/package.sh [--check] [BUILD_DIR]     (default build/; the package lands in BUILD_DIR/package/)
# The check: lintian reports no error, the package holds every file a user needs, and it
# installs into a fresh root (dpkg --root), where quillon runs and converts, and is purged
# leaving that root as it was. With QUILLON_APT_ROUND_TRIP=1 (CI, as root) it is also
# installed with apt and removed, and no file of it may stay behind.
set -euo pipefail
self=$(realpath "$0")
cd "$(dirname "$self")/.."
check=0
if [ "${1:-}" = --check ]; then
  check=1
  shift
fi
build=${1:-build}
out=$build/package
fail() { echo "package: $*" >&2; exit 1; }

cmake -S . -B "$build" -G Ninja -DQUILLON_WERROR=ON >/dev/null
grep -q '^QUILLON_SANITIZE:STRING=$' "$build/CMakeCache.txt" || fail "$build is a sanitizer build"
cmake --build "$build"
rm -rf "$out"
cpack --config "$build/CPackConfig.cmake" -B "$out" >"$build/cpack.log" || { cat "$build/cpack.log" >&2; fail "cpack failed"; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb=$out/quillon_${version}-1_amd64.deb
[ -f "$deb" ] || fail "cpack made no $deb"
echo "package: $deb"
[ $check -eq 1 ] || exit 0
exec bash tools/check-package.sh "$deb"
