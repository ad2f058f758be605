# Wine helpers for running the Windows builds on Linux. Source this file, then:
#   wine_start                  prefix ready (cached), a quiet persistent wineserver running
#   wine_map_com COM5 /dev/pts/3  map a COM port to a tty (restarts the wineserver)
#   wine_run prog.exe args...   run a Windows program under the session's wineserver
#   wine_stop                   stop the wineserver (also registered on EXIT by wine_start)
# The prefix is cached in $TK52_WINEPREFIX (default ~/.cache/tk52cfg/wine64); a fresh one takes
# about 15 s to create.

export WINEPREFIX="${TK52_WINEPREFIX:-${HOME}/.cache/tk52cfg/wine64}"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
TK52_WINE_LOG="${TK52_WINE_LOG:-/tmp/tk52-wineserver.$$.log}"

_wine_server_up() {
  # Debian's wineserver exits with the last Wine process; -p keeps it alive for the session.
  # It writes thousands of object lines to the stderr of whoever started it: keep them out.
  wineserver -p >>"$TK52_WINE_LOG" 2>&1 &
  local i
  for i in $(seq 1 100); do
    if wine reg query 'HKCU\Software' >/dev/null 2>&1; then return 0; fi
    sleep 0.1
  done
  echo "wine: the wineserver did not come up (see $TK52_WINE_LOG)" >&2
  return 1
}

wine_start() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine: creating the prefix $WINEPREFIX"
    wineboot -i >>"$TK52_WINE_LOG" 2>&1
    wineserver -w
  fi
  _wine_server_up
  trap 'wine_stop_sim; wine_stop' EXIT
}

wine_map_com() {
  local name="$1" target="$2"
  wine reg add 'HKLM\Software\Wine\Ports' /v "$name" /t REG_SZ /d "$target" /f >/dev/null 2>&1
  # mountmgr reads the Ports key only when it starts.
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  _wine_server_up
}

wine_run() {
  wine "$@"
}

wine_stop() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
}

# Starts tk52sim (built natively at $1) on a pseudo-terminal and maps COM port $2 to it.
# Its control FIFO, its output and the line's link live in $3. Extra arguments go to tk52sim.
# Exports TK52_TEST_PORT, TK52_SIM_CONTROL and TK52_SIM_OUTPUT (as Windows paths) for the
# Windows tests, and TK52_SIM_PID.
wine_start_sim() {
  local sim="$1" port="$2" dir="$3"
  shift 3
  mkdir -p "$dir"
  rm -f "$dir/line" "$dir/control" "$dir/output"
  "$sim" --link "$dir/line" --control "$dir/control" "$@" </dev/null >"$dir/output" 2>&1 &
  TK52_SIM_PID=$!
  local i
  for i in $(seq 1 100); do
    if [ -p "$dir/control" ] && [ -L "$dir/line" ]; then break; fi
    sleep 0.1
  done
  if [ ! -L "$dir/line" ]; then
    echo "tk52sim did not start:" >&2
    cat "$dir/output" >&2
    return 1
  fi
  wine_map_com "$port" "$dir/line"
  export TK52_TEST_PORT="$port"
  export TK52_SIM_CONTROL="Z:${dir//\//\\}\\control"
  export TK52_SIM_OUTPUT="Z:${dir//\//\\}\\output"
  export TK52_SIM_PID
}

wine_stop_sim() {
  if [ -n "${TK52_SIM_PID:-}" ]; then
    kill "$TK52_SIM_PID" 2>/dev/null || true
    wait "$TK52_SIM_PID" 2>/dev/null || true
    TK52_SIM_PID=
  fi
}
