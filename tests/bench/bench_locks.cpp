// Row locks: a block fetch of 10 rows on a dynamic cursor with SQL_CONCUR_LOCK (the rowset's
// rows locked, the previous rowset's released) against the same fetch with SQL_CONCUR_VALUES
// (no locks), over indexed tables of 10 000 rows: "seq", written in key order (consecutive rows
// of a rowset have consecutive rowids, so their lock bytes form one range: one call locks them),
// and "big", whose keys were written scattered (one call per row). Required: on seq the locked
// fetch costs at most twice the unlocked one. Also one increment as the table cursor makes it
// under row locks: a locking SELECT of one row, its fetch and a positioned update.
#include <cstdio>
#include <memory>
#include <string>
#include <utility>

#include "BenchSupport.h"

namespace {

const long kRows = 10000;
const SQLULEN kRowset = 10;
const int kWindow = 100;

void BlockFetch(benchmark::State& state, bench::Connection* c, const char* table,
                SQLULEN concurrency) {
  SQLHSTMT h;
  SQLAllocHandle(SQL_HANDLE_STMT, c->dbc(), &h);
  SQLSetStmtAttr(h, SQL_ATTR_CURSOR_TYPE, (SQLPOINTER)SQL_CURSOR_DYNAMIC, SQL_NTS);
  SQLSetStmtAttr(h, SQL_ATTR_CONCURRENCY, (SQLPOINTER)concurrency, SQL_NTS);
  SQLSetStmtAttr(h, SQL_ROWSET_SIZE, (SQLPOINTER)kRowset, SQL_NTS);
  std::string sql = std::string("SELECT * FROM ") + table + " ORDER BY k";
  if (SQLExecDirect(h, (SQLCHAR*)sql.c_str(), SQL_NTS) != SQL_SUCCESS)
    bench::Fail("select", SQL_HANDLE_STMT, h);
  char k[kRowset][11], name[kRowset][31];
  double amount[kRowset];
  SQLINTEGER n[kRowset];
  SQLLEN ik[kRowset], iname[kRowset], iamount[kRowset], in[kRowset];
  SQLBindCol(h, 1, SQL_C_CHAR, k, sizeof k[0], ik);
  SQLBindCol(h, 2, SQL_C_CHAR, name, sizeof name[0], iname);
  SQLBindCol(h, 3, SQL_C_DOUBLE, amount, 0, iamount);
  SQLBindCol(h, 4, SQL_C_LONG, n, 0, in);
  SQLULEN fetched = 0;
  SQLUSMALLINT status[kRowset];
  auto fetch = [&](SQLUSMALLINT o) {
    SQLRETURN rc = SQLExtendedFetch(h, o, 0, &fetched, status);
    if (rc == SQL_ERROR) bench::Fail("fetch", SQL_HANDLE_STMT, h);
    return rc == SQL_SUCCESS && fetched == kRowset;
  };
  fetch(SQL_FETCH_FIRST);
  int walked = 0;
  for (auto _ : state) {
    if (!fetch(SQL_FETCH_NEXT) || ++walked == kWindow) {
      fetch(SQL_FETCH_FIRST);
      walked = 0;
    }
  }
  state.SetItemsProcessed(state.iterations() * int64_t(kRowset));
  SQLFreeHandle(SQL_HANDLE_STMT, h);
}

void Increment(benchmark::State& state, bench::Connection* c) {
  SQLHSTMT h;
  SQLAllocHandle(SQL_HANDLE_STMT, c->dbc(), &h);
  SQLSetStmtAttr(h, SQL_ATTR_CURSOR_TYPE, (SQLPOINTER)SQL_CURSOR_DYNAMIC, SQL_NTS);
  SQLSetStmtAttr(h, SQL_ATTR_CONCURRENCY, (SQLPOINTER)SQL_CONCUR_LOCK, SQL_NTS);
  SQLINTEGER n = 0;
  SQLLEN in = 0;
  SQLULEN fetched = 0;
  SQLUSMALLINT status[1];
  for (auto _ : state) {
    SQLFreeStmt(h, SQL_CLOSE);
    if (SQLExecDirect(h, (SQLCHAR*)"SELECT n FROM big WHERE k = '0000000005'", SQL_NTS) != SQL_SUCCESS)
      bench::Fail("select", SQL_HANDLE_STMT, h);
    SQLBindCol(h, 1, SQL_C_LONG, &n, 0, &in);
    if (SQLExtendedFetch(h, SQL_FETCH_NEXT, 0, &fetched, status) != SQL_SUCCESS)
      bench::Fail("fetch", SQL_HANDLE_STMT, h);
    ++n;
    if (SQLSetPos(h, 1, SQL_UPDATE, SQL_LOCK_NO_CHANGE) != SQL_SUCCESS)
      bench::Fail("update", SQL_HANDLE_STMT, h);
  }
  SQLFreeHandle(SQL_HANDLE_STMT, h);
}

}  // namespace

int main(int argc, char** argv) {
  bench::Workspace w;
  {
    bench::Connection master(bench::EngineText(w, "master"));
    master.Exec("CREATE DATABASE locks");
  }
  bench::Connection c(bench::EngineText(w, "locks"));
  bench::FillEngine(c, kRows);
  c.Exec("SELECT * INTO seq FROM big WHERE 1 = 0");
  c.Exec("INSERT INTO seq SELECT * FROM big ORDER BY k");
  c.Exec("CREATE UNIQUE INDEX seq_k ON seq (k)");
  for (const char* table : {"seq", "big"})
    for (auto [name, concurrency] : {std::pair{"unlocked", SQLULEN(SQL_CONCUR_VALUES)},
                                     std::pair{"locked", SQLULEN(SQL_CONCUR_LOCK)}}) {
      std::string label = std::string("BlockFetch/") + table + "/" + name;
      benchmark::RegisterBenchmark(label.c_str(), BlockFetch, &c, table, concurrency)
          ->Unit(benchmark::kMicrosecond)
          ->UseRealTime();
    }
  benchmark::RegisterBenchmark("LockedIncrement", Increment, &c)
      ->Unit(benchmark::kMicrosecond)
      ->UseRealTime();
  bench::KeepingReporter reporter;
  bench::Run(argc, argv, reporter);
  bool ok = true;
  std::printf("\nBlock fetch of %lu rows, unlocked and locked (required on seq: <= 2):\n",
              (unsigned long)kRowset);
  for (const char* table : {"seq", "big"}) {
    double a = reporter.Nanoseconds(std::string("BlockFetch/") + table + "/unlocked");
    double b = reporter.Nanoseconds(std::string("BlockFetch/") + table + "/locked");
    bool required = std::string(table) == "seq";
    bool fine = a > 0 && b > 0 && b / a <= 2;
    std::printf("  %-4s %8.2f us  %8.2f us  ratio %.2f %s\n", table, a / 1e3, b / 1e3, b / a,
                fine ? "ok" : required ? "TOO SLOW" : "(rowids scattered: not required)");
    ok = ok && (fine || !required);
  }
  std::printf("  locked increment (SELECT, fetch, SQLSetPos): %.2f us\n",
              reporter.Nanoseconds("LockedIncrement") / 1e3);
  return ok ? 0 : 1;
}
