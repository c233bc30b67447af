#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given number of seconds (default 60).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
cmake -S . -B build/fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
  -DENGINE_BUILD_FUZZ=ON -DENGINE_BUILD_TESTS=ON -DENGINE_BUILD_BENCH=OFF -DENGINE_WITH_SDL=OFF > /dev/null
cmake --build build/fuzz -j "$(nproc)" --target all
shopt -s nullglob
for src in tests/fuzz/*.cpp; do
  name=$(basename "$src" .cpp)
  corpus=build/fuzz/corpus/$name
  mkdir -p "$corpus"
  seeds=()
  [[ -d tests/fuzz/seeds/$name ]] && seeds=(tests/fuzz/seeds/$name)
  echo "fuzzing $name for ${seconds}s"
  "build/fuzz/tests/$name" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=0 "$corpus" "${seeds[@]}" \
    2> "build/fuzz/$name.log" || { tail -40 "build/fuzz/$name.log"; exit 1; }
done
