// Statement-level rules the executor applies around SQLite statements: the TABLOCKX lock,
// engine tables user statements may not drop, and SELECT ... INTO.
#pragma once
#include <memory>

#include "exec/Executor.h"

namespace engine::exec {

// Lives for the execution of one statement. For a query hinted WITH (TABLOCKX) it takes the
// current database's write lock: inside a transaction on the connection's own handle, where it
// lasts until the transaction ends; outside one on a handle of its own, released when the
// statement has run. Other writers wait for it up to their lock timeout; readers do not.
// DROP TABLE of an engine table fails as for a missing table.
class TableGuard {
 public:
  TableGuard(Session& session, const tsql::Statement& st);
  TableGuard(const TableGuard&) = delete;
  TableGuard& operator=(const TableGuard&) = delete;

 private:
  std::shared_ptr<store::Database> holder_;  // the statement's own lock handle
};

// SELECT ... INTO t: creates t with the declared types and nullability of the query's columns,
// then inserts its rows, in one savepoint. Returns the rows inserted. An existing t: 42S01/2714.
SQLLEN RunSelectInto(Session& session, const tsql::Statement& st, int firstParameter,
                     const Options& options);

}  // namespace engine::exec
