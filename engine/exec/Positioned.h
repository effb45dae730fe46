// Positioned writes (SQLSetPos) on a dynamic cursor over one table: the row's values go into the
// table row it was fetched from, checked and converted as an UPDATE or INSERT statement checks
// them, through the connection's own handle of the cursor's database.
#pragma once
#include <functional>
#include <vector>

#include "cursor/DynamicCursor.h"
#include "exec/Session.h"

namespace engine::exec {

// The application's values of one row.
struct RowValues {
  // True when column c (0-based) takes no part (not bound, or SQL_COLUMN_IGNORE).
  std::function<bool(size_t column)> ignored;
  // Binds the value of column c to parameter index of stmt.
  std::function<void(sqlite3_stmt*, int index, size_t column)> bind;
};

// SQL_UPDATE, SQL_DELETE or SQL_ADD of one row of the cursor's rowset. The row's lock is taken
// first (waiting up to the lock timeout) unless the connection holds it. Returns the rows
// changed: 0 with the notice 01001 when, under SQL_CONCUR_VALUES, the row no longer holds the
// values fetched or is gone. An update sets only the columns whose values differ from the row
// as fetched (none: nothing is written, and the row still counts). The row's status and values
// follow the change.
SQLLEN WriteRow(Session& session, cursor::DynamicCursor& cursor, SQLULEN concurrency,
                SQLUSMALLINT operation, cursor::FetchedRow& row, const RowValues& values,
                std::vector<Notice>& notices);

extern const char kConflictMessage[];  // "Cursor operation conflict"

}  // namespace engine::exec
