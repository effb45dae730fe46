#!/usr/bin/env bash
# Runs every benchmark program that the build made.
set -euo pipefail
build=${1:-build}
top=$(cd "$(dirname "$0")/.." && pwd)
export ODBCSYSINI="$top/$build/etc"
shopt -s nullglob
for b in "$top/$build"/bin/bench_*; do
  echo "== $(basename "$b")"
  "$b" --benchmark_counters_tabular=true
done
