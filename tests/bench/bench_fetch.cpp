// Block fetches on a dynamic cursor (SELECT * ... ORDER BY key, rowset 10, as the library reads
// a table) over an indexed table of 10 000 and of 1 000 000 rows, and the table cursor's keyed
// read (a SELECT with a key condition and its first fetch). A fetch runs bounded queries from
// the rowset's boundary, so its cost must not grow with the table: the program reports the time
// on the large table over that on the small one (required: at most 1.5), beside the same ratio
// for the SQLite C API walking a plain copy of each table.
#include <sqlite3.h>

#include <cstdio>
#include <memory>

#include "BenchSupport.h"

namespace {

const long kSmall = 10000, kLarge = 1000000;
const SQLULEN kRowset = 10;
const int kWindow = 100;
const double kMaxRatio = 1.5;

struct Orientation {
  SQLUSMALLINT code;
  const char* name;
};
const Orientation kOrientations[] = {{SQL_FETCH_FIRST, "FIRST"},
                                     {SQL_FETCH_NEXT, "NEXT"},
                                     {SQL_FETCH_LAST, "LAST"},
                                     {SQL_FETCH_PRIOR, "PRIOR"}};

// A statement with the table's dynamic cursor open and its columns bound column-wise.
class Cursor {
 public:
  explicit Cursor(bench::Connection& c) {
    SQLAllocHandle(SQL_HANDLE_STMT, c.dbc(), &h_);
    SQLSetStmtAttr(h_, SQL_ATTR_CURSOR_TYPE, (SQLPOINTER)SQL_CURSOR_DYNAMIC, SQL_NTS);
    SQLSetStmtAttr(h_, SQL_ATTR_CONCURRENCY, (SQLPOINTER)SQL_CONCUR_VALUES, SQL_NTS);
    SQLSetStmtAttr(h_, SQL_ROWSET_SIZE, (SQLPOINTER)kRowset, SQL_NTS);
    if (SQLExecDirect(h_, (SQLCHAR*)"SELECT * FROM big ORDER BY k", SQL_NTS) != SQL_SUCCESS)
      bench::Fail("select", SQL_HANDLE_STMT, h_);
    SQLBindCol(h_, 1, SQL_C_CHAR, k_, sizeof k_[0], ik_);
    SQLBindCol(h_, 2, SQL_C_CHAR, name_, sizeof name_[0], iname_);
    SQLBindCol(h_, 3, SQL_C_DOUBLE, amount_, 0, iamount_);
    SQLBindCol(h_, 4, SQL_C_LONG, n_, 0, in_);
  }
  ~Cursor() { SQLFreeHandle(SQL_HANDLE_STMT, h_); }
  // One block fetch; false when it did not bring a whole rowset.
  bool Fetch(SQLUSMALLINT orientation) {
    SQLRETURN rc = SQLExtendedFetch(h_, orientation, 0, &fetched_, status_);
    if (rc == SQL_ERROR) bench::Fail("fetch", SQL_HANDLE_STMT, h_);
    return rc == SQL_SUCCESS && fetched_ == kRowset;
  }

 private:
  SQLHSTMT h_ = SQL_NULL_HSTMT;
  char k_[kRowset][11], name_[kRowset][31];
  double amount_[kRowset];
  SQLINTEGER n_[kRowset];
  SQLLEN ik_[kRowset], iname_[kRowset], iamount_[kRowset], in_[kRowset];
  SQLULEN fetched_ = 0;
  SQLUSMALLINT status_[kRowset];
};

void BlockFetch(benchmark::State& state, bench::Connection* c, Orientation o) {
  Cursor cursor(*c);
  // NEXT walks on from the first rowset, PRIOR back from the last, and both start again every
  // kWindow fetches: the rows read stay in memory on both tables, so that the time measures the
  // fetch and not first reads of pages scattered over a large file.
  SQLUSMALLINT restart = o.code == SQL_FETCH_PRIOR ? SQL_FETCH_LAST : SQL_FETCH_FIRST;
  cursor.Fetch(restart);
  int walked = 0;
  for (auto _ : state) {
    if (!cursor.Fetch(o.code) || ++walked == kWindow) {
      cursor.Fetch(restart);
      walked = 0;
    }
  }
  state.SetItemsProcessed(state.iterations() * int64_t(kRowset));
}

// The same walks through the SQLite C API on a plain copy of the table: one statement stepped
// in one read transaction, its values copied out, started again every kWindow rowsets. Its
// ratio is what the larger file costs SQLite itself (rows in key order sit on pages scattered
// over the file).
void RawWalk(benchmark::State& state, sqlite3* db, bool backward) {
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db, backward ? "SELECT * FROM big ORDER BY k DESC" : "SELECT * FROM big ORDER BY k",
                     -1, &s, nullptr);
  char k[11], name[31];
  double amount = 0;
  int n = 0, walked = 0;
  for (auto _ : state) {
    for (SQLULEN i = 0; i < kRowset; ++i) {
      if (sqlite3_step(s) != SQLITE_ROW) state.SkipWithError("step");
      std::snprintf(k, sizeof k, "%s", sqlite3_column_text(s, 0));
      std::snprintf(name, sizeof name, "%s", sqlite3_column_text(s, 1));
      amount = sqlite3_column_double(s, 2);
      n = sqlite3_column_int(s, 3);
    }
    if (++walked == kWindow) {
      sqlite3_reset(s);
      walked = 0;
    }
  }
  benchmark::DoNotOptimize(amount + n + k[0] + name[0]);
  sqlite3_finalize(s);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
}

// What every read of the table cursor does: a SELECT with its key condition (here from the
// middle of the table, on a two-column index) and the first block fetch.
void KeyedRead(benchmark::State& state, bench::Connection* c, long rows) {
  std::string n = std::to_string(rows / 2);
  std::string sql = "SELECT * FROM big WITH(INDEX(big_nk))  WHERE ( n>" + n + " OR n=" + n +
                    " AND k>='0000000000' )  ORDER BY n,k";
  SQLHSTMT h;
  SQLAllocHandle(SQL_HANDLE_STMT, c->dbc(), &h);
  SQLSetStmtAttr(h, SQL_ATTR_CURSOR_TYPE, (SQLPOINTER)SQL_CURSOR_DYNAMIC, SQL_NTS);
  SQLSetStmtAttr(h, SQL_ATTR_CONCURRENCY, (SQLPOINTER)SQL_CONCUR_VALUES, SQL_NTS);
  SQLSetStmtAttr(h, SQL_ROWSET_SIZE, (SQLPOINTER)kRowset, SQL_NTS);
  SQLINTEGER first[kRowset];
  SQLLEN ind[kRowset];
  SQLBindCol(h, 4, SQL_C_LONG, first, 0, ind);
  SQLULEN fetched = 0;
  SQLUSMALLINT status[kRowset];
  for (auto _ : state) {
    SQLFreeStmt(h, SQL_CLOSE);
    if (SQLExecDirect(h, (SQLCHAR*)sql.c_str(), SQL_NTS) != SQL_SUCCESS)
      bench::Fail(sql, SQL_HANDLE_STMT, h);
    if (SQLExtendedFetch(h, SQL_FETCH_FIRST, 0, &fetched, status) != SQL_SUCCESS ||
        first[0] != rows / 2)
      bench::Fail("keyed read", SQL_HANDLE_STMT, h);
  }
  SQLFreeHandle(SQL_HANDLE_STMT, h);
}

}  // namespace

int main(int argc, char** argv) {
  bench::Workspace w;
  std::unique_ptr<bench::Connection> small, large;
  {
    bench::Connection master(bench::EngineText(w, "master"));
    master.Exec("CREATE DATABASE small");
    master.Exec("CREATE DATABASE large");
  }
  small = std::make_unique<bench::Connection>(bench::EngineText(w, "small"));
  large = std::make_unique<bench::Connection>(bench::EngineText(w, "large"));
  std::fprintf(stderr, "filling %ld and %ld rows...\n", kSmall, kLarge);
  bench::FillEngine(*small, kSmall);
  bench::FillEngine(*large, kLarge);
  sqlite3* plain[2] = {};
  for (int i = 0; i < 2; ++i) {
    std::string file = w.path() + "/plain" + std::to_string(i) + ".db";
    bench::FillPlain(file, i == 0 ? kSmall : kLarge);
    sqlite3_open(file.c_str(), &plain[i]);
    sqlite3_exec(plain[i], "PRAGMA mmap_size=268435456", nullptr, nullptr, nullptr);
  }
  small->Exec("CREATE INDEX big_nk ON big (n, k)");
  large->Exec("CREATE INDEX big_nk ON big (n, k)");
  for (const Orientation& o : kOrientations) {
    for (auto [c, rows] : {std::pair{small.get(), kSmall}, std::pair{large.get(), kLarge}}) {
      std::string name = std::string("BlockFetch/") + o.name + "/" + std::to_string(rows);
      benchmark::RegisterBenchmark(name.c_str(), BlockFetch, c, o)
          ->Unit(benchmark::kMicrosecond)
          ->UseRealTime();
    }
  }
  for (bool backward : {false, true})
    for (int i = 0; i < 2; ++i) {
      std::string name = std::string("RawWalk/") + (backward ? "PRIOR/" : "NEXT/") +
                         std::to_string(i == 0 ? kSmall : kLarge);
      benchmark::RegisterBenchmark(name.c_str(), RawWalk, plain[i], backward)
          ->Unit(benchmark::kMicrosecond)
          ->UseRealTime();
    }
  for (auto [c, rows] : {std::pair{small.get(), kSmall}, std::pair{large.get(), kLarge}}) {
    std::string name = "KeyedRead/" + std::to_string(rows);
    benchmark::RegisterBenchmark(name.c_str(), KeyedRead, c, rows)
        ->Unit(benchmark::kMicrosecond)
        ->UseRealTime();
  }
  bench::KeepingReporter reporter;
  bench::Run(argc, argv, reporter);
  std::printf("\nTime per fetch, %ld rows over %ld rows (required: <= %.1f):\n", kLarge, kSmall, kMaxRatio);
  bool ok = true;
  for (const Orientation& o : kOrientations) {
    std::string base = std::string("BlockFetch/") + o.name + "/";
    double a = reporter.Nanoseconds(base + std::to_string(kSmall));
    double b = reporter.Nanoseconds(base + std::to_string(kLarge));
    if (a <= 0 || b <= 0) continue;
    std::printf("  %-6s %8.2f us  %8.2f us  ratio %.2f %s", o.name, a / 1e3, b / 1e3, b / a,
                b / a <= kMaxRatio ? "ok" : "TOO SLOW");
    std::string raw = std::string("RawWalk/") + o.name + "/";
    double ra = reporter.Nanoseconds(raw + std::to_string(kSmall));
    double rb = reporter.Nanoseconds(raw + std::to_string(kLarge));
    if (ra > 0 && rb > 0)
      std::printf("   (C API, the same walk: %.2f us  %.2f us  ratio %.2f)", ra / 1e3, rb / 1e3, rb / ra);
    std::printf("\n");
    ok = ok && b / a <= kMaxRatio;
  }
  double a = reporter.Nanoseconds("KeyedRead/" + std::to_string(kSmall));
  double b = reporter.Nanoseconds("KeyedRead/" + std::to_string(kLarge));
  if (a > 0 && b > 0) {
    std::printf("  SELECT with a key condition + FIRST: %8.2f us  %8.2f us  ratio %.2f %s\n",
                a / 1e3, b / 1e3, b / a, b / a <= kMaxRatio ? "ok" : "TOO SLOW");
    ok = ok && b / a <= kMaxRatio;
  }
  for (sqlite3* db : plain) sqlite3_close(db);
  return ok ? 0 : 1;
}
