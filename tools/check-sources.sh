#!/usr/bin/env bash
# Every .cpp file and every form (.ui) of the tree belongs to a library or program of the
# build, and every source follows the house style of .clang-format. A form that is not a
# source of its library still compiles (AUTOUIC finds it), but a change to it reaches the
# objects only on the second build.
#   tools/check-sources.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src=$(realpath "$1") build=$(realpath "$2")
cd "$src"
files=$(git ls-files --cached --others --exclude-standard '*.cpp' '*.h' '*.ui' 2>/dev/null ||
        find . -name '*.cpp' -o -name '*.h' -o -name '*.ui' | sed 's|^\./||')
status=0
# The libFuzzer programs are built only by a fuzz build; their replays stand in for them.
orphans=$(echo "$files" | grep -E '\.(cpp|ui)$' | grep -v '^tests/fuzz/corpus/' |
          while read -r f; do echo "$src/$f"; done | sort |
          comm -23 - "$build/target-sources.txt")
if [ -n "$orphans" ]; then
  echo "These files belong to no library or program:"; echo "$orphans"; status=1
fi
if command -v clang-format >/dev/null; then
  unformatted=$(echo "$files" | grep -v '^tests/fuzz/corpus/' | grep -v '\.ui$' |
                xargs clang-format --dry-run -Werror 2>&1 | grep -o '^[^: ]*:[0-9]*:[0-9]*: error' |
                cut -d: -f1 | sort -u || true)
  if [ -n "$unformatted" ]; then
    echo "These files differ from .clang-format (clang-format -i FILE):"; echo "$unformatted"; status=1
  fi
else
  echo "clang-format is missing: style not checked"; [ $status -eq 0 ] && exit 77
fi
exit $status
