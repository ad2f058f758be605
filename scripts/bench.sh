#!/usr/bin/env bash
# Prints the performance figures: the receive path per sentence kind (Google Benchmark), and
# tk52cli decode against gpsdecode on the same 100,000 standard sentences.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTK52_BENCH=ON >/dev/null
cmake --build build/bench -j "$(nproc)" --target tk52_protocol_bench tk52_link_bench tk52cli \
  >/dev/null
build/bench/tests/bench/tk52_protocol_bench
echo
build/bench/tests/bench/tk52_link_bench

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
grep -h -a '^\$GP\(ZDA\|RMC\|GGA\)' tests/data/captures/{hemi,mt3339,haicom-305N}.log |
  tr -d '\r' >"$work/standard.txt"
awk -v n=100000 '{ line[NR] = $0 } END { for (i = 0; i < n; i++) printf "%s\r\n", line[i % NR + 1] }' \
  "$work/standard.txt" >"$work/100k.nmea"

best() {  # best wall time in ms of five runs of "$@" reading $work/100k.nmea
  local best_ms=999999 start end ms
  for _ in 1 2 3 4 5; do
    start=$(date +%s%N)
    "$@" <"$work/100k.nmea" >/dev/null
    end=$(date +%s%N)
    ms=$(((end - start) / 1000000))
    ((ms < best_ms)) && best_ms=$ms
  done
  echo "$best_ms"
}
ours=$(best build/bench/tk52cli decode)
theirs=$(best gpsdecode -j)
echo
echo "decode of 100,000 standard sentences (best of 5):"
echo "  tk52cli decode  ${ours} ms"
echo "  gpsdecode -j    ${theirs} ms"
awk -v a="$ours" -v b="$theirs" 'BEGIN { if (a > 0) printf "  gpsdecode / tk52cli = %.1f\n", b / a }'
