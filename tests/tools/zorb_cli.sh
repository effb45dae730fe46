#!/usr/bin/env bash
# The zorb command as a user runs it: output texts and exit codes.
set -u
. "$(dirname "$0")/check.sh"
zorb=$1
tmp=$(mktemp -d /tmp/zorbcli-XXXXXX)
trap 'rm -rf "$tmp"' EXIT
srv="$tmp/srv"
cd "$tmp"

# Servers are made only by ping --create; a text outside a server name is refused first.
check not-a-server 1 "zorb ping: cannot connect to server '$tmp', database 'master'" -- "$zorb" ping -S "$tmp"
check create-outside 1 "zorb ping: cannot create server '$tmp/a/../b': SQL Server does not exist or access denied." -- "$zorb" ping --create -S "$tmp/a/../b"
check create-up 1 "zorb ping: cannot create server '../../x': SQL Server does not exist or access denied." -- "$zorb" ping --create -S ../../x
out=$("$zorb" ping --create -S "$srv") && [ -f "$srv/master.db" ] && [ ! -e "$tmp/a" ] && [ ! -e "$tmp/master.db" ] &&
  pass=$((pass + 1)) || { fail=$((fail + 1)); echo "FAIL ping --create: $out"; }
check create-db 0 "OK" -- "$zorb" sql -S "$srv" "CREATE DATABASE tienda"
check create-table 0 "OK" -- "$zorb" sql -S "$srv" -d tienda "CREATE TABLE t (C1 int, C2 char(10))"
check insert 0 "(1 row affected)" -- "$zorb" sql -S "$srv" -d tienda "INSERT INTO t VALUES (1, 'uno')"
check insert-dq 0 "(1 row affected)" -- "$zorb" sql -S "$srv" -d tienda "INSERT INTO t VALUES (22, \"dos\")"
check insert-quote 0 "(1 row affected)" -- "$zorb" sql -S "$srv" -d tienda "INSERT INTO t VALUES (333, 'O''tres')"
check update 0 "(2 rows affected)" -- "$zorb" sql -S "$srv" -d tienda "UPDATE t SET C2 = 'x' WHERE C1 < 100"
check select 0 "C1  | C2
----+-------
1   | x
22  | x
333 | O'tres
(3 rows)" -- "$zorb" sql -S "$srv" -d tienda "SELECT C1, C2 FROM t ORDER BY C1"
check empty 0 "C1
--
(0 rows)" -- "$zorb" sql -S "$srv" -d tienda "SELECT C1 FROM t WHERE C1 = 0"
check computed 0 "n | (No column name) | a b | c'd | C1+1 | e]f
--+------------------+-----+-----+------+----
3 | x                | 2   | 3   | 4    | 5
(1 row)" -- "$zorb" sql -S "$srv" -d tienda "SELECT COUNT(*) AS n, MAX(C2), 1+1 AS [a b], 3 AS 'c''d', 4 AS [C1+1], 5 [e]]f] FROM t"
check alias-equals 0 "[a b] | n | m
------+---+---
2     | 3 | 22
(1 row)" -- "$zorb" sql -S "$srv" -d tienda "SELECT TOP 1 [[a b]]] = 1 + 1, n = (SELECT COUNT(*) FROM t), m FROM (SELECT m = C1 FROM t WHERE C1 > 1) s ORDER BY m"
check bad-table 1 "zorb sql: [ZORB][Engine]Invalid object name 'nohay'." -- "$zorb" sql -S "$srv" -d tienda "SELECT * FROM nohay"
check no-db 1 "zorb sql: cannot connect to $srv, database nodb" -- "$zorb" sql -S "$srv" -d nodb "SELECT 1"
"$zorb" sql -S "$srv" -d tienda "CREATE INDEX TEMP_t_indent ON t (C1)" >/dev/null
check repair 0 "OK" -- "$zorb" repair -S "$srv" -d tienda
"$zorb" sql -S "$srv" -d tienda "sp_helpindex t" | grep -q '^t_indent ' && pass=$((pass + 1)) ||
  { fail=$((fail + 1)); echo "FAIL repaired: $("$zorb" sql -S "$srv" -d tienda "sp_helpindex t")"; }
check repair-no-db 1 "zorb repair: cannot connect to $srv, database nodb" -- "$zorb" repair -S "$srv" -d nodb
check usage 2 "zorb sql: -S SERVER and a statement are needed (see zorb sql --help)" -- "$zorb" sql -S "$srv"
check unknown 2 "zorb: unknown command 'frob' (see zorb --help)" -- "$zorb" frob
check ping-missing 1 "zorb ping: cannot connect to server '$tmp/none', database 'master'" -- "$zorb" ping -S "$tmp/none"
out=$("$zorb" ping -S "$srv" -d tienda) && case "$out" in
  *"database: tienda"*"connected in "*" ms") pass=$((pass + 1)) ;;
  *) fail=$((fail + 1)); echo "FAIL ping: $out" ;;
esac || { fail=$((fail + 1)); echo "FAIL ping: exit $?"; }
"$zorb" sql --help | grep -q 'usage: zorb sql' && pass=$((pass + 1)) || { fail=$((fail + 1)); echo "FAIL sql --help"; }
[ -e ZorbLog.txt ] && { fail=$((fail + 1)); echo "FAIL: the tool wrote a log record"; cat ZorbLog.txt; } || pass=$((pass + 1))

echo "$pass passed, $fail failed"
[ "$fail" -eq 0 ]
