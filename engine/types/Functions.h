// SQL Server's operators, conversions and built-in functions as SQLite functions. The
// statement rewriting (types/Operators.h) turns `a + b`, CAST, CONVERT and the date functions
// into calls of them; the others keep their T-SQL names (LEN, LEFT, CHARINDEX...).
#pragma once
#include <cstddef>

struct sqlite3;

namespace engine::types {

// Every SQLite function the engine registers on a handle, by name (zorb_value of
// types/Values.h included): the one list an authorizer needs to allow them.
extern const char* const kEngineFunctions[];
extern const size_t kEngineFunctionCount;

// Registers the functions below on a connection (types::Register calls it).
void RegisterTsqlFunctions(sqlite3* db);

// What @@ROWCOUNT, @@IDENTITY and SCOPE_IDENTITY() read: one connection's last counts.
struct SessionCounters {
  long long rowCount = 0;
  bool hasIdentity = false;
  long long identity = 0;
};

// The counters the functions read while a connection's statements run on this thread.
class CountersScope {
 public:
  explicit CountersScope(SessionCounters* counters);
  ~CountersScope();
  CountersScope(const CountersScope&) = delete;
  CountersScope& operator=(const CountersScope&) = delete;

 private:
  SessionCounters* previous_;
};

}  // namespace engine::types
