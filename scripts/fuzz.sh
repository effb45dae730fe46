#!/usr/bin/env bash
# Runs every libFuzzer target of a build for a bounded time each (seconds, default 20), starting
# from the seeds in tests/fuzz/corpus/<target> and a working corpus kept in the build folder.
# Prints runs and exec/s per target; a crash, leak or hang fails the run and keeps its input.
set -uo pipefail
build=${1:-build-fuzz}
secs=${2:-20}
top=$(cd "$(dirname "$0")/.." && pwd)
out="$top/$build/fuzz"
mkdir -p "$out"
status=0
shopt -s nullglob
for b in "$top/$build"/bin/fuzz_*; do
  name=$(basename "$b")
  work="$out/$name-corpus"
  log="$out/$name.log"
  mkdir -p "$work"
  if timeout $((secs + 120)) "$b" -max_total_time="$secs" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$out/$name-" "$work" "$top/tests/fuzz/corpus/$name" \
      >"$log" 2>&1; then
    runs=$(grep -a 'stat::number_of_executed_units' "$log" | awk '{print $2}')
    rate=$(grep -a 'stat::average_exec_per_sec' "$log" | awk '{print $2}')
    echo "$name: ${runs:-?} runs in ${secs}s, ${rate:-?} exec/s, nothing found"
  else
    echo "$name: FINDING (log: $log)"
    grep -a -A25 '==ERROR\|runtime error\|deadly signal\|Test unit written' "$log" | head -60
    status=1
  fi
done
exit $status
