#!/usr/bin/env bash
# Installs the Debian packages Quillon needs to build, run and test.
# Safe to run again: packages already present are left alone.
set -euo pipefail

packages=(
  build-essential g++ cmake ninja-build pkg-config
  qt6-base-dev libgl-dev
  libmp3lame-dev libtwolame-dev libmpg123-dev libcue-dev libtag1-dev
  libdiscid-dev libcurl4-openssl-dev nlohmann-json3-dev python3 zlib1g-dev libssl-dev
  libsndfile1-dev libsoxr-dev
  libgtest-dev
  ffmpeg mpg123 lame twolame sox time python3-mutagen
  flac vorbis-tools opus-tools imagemagick
  xvfb xauth dbus at-spi2-core python3-pyatspi
  desktop-file-utils xdotool
  scdoc appstream bash-completion parallel rsync dpkg-dev lintian
  locales
  clang-14 libclang-rt-14-dev clang-format
  whipper cuetools
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

need_locale=0
locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$' || need_locale=1

# Root or sudo is asked for only when there is something to install.
sudo_cmd=()
if [ "$(id -u)" -ne 0 ] && { [ ${#missing[@]} -gt 0 ] || [ $need_locale -eq 1 ]; }; then
  command -v sudo >/dev/null || { echo "setup: run as root or install sudo" >&2; exit 1; }
  sudo_cmd=(sudo)
fi

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
else
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update
  "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

# Texts with a decimal point are tested under a German locale.
if [ $need_locale -eq 1 ]; then
  echo "setup: generating the de_DE.UTF-8 locale"
  "${sudo_cmd[@]}" localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
