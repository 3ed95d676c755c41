#!/usr/bin/env bash
# Times l3.dll and d3.dll against the libraries' own command-line programs on the same
# 60 s stereo 44.1 kHz input, alternating the two in every round, and prints the median
# times, their ratio against the target, and the codec programs' peak memory.
#
#   bench/codec_speed.sh [BUILD_DIR] [ROUNDS]     (defaults: build, 5)
#
# Builds nothing: build the codecs first (cmake --build build --target l3_encoder d3_decoder).
set -euo pipefail

build=$(realpath "${1:-build}")
rounds=${2:-5}
l3="$build/bin/l3.dll"
d3="$build/bin/d3.dll"
for tool in "$l3" "$d3"; do
  [ -x "$tool" ] || { echo "missing $tool; build it first" >&2; exit 1; }
done
for tool in sox lame twolame mpg123 /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/quillon-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

# Noise on one channel and a sweep on the other keep both encoders busy on every band.
sox -n -r 44100 -c 2 -b 16 in.wav synth 60 pinknoise sine 100-8000 vol 0.5
tail -c +45 in.wav > body.pcm
lame --quiet -m s -b 128 in.wav ref.mp3

# fresh: the codec programs create their output exclusively, so every run starts
# without the outputs of the run before (else each later round fails at once).
fresh() { rm -f ours.mp3 ours.mp2 ours.wav peer.mp3 peer.mp2 peer.wav; }

# run_times COMMAND...: "wall cpu" of one run in milliseconds (cpu = user + system), output
# discarded. CPU time is the steadier figure on a machine shared with other work. A run
# that fails ends the benchmark: its time would measure nothing.
run_times() {
  local TIMEFORMAT='%3R %3U %3S' t
  fresh
  if ! t=$( { time "$@" >/dev/null 2>&1; } 2>&1 ); then
    echo "failed: $*" >&2
    exit 1
  fi
  awk -v t="$t" 'BEGIN { split(t, f, " "); printf "%d %d\n", f[1] * 1000, (f[2] + f[3]) * 1000 }'
}

median() { tr ' ' '\n' | sed '/^$/d' | sort -n | awk '{ v[NR] = $1 } END { m = int((NR + 1) / 2); print (NR % 2) ? v[m] : (v[m] + v[m + 1]) / 2 }'; }

# Commands compared; ours read the WAV body from standard input as Quillon feeds it.
ours_l3()   { "$l3" -ms -b128 -s44.10 -p2 -l3 "" in.wav ours.mp3 < body.pcm; }
peer_l3()   { lame -m s -b 128 -q 2 in.wav peer.mp3; }
ours_l2()   { "$l3" -ms -b192 -s44.10 -p1 -l2 "" in.wav ours.mp2 < body.pcm; }
peer_l2()   { twolame -b 192 in.wav peer.mp2; }
ours_d3()   { "$d3" ref.mp3 ours.wav < ref.mp3; }
peer_d3()   { mpg123 -w peer.wav ref.mp3; }

# compare NAME LIMIT: alternate ours and the peer for the rounds, print medians and ratios.
compare() {
  local name=$1 limit=$2 ow="" oc="" pw="" pc="" r t
  for ((r = 0; r < rounds; ++r)); do
    local order="ours peer"
    (( r % 2 == 0 )) || order="peer ours"
    for who in $order; do
      t=$(run_times "${who}_$name")
      if [ "$who" = ours ]; then ow+=" ${t% *}"; oc+=" ${t#* }"; else pw+=" ${t% *}"; pc+=" ${t#* }"; fi
    done
  done
  awk -v n="$name" -v ow="$(echo "$ow" | median)" -v oc="$(echo "$oc" | median)" \
      -v pw="$(echo "$pw" | median)" -v pc="$(echo "$pc" | median)" -v l="$limit" 'BEGIN {
    rc = oc / pc; rw = ow / pw
    printf "%-3s cpu: ours %6.0f ms, peer %6.0f ms, ratio %.3f (target <= %.2f) %s\n", n, oc, pc, rc, l, rc <= l ? "ok" : "MISSED"
    printf "%-3s wall: ours %6.0f ms, peer %6.0f ms, ratio %.3f\n", n, ow, pw, rw
  }'
}

# peak_kib NAME: maximum resident set size of one run of our program.
peak_kib() {
  local name=$1
  fresh
  /usr/bin/time -f "%M" -o "peak.$name" bash -c "$(declare -f "ours_$name"); l3='$l3'; d3='$d3'; ours_$name" >/dev/null 2>&1
  cat "peak.$name"
}

echo "codec speed: 60 s stereo 44.1 kHz, $rounds rounds alternating, medians"
echo "  l3 = l3.dll -ms -b128 -p2 -l3 (stdin)   vs  lame -m s -b 128 -q 2"
echo "  l2 = l3.dll -ms -b192 -p1 -l2 (stdin)   vs  twolame -b 192"
echo "  d3 = d3.dll (stdin)                     vs  mpg123 -w"
compare l3 1.00
compare l2 1.05
compare d3 0.90

for name in l3 l2 d3; do
  kib=$(peak_kib "$name")
  awk -v n="$name" -v k="$kib" 'BEGIN { printf "%-4s peak memory %6.1f MiB  (target < 16 MiB) %s\n", n, k / 1024, k < 16384 ? "ok" : "MISSED" }'
done
