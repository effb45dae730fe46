// A full scan in key order of 100 000 rows (char(10) key, char(30), dec(12,2), int) in rowsets
// of 10 bound column-wise: the engine with a forward-only and with a dynamic cursor, Debian's
// SQLite ODBC driver over the same rows, and the SQLite C API, side by side. Reports the rates
// and their ratios; the engine must not be slower than the SQLite ODBC driver with either
// cursor, and aims at half the rate of the C API.
#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>

#include "BenchSupport.h"

namespace {

const long kRows = 100000;
const SQLULEN kRowset = 10;
const char kQuery[] = "SELECT k, name, amount, n FROM big ORDER BY k";
const char kMap[] = "PRAGMA mmap_size=268435456";

struct Buffers {
  char k[kRowset][11], name[kRowset][31];
  double amount[kRowset];
  SQLINTEGER n[kRowset];
  SQLLEN ik[kRowset], iname[kRowset], iamount[kRowset], in[kRowset];
};

// Reads the whole result through ODBC; returns the rows read.
long ScanOdbc(bench::Connection& c, SQLULEN cursorType, Buffers& b) {
  SQLHSTMT h;
  SQLAllocHandle(SQL_HANDLE_STMT, c.dbc(), &h);
  if (cursorType != SQL_CURSOR_FORWARD_ONLY)
    SQLSetStmtAttr(h, SQL_ATTR_CURSOR_TYPE, (SQLPOINTER)cursorType, SQL_NTS);
  SQLSetStmtAttr(h, SQL_ATTR_ROW_ARRAY_SIZE, (SQLPOINTER)kRowset, SQL_NTS);
  SQLULEN fetched = 0;
  SQLSetStmtAttr(h, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
  SQLBindCol(h, 1, SQL_C_CHAR, b.k, sizeof b.k[0], b.ik);
  SQLBindCol(h, 2, SQL_C_CHAR, b.name, sizeof b.name[0], b.iname);
  SQLBindCol(h, 3, SQL_C_DOUBLE, b.amount, 0, b.iamount);
  SQLBindCol(h, 4, SQL_C_LONG, b.n, 0, b.in);
  if (!SQL_SUCCEEDED(SQLExecDirect(h, (SQLCHAR*)kQuery, SQL_NTS)))
    bench::Fail(kQuery, SQL_HANDLE_STMT, h);
  long rows = 0;
  SQLRETURN rc;
  while ((rc = SQLFetchScroll(h, SQL_FETCH_NEXT, 0)) == SQL_SUCCESS) rows += long(fetched);
  if (rc != SQL_NO_DATA) bench::Fail("fetch", SQL_HANDLE_STMT, h);
  SQLFreeHandle(SQL_HANDLE_STMT, h);
  return rows;
}

// The same with the C API, copying every value into buffers of the same shape.
long ScanRaw(sqlite3* db, Buffers& b) {
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db, kQuery, -1, &s, nullptr);
  long rows = 0;
  while (sqlite3_step(s) == SQLITE_ROW) {
    size_t r = size_t(rows % long(kRowset));
    int n = sqlite3_column_bytes(s, 0);
    std::memcpy(b.k[r], sqlite3_column_text(s, 0), size_t(n) + 1);
    b.ik[r] = n;
    n = sqlite3_column_bytes(s, 1);
    std::memcpy(b.name[r], sqlite3_column_text(s, 1), size_t(n) + 1);
    b.iname[r] = n;
    b.amount[r] = sqlite3_column_double(s, 2);
    b.n[r] = sqlite3_column_int(s, 3);
    ++rows;
  }
  sqlite3_finalize(s);
  return rows;
}

void Check(benchmark::State& state, long rows) {
  if (rows != kRows) state.SkipWithError("the scan did not read every row");
  state.SetItemsProcessed(state.items_processed() + rows);
}

}  // namespace

int main(int argc, char** argv) {
  bench::Workspace w;
  std::string plain = w.path() + "/plain.db";
  {
    bench::Connection master(bench::EngineText(w, "master"));
    master.Exec("CREATE DATABASE scan");
  }
  bench::Connection engine(bench::EngineText(w, "scan"));
  std::fprintf(stderr, "filling %ld rows...\n", kRows);
  bench::FillEngine(engine, kRows);
  bench::FillPlain(plain, kRows);
  // The SQLite ODBC driver and the C API read with the engine's setting (a memory map), so that
  // the comparison measures the fetch path rather than the page cache.
  bench::Connection odbc("DRIVER={SQLite3};Database=" + plain);
  odbc.Exec(kMap);
  sqlite3* raw = nullptr;
  sqlite3_open_v2(plain.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_exec(raw, kMap, nullptr, nullptr, nullptr);
  auto buffers = std::make_unique<Buffers>();
  Buffers* b = buffers.get();

  struct Entry {
    const char* name;
    std::function<long()> scan;
  } entries[] = {
      {"Scan/engine-forward", [&] { return ScanOdbc(engine, SQL_CURSOR_FORWARD_ONLY, *b); }},
      {"Scan/engine-dynamic", [&] { return ScanOdbc(engine, SQL_CURSOR_DYNAMIC, *b); }},
      {"Scan/sqlite-odbc", [&] { return ScanOdbc(odbc, SQL_CURSOR_FORWARD_ONLY, *b); }},
      {"Scan/sqlite-raw", [&] { return ScanRaw(raw, *b); }},
  };
  for (Entry& e : entries)
    benchmark::RegisterBenchmark(e.name, [&e](benchmark::State& state) {
      for (auto _ : state) Check(state, e.scan());
    })->Unit(benchmark::kMillisecond)->UseRealTime();
  bench::KeepingReporter reporter;
  bench::Run(argc, argv, reporter);
  sqlite3_close(raw);

  double fwd = reporter.Rate("Scan/engine-forward"), dyn = reporter.Rate("Scan/engine-dynamic");
  double odbcRate = reporter.Rate("Scan/sqlite-odbc"), rawRate = reporter.Rate("Scan/sqlite-raw");
  if (fwd <= 0 || dyn <= 0 || odbcRate <= 0 || rawRate <= 0) return 0;  // filtered runs
  std::printf("\nRows per second scanning %ld rows in key order, rowsets of %lu:\n", kRows,
              (unsigned long)kRowset);
  std::printf("  engine, forward-only  %12.0f\n  engine, dynamic       %12.0f\n"
              "  SQLite ODBC driver    %12.0f\n  SQLite C API          %12.0f\n",
              fwd, dyn, odbcRate, rawRate);
  std::printf("Ratios: forward/SQLite ODBC %.2f, dynamic/SQLite ODBC %.2f (required: >= 1)\n",
              fwd / odbcRate, dyn / odbcRate);
  std::printf("        forward/C API %.2f, dynamic/C API %.2f (aim: >= 0.5)\n", fwd / rawRate,
              dyn / rawRate);
  // The same in CPU time, steadier on a busy machine (goals: forward >= 0.9, dynamic >= 0.7).
  double rawCpu = reporter.CpuNanoseconds("Scan/sqlite-raw");
  double fwdCpu = reporter.CpuNanoseconds("Scan/engine-forward");
  double dynCpu = reporter.CpuNanoseconds("Scan/engine-dynamic");
  if (rawCpu > 0 && fwdCpu > 0 && dynCpu > 0)
    std::printf("CPU time: C API %.1f ms, forward %.1f ms (%.2f of the C API's speed, goal 0.9), "
                "dynamic %.1f ms (%.2f, goal 0.7)\n",
                rawCpu / 1e6, fwdCpu / 1e6, rawCpu / fwdCpu, dynCpu / 1e6, rawCpu / dynCpu);
  return fwd >= odbcRate && dyn >= odbcRate ? 0 : 1;
}
