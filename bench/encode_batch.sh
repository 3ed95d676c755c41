#!/usr/bin/env bash
# A batch of 10 WAV files of 30 s each through `quillon encode` (128 kbit/s stereo Layer
# III, high quality) against the lame program with the same settings run on the same
# files one after another: once with the default number of jobs (the usable CPUs) and
# once with --jobs 1. Peak memory of each quillon run comes from /usr/bin/time -v.
#
#   bench/encode_batch.sh [BUILD_DIR [ROUNDS]]      (default: build, 3 rounds)
#
# The three runs take turns, ROUNDS times, and the medians are compared, so that a burst
# of other work on the machine moves one round, not the figure.
#
# Builds nothing: build quillon, l3.dll and d3.dll first.
set -euo pipefail

source "$(dirname "$(realpath "$0")")/batch_support.sh"
batch_setup "${1:-build}" lame
rounds=${2:-3}
make_inputs wav

lame_runs=(); parallel_runs=(); single_runs=()
for ((r = 1; r <= rounds; r++)); do
  rm -rf ref && mkdir ref
  t0=$(now)
  for f in "${inputs[@]}"; do
    lame --quiet -m s -b 128 -q 2 --noreplaygain -t "$f" "ref/${f%.wav}.mp3"
  done
  t1=$(now)
  lame_runs+=("$(python3 -c "print($t1 - $t0)")")
  parallel_runs+=("$(run_quillon parallel --layer 3 --bitrate 128 --mode stereo --hq)")
  single_runs+=("$(run_quillon single --jobs 1 --layer 3 --bitrate 128 --mode stereo --hq)")
done

python3 - "$(cat parallel.rss)" "$(cat single.rss)" "$files" "$seconds" "$(nproc)" \
  "${lame_runs[*]}" "${parallel_runs[*]}" "${single_runs[*]}" <<'PY'
import statistics, sys
rss_parallel, rss_single = int(sys.argv[1]), int(sys.argv[2])
files, seconds, cpus = int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5])
lames, parallels, singles = ([float(x) for x in a.split()] for a in sys.argv[6:9])
lame, parallel, single = (statistics.median(x) for x in (lames, parallels, singles))
def runs(xs): return ", ".join(f"{x:.2f}" for x in xs)
print(f"batch: {files} files of {seconds} s, 128 kbit/s stereo Layer III, {cpus} usable CPUs, {len(lames)} rounds")
print(f"lame, one after another:       median {lame:7.2f} s  ({runs(lames)})")
print(f"quillon encode (default jobs): median {parallel:7.2f} s  ({runs(parallels)}), peak memory {rss_parallel / 1024:.1f} MiB")
print(f"quillon encode --jobs 1:       median {single:7.2f} s  ({runs(singles)}), peak memory {rss_single / 1024:.1f} MiB")
print(f"ratio quillon / lame:          {parallel / lame:.3f}  (goal on 2 CPUs: at most 0.60)")
print(f"ratio quillon --jobs 1 / lame: {single / lame:.3f}  (goal: at most 1.00)")
PY
