#!/usr/bin/env bash
# Starts the game STARTS times (default 200) under a private Xvfb, pinned to two cores with other test suites running
# on the same cores, and checks that every start shows one window, made once. Prints the times from start to window
# (median and worst).
#   scripts/window_starts.sh [STARTS]
set -euo pipefail
cd "$(dirname "$0")/.."
starts=${1:-200}
scripts/setup.sh
cmake -S . -B build/release -G Ninja -DENGINE_WERROR=ON > /dev/null
cmake --build build/release -j "$(nproc)" > /dev/null
# The load beside it, in a process group of its own: the renderer's and the game's suites, over and over, on the
# same two cores.
setsid bash -c 'while true; do
  taskset -c 0,1 ctest --test-dir build/release -j 2 -L "^(softrender|game_flow|game_stage)$" > /dev/null 2>&1 || true
done' &
load=$!
trap 'kill -- -$load 2> /dev/null || true' EXIT
GAME_WINDOW_STARTS=$starts taskset -c 0,1 build/release/tests/game_process_tests \
  --gtest_filter='GameProcessTest.EveryStartShowsOneWindowMadeOnce'
