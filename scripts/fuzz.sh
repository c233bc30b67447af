#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given number of seconds (default 60).
#
#   scripts/fuzz.sh [seconds] [target...]      FUZZ_JOBS=N runs N targets at once (default 1)
#
# Every finding fails the run: a crash, an AddressSanitizer or UndefinedBehaviorSanitizer report, a leak, an input
# that runs longer than 60 s or a process above 2 GiB. Its input is kept in build/fuzz/findings/<target>/. Each
# target's corpus grows in build/fuzz/corpus/<target>/ from its seeds in tests/fuzz/seeds/<target>/; the last line
# printed per target gives its executions and coverage.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
jobs=${FUZZ_JOBS:-1}
cmake -S . -B build/fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
  -DENGINE_BUILD_FUZZ=ON -DENGINE_BUILD_TESTS=ON -DENGINE_BUILD_BENCH=OFF -DENGINE_WITH_SDL=OFF > /dev/null
targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then
  for src in tests/fuzz/*.cpp; do targets+=("$(basename "$src" .cpp)"); done
fi
cmake --build build/fuzz -j "${BUILD_JOBS:-$(nproc)}" --target "${targets[@]}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:abort_on_error=1:print_stacktrace=1}

# Runs one target; its log is build/fuzz/<target>.log.
run_target() {
  local name=$1
  local corpus=$PWD/build/fuzz/corpus/$name findings=$PWD/build/fuzz/findings/$name
  mkdir -p "$corpus" "$findings"
  local seeds=()
  [[ -d tests/fuzz/seeds/$name ]] && seeds=("$PWD/tests/fuzz/seeds/$name")
  if "build/fuzz/tests/$name" -max_total_time="$seconds" -timeout=60 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$findings/" "$corpus" "${seeds[@]}" > "build/fuzz/$name.log" 2>&1; then
    local done execs
    done=$(grep -aE '^#[0-9]+[[:space:]]+DONE' "build/fuzz/$name.log" | tail -1 |
           sed -E 's/^#[0-9]+[[:space:]]+DONE[[:space:]]+//; s/ exec\/s.*//') || true
    execs=$(grep -a 'stat::number_of_executed_units' "build/fuzz/$name.log" | awk '{print $2}') || true
    echo "$name: ${seconds}s, ${execs:-?} execs, $done"
  else
    echo "$name: FINDING (input in $findings/)"
    tail -60 "build/fuzz/$name.log"
    return 1
  fi
}

failed=0
running=0
for name in "${targets[@]}"; do
  run_target "$name" &
  running=$((running + 1))
  if (( running >= jobs )); then
    wait -n || failed=1
    running=$((running - 1))
  fi
done
while (( running > 0 )); do
  wait -n || failed=1
  running=$((running - 1))
done
exit $failed
