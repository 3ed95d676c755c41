#!/usr/bin/env bash
# Grab speed of a virtual drive: a generated 10-minute disc (45000 sectors, 10 audio
# tracks) grabbed with `quillon grab` and no read delay, in sectors per second, against
# reading the BIN file straight (cat to /dev/null) in the same run; and `quillon grab
# --secure` of the same clean disc against the plain grab (goal: at most 2.3 times its
# time). Medians of ROUNDS rounds (default 5). Prints both ratios.
# Usage: bench/cd_grab_speed.sh [build-dir [rounds]]
set -euo pipefail
build=${1:-build}
rounds=${2:-5}
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
mkdir "$work/out" "$work/secure"

now() { date +%s.%N; }
grab() { (cd "$work" && QUILLON_VIRTUAL_CD="$work/drives" "$quillon" grab "$@" --tracks 1-$tracks > /dev/null); }

cat "$work/disc.bin" > /dev/null   # every run starts from the page cache
times=()
for ((r = 0; r < rounds; r++)); do
  t0=$(now)
  cat "$work/disc.bin" > /dev/null
  t1=$(now)
  grab -o "$work/out"
  t2=$(now)
  grab --secure -o "$work/secure"
  t3=$(now)
  times+=("$t0 $t1 $t2 $t3")
done
# The secure grab must have given the same files.
for f in "$work"/out/*.WAV; do
  cmp -s "$f" "$work/secure/${f##*/}" || { echo "secure grab differs: ${f##*/}"; exit 1; }
done

printf '%s\n' "${times[@]}" | python3 -c '
import statistics, sys
sectors = int(sys.argv[1])
rows = [list(map(float, line.split())) for line in sys.stdin if line.strip()]
cat = statistics.median(t1 - t0 for t0, t1, t2, t3 in rows)
plain = statistics.median(t2 - t1 for t0, t1, t2, t3 in rows)
secure = statistics.median(t3 - t2 for t0, t1, t2, t3 in rows)
ratio = statistics.median((t3 - t2) / (t2 - t1) for t0, t1, t2, t3 in rows)
print(f"cat of the BIN:   {sectors / cat:12.0f} sectors/s ({cat:.3f} s)")
print(f"quillon grab:     {sectors / plain:12.0f} sectors/s ({plain:.3f} s, {sectors / plain / 75:.0f}x real time)")
print(f"grab --secure:    {sectors / secure:12.0f} sectors/s ({secure:.3f} s, {sectors / secure / 75:.0f}x real time)")
print(f"ratio grab / cat: {cat / plain:.3f}")
print(f"ratio secure / plain time: {ratio:.3f} (goal at most 2.3)")
print(f"medians of {len(rows)} rounds")
' "$sectors"
