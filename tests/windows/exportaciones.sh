#!/usr/bin/env bash
# The DLL's export table names exactly the functions that zorb.h declares and ZORB.def lists,
# undecorated; the DLL imports nothing but system DLLs.
set -euo pipefail
objdump=$1 dll=$2 header=$3 def=$4
declared=$(grep -v '^#' "$header" | grep -oE 'ZORB_API[^(]*\(' | sed -E 's/.*[ *]([A-Za-z_][A-Za-z0-9_]*)\($/\1/' | sort)
listed=$(sed -n '/^EXPORTS/,$p' "$def" | tail -n +2 | awk 'NF {print $1}' | sort)
table=$("$objdump" -p "$dll")
exported=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$table" | sed -nE 's/^\s*\[ *[0-9]+\] (.*)$/\1/p' | sort)
imports=$(sed -nE 's/^\s*DLL Name: (.*)$/\1/p' <<<"$table" | tr 'a-z' 'A-Z' | sort -u)
status=0
if [ -z "$declared" ] || [ "$declared" != "$exported" ] || [ "$declared" != "$listed" ]; then
  echo "declared in zorb.h:"; echo "$declared"
  echo "listed in ZORB.def:"; echo "$listed"
  echo "exported by $dll:"; echo "$exported"
  status=1
fi
for d in $imports; do
  case $d in
    KERNEL32.DLL|ODBC32.DLL|MSVCRT.DLL) ;;
    *) echo "imports $d: not a system DLL"; status=1 ;;
  esac
done
[ $status -eq 0 ] && echo "$(basename "$dll"): $(wc -l <<<"$exported") exports as declared; imports" $imports
exit $status
