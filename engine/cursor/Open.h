// Chooses the cursor for a query that returns rows: forward-only cursors stream; a dynamic
// request on a query over one table (no grouping, aggregates, DISTINCT or TOP) gets a dynamic
// cursor; anything else scrollable gets a static snapshot, with 01S02 when the requested type
// was changed. Only dynamic cursors lock rows: the others serve SQL_CONCUR_LOCK read-only, with
// 01S02 "Option value changed.".
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cursor/Cursor.h"
#include "types/Schema.h"

struct sqlite3_stmt;

namespace engine::store {
class Database;
}

namespace engine::cursor {

struct OpenRequest {
  std::shared_ptr<store::Database> db;
  sqlite3_stmt* stmt = nullptr;  // prepared and bound; the cursor takes it over
  std::string sql;               // its text
  SQLULEN cursorType = SQL_CURSOR_FORWARD_ONLY;
  SQLULEN maxRows = 0;
  std::string verb, table;
  std::function<void(sqlite3_stmt*, int)> bind;  // binds parameter i of a statement again
  bool lockRows = false;                         // SQL_CONCUR_LOCK: a dynamic cursor locks rows
  std::shared_ptr<const types::TableInfo> info;  // the table's, when already read
};

std::unique_ptr<Cursor> Open(OpenRequest request, std::vector<Notice>& notices);

extern const char kCursorTypeChanged[];
extern const char kOptionValueChanged[];

}  // namespace engine::cursor
