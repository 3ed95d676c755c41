#!/usr/bin/env bash
# Grab speed of a virtual drive: a generated 10-minute disc (45000 sectors, 10 audio
# tracks) grabbed with `quillon grab` and no read delay, in sectors per second, against
# reading the BIN file straight (cat to /dev/null) in the same run. Prints the ratio.
# Usage: bench/cd_grab_speed.sh [build-dir]
set -euo pipefail
build=${1:-build}
quillon=$(realpath "$build/bin/quillon")
work=$(mktemp -d /tmp/quillon-cdbench-XXXXXX)
trap 'rm -rf "$work"' EXIT

sectors=45000
tracks=10
per=$((sectors / tracks))
# Varied bytes so that nothing along the way can shortcut zero pages.
head -c $((sectors * 2352)) /dev/urandom > "$work/disc.bin"
{
  echo 'FILE "disc.bin" BINARY'
  for ((t = 0; t < tracks; t++)); do
    lba=$((t * per))
    printf '  TRACK %02d AUDIO\n    INDEX 01 %02d:%02d:%02d\n' $((t + 1)) $((lba / 4500)) $((lba / 75 % 60)) $((lba % 75))
  done
} > "$work/disc.cue"
echo "ATAPI | QUILLON | BENCH DRIVE | 1.0 | disc.cue" > "$work/drives"
# 26 sectors per read, as a typical quirks entry asks.
echo '"QUILLON" "" "" BE 0 0 0 26 0' > "$work/tosharc"
mkdir "$work/out"

now() { date +%s.%N; }

cat "$work/disc.bin" > /dev/null   # both runs start from the page cache
t0=$(now)
cat "$work/disc.bin" > /dev/null
t1=$(now)
(cd "$work" && QUILLON_VIRTUAL_CD="$work/drives" "$quillon" grab --tracks 1-$tracks -o "$work/out" > /dev/null)
t2=$(now)

python3 - "$sectors" "$t0" "$t1" "$t2" <<'PY'
import sys
sectors, t0, t1, t2 = int(sys.argv[1]), *map(float, sys.argv[2:])
cat_rate = sectors / (t1 - t0)
grab_rate = sectors / (t2 - t1)
print(f"cat of the BIN:   {cat_rate:12.0f} sectors/s ({t1 - t0:.3f} s)")
print(f"quillon grab:     {grab_rate:12.0f} sectors/s ({t2 - t1:.3f} s, {grab_rate / 75:.0f}x real time)")
print(f"ratio grab / cat: {grab_rate / cat_rate:.3f}")
PY
