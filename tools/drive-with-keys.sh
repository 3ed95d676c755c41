#!/usr/bin/env bash
# Starts the real quillon on a fresh X display (xvfb-run) with two generated WAV files and
# drives it by key presses only: Alt+N for Next, Alt+F for Finish, Return on
# "Processing Finished.", Escape on the wizard that comes back. Passes when both files
# were converted and quillon ended with exit status 0.
#   tools/drive-with-keys.sh [BUILD_DIR]     (exit 77 when xvfb-run, xdotool or sox is missing)
set -euo pipefail

if [ "${1:-}" = "--inside" ]; then
  build=$2 work=$3
  "$build/bin/quillon" "$work/one.wav" "$work/two.wav" >"$work/quillon.log" 2>&1 &
  pid=$!
  # Waits for a visible window whose name matches, gives it the keyboard, presses a key.
  press() {
    local id
    id=$(timeout 60 xdotool search --sync --onlyvisible --name "$1" | tail -1) ||
      { echo "no window named '$1'" >&2; kill "$pid"; exit 1; }
    sleep "${3:-0.5}"
    xdotool windowfocus --sync "$id" 2>/dev/null || true
    xdotool key --clearmodifiers "$2"
  }
  wizard='Quillon 2.51 - Input'
  # The splash holds the first page for a second; keys pressed meanwhile are dropped.
  press "$wizard" alt+n 2
  press 'Quillon 2.51 - Finish' alt+f
  press '^Quillon$' Return
  # The wizard comes back in a new status window, with an empty list.
  sleep 1
  press "$wizard" Escape
  set +e
  timeout 30 tail --pid="$pid" -f /dev/null
  wait "$pid"
  status=$?
  set -e
  [ "$status" -eq 0 ] || { cat "$work/quillon.log" >&2; echo "quillon exited $status" >&2; exit 1; }
  exit 0
fi

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
for tool in xvfb-run xdotool sox; do
  command -v "$tool" >/dev/null || { echo "drive-with-keys: $tool is missing (tools/setup.sh)" >&2; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sox -n -r 44100 -c 2 -b 16 "$work/one.wav" synth 1.0 sine 440
sox -n -r 44100 -c 2 -b 16 "$work/two.wav" synth 0.5 sine 660
# A settings folder of its own; the default output folder is the temporary folder.
export XDG_CONFIG_HOME=$work/config TMP=$work
unset QT_QPA_PLATFORM
xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --inside "$build" "$work"
for name in one two; do
  [ -s "$work/$name.mp3" ] || { echo "drive-with-keys: $name.mp3 was not written" >&2; exit 1; }
  head -c 2 "$work/$name.mp3" | od -An -tx1 | grep -q 'ff f' ||
    { echo "drive-with-keys: $name.mp3 does not start with an MPEG frame" >&2; exit 1; }
done
echo "drive-with-keys: passed"
