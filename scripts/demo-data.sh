#!/usr/bin/env bash
# The demo database: a few hundred customers loaded through free SQL, and some queries on them.
set -euo pipefail
zorb=$1
srv=demo db=shop

sql() { "$zorb" sql -S "$srv" -d "$1" "$2"; }
show() { echo; echo "-- $2"; sql "$1" "$2"; }

sql master "DROP DATABASE $db" >/dev/null 2>&1 || true
show master "CREATE DATABASE $db"
show $db "CREATE TABLE customers (code char(6) NOT NULL, name char(30) NOT NULL, city char(20) NULL, balance dec(12,2) NULL, registered datetime NULL)"
show $db "CREATE UNIQUE INDEX customers_indent ON customers (code)"
show $db "CREATE INDEX customers_indent2 ON customers (name, code)"

# 300 customers from a fixed generator, sent in batches of statements separated by ';'.
awk 'BEGIN {
  split("Ana Luis Marta Jorge Elena Pablo Lucia Diego Sara Tomas Irene Hugo Clara Mateo Julia Ivan", fn, " ");
  split("Garcia Lopez Martin Sanchez Perez Gomez Ruiz Diaz Moreno Alvarez Romero Navarro O'"'"'Brien Torres Vega Castro", ln, " ");
  split("Madrid Sevilla Valencia Bilbao Zaragoza Malaga Murcia Vigo", ct, " ");
  seed = 20261205; batch = "";
  for (i = 1; i <= 300; i++) {
    seed = (seed * 1103515245 + 12345) % 2147483648; f = fn[int(seed / 65536) % 16 + 1];
    seed = (seed * 1103515245 + 12345) % 2147483648; l = ln[int(seed / 65536) % 16 + 1];
    seed = (seed * 1103515245 + 12345) % 2147483648; c = ct[int(seed / 65536) % 8 + 1];
    seed = (seed * 1103515245 + 12345) % 2147483648; hi = int(seed / 65536) % 32768;
    seed = (seed * 1103515245 + 12345) % 2147483648; lo = int(seed / 65536) % 32768;
    bal = ((hi * 32768 + lo) % 2500000 - 300000) / 100;
    seed = (seed * 1103515245 + 12345) % 2147483648; d = int(seed / 65536) % 28 + 1;
    seed = (seed * 1103515245 + 12345) % 2147483648; m = int(seed / 65536) % 12 + 1;
    seed = (seed * 1103515245 + 12345) % 2147483648; y = 2019 + int(seed / 65536) % 6;
    name = l ", " f; gsub(/'"'"'/, "'"'"''"'"'", name);
    stmt = sprintf("INSERT INTO customers VALUES ('"'"'C%05d'"'"', '"'"'%s'"'"', '"'"'%s'"'"', %.2f, '"'"'%02d/%02d/%04d'"'"')", i, name, c, bal, d, m, y);
    batch = batch (batch == "" ? "" : "; ") stmt;
    if (i % 40 == 0 || i == 300) { print batch; batch = "" }
  }
}' | while IFS= read -r lote; do
  sql $db "$lote" >/dev/null
done

show $db "SELECT count(*) FROM customers"
show $db "SELECT city, count(*), sum(balance) FROM customers GROUP BY city ORDER BY city"
show $db "SELECT TOP 10 code, name, city, balance FROM customers ORDER BY name, code"
show $db "SELECT code, name, registered FROM customers WHERE registered >= '01/06/2024' AND registered < '01/07/2024' ORDER BY registered, code"
show $db "SELECT code, name, balance FROM customers WHERE name LIKE 'O''Brien%' AND balance > 5000 ORDER BY balance DESC"
