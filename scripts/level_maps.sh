#!/usr/bin/env bash
# Draws every area of the level data into one PNG per hero (the placement lists put each hero's own enemies and items
# on it), with everything the area holds labelled:
#   scripts/level_maps.sh [OUTPUT_DIR]        (default build/level_maps)
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-build/level_maps}"
cmake -S . -B build/release -G Ninja -DENGINE_WERROR=ON > /dev/null
cmake --build build/release -j4 --target level_map make_placeholder_assets > /dev/null
assets=build/release/assets
build/release/tools/make_placeholder_assets --force "$assets" > /dev/null
mkdir -p "$out"
for file in game/stage/levels/stage*_area*.txt; do
  name=$(basename "$file" .txt)
  stage=$(awk '$1 == "stage" {print $2; exit}' "$file")
  area=$(awk '$1 == "area" {print $2; exit}' "$file")
  for hero in 0 1; do
    build/release/tools/level_map -r "$assets" -h "$hero" "$stage" "$area" "$out/${name}_hero$hero.png"
  done
done
echo "maps written to $out"
