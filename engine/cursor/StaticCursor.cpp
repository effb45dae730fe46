#include "cursor/StaticCursor.h"

#include <sqlite3.h>

#include "cursor/ForwardCursor.h"
#include "store/Database.h"

namespace engine::cursor {

StaticCursor::StaticCursor(std::shared_ptr<store::Database> db, sqlite3_stmt* stmt,
                           SQLULEN maxRows, const std::string& verb, const std::string& table) {
  store::Stmt owned(stmt);
  int n = sqlite3_column_count(stmt);
  bool stepped = false;
  for (;;) {
    if (maxRows && rows_.size() >= maxRows) break;
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_DONE) break;
    if (rc != SQLITE_ROW) {
      sqlite3_reset(stmt);
      store::ThrowSqlite(db->handle(), rc, verb.c_str(), table);
    }
    if (!stepped) {
      // Computed columns take their type from the first row.
      columns_ = ForwardCursor::Describe(stmt, true);
      stepped = true;
    }
    Row row(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) row[size_t(i)].Assign(stmt, i);
    rows_.push_back(std::move(row));
  }
  if (!stepped) columns_ = ForwardCursor::Describe(stmt, false);
}

SQLRETURN StaticCursor::Fetch(SQLSMALLINT orientation, SQLLEN offset, size_t rowsetSize,
                              std::vector<FetchedRow>& rows, std::vector<Notice>& notices) {
  if (rowsetSize == 0) rowsetSize = 1;
  Landing l = Resolve(position_, previousSize_, rowsetSize, SQLLEN(rows_.size()), orientation,
                      offset);
  position_ = l.to;
  previousSize_ = rowsetSize;
  if (l.to.place != Place::Rowset) {
    rows.clear();
    return SQL_NO_DATA;
  }
  size_t first = size_t(l.to.start - 1);
  size_t count = std::min(rowsetSize, rows_.size() - first);
  rows.resize(count);
  for (size_t i = 0; i < count; ++i) {
    rows[i].values = rows_[first + i];
    rows[i].status = SQL_ROW_SUCCESS;
    rows[i].rowid = 0;
  }
  if (l.beforeFirst) notices.push_back({kBeforeFirstState, 0, kBeforeFirstMessage});
  return SQL_SUCCESS;
}

SQLLEN StaticCursor::RowsetStart() const {
  return position_.place == Place::Rowset ? position_.start : 0;
}

void StaticCursor::Close() {
  rows_.clear();
  rows_.shrink_to_fit();
  position_ = Position();
}

}  // namespace engine::cursor
