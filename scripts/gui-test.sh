#!/usr/bin/env bash
# End-to-end tests of tk52cfg.exe: the real program under Wine on a private X display, worked by
# the Windows driver tk52_gui_tests.exe against tk52sim on COM5, once for each clock model.
# Builds nothing: run after the Windows and native builds (scripts/test.sh does both).
# Usage: scripts/gui-test.sh [gtest options for every run, e.g. --gtest_filter=Startup.*]
# Pictures of the screen land in build/win64/screenshots/, the driver's output in build/win64/gui-logs/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

exe="${TK52CFG_EXE_BUILD:-$root/build/win64/tk52cfg.exe}"
driver="${TK52_GUI_DRIVER:-$root/build/win64/tests/gui/tk52_gui_tests.exe}"
cli="${TK52CLI_WIN:-$root/build/win64/tk52cli.exe}"
sim="${TK52SIM:-$root/build/asan/tools/sim/tk52sim}"
shots="$root/build/win64/screenshots"
for file in "$exe" "$driver" "$sim" "$cli"; do
  if [ ! -f "$file" ]; then
    echo "gui-test: $file is missing; build first" >&2
    exit 2
  fi
done

work=$(mktemp -d /tmp/tk52-gui.XXXXXX)
xvfb_pid=

# shellcheck disable=SC2317  # called by the EXIT trap
cleanup() {
  local status=$?
  set +e
  wine_stop_sim 2>/dev/null
  wine_stop 2>/dev/null
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
  fi
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# A display of our own: Xvfb picks a free number and tells it through the descriptor.
Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 300); do
  if [ -s "$work/display" ] || ! kill -0 "$xvfb_pid" 2>/dev/null; then break; fi
  sleep 0.05
done
if [ ! -s "$work/display" ]; then
  echo "gui-test: Xvfb did not start:" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi
DISPLAY=":$(tr -d '[:space:]' <"$work/display")"
export DISPLAY

export TK52_WINE_LOG="$work/wineserver.log"
# A Wine prefix of its own (cached like the other): these tests restart its wineserver, take its
# serial ports away for a while and rewrite the program's settings in it.
export TK52_WINEPREFIX="${TK52_GUI_WINEPREFIX:-${HOME}/.cache/tk52cfg/wine64-gui}"
# shellcheck source=scripts/wine-env.sh
source scripts/wine-env.sh
wine_start
# wine_start put its own EXIT trap in place; ours stops the clock and Wine as well.
trap cleanup EXIT
# The display tests change the scale and the visual styles and put them back; a run that was
# killed half-way could not, so every run starts from 96 dpi with the styles on.
wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1 || true
wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager' /v ThemeActive \
  /t REG_SZ /d 1 /f >/dev/null 2>&1 || true

winpath() { winepath -w "$1" 2>/dev/null; }

logs="$root/build/win64/gui-logs"
rm -rf "$shots" "$logs"
mkdir -p "$shots" "$logs" "$work/shots"
export TK52_GUI_SHOTS TK52CLI_EXE
TK52_GUI_SHOTS=$(winpath "$work/shots")
# The journal lines are compared with what tk52cli writes for the same clock.
TK52CLI_EXE=$(winpath "$cli")

passed=0
failed=0
status=0
# The whole set against the first model; the identification test against the others.
# TK52_GUI_MODELS="TK-52.00 TK-53" limits the runs to those models.
models=${TK52_GUI_MODELS:-TK-52.00 TK-52.01 TK-52.A TK-53}
first=true
for model in $models; do
  if $first; then filter='*'; else filter='Connection.IdentifiesTheModel'; fi
  first=false
  printf '\n=== GUI tests, clock %s\n' "$model"
  # A folder of its own for the program, so that its journal.txt starts empty.
  folder="$work/run-$model"
  mkdir -p "$folder"
  cp "$exe" "$folder/tk52cfg.exe"
  # The help file goes beside the program, as it is shipped.
  if [ -f "$(dirname "$exe")/tkhelp.chm" ]; then cp "$(dirname "$exe")/tkhelp.chm" "$folder/"; fi
  wine_start_sim "$sim" COM5 "$work/sim" --model "$model"
  export TK52_SIM_MODEL="$model"
  export TK52CFG_EXE
  TK52CFG_EXE=$(winpath "$folder/tk52cfg.exe")
  log="$logs/driver-$model.log"
  set +e
  # Every wait in the driver is bounded; this bounds the whole run as well.
  timeout 900 wine "$driver" --gtest_filter="$filter" "$@" 2>&1 | tr -d '\r' | tee "$log"
  code=${PIPESTATUS[0]}
  set -e
  wine_stop_sim
  summary=$(sed -n 's/^\([0-9]*\) passed, \([0-9]*\) failed$/\1 \2/p' "$log" | tail -n 1)
  if [ -z "$summary" ]; then
    echo "gui-test: the driver ended without a summary (exit code $code); see ${log#"$root"/}" >&2
    failed=$((failed + 1))
    status=1
    continue
  fi
  passed=$((passed + ${summary% *}))
  failed=$((failed + ${summary#* }))
  if [ "$code" -ne 0 ]; then status=1; fi
done

# The pictures, as PNG.
for picture in "$work"/shots/*.bmp; do
  [ -e "$picture" ] || continue
  name=$(basename "$picture" .bmp)
  convert "$picture" "$shots/$name.png" 2>/dev/null || cp "$picture" "$shots/$name.bmp"
done

printf '\ngui tests: %d passed, %d failed (pictures in %s, driver output in %s)\n' "$passed" "$failed" \
  "${shots#"$root"/}" "${logs#"$root"/}"
if [ "$failed" -ne 0 ]; then status=1; fi
exit "$status"
