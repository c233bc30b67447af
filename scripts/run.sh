#!/usr/bin/env bash
# Sets up, builds the game and the placeholder-asset tool (nothing else), writes the placeholder assets and runs the
# game in build/release/assets, where it reads gsx/, ssez/ and bgm/ and writes setting.dat and its saves.
# Needs a display (DISPLAY or WAYLAND_DISPLAY); ENGINE_BACKEND=headless runs it without one, invisibly. Without
# either it refuses before building, with the line the game itself says.
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ ${ENGINE_BACKEND:-} != headless && -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
  echo "selvarinthaxis: no display (DISPLAY and WAYLAND_DISPLAY are unset); set ENGINE_BACKEND=headless to run without one" >&2
  exit 1
fi

scripts/setup.sh
cmake -S . -B build/release -G Ninja > /dev/null
cmake --build build/release -j "$(nproc)" --target selvarinthaxis make_placeholder_assets
# Placeholder art, sound and music; files already there (real assets dropped in) are kept.
build/release/tools/make_placeholder_assets build/release/assets > /dev/null
cd build/release/assets
exec ../game/selvarinthaxis "$@"
