#!/usr/bin/env bash
# Prints every performance figure: the receive path (per sentence kind and on real captures'
# byte streams, with the machine's clock read at every "$"), the link and the operations against
# tk52sim, the log file index beside `wc -l`, the time synchronisation's accuracy, tk52cli decode
# against gpsdecode on the same 100,000 standard sentences, and, when a Windows build and Wine are
# present (scripts/test.sh makes build/win64), the log view's memory and painting under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTK52_BENCH=ON >/dev/null
cmake --build build/bench -j "$(nproc)" --target tk52_protocol_bench tk52_link_bench \
  tk52_log_bench tk52_sync_accuracy_bench tk52cli >/dev/null
section() { printf '\n=== %s\n' "$*"; }

section "receive path"
build/bench/tests/bench/tk52_protocol_bench
section "link and operations against tk52sim"
build/bench/tests/bench/tk52_link_bench
section "log file"
build/bench/tests/bench/tk52_log_bench
section "time synchronisation accuracy"
build/bench/tests/bench/tk52_sync_accuracy_bench

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
section "decode of 100,000 standard sentences (best of 5)"
echo "  tk52cli decode  ${ours} ms"
echo "  gpsdecode -j    ${theirs} ms"
awk -v a="$ours" -v b="$theirs" 'BEGIN { if (a > 0) printf "  gpsdecode / tk52cli = %.1f\n", b / a }'

section "log view under Wine"
if [ ! -f build/win64/CMakeCache.txt ] || ! command -v wine >/dev/null; then
  echo "  skipped: no Windows build (scripts/test.sh makes build/win64) or no Wine"
  exit 0
fi
cmake -S . -B build/win64 -DTK52_BENCH=ON >/dev/null
cmake --build build/win64 -j "$(nproc)" --target tk52_log_view_bench >/dev/null
# The view is a real window: a private Xvfb and the benchmark's own Wine prefix.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(tr -d '[:space:]' <"$work/display")"
export TK52_WINEPREFIX="${TK52_WINEPREFIX:-$HOME/.cache/tk52cfg/wine64-bench}"
# shellcheck source=scripts/wine-env.sh
source scripts/wine-env.sh
wine_start
trap 'wine_stop; kill $xvfb_pid 2>/dev/null || true; rm -rf "$work"' EXIT
wine_run build/win64/tests/bench/tk52_log_view_bench.exe | tr -d '\r'
