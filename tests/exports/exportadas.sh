#!/usr/bin/env bash
# The library exports exactly the twelve functions of the host's interface, zorb.h declares
# them, and the Windows export table names the same ones.
set -euo pipefail
lib=$1 header=$2 def=$3
twelve=$(printf '%s\n' NvoGrpOdbc mOdbc DelGrpOdbc MacroSQL DelMacroSQL NvaBaseD DelBaseD \
  NvoArchSQL DelArchSQL DropArcSQL CorrigeIndices AjtCmpsSQL | sort)
declared=$(grep -v '^#' "$header" | grep -oE 'ZORB_API[^(]*\(' | sed -E 's/.*[ *]([A-Za-z_][A-Za-z0-9_]*)\($/\1/' | sort)
exported=$(nm -D --defined-only "$lib" | awk '$2 ~ /^[TtWVi]$/ {print $3}' | sort)
listed=$(sed -n '/^EXPORTS/,$p' "$def" | tail -n +2 | awk 'NF {print $1}' | sort)
status=0
if [ "$twelve" != "$exported" ]; then
  echo "the twelve:"; echo "$twelve"
  echo "exported by $lib:"; echo "$exported"
  status=1
fi
if [ "$declared" != "$exported" ]; then
  echo "declared in zorb.h:"; echo "$declared"
  echo "exported by $lib:"; echo "$exported"
  status=1
fi
if [ "$declared" != "$listed" ]; then
  echo "declared in zorb.h:"; echo "$declared"
  echo "listed in $def:"; echo "$listed"
  status=1
fi
[ $status -eq 0 ] && echo "exports: $(echo "$exported" | wc -l) functions, as declared"
exit $status
