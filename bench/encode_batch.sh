#!/usr/bin/env bash
# A batch of 10 WAV files of 30 s each through `quillon encode` (128 kbit/s stereo Layer
# III, high quality) against the lame program with the same settings run on the same
# files one after another. The run's fixed pauses (1500 ms before each feed, 500 ms
# after each job) are subtracted from quillon's time before the ratio is taken.
#
#   bench/encode_batch.sh [BUILD_DIR]      (default: build)
#
# Builds nothing: build quillon, l3.dll and d3.dll first.
set -euo pipefail

build=$(realpath "${1:-build}")
quillon="$build/bin/quillon"
for tool in "$quillon" "$build/bin/l3.dll"; do
  [ -x "$tool" ] || { echo "missing $tool; build it first" >&2; exit 1; }
done
for tool in sox lame; do
  command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }
done

files=10
seconds=30
pause_ms=$((files * (1500 + 500)))

work=$(mktemp -d "${TMPDIR:-/tmp}/quillon-batch-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir -p config out ref
# Noise and a sweep, a different sweep per file, keep the encoders busy on every band.
for ((i = 1; i <= files; i++)); do
  sox -n -r 44100 -c 2 -b 16 "in$i.wav" synth $seconds pinknoise sine $((50 * i))-$((8000 + 100 * i)) vol 0.5
done
inputs=(in*.wav)
cat "${inputs[@]}" > /dev/null   # both runs start from the page cache

now() { date +%s.%N; }

t0=$(now)
for f in "${inputs[@]}"; do
  lame --quiet -m s -b 128 -q 2 --noreplaygain -t "$f" "ref/${f%.wav}.mp3"
done
t1=$(now)
XDG_CONFIG_HOME="$work/config" "$quillon" encode -o out --layer 3 --bitrate 128 --mode stereo --hq "${inputs[@]}" > quillon.log
t2=$(now)
ls out/*.mp3 | wc -l | grep -qx "$files" || { echo "quillon did not write $files files" >&2; cat quillon.log >&2; exit 1; }

python3 - "$t0" "$t1" "$t2" "$pause_ms" "$files" "$seconds" <<'PY'
import sys
t0, t1, t2 = map(float, sys.argv[1:4])
pause = int(sys.argv[4]) / 1000
files, seconds = int(sys.argv[5]), int(sys.argv[6])
lame = t1 - t0
quillon = t2 - t1
work = quillon - pause
print(f"batch: {files} files of {seconds} s, 128 kbit/s stereo Layer III")
print(f"lame, one after another:   {lame:7.2f} s")
print(f"quillon encode:            {quillon:7.2f} s, of which fixed pauses {pause:.2f} s")
print(f"quillon without pauses:    {work:7.2f} s")
print(f"ratio quillon / lame:      {work / lame:.3f}  (goal: at most 1.00)")
PY
