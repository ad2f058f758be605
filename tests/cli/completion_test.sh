#!/usr/bin/env bash
# The bash completion offers, for a line typed so far, the words a user may type next.
# Usage: completion_test.sh COMPLETION_FILE
set -u
# shellcheck disable=SC1090
source "$1"

failures=0
# expect "<line typed, the cursor at its end>" "<words that must be offered>" ["<words that must not>"]
expect() {
  local line=$1 want=$2 unwanted=${3:-}
  read -r -a COMP_WORDS <<<"$line"
  [ "${line: -1}" = " " ] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _tk52cli
  local offered=" ${COMPREPLY[*]} " w
  for w in $want; do
    if [[ $offered != *" $w "* ]]; then
      echo "FAILED: '$line' does not offer $w (offered:$offered)"
      failures=$((failures + 1))
    fi
  done
  for w in $unwanted; do
    if [[ $offered == *" $w "* ]]; then
      echo "FAILED: '$line' offers $w (offered:$offered)"
      failures=$((failures + 1))
    fi
  done
}

expect "tk52cli " "decode identify config find speed info selftest monitor journal sync help"
expect "tk52cli j" "journal" "identify"
expect "tk52cli --port /dev/ttyS0 co" "config"
expect "tk52cli config " "read write defaults" "journal"
expect "tk52cli config write --h" "--heating --help"
expect "tk52cli --baud " "2400 115200"
expect "tk52cli --baud 9600 journal read --" "--type --count --out --port" "--to"
expect "tk52cli journal count --type " "1 2 3"
expect "tk52cli sync " "watch now"
expect "tk52cli --encoding " "utf-8 cp1251"
expect "tk52cli speed --to 38" "38400"
expect "tk52cli help s" "speed selftest sync"
expect "tk52cli decode --model " "0 4"

if [ "$failures" -ne 0 ]; then
  exit 1
fi
echo "completion: every case offered what it should"
