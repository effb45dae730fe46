// Writing records through the table cursor against the SQLite C API at the same durability (WAL,
// synchronous=FULL, autocommit): Alta(998866) of 10 000 new records against single-row INSERTs,
// and Graba of 10 000 records found by key (Lee equal, then Graba) against single-row UPDATEs by
// key. Reports records per second and the cost per record relative to the C API (aim: <= 1.5).
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "BenchSupport.h"
#include "zorb/host.h"
#include "zorb/zorb.h"

namespace {

// ZORB_BENCH_REGISTROS changes it (for profiling).
long kRecords = 10000;

std::string Key(char prefix, long x) {
  char k[24];
  std::snprintf(k, sizeof k, "%c%09ld", prefix, x);
  return k;
}

void Count(benchmark::State& state, long got, long want) {
  if (got != want) state.SkipWithError("wrong number of records");
  state.SetItemsProcessed(state.items_processed() + got);
}

void Exec(sqlite3* db, const char* sql) {
  char* error = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
    std::fprintf(stderr, "%s: %s\n", sql, error ? error : "");
    std::exit(1);
  }
}

// Each run adds records of keys it has not used before.
long AltaCursor(Arch* a, long* next) {
  long n = 0;
  for (long i = 0; i < kRecords; ++i, ++*next) {
    a->PonTxtCmp(0, Key('A', *next).c_str());
    a->PonTxtCmp(1, "a name of some length");
    a->PonNumCmp(2, double(*next) * 1.25);
    a->PonNumCmp(3, double(*next));
    n += a->Alta(998866) == 1;
  }
  return n;
}

long InsertRaw(sqlite3_stmt* s, long* next) {
  long n = 0;
  for (long i = 0; i < kRecords; ++i, ++*next) {
    std::string k = Key('A', *next);
    sqlite3_bind_text(s, 1, k.c_str(), int(k.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(s, 2, "a name of some length", -1, SQLITE_STATIC);
    sqlite3_bind_double(s, 3, double(*next) * 1.25);
    sqlite3_bind_int64(s, 4, *next);
    n += sqlite3_step(s) == SQLITE_DONE;
    sqlite3_reset(s);
  }
  return n;
}

long GrabaCursor(Arch* a, long round) {
  long n = 0;
  for (long x = 1; x <= kRecords; ++x) {
    a->PonTxtCmp(0, Key('G', x).c_str());
    if (a->Lee(0, 0, 0, 0) != 1) continue;
    a->PonNumCmp(3, double(round * kRecords + x));
    n += a->Graba(0) == 1;
  }
  return n;
}

long UpdateRaw(sqlite3_stmt* s, long round) {
  long n = 0;
  for (long x = 1; x <= kRecords; ++x) {
    std::string k = Key('G', x);
    sqlite3_bind_int64(s, 1, round * kRecords + x);
    sqlite3_bind_text(s, 2, k.c_str(), int(k.size()), SQLITE_TRANSIENT);
    n += sqlite3_step(s) == SQLITE_DONE && sqlite3_changes(sqlite3_db_handle(s)) == 1;
    sqlite3_reset(s);
  }
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  if (const char* e = std::getenv("ZORB_BENCH_REGISTROS")) kRecords = std::atol(e);
  bench::Workspace w;
  {
    bench::Connection master(bench::EngineText(w, "master"));
    master.Exec("CREATE DATABASE writes");
  }
  std::string n = std::to_string(kRecords);
  {
    // The tables as the library makes them: columns C1..C4, a key index that is not unique.
    bench::Connection c(bench::EngineText(w, "writes"));
    for (const char* t : {"altas", "grabas"}) {
      c.Exec(std::string("CREATE TABLE ") + t +
             " (C1 char(10) NULL, C2 char(30) NULL, C3 dec(12,2) NULL, C4 int NULL)");
      c.Exec(std::string("CREATE INDEX ") + t + "_indent ON " + t + " (C1)");
    }
    c.Exec("WITH c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < " + n +
           ") INSERT INTO grabas SELECT 'G' + SUBSTRING(CAST(1000000000 + x AS varchar(10)), 2, 9), "
           "'a name of some length', x * 1.25, x FROM c");
  }
  sqlite3* raw = nullptr;
  sqlite3_open((w.path() + "/raw.db").c_str(), &raw);
  Exec(raw, "PRAGMA journal_mode=WAL");
  Exec(raw, "PRAGMA synchronous=FULL");
  for (const char* t : {"altas", "grabas"}) {
    Exec(raw, (std::string("CREATE TABLE ") + t + " (k char(10), name char(30), amount "
               "dec(12,2), n int)").c_str());
    Exec(raw, (std::string("CREATE INDEX ") + t + "_k ON " + t + " (k)").c_str());
  }
  Exec(raw, ("WITH c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < " + n +
             ") INSERT INTO grabas SELECT printf('G%09d', x), 'a name of some length', x * 1.25, "
             "x FROM c").c_str());
  sqlite3_stmt *insert = nullptr, *update = nullptr;
  sqlite3_prepare_v2(raw, "INSERT INTO altas VALUES (?, ?, ?, ?)", -1, &insert, nullptr);
  sqlite3_prepare_v2(raw, "UPDATE grabas SET n = ? WHERE k = ?", -1, &update, nullptr);

  GrpOdbc* grupo = NvoGrpOdbc();
  CnxOdbc* cnx = mOdbc(grupo, w.server().c_str(), "writes", "sa", "");
  int falta = 0;
  Arch* altas = cnx ? NvoArchSQL(cnx, "altas", &falta, 0, 0, "") : nullptr;
  Arch* grabas = cnx && !falta ? NvoArchSQL(cnx, "grabas", &falta, 0, 0, "") : nullptr;
  if (!altas || !grabas || falta) {
    std::fprintf(stderr, "cannot open the tables through the library\n");
    return 1;
  }
  long nextCursor = 1, nextRaw = 1, roundCursor = 1, roundRaw = 1;
  auto Register = [](const char* name, std::function<long()> f) {
    benchmark::RegisterBenchmark(name,
                                 [f](benchmark::State& state) {
                                   for (auto _ : state) Count(state, f(), kRecords);
                                 })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1)
        ->UseRealTime();
  };
  Register("Alta/cursor-998866", [&] { return AltaCursor(altas, &nextCursor); });
  Register("Alta/sqlite-insert", [&] { return InsertRaw(insert, &nextRaw); });
  Register("Graba/cursor-by-key", [&] { return GrabaCursor(grabas, roundCursor++); });
  Register("Graba/sqlite-update", [&] { return UpdateRaw(update, roundRaw++); });
  bench::KeepingReporter reporter;
  bench::Run(argc, argv, reporter);

  DelArchSQL(altas);
  DelArchSQL(grabas);
  DelGrpOdbc(grupo);
  sqlite3_finalize(insert);
  sqlite3_finalize(update);
  sqlite3_close(raw);

  std::printf("\nRecords per second, %ld records per run, WAL, synchronous=FULL, autocommit\n"
              "(cost per record relative to the C API, in real and in CPU time; aim <= 1.5):\n",
              kRecords);
  // Each pair that ran (a --benchmark_filter may leave one out).
  auto Pair = [&](const char* label, const char* cursor, const char* api) {
    double c = reporter.Rate(cursor), a = reporter.Rate(api);
    double cc = reporter.CpuNanoseconds(cursor), ca = reporter.CpuNanoseconds(api);
    if (c <= 0 || a <= 0 || ca <= 0) return;
    std::printf("  %-28s cursor %9.0f   C API %9.0f   cost %.2f   CPU cost %.2f\n", label, c, a,
                a / c, cc / ca);
  };
  Pair("Alta(998866) / INSERT", "Alta/cursor-998866", "Alta/sqlite-insert");
  Pair("Lee + Graba / UPDATE by key", "Graba/cursor-by-key", "Graba/sqlite-update");
  return 0;
}
