#!/bin/sh
# The log's appends reach the disk: the append test, watched by strace, flushes the file
# (fdatasync natively; FlushFileBuffers, which Wine turns into fsync, under Wine).
# Usage: flush_test.sh [wine] TK52_LOG_TESTS
# LeakSanitizer cannot run under ptrace: it is off here.
set -eu
trace=$(mktemp)
trap 'rm -f "$trace"' EXIT
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
  strace -f -qq -e trace=fdatasync,fsync -o "$trace" \
  "$@" --gtest_filter='LogFileTest.AppendEndsTheBlockWithCrLfUnlessItEndsInLf' >/dev/null
flushes=$(grep -c 'sync(' "$trace" || true)
if [ "$flushes" -eq 0 ]; then
  echo "no append was flushed to the disk" >&2
  exit 1
fi
echo "appends flushed: $flushes"
