#!/usr/bin/env bash
# tk52cli.exe as a Windows user runs it: under Wine, against tk52sim on a mapped COM port.
# Identifies the clock, writes a configuration and reads it back, reads a journal to the
# (redirected, so UTF-8) standard output and to an --out file, which must hold the very bytes
# the native tk52cli writes: Windows-1251 with CR LF.
#
# Usage (from scripts/test.sh, with scripts/wine-env.sh sourced and its wineserver running):
#   wine_exe_test.sh TK52CLI_EXE NATIVE_TK52CLI NATIVE_TK52SIM WORK_DIR
set -euo pipefail
# shellcheck source=scripts/wine-env.sh
source "$(dirname "$0")/../../scripts/wine-env.sh"
exe=$1 native=$2 sim=$3 dir=$4
port=COM6
failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

wine_start_sim "$sim" "$port" "$dir" --model TK-52.A --journal-size 2=5
trap 'wine_stop_sim' EXIT
winpath() { echo "Z:${1//\//\\}"; }
# tk52cli.exe; its exit code in $code, standard output in $dir/out, standard error in $dir/err.
cli() {
  code=0
  wine "$exe" --port "$port" "$@" >"$dir/out" 2>"$dir/err" || code=$?
}

cli identify
grep -q '"model":"TK-52.A' "$dir/out" || fail "identify: $(cat "$dir/out" "$dir/err")"
[ "$code" -eq 0 ] || fail "identify exits $code"

cli config write --pps-source 1 --time-format 3
[ "$code" -eq 0 ] || fail "config write exits $code: $(cat "$dir/err")"
cli config read
grep -q '"time_stamp_format":3,.*"pps_source":1' "$dir/out" || fail "config read back: $(cat "$dir/out")"
cli config write --pps-width 7
cli config read
grep -q '"pps_width":7' "$dir/out" || fail "config read back: $(cat "$dir/out")"
# A field the TK-52.A does not have is refused before anything is sent.
cli config write --heating 1
[ "$code" -eq 2 ] || fail "config write --heating on a TK-52.A exits $code"
grep -q -- '--heating: the connected TK-52.A has no such field' "$dir/err" ||
  fail "the refusal names the field: $(cat "$dir/err")"

# The journal: UTF-8 on a redirected standard output, the file's bytes in --out.
cli journal read --type 2 --out "$(winpath "$dir/journal-exe.txt")"
[ "$code" -eq 0 ] || fail "journal read --out exits $code: $(cat "$dir/err")"
cli journal read --type 2
[ "$code" -eq 0 ] || fail "journal read exits $code: $(cat "$dir/err")"
cp "$dir/out" "$dir/journal-utf8.txt"
cli --encoding cp1251 journal read --type 2
cp "$dir/out" "$dir/journal-cp1251.txt"
grep -q '| Включение устройства ' "$dir/journal-utf8.txt" ||
  fail "the journal's text on standard output: $(head -n 2 "$dir/journal-utf8.txt")"
[ "$(grep -c $'\r$' "$dir/journal-exe.txt")" -eq 6 ] || fail "the --out file's lines end in CR LF"
iconv -f CP1251 -t UTF-8 "$dir/journal-exe.txt" | tr -d '\r' | cmp -s - "$dir/journal-utf8.txt" ||
  fail "standard output is not the --out file in UTF-8"
cmp -s "$dir/journal-exe.txt" "$dir/journal-cp1251.txt" ||
  fail "--encoding cp1251 output differs from the --out file"

# The same journal read by the native tk52cli on the same line: the same bytes.
"$native" --port "$dir/line" journal read --type 2 --out "$dir/journal-native.txt" ||
  fail "the native tk52cli read no journal"
cmp -s "$dir/journal-exe.txt" "$dir/journal-native.txt" ||
  fail "tk52cli.exe's --out file differs from the native one"

# A message of the program, in the output's encoding.
code=0
wine "$exe" --port COM9 identify >"$dir/out" 2>"$dir/err" || code=$?
[ "$code" -eq 1 ] || fail "a missing port exits $code"
grep -q 'Не удалось открыть порт.' "$dir/err" || fail "the message on standard error: $(cat "$dir/err")"

if [ "$failures" -ne 0 ]; then
  exit 1
fi
echo "tk52cli.exe under Wine: identify, configuration write and read back, journal in both encodings"
