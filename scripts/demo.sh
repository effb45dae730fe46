#!/usr/bin/env bash
# The main job on the embedded engine: a demo server, and a connection to it as a host makes one.
set -euo pipefail
build=${1:-build}
top=$(cd "$(dirname "$0")/.." && pwd)
export ODBCSYSINI="$top/$build/etc"
zorb="$top/$build/bin/zorb"
mkdir -p "$top/var/work"
cd "$top/var/work"   # the log, if anything goes wrong, lands here
"$zorb" ping --create -S demo
if [ -x "$top/scripts/demo-data.sh" ]; then
  "$top/scripts/demo-data.sh" "$zorb"
  "$top/scripts/demo-file.sh" "$zorb" "$top/$build/bin/zorb-demo-host" "$top"
fi
