// An IN list of quoted dates against a datetime column: the statement's preparation (each
// literal read as a date) must grow with the list, not with its square. Runs lists of 10 000
// and 100 000 items and reports the cost per item of each; the larger list must not cost more
// than three times as much per item (a square would be ten).
#include <cstdio>
#include <string>

#include "BenchSupport.h"

namespace {

std::string Query(long items) {
  std::string q = "SELECT COUNT(*) FROM fechas WHERE d IN (";
  for (long i = 0; i < items; ++i) {
    char lit[32];
    std::snprintf(lit, sizeof lit, "%s'%02ld/%02ld/%04ld'", i ? "," : "", 1 + i % 28,
                  1 + (i / 28) % 12, 1900 + (i / 336) % 300);
    q += lit;
  }
  return q + ")";
}

void Run(bench::Connection& c, const std::string& q, long items, benchmark::State& state) {
  SQLHSTMT h;
  SQLAllocHandle(SQL_HANDLE_STMT, c.dbc(), &h);
  if (!SQL_SUCCEEDED(SQLExecDirect(h, (SQLCHAR*)q.c_str(), SQL_NTS)))
    bench::Fail("IN list", SQL_HANDLE_STMT, h);
  SQLFreeHandle(SQL_HANDLE_STMT, h);
  state.SetItemsProcessed(state.items_processed() + items);
}

}  // namespace

int main(int argc, char** argv) {
  bench::Workspace w;
  {
    bench::Connection master(bench::EngineText(w, "master"));
    master.Exec("CREATE DATABASE lista");
  }
  bench::Connection engine(bench::EngineText(w, "lista"));
  engine.Exec("CREATE TABLE fechas (k int NOT NULL, d datetime NULL)");
  engine.Exec("INSERT INTO fechas VALUES (1, '01/01/2000')");
  for (long n : {10000L, 100000L}) {
    std::string q = Query(n);
    benchmark::RegisterBenchmark(("InList/dates-" + std::to_string(n)).c_str(),
                                 [&engine, q, n](benchmark::State& state) {
                                   for (auto _ : state) Run(engine, q, n, state);
                                 })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(1);
  }
  bench::KeepingReporter reporter;
  bench::Run(argc, argv, reporter);
  double small = reporter.Nanoseconds("InList/dates-10000");
  double large = reporter.Nanoseconds("InList/dates-100000");
  if (small <= 0 || large <= 0) return 0;  // filtered runs
  double perSmall = small / 10000, perLarge = large / 100000;
  std::printf("\nPreparing an IN list of dates: %.0f ns per item at 10 000, %.0f at 100 000 "
              "(ratio %.2f, required: <= 3)\n", perSmall, perLarge, perLarge / perSmall);
  return perLarge <= 3 * perSmall ? 0 : 1;
}
