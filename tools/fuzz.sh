#!/usr/bin/env bash
# Builds the fuzz targets of the input parsers with clang and libFuzzer (build-fuzz/)
# and runs them one at a time, single process, at the lowest priority. Afterwards the
# inputs that reached new coverage are merged (minimised) into tests/fuzz/corpus/TARGET,
# which the normal test suite replays.
#   tools/fuzz.sh                          every target, 10 million runs or 10 minutes each
#   tools/fuzz.sh TARGET... [-- RUNS SECONDS]
# Prints one line per target: executions, seconds, and whether anything was found.
set -euo pipefail
self=$(realpath "$0")
cd "$(dirname "$self")/.."

all=(wav_header audio_decode codec_arguments toc_reply drive_quirks disc_info virtual_drives cue_sheet settings_file musicbrainz_answer accuraterip_answer)
targets=()
runs=10000000
seconds=600
while [ $# -gt 0 ]; do
  if [ "$1" = -- ]; then
    runs=${2:-$runs}; seconds=${3:-$seconds}; break
  fi
  targets+=("$1"); shift
done
[ ${#targets[@]} -gt 0 ] || targets=("${all[@]}")

export CCACHE_DIR=${CCACHE_DIR:-/work/.ccache}
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DQUILLON_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  "${launcher[@]}" >/dev/null
cmake --build build-fuzz -j2 --target $(printf '%s_fuzz ' "${targets[@]}")

# Leaks inside the libraries we parse with are theirs; ours are still reported.
export LSAN_OPTIONS=suppressions=$PWD/tests/fuzz/lsan.supp:print_suppressions=0
# A smaller quarantine for freed memory: with the default 256 MB the settings target, whose
# Qt objects come in many sizes, grows by about a megabyte per thousand runs and would end
# an hour's run on the memory limit; freed memory is still checked while it is recent.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=32}

status=0
for t in "${targets[@]}"; do
  kept=tests/fuzz/corpus/$t
  work=build-fuzz/work/$t
  mkdir -p "$work" "$kept" build-fuzz/artifacts
  cp -n "$kept"/* "$work"/ 2>/dev/null || true
  log=build-fuzz/$t.log
  # Closing the target's standard error keeps the drive list's line reports out of the
  # way; libFuzzer keeps its own copy for what it finds.
  if nice -n 19 build-fuzz/bin/${t}_fuzz "$work" -runs="$runs" -max_total_time="$seconds" \
      -timeout=10 -rss_limit_mb=2048 -close_fd_mask=2 -print_final_stats=1 \
      -artifact_prefix=build-fuzz/artifacts/$t- >"$log" 2>&1; then
    found=nothing
  else
    found="A FAULT (see $log and build-fuzz/artifacts/)"
    status=1
  fi
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  took=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -1)
  fresh=$(mktemp -d)
  nice -n 19 build-fuzz/bin/${t}_fuzz -merge=1 -close_fd_mask=2 "$fresh" "$kept" "$work" >/dev/null 2>&1 || true
  if [ -n "$(ls -A "$fresh")" ]; then
    rm -f "$kept"/*
    cp "$fresh"/* "$kept"/
  fi
  rm -rf "$fresh"
  echo "$t: ${execs:-?} executions in ${took:-?} s (${rate:-?}/s), found $found; kept corpus $(ls "$kept" | wc -l) files, $(cat "$kept"/* | wc -c) bytes"
done
exit $status
