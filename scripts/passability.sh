#!/usr/bin/env bash
# The full passability search: every area of every level data set, for each hero, JOBS areas at a time (default 4).
# Rewrites the routes in tests/passability/routes/ (a blocked area's route says so) and prints one line per area,
# then the CPU time used. Exit status 1 when an area is blocked.
#   scripts/passability.sh [-j JOBS] [-b FRAME_BUDGET] ["HERO STAGE AREA [top]"...]   (default: every area)
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=4
budget=()
while getopts "j:b:" opt; do
  case $opt in
    j) jobs=$OPTARG ;;
    b) budget=(-b "$OPTARG") ;;
    *) echo "usage: scripts/passability.sh [-j JOBS] [-b FRAME_BUDGET] ["HERO STAGE AREA [top]"...]" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
cmake -S . -B build/release -G Ninja -DENGINE_WERROR=ON > /dev/null
cmake --build build/release -j4 --target passability > /dev/null
tool=build/release/tools/passability
if [[ $# -gt 0 ]]; then
  areas=$(printf '%s\n' "$@")
else
  areas=$("$tool" --list)
fi
budget_words="${budget[*]:-}"
export tool budget_words
# One search process per line "HERO STAGE AREA [top]".
run_one() {
  local hero stage area top
  read -r hero stage area top <<< "$1"
  # shellcheck disable=SC2086
  "$tool" $budget_words -H "$hero" "$stage" "$area" $top || true
}
export -f run_one
results=$(mktemp)
trap 'rm -f "$results"' EXIT
echo "$areas" | xargs -P "$jobs" -I{} bash -c 'run_one "$1"' _ {} > "$results"
sort -k2,2n -k4,4n -k6,6n "$results"
status=0
grep -q BLOCKED "$results" && status=1
awk '{ for (i = 1; i < NF; ++i) if ($(i + 1) == "s" && $(i + 2) == "CPU") total += $i }
     END { printf "CPU time of the searches: %.0f s\n", total }' "$results"
exit $status
