// UPDATE and DELETE statements and row locks: a statement changes a row only while it holds the
// row's lock, so a row another connection has locked (a locking fetch, a positioned write, a
// transaction that changed it) makes the statement wait up to the lock timeout, then HYT00.
#pragma once
#include <string>

#include "odbc/Api.h"

struct sqlite3_stmt;

namespace engine::store {
class Database;
}

namespace engine::exec {

// Runs the prepared UPDATE or DELETE on db; returns the rows changed. The locks of the rows it
// changed are held until the statement ends, or inside a transaction until the transaction
// ends. On a database where nobody ever locked a row it costs one fstat of the lock file.
SQLLEN RunLockingRows(store::Database& db, sqlite3_stmt* stmt, const char* verb,
                      const std::string& table);

}  // namespace engine::exec
