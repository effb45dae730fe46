#include "BenchSupport.h"

#include "CreaServidor.h"

#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <vector>

namespace bench {

namespace {

const char kBigTable[] =
    "CREATE TABLE big (k char(10) NOT NULL, name char(30), amount dec(12,2), n int)";
const char kBigIndex[] = "CREATE UNIQUE INDEX big_k ON big (k)";

// Rows 1..n in the order of a stride through them, so that the key order is not the insertion
// order (a scan in key order then reads the table out of row id order, as in real use).
std::string FillSql(long rows, bool tsql) {
  std::string n = std::to_string(rows);
  std::string key = "(CAST(x AS bigint) * 7919) % " + n + " + 1";
  // T-SQL's functions only through the engine: the key's digits after a leading 1.
  std::string values =
      tsql ? "SUBSTRING(CAST(10000000000 + " + key + " AS varchar(11)), 2, 10), 'name ' + "
                 "CAST(x AS varchar(10)), ROUND(x * 1.25, 2), x"
           : "printf('%010d', " + key + "), printf('%-30s', printf('name %d', x)), "
                 "round(x * 1.25, 2), x";
  return "WITH c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < " + n +
         ") INSERT INTO big SELECT " + values + " FROM c";
}

}  // namespace

namespace {
std::string gWorkspace;  // removed at exit too, when Fail() ends the program early
void RemoveWorkspace() {
  if (!gWorkspace.empty()) std::filesystem::remove_all(gWorkspace);
}
}  // namespace

Workspace::Workspace() {
  char pattern[] = "/tmp/zorb-bench-XXXXXX";
  if (!mkdtemp(pattern)) {
    std::perror("mkdtemp");
    std::exit(1);
  }
  path_ = pattern;
  gWorkspace = path_;
  std::atexit(RemoveWorkspace);
  std::ofstream ini(path_ + "/odbcinst.ini");
  // ZORB_BENCH_ENGINE runs the same program on another build of the engine (before/after).
  const char* engine = std::getenv("ZORB_BENCH_ENGINE");
  ini << "[SQL Server]\nDriver = " << (engine ? engine : ZORB_ENGINE_LIB) << "\nDataRoot = " << path_ << "\n\n"
      << "[SQLite3]\nDriver = " << SQLITE_ODBC_LIB << "\n";
  ini.close();
  std::ofstream(path_ + "/odbc.ini").close();
  setenv("ODBCSYSINI", path_.c_str(), 1);
  std::string error;
  if (!CreaServidor(server(), &error)) {
    std::cerr << "server: " << error << "\n";
    std::exit(1);
  }
}

Workspace::~Workspace() { std::filesystem::remove_all(path_); }

void Fail(const std::string& what, SQLSMALLINT type, SQLHANDLE handle) {
  SQLCHAR state[6] = {0}, message[1024] = {0};
  SQLINTEGER native = 0;
  SQLSMALLINT len = 0;
  SQLGetDiagRec(type, handle, 1, state, &native, message, sizeof message, &len);
  std::cerr << what << ": " << state << " " << native << " " << message << "\n";
  std::exit(1);
}

Connection::Connection(const std::string& text) {
  SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
  SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
  SQLCHAR out[512];
  SQLSMALLINT outLen;
  SQLRETURN rc = SQLDriverConnect(dbc_, nullptr, (SQLCHAR*)text.c_str(), SQL_NTS, out, sizeof out,
                                  &outLen, SQL_DRIVER_NOPROMPT);
  if (!SQL_SUCCEEDED(rc)) Fail("connect " + text, SQL_HANDLE_DBC, dbc_);
}

Connection::~Connection() {
  SQLDisconnect(dbc_);
  SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
  SQLFreeHandle(SQL_HANDLE_ENV, env_);
}

void Connection::Exec(const std::string& sql) {
  SQLHSTMT h;
  SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &h);
  SQLRETURN rc = SQLExecDirect(h, (SQLCHAR*)sql.c_str(), SQL_NTS);
  if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) Fail(sql, SQL_HANDLE_STMT, h);
  SQLFreeHandle(SQL_HANDLE_STMT, h);
}

std::string EngineText(const Workspace& w, const std::string& database) {
  return "DRIVER={SQL Server};SERVER=" + w.server() + ";UID=sa;PWD=;DATABASE=" + database;
}

void FillEngine(Connection& c, long rows) {
  c.Exec(kBigTable);
  c.Exec(kBigIndex);
  c.Exec(FillSql(rows, true));
}

void FillPlain(const std::string& file, long rows) {
  sqlite3* db = nullptr;
  std::string script = std::string(kBigTable) + ";" + kBigIndex + ";" + FillSql(rows, false) + ";";
  char* error = nullptr;
  if (sqlite3_open(file.c_str(), &db) != SQLITE_OK ||
      sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, &error) != SQLITE_OK ||
      sqlite3_exec(db, script.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    std::cerr << "filling " << file << ": " << (error ? error : sqlite3_errmsg(db)) << "\n";
    std::exit(1);
  }
  sqlite3_close(db);
}

void Run(int argc, char** argv, KeepingReporter& reporter) {
  static char repetitions[] = "--benchmark_repetitions=5";
  static char interleave[] = "--benchmark_enable_random_interleaving=true";
  static char aggregates[] = "--benchmark_report_aggregates_only=true";
  std::vector<char*> args{argv[0], repetitions, interleave, aggregates};
  for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
  int count = int(args.size());
  benchmark::Initialize(&count, args.data());
  benchmark::RunSpecifiedBenchmarks(&reporter);
}

void KeepingReporter::ReportRuns(const std::vector<Run>& runs) {
  ConsoleReporter::ReportRuns(runs);
  for (const Run& r : runs) {
    bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
    bool single = r.run_type == Run::RT_Iteration && r.repetitions <= 1;
    if (!median && !single) continue;
    double unit = r.time_unit == benchmark::kNanosecond    ? 1
                  : r.time_unit == benchmark::kMicrosecond ? 1e3
                  : r.time_unit == benchmark::kMillisecond ? 1e6
                                                           : 1e9;
    auto it = r.counters.find("items_per_second");
    double rate = it == r.counters.end() ? 0 : double(it->second);
    times_[r.run_name.function_name] = {r.GetAdjustedRealTime() * unit, rate};
    cpu_[r.run_name.function_name] = r.GetAdjustedCPUTime() * unit;
  }
}

double KeepingReporter::Nanoseconds(const std::string& name) const {
  auto it = times_.find(name);
  return it == times_.end() ? 0 : it->second.first;
}

double KeepingReporter::CpuNanoseconds(const std::string& name) const {
  auto it = cpu_.find(name);
  return it == cpu_.end() ? 0 : it->second;
}

double KeepingReporter::Rate(const std::string& name) const {
  auto it = times_.find(name);
  return it == times_.end() ? 0 : it->second.second;
}

}  // namespace bench
