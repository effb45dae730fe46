// The table cursor as a host uses it, against the SQLite C API over the same rows and index:
// a full scan of 100 000 records in key order (Lee first, then next until the end) and exact
// reads of random keys (Lee equal). Reports records per second and the ratios; the scan aims at
// 0.3 of the C API. The scan runs twice: in blocks of one record and in blocks of ten, the two
// sizes that the cursor alternates between.
#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "zorb/host.h"
#include "zorb/zorb.h"

namespace {

const long kRows = 100000;
const int kReads = 2000;  // exact reads per iteration
const char kMap[] = "PRAGMA mmap_size=268435456";

// The key of row x as the fill writes it.
std::string Key(long x) {
  char k[16];
  std::snprintf(k, sizeof k, "%010ld", x);
  return k;
}

// The scan's block size follows the read before it: one record after a read that found one,
// ten after one that did not (the end of an earlier scan, a missing key).
long ScanCursor(Arch* a, bool despuesDeFallo) {
  a->PonTxtCmp(0, despuesDeFallo ? "none" : Key(1).c_str());
  if (a->Lee(0, 0, 0, 0) != (despuesDeFallo ? -1 : 1)) return -1;
  long n = 0;
  for (int r = a->Lee(7, 0, 0, 0); r == 1; r = a->Lee(5, 0, 0, 0)) {
    benchmark::DoNotOptimize(a->TxtCmp(1, 0));
    ++n;
  }
  return n;
}

long ScanRaw(sqlite3* db) {
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db, "SELECT k, name, amount, n FROM big ORDER BY k", -1, &s, nullptr);
  long n = 0;
  char k[11], name[31];
  while (sqlite3_step(s) == SQLITE_ROW) {
    std::memcpy(k, sqlite3_column_text(s, 0), size_t(sqlite3_column_bytes(s, 0)) + 1);
    std::memcpy(name, sqlite3_column_text(s, 1), size_t(sqlite3_column_bytes(s, 1)) + 1);
    benchmark::DoNotOptimize(sqlite3_column_double(s, 2) + sqlite3_column_int(s, 3));
    benchmark::DoNotOptimize(k[0] + name[0]);
    ++n;
  }
  sqlite3_finalize(s);
  return n;
}

long ReadsCursor(Arch* a, const std::vector<std::string>& keys) {
  long n = 0;
  for (const std::string& k : keys) {
    a->PonTxtCmp(0, k.c_str());
    n += a->Lee(0, 0, 0, 0) == 1;
  }
  return n;
}

long ReadsRaw(sqlite3_stmt* s, const std::vector<std::string>& keys) {
  long n = 0;
  char name[31];
  for (const std::string& k : keys) {
    sqlite3_bind_text(s, 1, k.c_str(), int(k.size()), SQLITE_STATIC);
    if (sqlite3_step(s) == SQLITE_ROW) {
      std::memcpy(name, sqlite3_column_text(s, 1), size_t(sqlite3_column_bytes(s, 1)) + 1);
      benchmark::DoNotOptimize(sqlite3_column_double(s, 2) + sqlite3_column_int(s, 3));
      ++n;
    }
    sqlite3_reset(s);
  }
  return n;
}

void Count(benchmark::State& state, long got, long want) {
  if (got != want) state.SkipWithError("wrong number of records");
  state.SetItemsProcessed(state.items_processed() + got);
}

}  // namespace

int main(int argc, char** argv) {
  bench::Workspace w;
  {
    bench::Connection master(bench::EngineText(w, "master"));
    master.Exec("CREATE DATABASE cursor");
  }
  std::fprintf(stderr, "filling %ld rows...\n", kRows);
  {
    // The table as the library makes it: columns C1..C4, key index big_indent (not unique).
    bench::Connection c(bench::EngineText(w, "cursor"));
    c.Exec("CREATE TABLE big (C1 char(10) NULL, C2 char(30) NULL, C3 dec(12,2) NULL, C4 int NULL)");
    c.Exec("CREATE INDEX big_indent ON big (C1)");
    std::string n = std::to_string(kRows);
    c.Exec("WITH c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < " + n +
           ") INSERT INTO big SELECT SUBSTRING(CAST(10000000000 + (x * 7919) % " + n +
           " + 1 AS varchar(11)), 2, 10), 'name ' + CAST(x AS varchar(10)), ROUND(x * 1.25, 2), "
           "x FROM c");
  }
  std::string plain = w.path() + "/plain.db";
  bench::FillPlain(plain, kRows);
  sqlite3* raw = nullptr;
  sqlite3_open_v2(plain.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_exec(raw, kMap, nullptr, nullptr, nullptr);
  sqlite3_stmt* point = nullptr;
  sqlite3_prepare_v2(raw, "SELECT k, name, amount, n FROM big WHERE k = ?", -1, &point, nullptr);

  GrpOdbc* grupo = NvoGrpOdbc();
  CnxOdbc* cnx = mOdbc(grupo, w.server().c_str(), "cursor", "sa", "");
  int falta = 0;
  Arch* a = cnx ? NvoArchSQL(cnx, "big", &falta, 0, 0, "") : nullptr;
  if (!a || falta) {
    std::fprintf(stderr, "cannot open the table through the library\n");
    return 1;
  }
  std::mt19937 g(5);
  std::vector<std::string> keys(kReads);
  for (std::string& k : keys) k = Key(long(g() % kRows) + 1);

  benchmark::RegisterBenchmark("Scan/cursor-blocks-of-1",
                               [&](benchmark::State& state) {
                                 for (auto _ : state) Count(state, ScanCursor(a, false), kRows);
                               })
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  benchmark::RegisterBenchmark("Scan/cursor-blocks-of-10",
                               [&](benchmark::State& state) {
                                 for (auto _ : state) Count(state, ScanCursor(a, true), kRows);
                               })
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  benchmark::RegisterBenchmark("Scan/sqlite-raw",
                               [&](benchmark::State& state) {
                                 for (auto _ : state) Count(state, ScanRaw(raw), kRows);
                               })
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  benchmark::RegisterBenchmark("Exact/cursor",
                               [&](benchmark::State& state) {
                                 for (auto _ : state) Count(state, ReadsCursor(a, keys), kReads);
                               })
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  benchmark::RegisterBenchmark("Exact/sqlite-raw",
                               [&](benchmark::State& state) {
                                 for (auto _ : state) Count(state, ReadsRaw(point, keys), kReads);
                               })
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  bench::KeepingReporter reporter;
  bench::Run(argc, argv, reporter);

  DelArchSQL(a);
  DelGrpOdbc(grupo);
  sqlite3_finalize(point);
  sqlite3_close(raw);

  double scan1 = reporter.Rate("Scan/cursor-blocks-of-1");
  double scan10 = reporter.Rate("Scan/cursor-blocks-of-10");
  double scanRaw = reporter.Rate("Scan/sqlite-raw");
  double exact = reporter.Rate("Exact/cursor"), exactRaw = reporter.Rate("Exact/sqlite-raw");
  if (scan1 <= 0 || scan10 <= 0 || scanRaw <= 0 || exact <= 0 || exactRaw <= 0) return 0;
  std::printf("\nRecords per second, %ld records, key char(10) (aim for the scan: >= 0.3):\n",
              kRows);
  std::printf("  scan, blocks of 1     cursor %10.0f   C API %10.0f   ratio %.3f\n", scan1, scanRaw,
              scan1 / scanRaw);
  std::printf("  scan, blocks of 10    cursor %10.0f   C API %10.0f   ratio %.3f\n", scan10,
              scanRaw, scan10 / scanRaw);
  std::printf("  exact reads (Lee 0)   cursor %10.0f   C API %10.0f   ratio %.3f\n", exact,
              exactRaw, exact / exactRaw);
  return 0;
}
