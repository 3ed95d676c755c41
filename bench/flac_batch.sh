#!/usr/bin/env bash
# A batch of 10 FLAC files of 30 s each (16-bit stereo 44.1 kHz) through
# `quillon encode --jobs 2` (128 kbit/s joint stereo Layer III, with --hq, which is
# LAME's -q 2, and with --fast) against `ffmpeg -i x.flac -c:a libmp3lame -b:a 128k`
# (LAME's default quality, -q 3) run on the same files one after another, and against
# ffmpeg at the LAME quality of each quillon run (-compression_level 2 and 7), so that
# the ratios also compare the same work.
# Peak memory of each quillon run comes from /usr/bin/time -v.
#
#   bench/flac_batch.sh [BUILD_DIR [ROUNDS]]      (default: build, 3 rounds)
#
# The two runs take turns, ROUNDS times, and the medians are compared, so that a burst
# of other work on the machine moves one round, not the figure.
#
# Builds nothing: build quillon and l3.dll first.
set -euo pipefail

build=$(realpath "${1:-build}")
quillon="$build/bin/quillon"
for tool in "$quillon" "$build/bin/l3.dll"; do
  [ -x "$tool" ] || { echo "missing $tool; build it first" >&2; exit 1; }
done
for tool in sox flac ffmpeg /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }
done

files=10
seconds=30
rounds=${2:-3}

work=$(mktemp -d "${TMPDIR:-/tmp}/quillon-flac-batch-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir -p config out ref
# Noise and a sweep, a different sweep per file, keep the encoders busy on every band.
for ((i = 1; i <= files; i++)); do
  sox -n -r 44100 -c 2 -b 16 "in$i.wav" synth $seconds pinknoise sine $((50 * i))-$((8000 + 100 * i)) vol 0.5
  flac -s -o "in$i.flac" "in$i.wav" && rm "in$i.wav"
done
inputs=(in*.flac)
cat "${inputs[@]}" > /dev/null   # both runs start from the page cache

now() { date +%s.%N; }

# Prints the wall time of one quillon run; its peak resident memory goes to $1.rss.
run_quillon() {
  local name=$1; shift
  rm -rf out && mkdir out
  local start end
  start=$(now)
  XDG_CONFIG_HOME="$work/config" /usr/bin/time -v -o "$name.time" "$quillon" encode "$@" -o out \
    --layer 3 --bitrate 128 --mode joint "${inputs[@]}" > "$name.log"
  end=$(now)
  [ "$(ls out/*.mp3 | wc -l)" -eq "$files" ] || { echo "quillon did not write $files files" >&2; cat "$name.log" >&2; exit 1; }
  awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }' "$name.time" > "$name.rss"
  python3 -c "print($end - $start)"
}

# Prints the wall time of ffmpeg over every input, one after another, with the words given.
run_ffmpeg() {
  rm -rf ref && mkdir ref
  local t0 t1
  t0=$(now)
  for f in "${inputs[@]}"; do
    ffmpeg -v error -nostdin -i "$f" -c:a libmp3lame -b:a 128k "$@" "ref/${f%.flac}.mp3"
  done
  t1=$(now)
  python3 -c "print($t1 - $t0)"
}

ffmpeg_runs=(); q2_runs=(); q7_runs=(); quillon_runs=(); fast_runs=()
for ((r = 1; r <= rounds; r++)); do
  ffmpeg_runs+=("$(run_ffmpeg)")
  q2_runs+=("$(run_ffmpeg -compression_level 2)")
  q7_runs+=("$(run_ffmpeg -compression_level 7)")
  quillon_runs+=("$(run_quillon jobs2 --jobs 2 --hq)")
  fast_runs+=("$(run_quillon fast2 --jobs 2 --fast)")
done

python3 - "$(cat jobs2.rss)" "$files" "$seconds" "$(nproc)" "${ffmpeg_runs[*]}" "${quillon_runs[*]}" \
  "${fast_runs[*]}" "${q2_runs[*]}" "${q7_runs[*]}" <<'PY'
import statistics, sys
rss = int(sys.argv[1])
files, seconds, cpus = int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
ffmpegs, quillons, fasts, q2s, q7s = ([float(x) for x in a.split()] for a in sys.argv[5:10])
ffmpeg, quillon, fast, q2, q7 = (statistics.median(x) for x in (ffmpegs, quillons, fasts, q2s, q7s))
def runs(xs): return ", ".join(f"{x:.2f}" for x in xs)
print(f"batch: {files} FLAC files of {seconds} s, 128 kbit/s Layer III, {cpus} usable CPUs, {len(ffmpegs)} rounds")
print(f"ffmpeg libmp3lame, one after another: median {ffmpeg:7.2f} s  ({runs(ffmpegs)})")
print(f"quillon encode --jobs 2 --hq:         median {quillon:7.2f} s  ({runs(quillons)}), peak memory {rss / 1024:.1f} MiB")
print(f"quillon encode --jobs 2 --fast:       median {fast:7.2f} s  ({runs(fasts)})")
print(f"ratio quillon --hq / ffmpeg:          {quillon / ffmpeg:.3f}  (goal on 2 CPUs: at most 0.60)")
print(f"ratio quillon --fast / ffmpeg:        {fast / ffmpeg:.3f}")
print(f"ffmpeg -compression_level 2 / 7:      median {q2:7.2f} s / {q7:7.2f} s")
print(f"same LAME quality, --hq / q2:         {quillon / q2:.3f}")
print(f"same LAME quality, --fast / q7:       {fast / q7:.3f}")
PY
