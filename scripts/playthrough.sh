#!/usr/bin/env bash
# Plays the game headless from a new game to both endings with the test driver, on the placeholder assets.
#
#   scripts/playthrough.sh [-s] [-j JOBS] [OUTPUT_DIR]
#
# By default the whole chain runs in one directory that starts empty, segment after segment, each from the files
# the one before left. With -s every segment runs alone from its own crafted start files instead, JOBS at a time
# (default 2). Either way a progress line is printed per segment, and OUTPUT_DIR (default build/playthrough) receives
# report.txt (frames, deaths, continues and CPU time per segment, and for a failed segment why and the last
# milestone), the milestone frames as PNG and contact-sheet.png. Exits non-zero when a segment failed.
set -euo pipefail
cd "$(dirname "$0")/.."

segments=0
jobs=2
while getopts "sj:" option; do
  case $option in
    s) segments=1 ;;
    j) jobs=$OPTARG ;;
    *) echo "usage: $0 [-s] [-j JOBS] [OUTPUT_DIR]" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
out=$(realpath -m "${1:-build/playthrough}")

scripts/setup.sh
[[ -f build/release/build.ninja ]] || cmake -S . -B build/release -G Ninja -DENGINE_WERROR=ON > /dev/null
cmake --build build/release -j 4 --target playthrough_tests

rm -rf "$out"
mkdir -p "$out"
export PLAYTHROUGH_OUT=$out PLAYTHROUGH_ALL=1
status=0
if ((segments)); then
  echo "== every segment alone, $jobs at a time"
  ctest --test-dir build/release -R '^Chain/PlaythroughSegment\.' -j "$jobs" --timeout 3600 --output-on-failure \
    > "$out/run.log" 2>&1 &
  runner=$!
  touch "$out/report.txt"
  tail -n +1 -f --pid=$runner "$out/report.txt" | grep --line-buffered -v '^    ' || true
  wait $runner || status=$?
else
  echo "== the whole chain from an empty directory"
  build/release/tests/playthrough_tests --gtest_filter='Playthrough.FullChain*' > "$out/run.log" 2>&1 &
  runner=$!
  touch "$out/report.txt"
  tail -n +1 -f --pid=$runner "$out/report.txt" | grep --line-buffered -v '^    ' || true
  wait $runner || status=$?
fi

shopt -s nullglob
frames=("$out"/*.png)
if ((${#frames[@]})); then
  # ImageMagick's default label font may be missing; fontconfig names one that is there.
  montage -font "$(fc-match -f '%{file}' sans)" -label '%t' -pointsize 9 -geometry 200x150+3+3 -tile 6x \
    -background '#202020' -fill white -depth 8 "${frames[@]}" "$out/contact-sheet.png"
fi
echo "== report ($out/report.txt)"
cat "$out/report.txt"
[[ -f $out/contact-sheet.png ]] && echo "contact sheet: $out/contact-sheet.png"
exit $status
