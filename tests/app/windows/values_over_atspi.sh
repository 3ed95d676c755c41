#!/usr/bin/env bash
# Starts the real quillon on a fresh X display with its own D-Bus session and accessibility
# bus, a WAV file to convert and a virtual CD drive, and reads the value fields of page 1,
# the grabber and the status window over AT-SPI (values_over_atspi.py).
#   values_over_atspi.sh BUILD_DIR     (exit 77 when a needed program is missing)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
if [ "${1:-}" = "--inside" ]; then
  build=$2 work=$3
  cd "$work" # the disc texts the grabber keeps go to the current folder
  export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1
  /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
  bus=$!
  "$build/bin/quillon" "$work/one.wav" >"$work/quillon.log" 2>&1 &
  pid=$!
  set +e
  timeout 150 /usr/bin/python3 "$here/values_over_atspi.py"
  status=$?
  set -e
  kill "$pid" "$bus" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  [ "$status" -eq 0 ] || cat "$work/quillon.log" >&2
  exit "$status"
fi

build=$(cd "$1" && pwd)
for tool in Xvfb dbus-run-session sox /usr/bin/python3 /usr/libexec/at-spi-bus-launcher; do
  command -v "$tool" >/dev/null || { echo "values_over_atspi: $tool is missing (tools/setup.sh)" >&2; exit 77; }
done
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "values_over_atspi: python3-pyatspi is missing" >&2; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sox -n -r 44100 -c 2 -b 16 "$work/one.wav" synth 1.0 sine 440
# A disc of two tracks of two seconds each, in a virtual drive.
sox -n -r 44100 -c 2 -b 16 "$work/disc.wav" synth 4.0 sine 330
cat >"$work/disc.cue" <<'CUE'
FILE "disc.wav" WAVE
  TRACK 01 AUDIO
    INDEX 01 00:00:00
  TRACK 02 AUDIO
    INDEX 01 00:02:00
CUE
# Slow reads keep the grab window open long enough to be read.
echo 'ATAPI | QUILLON | VIRTUAL CD | 1.0 | disc.cue | delay=250' >"$work/drives"
export QUILLON_VIRTUAL_CD=$work/drives XDG_CONFIG_HOME=$work/config TMP=$work
# The grabber looks the disc up by itself; nothing listens there, so it fails at once.
export QUILLON_MUSICBRAINZ_SERVER=http://127.0.0.1:9 QUILLON_COVERART_SERVER=http://127.0.0.1:9
unset QT_QPA_PLATFORM
export LSAN_OPTIONS="suppressions=$here/desktop-lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
"$here/../../../tools/on-fresh-display.sh" dbus-run-session -- "$0" --inside "$build" "$work"
