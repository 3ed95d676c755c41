#!/usr/bin/env bash
# Checks a Debian package of Quillon as a user meets it (tools/package.sh --check runs it).
#   tools/check-package.sh quillon_VERSION-1_amd64.deb
set -euo pipefail
deb=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check-package: $*" >&2; exit 1; }
for tool in lintian dpkg-deb sox; do
  command -v $tool >/dev/null || fail "$tool is missing (tools/setup.sh installs it)"
done

# Every file a user needs, with the modes Debian wants.
expected=(
  "-rwxr-xr-x ./usr/bin/quillon"
  "-rwxr-xr-x ./usr/lib/quillon/l3.dll"
  "-rwxr-xr-x ./usr/lib/quillon/d3.dll"
  "-rw-r--r-- ./usr/share/applications/quillon.desktop"
  "-rw-r--r-- ./usr/share/man/man1/quillon.1.gz"
  "-rw-r--r-- ./usr/share/metainfo/example.norvane.quillon.metainfo.xml"
  "-rw-r--r-- ./usr/share/bash-completion/completions/quillon"
  "-rw-r--r-- ./usr/share/doc/quillon/copyright"
  "-rw-r--r-- ./usr/share/doc/quillon/changelog.Debian.gz"
)
for size in 16 22 24 32 48 64 128 256; do
  expected+=("-rw-r--r-- ./usr/share/icons/hicolor/${size}x${size}/apps/quillon.png")
done
dpkg-deb --contents "$deb" | awk '{ print $1, $2, $6 }' >"$work/contents"
for entry in "${expected[@]}"; do
  grep -qxF -- "${entry%% *} root/root ${entry#* }" "$work/contents" ||
    fail "the package lacks ${entry#* } (mode ${entry%% *}, owner root)"
done
dpkg-deb --field "$deb" Depends | grep -q 'libmp3lame0' || fail "no dependencies found from the linked libraries"

# lintian: no error (warnings are printed for the record).
lintian --tag-display-limit 0 "$deb" >"$work/lintian" 2>&1 || true
cat "$work/lintian"
! grep -q '^E: ' "$work/lintian" || fail "lintian reports errors"

# A fresh root: installed, run, purged.
root=$work/root
mkdir -p "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/info"
touch "$root/var/lib/dpkg/status"
(cd "$root" && find . | sort) >"$work/before"
# The libraries come from this machine; the fresh root holds only the package.
dpkg --root="$root" --force-not-root --force-depends --force-script-chrootless -i "$deb" >"$work/dpkg" 2>&1 ||
  { cat "$work/dpkg" >&2; fail "dpkg --root could not install $deb"; }
version=$(dpkg-deb --field "$deb" Version)
shown=$("$root/usr/bin/quillon" --version) || fail "the installed quillon --version failed"
[ "$shown" = "quillon ${version%-*}" ] || fail "the installed quillon says '$shown', the package is $version"
sox -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth 0.3 sine 440
mkdir "$work/out"
XDG_CONFIG_HOME=$work/config "$root/usr/bin/quillon" encode -o "$work/out" "$work/tone.wav" >"$work/log" 2>&1 ||
  { cat "$work/log" >&2; fail "the installed quillon could not encode with /usr/lib/quillon/l3.dll"; }
XDG_CONFIG_HOME=$work/config "$root/usr/bin/quillon" decode -o "$work/out" "$work/out/tone.mp3" >"$work/log" 2>&1 ||
  { cat "$work/log" >&2; fail "the installed quillon could not decode with /usr/lib/quillon/d3.dll"; }
[ -s "$work/out/tone.wav" ] || fail "no tone.wav from the installed quillon"
dpkg --root="$root" --force-not-root --force-script-chrootless --purge quillon >"$work/dpkg" 2>&1 ||
  { cat "$work/dpkg" >&2; fail "dpkg --root could not purge quillon"; }
(cd "$root" && find . | sort | grep -v '^\./var/lib/dpkg/') >"$work/after"
grep -v '^\./var/lib/dpkg/' "$work/before" | diff - "$work/after" >"$work/left" ||
  { cat "$work/left" >&2; fail "purging quillon left files behind"; }

# On a CI machine, as root: the route a user takes, apt install ./quillon_….deb and remove.
if [ "${QUILLON_APT_ROUND_TRIP:-0}" = 1 ]; then
  [ "$(id -u)" -eq 0 ] || fail "QUILLON_APT_ROUND_TRIP needs root"
  ! dpkg-query -W quillon >/dev/null 2>&1 || fail "quillon is installed already; the round trip needs a machine without it"
  dpkg-deb --contents "$deb" | awk '{ print $6 }' | sed 's|^\.||; s|/$||' | grep -v '^$' >"$work/files"
  DEBIAN_FRONTEND=noninteractive apt-get install -y "$deb" >"$work/apt" 2>&1 || { cat "$work/apt" >&2; fail "apt could not install $deb"; }
  [ "$(quillon --version)" = "quillon ${version%-*}" ] || fail "quillon on PATH is not the package's"
  man -w quillon >/dev/null 2>&1 || ! command -v man >/dev/null || fail "man finds no quillon(1)"
  DEBIAN_FRONTEND=noninteractive apt-get purge -y quillon >"$work/apt" 2>&1 || { cat "$work/apt" >&2; fail "apt could not remove quillon"; }
  while read -r path; do
    [ -d "$path" ] || [ ! -e "$path" ] || fail "apt remove left $path"
  done <"$work/files"
  # Folders other packages share stay; the package's own go.
  for folder in /usr/lib/quillon /usr/share/doc/quillon; do
    [ ! -e "$folder" ] || fail "apt remove left $folder"
  done
fi
echo "check-package: $(basename "$deb") passed"
