#!/usr/bin/env bash
# The library exports exactly the functions that zorb.h declares, and nothing else.
set -euo pipefail
lib=$1 header=$2
declared=$(grep -v '^#' "$header" | grep -oE 'ZORB_API[^(]*\(' | sed -E 's/.*[ *]([A-Za-z_][A-Za-z0-9_]*)\($/\1/' | sort)
exported=$(nm -D --defined-only "$lib" | awk '$2 ~ /^[TtWVi]$/ {print $3}' | sort)
if [ "$declared" != "$exported" ]; then
  echo "declared in zorb.h:"; echo "$declared"
  echo "exported by $lib:"; echo "$exported"
  echo "1 failed"
  exit 1
fi
echo "exports: $(echo "$exported" | wc -l) functions, as declared"
