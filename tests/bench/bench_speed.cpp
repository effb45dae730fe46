// Record-oriented work on 100 000 rows, the engine through ODBC against the SQLite C API on the
// same rows, side by side, in CPU time (writes in wall time: they wait for the disk):
//   - an exact read by key whose text carries a new literal each time, as a host writes it
//     (dynamic cursor, rowset 1, FIRST), against a prepared point look-up;
//   - NEXT with a rowset of 1 on a dynamic cursor, against stepping a statement in one
//     transaction;
//   - a single-row UPDATE by key and a single-row INSERT in autocommit, against prepared ones at
//     the same durability (WAL, synchronous=FULL).
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

// One write per iteration in autocommit: the engine runs text(x), the C API binds x into the
// prepared sql; both must change one row. x goes on across runs, so inserted keys stay new.
void WriteEngine(benchmark::State& state, bench::Connection* c, std::string (*text)(long)) {
  SQLHSTMT h;
  SQLAllocHandle(SQL_HANDLE_STMT, c->dbc(), &h);
  static long x = 0;
  for (auto _ : state) {
    std::string sql = text(++x);
    SQLLEN rows = 0;
    if (SQLExecDirect(h, (SQLCHAR*)sql.c_str(), SQL_NTS) != SQL_SUCCESS ||
        SQLRowCount(h, &rows) != SQL_SUCCESS || rows != 1)
      bench::Fail(sql, SQL_HANDLE_STMT, h);
  }
  SQLFreeHandle(SQL_HANDLE_STMT, h);
}

void WriteRaw(benchmark::State& state, sqlite3* db, const char* sql,
              std::string (*key)(long)) {
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
  static long x = 0;
  for (auto _ : state) {
    std::string k = key(++x);
    sqlite3_bind_text(s, 1, k.data(), int(k.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(s) != SQLITE_DONE || sqlite3_changes(db) != 1) state.SkipWithError("write");
    sqlite3_reset(s);
  }
  sqlite3_finalize(s);
}

std::string UpdateKey(long x) { return Key(x * kStride); }
std::string UpdateText(long x) {
  return "UPDATE big SET n = n + 1 WHERE k = '" + UpdateKey(x) + "'";
}
// New keys, after every key of the table.
std::string InsertKey(long x) {
  char k[16];
  std::snprintf(k, sizeof k, "N%09ld", x);
  return k;
}
std::string InsertText(long x) {
  return "INSERT INTO big VALUES ('" + InsertKey(x) + "', 'new row', 12.5, 7)";
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
  cpu(benchmark::RegisterBenchmark("Update/engine", WriteEngine, &engine, UpdateText))
      ->UseRealTime();
  cpu(benchmark::RegisterBenchmark("Update/raw", WriteRaw, raw,
                                   "UPDATE big SET n = n + 1 WHERE k = ?1", UpdateKey))
      ->UseRealTime();
  cpu(benchmark::RegisterBenchmark("Insert/engine", WriteEngine, &engine, InsertText))
      ->UseRealTime();
  cpu(benchmark::RegisterBenchmark("Insert/raw", WriteRaw, raw,
                                   "INSERT INTO big VALUES (?1, 'new row', 12.5, 7)", InsertKey))
      ->UseRealTime();
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
               {"Update", "UPDATE by key, autocommit (cost, wall)", false, 1.3},
               {"Insert", "INSERT of one row, autocommit (cost, wall)", false, 1.3}};
  for (const Goal& g : goals) {
    auto time = [&](const std::string& n) {
      bool write = std::string(g.name) == "Update" || std::string(g.name) == "Insert";
      return write ? reporter.Nanoseconds(n) : reporter.CpuNanoseconds(n);
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
