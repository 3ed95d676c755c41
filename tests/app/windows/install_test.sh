#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks what a user gets: the program, the
# codec programs it finds from bin/, the desktop entry (valid), the icons, the manual page,
# the AppStream data (valid, naming the desktop entry and the gallery's pictures) and the
# completion; and the installed program without a display.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "install test: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$work/prefix" >/dev/null
prefix=$work/prefix
expected=(bin/quillon lib/quillon/l3.dll lib/quillon/d3.dll share/applications/quillon.desktop
          share/man/man1/quillon.1.gz share/metainfo/example.norvane.quillon.metainfo.xml
          share/bash-completion/completions/quillon)
for size in 16 22 24 32 48 64 128 256; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/quillon.png")
done
for file in "${expected[@]}"; do
  [ -s "$prefix/$file" ] || fail "$file was not installed"
done
[ ! -e "$prefix/bin/l3.dll" ] || fail "the codec programs must stay off PATH"

command -v desktop-file-validate >/dev/null || fail "desktop-file-validate is missing (tools/setup.sh installs it)"
desktop-file-validate "$prefix/share/applications/quillon.desktop" || fail "the desktop entry is not valid"
grep -qx 'Exec=quillon %F' "$prefix/share/applications/quillon.desktop" || fail "Exec must take %F"

command -v appstreamcli >/dev/null || fail "appstreamcli is missing (tools/setup.sh installs appstream)"
metainfo=$prefix/share/metainfo/example.norvane.quillon.metainfo.xml
appstreamcli validate --no-net "$metainfo" >"$work/appstream.txt" 2>&1 ||
  { cat "$work/appstream.txt" >&2; fail "the AppStream data is not valid"; }
launchable=$(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' "$metainfo")
[ -s "$prefix/share/applications/$launchable" ] || fail "the AppStream launchable '$launchable' is not the desktop entry"
version=$("$prefix/bin/quillon" --version | sed 's/^quillon //')
grep -q "<release version=\"$version\"" "$metainfo" || fail "the AppStream data has no release $version"
source_dir=$(dirname "$(realpath "$0")")/../../..
shots=$(sed -n 's|.*<image>.*/\([^/]*\)</image>.*|\1|p' "$metainfo")
[ -n "$shots" ] || fail "the AppStream data has no screenshots"
for shot in $shots; do
  [ -s "$source_dir/docs/gallery/$shot" ] || fail "screenshot $shot is not a picture of docs/gallery"
done
zcat "$prefix/share/man/man1/quillon.1.gz" | grep -q '^\.TH "quillon" "1"' || fail "the manual page is not quillon(1)"

# The installed program converts with the codec programs of lib/quillon/.
command -v sox >/dev/null || fail "sox is missing (tools/setup.sh installs it)"
sox -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth 0.5 sine 440
mkdir "$work/out"
XDG_CONFIG_HOME=$work/config "$prefix/bin/quillon" encode -o "$work/out" "$work/tone.wav" >"$work/log" 2>&1 ||
  { cat "$work/log" >&2; fail "the installed quillon could not encode"; }
[ -s "$work/out/tone.mp3" ] || fail "no tone.mp3 from the installed quillon"

# No display: one line pointing at the command line, exit status 2; a file argument too.
for args in "" "$work/tone.wav"; do
  set +e
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/quillon" $args >"$work/out.txt" 2>"$work/err.txt"
  status=$?
  set -e
  [ "$status" -eq 2 ] || fail "without a display quillon $args exited $status, not 2"
  [ "$(wc -l <"$work/err.txt")" -eq 1 ] && grep -q "quillon --help" "$work/err.txt" ||
    fail "without a display: '$(cat "$work/err.txt")'"
done
echo "install test: passed"
