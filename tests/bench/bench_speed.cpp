// Record-oriented work on 100 000 rows, the engine through ODBC against the SQLite C API on the
// same rows, side by side, in CPU time (writes in wall time: they wait for the disk):
//   - an exact read by key whose text carries a new literal each time, as a host writes it
//     (dynamic cursor, rowset 1, FIRST), against a prepared point look-up;
//   - NEXT with a rowset of 1 on a dynamic cursor, against stepping a statement in one
//     transaction;
//   - a single-row UPDATE by key in autocommit, against a prepared UPDATE at the same durability
//     (WAL, synchronous=FULL).
// Prints each ratio with its goal.
#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "BenchSupport.h"

namespace {

const long kRows = 100000;
const long kStride = 7919;  // keys visited out of order, spread over the table

std::string Key(long x) {
  char k[16];
  std::snprintf(k, sizeof k, "%010ld", x % kRows + 1);
  return k;
}

struct Row {
  char k[11], name[31];
  double amount;
  SQLINTEGER n;
  SQLLEN ik, iname, iamount, in;
};

SQLHSTMT DynamicStmt(bench::Connection& c, Row& r) {
  SQLHSTMT h;
  SQLAllocHandle(SQL_HANDLE_STMT, c.dbc(), &h);
  SQLSetStmtAttr(h, SQL_ATTR_CURSOR_TYPE, (SQLPOINTER)SQL_CURSOR_DYNAMIC, SQL_NTS);
  SQLSetStmtAttr(h, SQL_ATTR_CONCURRENCY, (SQLPOINTER)SQL_CONCUR_VALUES, SQL_NTS);
  SQLSetStmtAttr(h, SQL_ROWSET_SIZE, (SQLPOINTER)1, SQL_NTS);
  SQLBindCol(h, 1, SQL_C_CHAR, r.k, sizeof r.k, &r.ik);
  SQLBindCol(h, 2, SQL_C_CHAR, r.name, sizeof r.name, &r.iname);
  SQLBindCol(h, 3, SQL_C_DOUBLE, &r.amount, 0, &r.iamount);
  SQLBindCol(h, 4, SQL_C_LONG, &r.n, 0, &r.in);
  return h;
}

void CopyRow(sqlite3_stmt* s, Row& r) {
  int n = sqlite3_column_bytes(s, 0);
  std::memcpy(r.k, sqlite3_column_text(s, 0), size_t(n) + 1);
  r.ik = n;
  n = sqlite3_column_bytes(s, 1);
  std::memcpy(r.name, sqlite3_column_text(s, 1), size_t(n) + 1);
  r.iname = n;
  r.amount = sqlite3_column_double(s, 2);
  r.n = sqlite3_column_int(s, 3);
}

void ExactEngine(benchmark::State& state, bench::Connection* c) {
  Row r;
  SQLHSTMT h = DynamicStmt(*c, r);
  SQLULEN fetched = 0;
  SQLUSMALLINT status[1];
  long x = 0;
  for (auto _ : state) {
    std::string key = Key(x += kStride);
    std::string sql = "SELECT * FROM big WHERE ( k>='" + key + "' ) ORDER BY k";
    SQLFreeStmt(h, SQL_CLOSE);
    if (SQLExecDirect(h, (SQLCHAR*)sql.c_str(), SQL_NTS) != SQL_SUCCESS)
      bench::Fail(sql, SQL_HANDLE_STMT, h);
    if (SQLExtendedFetch(h, SQL_FETCH_FIRST, 0, &fetched, status) != SQL_SUCCESS ||
        key != r.k)
      bench::Fail("exact read", SQL_HANDLE_STMT, h);
  }
  SQLFreeHandle(SQL_HANDLE_STMT, h);
}

void ExactRaw(benchmark::State& state, sqlite3* db) {
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db, "SELECT * FROM big WHERE k >= ?1 ORDER BY k LIMIT 1", -1, &s, nullptr);
  Row r;
  long x = 0;
  for (auto _ : state) {
    std::string key = Key(x += kStride);
    sqlite3_bind_text(s, 1, key.data(), int(key.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(s) != SQLITE_ROW) state.SkipWithError("no row");
    CopyRow(s, r);
    sqlite3_reset(s);
  }
  sqlite3_finalize(s);
}

void NextEngine(benchmark::State& state, bench::Connection* c) {
  Row r;
  SQLHSTMT h = DynamicStmt(*c, r);
  const char sql[] = "SELECT * FROM big ORDER BY k";
  if (SQLExecDirect(h, (SQLCHAR*)sql, SQL_NTS) != SQL_SUCCESS) bench::Fail(sql, SQL_HANDLE_STMT, h);
  SQLULEN fetched = 0;
  SQLUSMALLINT status[1];
  for (auto _ : state) {
    SQLRETURN rc = SQLExtendedFetch(h, SQL_FETCH_NEXT, 0, &fetched, status);
    if (rc == SQL_NO_DATA) rc = SQLExtendedFetch(h, SQL_FETCH_FIRST, 0, &fetched, status);
    if (rc != SQL_SUCCESS) bench::Fail("next", SQL_HANDLE_STMT, h);
  }
  SQLFreeHandle(SQL_HANDLE_STMT, h);
}

void NextRaw(benchmark::State& state, sqlite3* db) {
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db, "SELECT * FROM big ORDER BY k", -1, &s, nullptr);
  Row r;
  for (auto _ : state) {
    if (sqlite3_step(s) != SQLITE_ROW) {
      sqlite3_reset(s);
      sqlite3_step(s);
    }
    CopyRow(s, r);
  }
  sqlite3_finalize(s);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
}

void UpdateEngine(benchmark::State& state, bench::Connection* c) {
  SQLHSTMT h;
  SQLAllocHandle(SQL_HANDLE_STMT, c->dbc(), &h);
  long x = 0;
  for (auto _ : state) {
    std::string sql = "UPDATE big SET n = n + 1 WHERE k = '" + Key(x += kStride) + "'";
    if (SQLExecDirect(h, (SQLCHAR*)sql.c_str(), SQL_NTS) != SQL_SUCCESS)
      bench::Fail(sql, SQL_HANDLE_STMT, h);
  }
  SQLFreeHandle(SQL_HANDLE_STMT, h);
}

void UpdateRaw(benchmark::State& state, sqlite3* db) {
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db, "UPDATE big SET n = n + 1 WHERE k = ?1", -1, &s, nullptr);
  long x = 0;
  for (auto _ : state) {
    std::string key = Key(x += kStride);
    sqlite3_bind_text(s, 1, key.data(), int(key.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(s) != SQLITE_DONE || sqlite3_changes(db) != 1) state.SkipWithError("update");
    sqlite3_reset(s);
  }
  sqlite3_finalize(s);
}

}  // namespace

int main(int argc, char** argv) {
  bench::Workspace w;
  std::string plain = w.path() + "/plain.db";
  {
    bench::Connection master(bench::EngineText(w, "master"));
    master.Exec("CREATE DATABASE speed");
  }
  bench::Connection engine(bench::EngineText(w, "speed"));
  std::fprintf(stderr, "filling %ld rows...\n", kRows);
  bench::FillEngine(engine, kRows);
  bench::FillPlain(plain, kRows);
  sqlite3* raw = nullptr;
  sqlite3_open(plain.c_str(), &raw);
  sqlite3_exec(raw, "PRAGMA synchronous=FULL; PRAGMA mmap_size=268435456", nullptr, nullptr,
               nullptr);

  auto cpu = [](benchmark::internal::Benchmark* b) { return b->Unit(benchmark::kMicrosecond); };
  cpu(benchmark::RegisterBenchmark("Exact/engine", ExactEngine, &engine));
  cpu(benchmark::RegisterBenchmark("Exact/raw", ExactRaw, raw));
  cpu(benchmark::RegisterBenchmark("Next1/engine", NextEngine, &engine));
  cpu(benchmark::RegisterBenchmark("Next1/raw", NextRaw, raw));
  cpu(benchmark::RegisterBenchmark("Update/engine", UpdateEngine, &engine))->UseRealTime();
  cpu(benchmark::RegisterBenchmark("Update/raw", UpdateRaw, raw))->UseRealTime();
  bench::KeepingReporter reporter;
  bench::Run(argc, argv, reporter);
  sqlite3_close(raw);

  std::printf("\nEngine against the C API on the same rows:\n");
  struct Goal {
    const char* name;
    const char* what;
    bool speed;  // the goal is a speed ratio (raw time / engine time); else a cost ratio
    double goal;
  } goals[] = {{"Exact", "exact read, new literal, vs prepared look-up (speed)", true, 0.3},
               {"Next1", "NEXT rowset 1 vs stepping (cost, CPU)", false, 2.0},
               {"Update", "UPDATE by key, autocommit (cost, wall)", false, 1.3}};
  for (const Goal& g : goals) {
    auto time = [&](const std::string& n) {
      return g.speed || std::string(g.name) != "Update" ? reporter.CpuNanoseconds(n)
                                                        : reporter.Nanoseconds(n);
    };
    double e = time(std::string(g.name) + "/engine"), r = time(std::string(g.name) + "/raw");
    if (e <= 0 || r <= 0) continue;
    double ratio = g.speed ? r / e : e / r;
    bool ok = g.speed ? ratio >= g.goal : ratio <= g.goal;
    std::printf("  %-55s %9.2f us %9.2f us  %.2f (goal %s %.1f) %s\n", g.what, e / 1e3, r / 1e3,
                ratio, g.speed ? ">=" : "<=", g.goal, ok ? "ok" : "NOT MET");
  }
  return 0;
}
