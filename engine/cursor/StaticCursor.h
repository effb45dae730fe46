// Static cursor: a snapshot of the whole result, taken when the statement runs, scrolled under
// ODBC's positioning rules.
#pragma once
#include <memory>

#include "cursor/Cursor.h"
#include "cursor/Positioning.h"

struct sqlite3_stmt;

namespace engine::store {
class Database;
}

namespace engine::cursor {

class StaticCursor : public Cursor {
 public:
  // Reads every row of stmt (at most maxRows when not 0) and finalizes it.
  StaticCursor(std::shared_ptr<store::Database> db, sqlite3_stmt* stmt, SQLULEN maxRows,
               const std::string& verb, const std::string& table);

  const std::vector<Column>& columns() const override { return columns_; }
  SQLULEN type() const override { return SQL_CURSOR_STATIC; }
  SQLRETURN Fetch(SQLSMALLINT orientation, SQLLEN offset, size_t rowsetSize,
                  std::vector<FetchedRow>& rows, std::vector<Notice>& notices) override;
  SQLLEN RowsetStart() const override;
  void Close() override;
  SQLLEN RowsReturned(bool) override { return SQLLEN(rows_.size()); }

 private:
  std::vector<Column> columns_;
  std::vector<Row> rows_;
  Position position_;
  size_t previousSize_ = 0;
};

}  // namespace engine::cursor
