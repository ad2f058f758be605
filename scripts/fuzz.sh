#!/usr/bin/env bash
# Builds the libFuzzer targets (tk52_fuzz_*) and runs every one of them at once, each on its
# own core, for the time given; prints each target's executions and new inputs, and their total.
# A crash stops with the input in build/fuzz/artifacts/.
#
# Usage: scripts/fuzz.sh --minutes M     each target for M minutes
#        scripts/fuzz.sh --seconds S     each target for S seconds (the test command's budget)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=""
while [ $# -gt 0 ]; do
  case "$1" in
    --minutes) seconds=$(($2 * 60)); shift 2 ;;
    --seconds) seconds="$2"; shift 2 ;;
    *) echo "usage: scripts/fuzz.sh --minutes M | --seconds S" >&2; exit 2 ;;
  esac
done
if [ -z "$seconds" ] || [ "$seconds" -lt 1 ]; then
  echo "usage: scripts/fuzz.sh --minutes M | --seconds S" >&2
  exit 2
fi

# What each target reads, its longest input and its seeds (read only; new inputs go to
# build/fuzz/corpus-<target>).
targets=(protocol decode_stream profile telnet)
declare -A max_len=([protocol]=512 [decode_stream]=4096 [profile]=2048 [telnet]=1024)
declare -A seeds=([protocol]=tests/fuzz/corpus [decode_stream]=tests/data/captures
  [profile]=tests/fuzz/corpus-profile [telnet]=tests/fuzz/corpus-telnet)

CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTK52_FUZZ=ON >/dev/null
cmake --build build/fuzz -j "$(nproc)" --target "${targets[@]/#/tk52_fuzz_}"
mkdir -p build/fuzz/artifacts

pids=()
for t in "${targets[@]}"; do
  mkdir -p "build/fuzz/corpus-$t"
  build/fuzz/tk52_fuzz_$t -max_total_time="$seconds" -max_len="${max_len[$t]}" \
    -print_final_stats=1 -artifact_prefix="build/fuzz/artifacts/$t-" \
    "build/fuzz/corpus-$t" "${seeds[$t]}" >"build/fuzz/last-run-$t.log" 2>&1 &
  pids+=($!)
done

failed=0
total=0
for i in "${!targets[@]}"; do
  t=${targets[$i]}
  status=0
  wait "${pids[$i]}" || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "build/fuzz/last-run-$t.log")
  added=$(sed -n 's/^stat::new_units_added: *//p' "build/fuzz/last-run-$t.log")
  cov=$(grep -o 'cov: [0-9]*' "build/fuzz/last-run-$t.log" | tail -n 1 || true)
  printf 'fuzz %-14s %12s executions, %6s new inputs, %s edges, %s s\n' "$t" "${runs:-?}" \
    "${added:-?}" "${cov#cov: }" "$seconds"
  total=$((total + ${runs:-0}))
  if [ "$status" -ne 0 ]; then
    tail -n 60 "build/fuzz/last-run-$t.log" >&2
    echo "fuzzing $t found a failure; the input is in build/fuzz/artifacts/" >&2
    failed=1
  fi
done
echo "fuzz: $total executions in all"
exit "$failed"
