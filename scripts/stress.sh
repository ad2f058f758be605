#!/usr/bin/env bash
# Flakiness as a property: runs every native test suite N times in a row under both
# sanitizers (AddressSanitizer + UndefinedBehaviorSanitizer, then ThreadSanitizer), each run in
# a shuffled order with a seed of its own, while a busy loop keeps a core loaded. A failing run
# is reported with its suite, sanitizer and seed (repeat it with --gtest_shuffle
# --gtest_random_seed=SEED) and its output is kept in build/stress/.
#
# Usage: scripts/stress.sh N
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -ne 1 ] || ! [ "$1" -ge 1 ] 2>/dev/null; then
  echo "usage: scripts/stress.sh N" >&2
  exit 2
fi
rounds=$1
jobs=$(nproc)

bash scripts/setup.sh
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTK52_SANITIZE=ON -DTK52_SKIP_TEST_DIRS= >/dev/null
cmake --build build/asan -j "$jobs"
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTK52_TSAN=ON -DTK52_SKIP_TEST_DIRS= >/dev/null
cmake --build build/tsan -j "$jobs"

# Every gtest program of a build folder, found as ctest knows them.
suites() {
  find "$1" -type f -perm -u+x \( -name 'tk52_*_tests' \) -not -path '*/CMakeFiles/*' | sort
}

mkdir -p build/stress
rm -f build/stress/*.log
busy() { while :; do :; done; }
busy &
busy_pid=$!
trap 'kill $busy_pid 2>/dev/null || true' EXIT

runs=0
failures=0
SECONDS=0
for round in $(seq 1 "$rounds"); do
  for sanitizer in asan tsan; do
    while read -r suite; do
      seed=$(( (RANDOM << 15 | RANDOM) % 99999 + 1 ))
      name=$(basename "$suite")
      log="build/stress/$sanitizer-$name-round$round-seed$seed.log"
      runs=$((runs + 1))
      if "$suite" --gtest_shuffle --gtest_random_seed="$seed" --gtest_brief=1 >"$log" 2>&1; then
        rm -f "$log"
      else
        failures=$((failures + 1))
        echo "FAILED: round $round, $sanitizer, $name, seed $seed (output: $log)"
        echo "  repeat: build/$sanitizer/${suite#build/$sanitizer/} --gtest_shuffle --gtest_random_seed=$seed"
        tail -n 40 "$log" | sed 's/^/  | /'
      fi
    done < <(suites "build/$sanitizer")
  done
  echo "stress round $round of $rounds: $runs suite runs so far, $failures failed, ${SECONDS} s"
done
echo "stress: $rounds rounds x 2 sanitizers, $runs suite runs, $failures failed, ${SECONDS} s"
[ "$failures" -eq 0 ]
