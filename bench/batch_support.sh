# What the batch benchmarks share; sourced, not run. Sets $quillon, $work (a fresh
# folder, removed on exit, made the current one), $files, $seconds and $inputs.

# batch_setup BUILD_DIR TOOL...: the built programs and the other tools needed.
batch_setup() {
  build=$(realpath "$1"); shift
  quillon="$build/bin/quillon"
  local tool
  for tool in "$quillon" "$build/bin/l3.dll"; do
    [ -x "$tool" ] || { echo "missing $tool; build it first" >&2; exit 1; }
  done
  for tool in sox /usr/bin/time "$@"; do
    command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }
  done
  files=10
  seconds=30
  work=$(mktemp -d "${TMPDIR:-/tmp}/quillon-batch-XXXXXX")
  trap 'rm -rf "$work"' EXIT
  cd "$work"
  mkdir -p config out ref
}

# make_inputs wav|flac: the batch's files. Noise and a sweep, a different sweep per file,
# keep the encoders busy on every band.
make_inputs() {
  local i
  for ((i = 1; i <= files; i++)); do
    sox -n -r 44100 -c 2 -b 16 "in$i.wav" synth $seconds pinknoise sine $((50 * i))-$((8000 + 100 * i)) vol 0.5
    if [ "$1" = flac ]; then
      flac -s -o "in$i.flac" "in$i.wav" && rm "in$i.wav"
    fi
  done
  inputs=(in*."$1")
  cat "${inputs[@]}" > /dev/null   # every run starts from the page cache
}

now() { date +%s.%N; }

# run_quillon NAME WORD...: the wall time of `quillon encode WORD... -o out INPUTS`; its
# peak resident memory goes to NAME.rss.
run_quillon() {
  local name=$1; shift
  rm -rf out && mkdir out
  local start end
  start=$(now)
  XDG_CONFIG_HOME="$work/config" /usr/bin/time -v -o "$name.time" "$quillon" encode "$@" -o out \
    "${inputs[@]}" > "$name.log"
  end=$(now)
  [ "$(ls out/*.mp3 | wc -l)" -eq "$files" ] || { echo "quillon did not write $files files" >&2; cat "$name.log" >&2; exit 1; }
  awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }' "$name.time" > "$name.rss"
  python3 -c "print($end - $start)"
}
