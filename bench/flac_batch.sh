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

source "$(dirname "$(realpath "$0")")/batch_support.sh"
batch_setup "${1:-build}" flac ffmpeg
rounds=${2:-3}
make_inputs flac

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
  quillon_runs+=("$(run_quillon jobs2 --jobs 2 --hq --layer 3 --bitrate 128 --mode joint)")
  fast_runs+=("$(run_quillon fast2 --jobs 2 --fast --layer 3 --bitrate 128 --mode joint)")
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
