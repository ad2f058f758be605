#!/usr/bin/env bash
# The man page made from tk52cli's help shows every command and option.
# Usage: man_page_test.sh TK52CLI_1
set -u
page=$(MANWIDTH=100 man -l "$1" 2>/dev/null) || { echo "man cannot show $1"; exit 1; }
failures=0
for word in "tk52cli - " decode identify "config read" "config write" "config defaults" find \
  "speed --to" info selftest monitor "journal read" "journal count" "journal clear" "sync watch" \
  "sync now" --port --baud --log --encoding --version "exit codes"; do
  if ! grep -qF -- "$word" <<<"$page"; then
    echo "FAILED: the man page does not show \"$word\""
    failures=$((failures + 1))
  fi
done
[ "$failures" -eq 0 ] && echo "man page: every command and option is shown"
[ "$failures" -eq 0 ]
