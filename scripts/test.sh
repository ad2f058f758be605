#!/usr/bin/env bash
# Builds both platforms and runs every test: the native suites under AddressSanitizer and
# UndefinedBehaviorSanitizer, the threaded tests under ThreadSanitizer, the unit suite built for
# Windows under Wine, and a bounded fuzz run (scripts/fuzz.sh). Usage:
# scripts/test.sh [--fuzz-seconds N]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

fuzz_seconds=60
while [ $# -gt 0 ]; do
  case "$1" in
    --fuzz-seconds) fuzz_seconds="$2"; shift 2 ;;
    *) echo "usage: scripts/test.sh [--fuzz-seconds N]" >&2; exit 2 ;;
  esac
done

bash scripts/setup.sh
jobs=$(nproc)
step() { printf '\n=== %s\n' "$*"; }

step "formatting (clang-format, the project's .clang-format)"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror

step "static analysis (cppcheck) of the portable code"
cppcheck --enable=warning,style,performance,portability --std=c++20 --inline-suppr \
  --suppress=useStlAlgorithm --suppress=unusedStructMember --error-exitcode=1 --quiet -I src src tools

step "native build, AddressSanitizer + UndefinedBehaviorSanitizer"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTK52_SANITIZE=ON -DTK52_SKIP_TEST_DIRS= >/dev/null
cmake --build build/asan -j "$jobs"
(cd build/asan && ctest --output-on-failure -j "$jobs")

step "native build, ThreadSanitizer"
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTK52_TSAN=ON -DTK52_SKIP_TEST_DIRS= >/dev/null
cmake --build build/tsan -j "$jobs"
(cd build/tsan && ctest --output-on-failure -j "$jobs")

step "Windows build (MinGW-w64, static)"
cmake -S . -B build/win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DTK52_SKIP_TEST_DIRS= >/dev/null
cmake --build build/win64 -j "$jobs"

step "the Windows suites under Wine"
# The port window's tests need a display: a private Xvfb for this run.
display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
for _ in $(seq 1 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
# A prefix of the tests' own: COM5's mapping there is nobody else's.
export TK52_WINEPREFIX="${TK52_WINEPREFIX:-$HOME/.cache/tk52cfg/wine64-tests}"
# shellcheck source=scripts/wine-env.sh
source scripts/wine-env.sh
wine_start
trap 'wine_stop_sim; wine_stop; kill $xvfb_pid 2>/dev/null || true' EXIT
passed() { tr -d '\r' <"$1" | sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\./\1/p'; }
wine_tests=0
run_windows_suite() {  # name, exe
  wine_run "$2" --gtest_brief=1 | tee "build/win64/$1.log"
  wine_tests=$((wine_tests + $(passed "build/win64/$1.log")))
}
run_windows_suite unit build/win64/tests/tk52_unit_tests.exe
run_windows_suite log build/win64/tests/log/tk52_log_tests.exe
# The log's appends reach the disk through FlushFileBuffers (Wine's fsync, seen by strace).
sh tests/log/flush_test.sh wine build/win64/tests/log/tk52_log_tests.exe
wine_tests=$((wine_tests + 1))
run_windows_suite sync build/win64/tests/sync/tk52_sync_tests.exe

step "the Win32 serial link and port list under Wine against tk52sim on COM5"
wine_start_sim build/asan/tools/sim/tk52sim COM5 "$root/build/win64/sim"
run_windows_suite link build/win64/tests/link/tk52_link_tests.exe
run_windows_suite ports build/win64/tests/ports/tk52_ports_tests.exe
wine_stop_sim

step "tk52cli.exe under Wine against tk52sim on COM6"
bash tests/cli/wine_exe_test.sh build/win64/tk52cli.exe build/asan/tk52cli \
  build/asan/tools/sim/tk52sim "$root/build/win64/cli-sim"
wine_tests=$((wine_tests + 1))
wine_stop
kill "$xvfb_pid" 2>/dev/null || true
trap - EXIT
unset DISPLAY

step "the Windows program driven under Wine like an operator would (screenshots in build/win64/screenshots)"
scripts/gui-test.sh | tee build/win64/gui.log
gui_tests=$(sed -n 's/^gui tests: \([0-9]*\) passed.*/\1/p' build/win64/gui.log)

step "fuzzing for ${fuzz_seconds} s of processor time, split between the fuzz targets"
fuzz_targets=4  # tk52_fuzz_protocol, _decode_stream, _profile and _telnet (scripts/fuzz.sh)
scripts/fuzz.sh --seconds "$(( fuzz_seconds / fuzz_targets > 0 ? fuzz_seconds / fuzz_targets : 1 ))"

step "summary"
native=$(cd build/asan && ctest -N | sed -n 's/^Total Tests: //p')
threaded=$(cd build/tsan && ctest -N | sed -n 's/^Total Tests: //p')
echo "native ${native}, ThreadSanitizer ${threaded}, Wine ${wine_tests}, GUI ${gui_tests}, fuzz clean"
echo "tests: $((native + threaded + wine_tests + gui_tests)) passed, 0 failed"
