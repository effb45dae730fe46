#!/usr/bin/env bash
# The data-file commands of zorb as a user runs them: tables, dump, restructure.
set -u
. "$(dirname "$0")/check.sh"
zorb=$1
tmp=$(mktemp -d /tmp/zorbfiles-XXXXXX)
trap 'rm -rf "$tmp"' EXIT
srv="$tmp/srv"
cd "$tmp"
z() { timeout 60 "$zorb" "$@"; }
z ping --create -S "$srv" >/dev/null
c=(-S "$srv" -d shop)

z sql -S "$srv" "CREATE DATABASE shop" >/dev/null
z sql "${c[@]}" "create table T (C1 char(8) NULL, C2 dec(10,2) NULL, C3 datetime NULL);
  create index T_indent on T (C1); create index T_indent2 on T (C3, C1);
  create table plain (a int NULL); insert into T values ('b2', 2.25, '1999-12-31');
  insert into T values ('a1', 1.5, '2020-01-15'); insert into T values ('O''c3', -7, '2000-01-01')" >/dev/null

check tables 0 "table | records | fields | keys
------+---------+--------+-----------------
plain | 0       | 1      | (none)
T     | 3       | 3      | 1:(C1) 2:(C3,C1)
(2 tables)" -- z tables "${c[@]}"
check dump 0 "C1   | C2   | C3
-----+------+---------
a1   | 1.5  | 15/01/20
b2   | 2.25 | 31/12/99
O'c3 | -7   | 01/01/00
(3 records)" -- z dump T "${c[@]}"
check dump-key2-limit 0 "C1 | C2   | C3
---+------+---------
b2 | 2.25 | 31/12/99
(1 record)" -- z dump T "${c[@]}" --key 2 --limit 1
check dump-from-filters 0 "C1   | C2 | C3
-----+----+---------
O'c3 | -7 | 01/01/00
(1 record)" -- z dump T "${c[@]}" --from b3 --filter C3 '>=' 01/01/2000 --filter 2 '<' 2
check dump-like 0 "C1 | C2 | C3
---+----+---
(0 records)" -- z dump T "${c[@]}" --filter C1 like 'x%'
check dump-no-table 1 "zorb dump: no table 'nohay' in database shop" -- z dump nohay "${c[@]}"
check dump-bad-name 1 "zorb dump: 'T;drop' cannot be opened as a table" -- z dump 'T;drop' "${c[@]}"
check dump-no-key 1 "zorb dump: T has no key 3 (its keys: 1:(C1) 2:(C3,C1))" -- z dump T "${c[@]}" --key 3
check dump-bad-field 2 "zorb dump: T has no field 'C4' (C1 to C3)" -- z dump T "${c[@]}" --filter C4 = x
check dump-bad-op 2 "zorb dump: '=>' is not a comparison (= != > >= < <= like)" -- z dump T "${c[@]}" --filter C1 '=>' x
check dump-bad-date 2 "zorb dump: C3 is a date: '2020-01-01' is not dd/mm/yyyy" -- z dump T "${c[@]}" --filter C3 = 2020-01-01
check dump-usage 2 "zorb dump: --filter needs FIELD OP VALUE (see zorb dump --help)" -- z dump T "${c[@]}" --filter C1 =
check tables-usage 2 "zorb tables: -S SERVER and -d DATABASE are needed (see zorb tables --help)" -- z tables -S "$srv"
check tables-no-db 1 "zorb tables: cannot connect to $srv, database nodb" -- z tables -S "$srv" -d nodb

printf '%s\n' "# T with a code field more" "field text 8" "field number 10 2" "field date" \
  "field text 4   # code" "key 1" "key 4 1" > layout
check restructure 0 "OK: T has 4 fields and 2 keys, 3 records" -- z restructure T "${c[@]}" --layout layout
check restructured 0 "C1   | C2   | C3       | C4
-----+------+----------+---
a1   | 1.5  | 15/01/20 | 
b2   | 2.25 | 31/12/99 | 
O'c3 | -7   | 01/01/00 | 
(3 records)" -- z dump T "${c[@]}" --key 2
out=$(z restructure T "${c[@]}" --layout layout --progress 2>&1 >/dev/null)
case "$out" in *"[########################################] 100% 3/3"*) pass=$((pass + 1)) ;;
  *) fail=$((fail + 1)); echo "FAIL progress bar: $out" ;; esac
printf 'field text 8\nkey 2\n' > bad1
printf 'key 1\nfield text 8\n' > bad2
printf 'field number 5 7\n' > bad3
check layout-key 2 "zorb restructure: bad1:2: '2' is not a field of the layout (1 to 1)" -- z restructure T "${c[@]}" --layout bad1
check layout-order 2 "zorb restructure: bad2:1: '1' is not a field of the layout (1 to 0)" -- z restructure T "${c[@]}" --layout bad2
check layout-decimals 2 "zorb restructure: bad3:1: the decimals of a number go from 0 to 15, within its digits" -- z restructure T "${c[@]}" --layout bad3
check layout-missing 2 "zorb restructure: cannot read the layout file nofile" -- z restructure T "${c[@]}" --layout nofile
check restructure-usage 2 "zorb restructure: a TABLE and --layout FILE are needed (see zorb restructure --help)" -- z restructure T "${c[@]}"
for cmd in tables dump restructure; do
  z $cmd --help | grep -q "^usage: zorb $cmd " && pass=$((pass + 1)) || { fail=$((fail + 1)); echo "FAIL $cmd --help"; }
done
[ -e ZorbLog.txt ] && { fail=$((fail + 1)); echo "FAIL: a log record"; cat ZorbLog.txt; } || pass=$((pass + 1))
# A number that no longer fits: the table keeps its layout and its records, and the log says why.
z sql "${c[@]}" "insert into T values ('d4', 12345.67, NULL, '')" >/dev/null
printf 'field text 8\nfield number 2 1\n' > narrow
check restructure-stopped 1 "zorb restructure: T kept its layout: the restructuring stopped (see ZorbLog.txt)" -- z restructure T "${c[@]}" --layout narrow
grep -q "Restructuring stopped: 3 of the 4 records to carry over reached TEMP_T" ZorbLog.txt && pass=$((pass + 1)) ||
  { fail=$((fail + 1)); echo "FAIL stopped log"; cat ZorbLog.txt; }

echo "$pass passed, $fail failed"
[ "$fail" -eq 0 ]
