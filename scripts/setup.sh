#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the game need; only what is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libsdl2-dev libpng-dev libjpeg-dev zlib1g-dev libogg-dev libvorbis-dev libmpg123-dev libmp3lame-dev
  libfluidsynth-dev timgm6mb-soundfont
  libfreetype-dev libfontconfig-dev fonts-ipafont-gothic
  libpixman-1-dev
  libavformat-dev libavcodec-dev libswscale-dev libswresample-dev
  libepoxy-dev libegl-dev libegl-mesa0 libgl1-mesa-dri
  xvfb xauth x11-utils imagemagick libx11-dev xdotool
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
