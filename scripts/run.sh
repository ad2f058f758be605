#!/usr/bin/env bash
# Runs the configurator on its built-in default: tk52sim, the software clock, on a virtual COM
# port (COM5, a pseudo-terminal mapped into the program's Wine prefix), and tk52cfg.exe under
# Wine talking to it, with COM5 remembered as its port.
#
#   scripts/run.sh [--model TK-52.00|TK-52.01|TK-52.A|TK-53] [any other tk52sim options]
#
# With no X display it runs on Xvfb, writes a screenshot every 5 seconds into build/run/screenshots,
# and shows the program at work there: it connects to the clock, reads the link journal and lets
# the synchronisation page run, with a picture of each page (page-*.png) beside the periodic
# ones. The traffic log is build/run/journal.txt, the journal listing build/run/event_journal.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/setup.sh

sim_args=("$@")
if [ ${#sim_args[@]} -eq 0 ]; then sim_args=(--model TK-52.A); fi

echo "run: building tk52cfg.exe and tk52sim"
cmake -S . -B build/win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/win64 --target tk52cfg tk52_demo >/dev/null
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/native --target tk52sim >/dev/null

run="$root/build/run"
mkdir -p "$run/screenshots"
cp build/win64/tk52cfg.exe build/win64/tkhelp.chm "$run/"

xvfb_pid=
shooter_pid=
cleanup() {
  [ -n "$shooter_pid" ] && kill "$shooter_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  display=99
  while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
  Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$display"
  for _ in $(seq 1 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  (while sleep 5; do
     import -display "$DISPLAY" -window root "$run/screenshots/$(date +%H%M%S).png" 2>/dev/null
   done) &
  shooter_pid=$!
  echo "run: no display; running on Xvfb $DISPLAY, screenshots every 5 s in $run/screenshots"
fi

# shellcheck source=scripts/wine-env.sh
source scripts/wine-env.sh
wine_start
trap 'cleanup; wine_stop_sim; wine_stop' EXIT
wine_start_sim build/native/tools/sim/tk52sim COM5 "$run/sim" "${sim_args[@]}"
key='HKCU\Software\Кех\Конфигуратор радиочасов КЕХ ТК-52'
wine reg add "$key" /v ComPort /t REG_SZ /d COM5 /f >/dev/null 2>&1
wine reg add "$key" /v BaudRate /t REG_DWORD /d 6 /f >/dev/null 2>&1

echo "run: tk52sim ${sim_args[*]} on COM5; starting tk52cfg.exe (close its window to end)"
if [ -z "$xvfb_pid" ]; then
  (cd "$run" && wine tk52cfg.exe)
  exit 0
fi
# Nobody watches this display: work the program as an operator would and picture each page.
(cd "$run" && wine tk52cfg.exe) &
program_pid=$!
rm -rf "$run/pages"
mkdir -p "$run/pages"
TK52_GUI_SHOTS=$(winepath -w "$run/pages" 2>/dev/null)
export TK52_GUI_SHOTS
if wine build/win64/tests/gui/tk52_demo.exe; then
  for picture in "$run"/pages/*.bmp; do
    [ -e "$picture" ] || continue
    convert "$picture" "$run/screenshots/page-$(basename "$picture" .bmp).png"
  done
  echo "run: connected to the clock; pictures of the pages in $run/screenshots/page-*.png" \
    "(Ctrl+C ends the program)"
else
  echo "run: the program could not be shown at work; see the screenshots in $run/screenshots" >&2
fi
wait "$program_pid"
