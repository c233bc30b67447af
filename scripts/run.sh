#!/usr/bin/env bash
# Sets up, builds and runs the game.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build/release -G Ninja > /dev/null
cmake --build build/release -j "$(nproc)"
if [[ -x build/release/game/selvarinthaxis ]]; then
  cd build/release/game && exec ./selvarinthaxis "$@"
fi
exec build/release/tools/system_report "$@"
