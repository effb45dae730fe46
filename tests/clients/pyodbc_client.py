#!/usr/bin/env python3
"""The engine through pyodbc with its default settings, as a Python user reaches it."""
import datetime
import decimal
import shutil
import subprocess
import sys
import tempfile

import pyodbc

failures = []


def check(name, got, want):
    if got != want:
        failures.append(f"{name}: got {got!r}, want {want!r}")


server = tempfile.mkdtemp(prefix="zorbpy-")
try:
    # A folder is a server of the engine only once it has been made one.
    subprocess.run([sys.argv[1], "ping", "--create", "-S", server], check=True, timeout=60,
                   stdout=subprocess.DEVNULL)
    cn = pyodbc.connect(f"DRIVER={{SQL Server}};SERVER={server};UID=sa;PWD=", autocommit=True)
    cur = cn.cursor()
    cur.execute("CREATE DATABASE py")
    cur.execute("USE py")
    cur.execute("CREATE TABLE t (id int NOT NULL, name varchar(20), amount dec(12,2), "
                "born datetime, note char(4))")
    cur.execute("CREATE UNIQUE INDEX pk ON t (id)")
    cur.execute("INSERT INTO t VALUES (?, ?, ?, ?, ?)",
                1, "Zoë €", decimal.Decimal("1234.50"), datetime.date(2024, 2, 29), None)
    check("rowcount", cur.rowcount, 1)
    row = cur.execute("SELECT id, name, amount, born, note FROM t WHERE name = ?", "Zoë €").fetchone()
    check("read back", tuple(row),
          (1, "Zoë €", decimal.Decimal("1234.50"), datetime.datetime(2024, 2, 29), None))
    check("names", [d[0] for d in cur.description], ["id", "name", "amount", "born", "note"])

    cur.fast_executemany = True
    rows = [(i, f"n{i}", decimal.Decimal(i) / 4, datetime.datetime(2020, 1, i), "ab" if i % 2 else None)
            for i in range(2, 12)]
    cur.executemany("INSERT INTO t (id, name, amount, born, note) VALUES (?, ?, ?, ?, ?)", rows)
    cur.fast_executemany = False
    cur.executemany("INSERT INTO t (id, name) VALUES (?, ?)", [(20, "x"), (21, None)])
    check("count", cur.execute("SELECT COUNT(*) FROM t").fetchval(), 13)
    check("array row", tuple(cur.execute("SELECT amount, note FROM t WHERE id = 5").fetchone()),
          (decimal.Decimal("1.25"), "ab  "))
    wide = decimal.Decimal("1234567890123456789012345678.0123456789")
    cur.execute("CREATE TABLE exact (v dec(38,10))")
    cur.execute("INSERT INTO exact VALUES (?)", wide)
    check("exact decimal", cur.execute("SELECT v FROM exact WHERE v = ?", wide).fetchval(), wide)
    check("exact sum", cur.execute("SELECT SUM(v) + 1 FROM exact").fetchval(),
          decimal.Decimal("1234567890123456789012345679.0123456789"))
    check("exact quotient", cur.execute("SELECT v / 3 FROM exact WHERE v / 3 > 1").fetchval(),
          decimal.Decimal("411522630041152263004115226.0041152263"))
    long_text = "é" * 5000
    cur.execute("CREATE TABLE big (v text)")
    cur.execute("INSERT INTO big VALUES (?)", long_text)
    check("long text", cur.execute("SELECT v FROM big").fetchval(), long_text)

    cur.execute("SELECT 1; SELECT 'two', 3")
    check("first set", cur.fetchall()[0][0], 1)
    check("nextset", cur.nextset(), True)
    check("second set", tuple(cur.fetchone()), ("two", 3))
    check("no more sets", cur.nextset(), False)
    cur.execute("SELECT id FROM t WHERE id < 5; SELECT @@ROWCOUNT")
    check("rows of the first set", len(cur.fetchall()), 4)
    check("@@ROWCOUNT after it", cur.nextset() and cur.fetchval(), 4)

    check("tables", [r.table_name for r in cur.tables(tableType="TABLE")], ["big", "exact", "t"])
    check("columns", [(r.column_name, r.type_name) for r in cur.columns(table="t")][:3],
          [("id", "int"), ("name", "varchar"), ("amount", "decimal")])
    check("statistics", [r.index_name for r in cur.statistics("t") if r.index_name], ["pk"])
    check("primaryKeys", list(cur.primaryKeys("t")), [])
    check("getTypeInfo", "varchar" in [r.type_name for r in cur.getTypeInfo()], True)
    check("foreignKeys", list(cur.foreignKeys(table="t")), [])
    check("procedures", list(cur.procedures()), [])

    try:
        cur.execute("SELECT * FROM nowhere")
        failures.append("missing table: no error")
    except pyodbc.ProgrammingError as e:
        check("error", e.args[0], "42S02")
        check("message", "Invalid object name 'nowhere'." in e.args[1], True)
    cn.close()
finally:
    shutil.rmtree(server, ignore_errors=True)

for f in failures:
    print("FAIL", f)
print(f"{'FAILED' if failures else 'OK'}: {len(failures)} failures")
sys.exit(1 if failures else 0)
