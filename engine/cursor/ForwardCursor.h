// Forward-only cursor: steps its SQLite statement as rows are fetched, so a large result is
// never held in memory. The first row is stepped when the cursor opens, so that execution
// errors surface at execute time and computed columns get their type.
#pragma once
#include <memory>

#include "cursor/Cursor.h"
#include "store/Database.h"

namespace engine::cursor {

class ForwardCursor : public Cursor {
 public:
  // Takes ownership of stmt. maxRows 0 means no limit.
  ForwardCursor(std::shared_ptr<store::Database> db, sqlite3_stmt* stmt, SQLULEN maxRows,
                const std::string& verb, const std::string& table);
  ~ForwardCursor() override;

  const std::vector<Column>& columns() const override { return columns_; }
  SQLULEN type() const override { return SQL_CURSOR_FORWARD_ONLY; }
  SQLRETURN Fetch(SQLSMALLINT orientation, SQLLEN offset, size_t rowsetSize,
                  std::vector<FetchedRow>& rows, std::vector<Notice>& notices) override;
  SQLLEN RowsetStart() const override { return rowsetStart_; }
  void Close() override;
  SQLLEN RowsReturned(bool toEnd) override;
  // One copy (FillDirect): SQLGetData reads only the rowset's first row (the cursor cannot be
  // positioned elsewhere), so every other row is written straight, and the first one too when it
  // is the rowset's only row: the statement still stands on it and reads it again.
  bool ReadAgain(FetchedRow& row) override;

  // Describes the columns of a prepared statement (before or after its first step).
  static std::vector<Column> Describe(sqlite3_stmt* stmt, bool stepped);

 private:
  bool Step();  // true when a row is available

  std::shared_ptr<store::Database> db_;
  sqlite3_stmt* stmt_;
  SQLULEN maxRows_;
  std::string verb_, table_;
  std::vector<Column> columns_;
  bool pending_ = false;  // a stepped row not yet delivered
  bool done_ = false;
  SQLULEN delivered_ = 0;
  SQLLEN rowsetStart_ = 0;
  const FetchedRow* onStatement_ = nullptr;  // the row the statement still stands on
};

}  // namespace engine::cursor
