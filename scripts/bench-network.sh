#!/usr/bin/env bash
# What the network hop costs: tk52cli against tk52sim on a pseudo-terminal directly, and the
# same line served by ser2net on this machine as raw TCP and as RFC 2217. Prints the connect
# time (identify: connect, identification, configuration, disconnect; best of 5) and the rate
# of a 2000-record journal read (best of 3) for each. Release build in build/bench.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTK52_BENCH=ON >/dev/null
cmake --build build/bench -j "$(nproc)" --target tk52cli tk52sim >/dev/null
work=$(mktemp -d)
cleanup() {
  kill "${s2n_pid:-}" "${sim_pid:-}" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

build/bench/tools/sim/tk52sim --link "$work/line" --model TK-52.A --journal-size 1=2000 \
  </dev/null >"$work/sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 1 100); do [ -L "$work/line" ] && break; sleep 0.1; done
device=$(readlink -f "$work/line")
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
raw=$(free_port)
telnet=$(free_port)
ser2net -n -u -Y "connection: &raw" -Y "  accepter: tcp,127.0.0.1,$raw" \
  -Y "  connector: serialdev,$device,115200n81,local" \
  -Y "connection: &telnet" -Y "  accepter: telnet(rfc2217),tcp,127.0.0.1,$telnet" \
  -Y "  connector: serialdev,$device,115200n81,local" >"$work/ser2net.log" 2>&1 &
s2n_pid=$!
listening() { grep -q ":$(printf '%04X' "$1") 00000000:0000 0A" /proc/net/tcp; }
for _ in $(seq 1 100); do listening "$raw" && listening "$telnet" && break; sleep 0.1; done

best_ms() {  # runs, command...
  local runs=$1 best=999999 start end ms
  shift
  for _ in $(seq 1 "$runs"); do
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    ms=$(((end - start) / 1000000))
    ((ms < best)) && best=$ms
  done
  echo "$best"
}

printf '%-34s %12s %22s\n' "line" "connect, ms" "journal, records/s"
for port in "$work/line" "tcp://127.0.0.1:$raw" "rfc2217://127.0.0.1:$telnet"; do
  connect=$(best_ms 5 build/bench/tk52cli --port "$port" identify)
  journal=$(best_ms 3 build/bench/tk52cli --port "$port" journal read)
  label=$port
  [ "$port" = "$work/line" ] && label="pseudo-terminal"
  printf '%-34s %12s %22s\n' "$label" "$connect" "$(awk -v ms="$journal" 'BEGIN { printf "%.0f", 2000000 / ms }')"
done
