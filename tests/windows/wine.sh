#!/usr/bin/env bash
# Runs a Windows test program under Wine, in a throw-away prefix, from the program's folder.
# Every wait is bounded. Usage: wine.sh LOADER PREFIX PROGRAM [ARGUMENTS...]
set -uo pipefail
loader=$1 prefix=$2 program=$3
shift 3
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
server=$(dirname "$loader")/wineserver
[ -x "$server" ] || server=$(command -v wineserver || true)
mkdir -p "$(dirname "$prefix")"

# The first start builds the prefix (slow); one test at a time does it.
(
  flock -w 300 9 || { echo "wine prefix busy"; exit 1; }
  if [ ! -f "$prefix/system.reg" ]; then
    echo "building the Wine prefix $prefix"
    timeout -k 10 240 "$loader" wineboot -i >/dev/null 2>&1 </dev/null
    # The registry reaches the disk when the server stops.
    [ -n "$server" ] && timeout 60 "$server" -w >/dev/null 2>&1 </dev/null
    [ -f "$prefix/system.reg" ] || { echo "wineboot failed"; exit 1; }
  fi
) 9>"$prefix.lock" || exit 1

# Output through a file: a Wine server left running must not hold the test's output open.
cd "$(dirname "$program")" || exit 1
out=$(mktemp)
timeout -k 10 180 "$loader" "$program" "$@" >"$out" 2>&1 </dev/null
rc=$?
tr -d '\r' <"$out"
rm -f "$out"
[ $rc -eq 124 ] && echo "timed out"
[ -n "$server" ] && timeout 30 "$server" -w >/dev/null 2>&1 </dev/null
exit $rc
