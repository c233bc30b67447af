#!/usr/bin/env bash
# Sets up, builds and runs the game.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build/release -G Ninja > /dev/null
cmake --build build/release -j "$(nproc)"
# Placeholder art, sound and music; files already there (real assets dropped in) are kept.
build/release/tools/make_placeholder_assets build/release/assets > /dev/null
if [[ -x build/release/game/selvarinthaxis ]]; then
  cd build/release/assets && exec ../game/selvarinthaxis "$@"
fi
exec build/release/tools/system_report "$@"
