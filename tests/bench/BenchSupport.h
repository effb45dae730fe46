// What the benchmarks share: a temporary folder with an odbcinst.ini of their own (the engine as
// "SQL Server", Debian's SQLite ODBC driver as "SQLite3"), ODBC connections that stop the
// program on any failure, the test tables, and a reporter that keeps every run's times.
#pragma once
#include <sql.h>
#include <sqlext.h>

#include <benchmark/benchmark.h>

#include <map>
#include <string>

namespace bench {

// Creates the folder, writes odbcinst.ini and points ODBCSYSINI at it; removes it at exit.
class Workspace {
 public:
  Workspace();
  ~Workspace();
  Workspace(const Workspace&) = delete;
  Workspace& operator=(const Workspace&) = delete;
  const std::string& path() const { return path_; }
  std::string server() const { return path_ + "/server"; }  // an engine server folder

 private:
  std::string path_;
};

[[noreturn]] void Fail(const std::string& what, SQLSMALLINT type, SQLHANDLE handle);

class Connection {
 public:
  explicit Connection(const std::string& text);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  void Exec(const std::string& sql);
  SQLHDBC dbc() const { return dbc_; }

 private:
  SQLHENV env_ = SQL_NULL_HENV;
  SQLHDBC dbc_ = SQL_NULL_HDBC;
};

// The engine connection text for a database of the workspace's server.
std::string EngineText(const Workspace& w, const std::string& database);

// The table big (k char(10) key, name char(30), amount dec(12,2), n int) with rows 1..rows, a
// unique index on k: through the engine, and as a plain SQLite file for the SQLite ODBC driver
// and the SQLite C API (same rows, BINARY collation).
void FillEngine(Connection& c, long rows);
void FillPlain(const std::string& file, long rows);

// Runs the registered benchmarks: by default 5 repetitions of each, interleaved at random so
// that a busy moment of the machine does not fall on one of them, reporting medians. Flags on
// the command line override these.
class KeepingReporter;
void Run(int argc, char** argv, KeepingReporter& reporter);

// Keeps the real and CPU time per iteration and items per second of every benchmark (the median of its
// repetitions, when there are several), by registered name.
class KeepingReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override;
  double Nanoseconds(const std::string& name) const;
  double CpuNanoseconds(const std::string& name) const;
  double Rate(const std::string& name) const;

 private:
  std::map<std::string, std::pair<double, double>> times_;
  std::map<std::string, double> cpu_;
};

}  // namespace bench
