#!/usr/bin/env bash
# Sets up, builds and runs every test: the normal build (warnings as errors), the AddressSanitizer +
# UndefinedBehaviorSanitizer build, the ThreadSanitizer build of every suite that starts threads, and short fuzz runs.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

jobs=$(nproc)
export CTEST_OUTPUT_ON_FAILURE=1

configure_and_test() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DENGINE_WERROR=ON "$@"
  cmake --build "$dir" -j "$jobs"
}

# The sanitized builds keep their assertions (Debug) but are optimised a little: their suites play thousands of game
# frames, which at -O0 took most of the run.
sanitized=(-DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-g -O1" "-DCMAKE_C_FLAGS_DEBUG=-g -O1" -DENGINE_BUILD_BENCH=OFF)

echo "== build and test"
configure_and_test build/release
ctest --test-dir build/release -j "$jobs" --timeout 300
# Headless runs draw through the 2D path unless asked otherwise: one game suite through the 3D device as well.
ENGINE_D3D=egl ctest --test-dir build/release -j "$jobs" --timeout 300 -L '^game_shop$'

echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
configure_and_test build/asan "${sanitized[@]}" -DENGINE_SANITIZE=address,undefined
ctest --test-dir build/asan -j "$jobs" --timeout 600

echo "== ThreadSanitizer (every suite that starts threads)"
configure_and_test build/tsan "${sanitized[@]}" -DENGINE_SANITIZE=thread
# Every suite that starts threads, except: assets, core, images, softrender and softrender_geometry (they only
# compute); sound and sound_sdl (their MIDI tests run FluidSynth's uninstrumented OpenMP threads; sound_threads covers
# the mixer's and the synthesiser's locking with those suppressed); graphics_d3d, graphics_d3d_xvfb and
# graphics_movie (Mesa's and FFmpeg's uninstrumented threads); game_process (real game processes with time limits);
# and the end-to-end runs that play thousands of game frames, the playthrough's and the passability routes' among
# them (the single-threaded game over the engine threads the other tests cover).
# The desktop runs draw through the 2D path here: the 3D device's default on the desktop would bring in Mesa's
# uninstrumented rasteriser threads.
ENGINE_D3D=off ctest --test-dir build/tsan -j "$jobs" --timeout 600 \
  -LE '^(assets|core|images|softrender|softrender_geometry|sound|sound_sdl|graphics_d3d|graphics_d3d_xvfb|graphics_movie|game_process|playthrough|passability)$' \
  -E '^(StageOneRun|HeroWalkRun|AttacksRun|SkillRun|FallRun|StageRun|GameFrames|ScreenWalk)\.'

echo "== fuzz targets (short runs)"
FUZZ_JOBS=$jobs scripts/fuzz.sh 20

echo "== benchmarks build and run once"
for b in build/release/bench/*_bench; do
  [[ -x $b ]] && "$b" --benchmark_min_time=0.01 > /dev/null
done
echo "all tests passed"
