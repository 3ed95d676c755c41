#!/usr/bin/env bash
# Runs COMMAND on an X display of its own and ends with COMMAND's exit status.
#   tools/on-fresh-display.sh COMMAND [ARG...]
# Xvfb picks a free display number itself (-displayfd) and writes it only once it takes
# connections, so two of these never race for one number, nor does one connect to a
# server that is still going away (xvfb-run -a picks the first number without a lock
# file, and a program started there found no display on a loaded machine).
set -euo pipefail
command -v Xvfb >/dev/null || { echo "on-fresh-display: Xvfb is missing (tools/setup.sh)" >&2; exit 77; }
dir=$(mktemp -d)
server=
finish() {
  if [ -n "$server" ]; then
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
  fi
  rm -rf "$dir"
}
trap finish EXIT
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/display" 2>"$dir/xvfb.log" &
server=$!
for _ in $(seq 1 300); do
  [ -s "$dir/display" ] && break
  kill -0 "$server" 2>/dev/null || break
  sleep 0.1
done
number=$(tr -dc 0-9 <"$dir/display")
if [ -z "$number" ]; then
  echo "on-fresh-display: Xvfb did not start:" >&2
  cat "$dir/xvfb.log" >&2
  exit 1
fi
set +e
DISPLAY=:$number "$@"
status=$?
set -e
exit "$status"
