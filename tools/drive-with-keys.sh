#!/usr/bin/env bash
# Starts the real quillon on a fresh X display (tools/on-fresh-display.sh) with two generated WAV files and
# drives it by key presses only: Alt+N for Next, Alt+F for Finish, Return on
# "Processing Finished.", Escape on the wizard that comes back. Passes when both files
# were converted and quillon ended with exit status 0.
#   tools/drive-with-keys.sh [BUILD_DIR]     (exit 77 when Xvfb, xdotool or sox is missing)
set -euo pipefail

if [ "${1:-}" = "--inside" ]; then
  build=$2 work=$3
  "$build/bin/quillon" "$work/one.wav" "$work/two.wav" >"$work/quillon.log" 2>&1 &
  pid=$!
  visible() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
  ended() { local st; st=$(ps -o stat= -p "$pid" 2>/dev/null); [ -z "$st" ] || [ "${st:0:1}" = Z ]; }
  # Presses KEY on the window named WINDOW until CHECK holds, again while the window is
  # still there: a key pressed while it settles (the splash's second, a loaded machine)
  # may be dropped. Gives up after a minute.
  press_until() {
    local window=$1 key=$2 check=$3 id
    # Polled, not "search --sync": a window closing during the search (the splash) makes
    # xdotool fail with BadWindow.
    local waited=0
    until visible "$window"; do
      [ "$waited" -lt 240 ] || { echo "no window named '$window'" >&2; kill "$pid"; exit 1; }
      sleep 0.25
      waited=$((waited + 1))
    done
    for _ in $(seq 1 12); do
      if id=$(xdotool search --onlyvisible --name "$window" 2>/dev/null | tail -1) && [ -n "$id" ]; then
        xdotool windowfocus --sync "$id" 2>/dev/null || true
        xdotool key --clearmodifiers "$key"
      fi
      for _ in $(seq 1 20); do
        eval "$check" && return 0
        sleep 0.25
      done
    done
    echo "pressing $key on '$window' did not lead on" >&2
    kill "$pid"
    exit 1
  }
  wizard='Quillon 2.51 - Input'
  press_until "$wizard" alt+n "visible 'Quillon 2.51 - Finish'"
  press_until 'Quillon 2.51 - Finish' alt+f "visible '^Quillon\$'"
  # After the final message the wizard comes back in a new status window, with an empty list.
  press_until '^Quillon$' Return "! visible '^Quillon\$' && visible '$wizard'"
  press_until "$wizard" Escape ended
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
for tool in Xvfb xdotool sox; do
  command -v "$tool" >/dev/null || { echo "drive-with-keys: $tool is missing (tools/setup.sh)" >&2; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sox -n -r 44100 -c 2 -b 16 "$work/one.wav" synth 1.0 sine 440
sox -n -r 44100 -c 2 -b 16 "$work/two.wav" synth 0.5 sine 660
# A settings folder of its own; the default output folder is the temporary folder.
export XDG_CONFIG_HOME=$work/config TMP=$work
unset QT_QPA_PLATFORM
# A sanitizer build: the D-Bus library of a real display keeps memory to the end.
export LSAN_OPTIONS="suppressions=$root/tests/app/windows/desktop-lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
"$root/tools/on-fresh-display.sh" "$0" --inside "$build" "$work"
for name in one two; do
  [ -s "$work/$name.mp3" ] || { echo "drive-with-keys: $name.mp3 was not written" >&2; exit 1; }
  head -c 2 "$work/$name.mp3" | od -An -tx1 | grep -q 'ff f' ||
    { echo "drive-with-keys: $name.mp3 does not start with an MPEG frame" >&2; exit 1; }
done
echo "drive-with-keys: passed"
