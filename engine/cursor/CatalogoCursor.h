// A result built in memory: catalogue procedures and functions make their rows and hand them
// to this cursor, which serves every fetch orientation over them.
#pragma once
#include <vector>

#include "cursor/Cursor.h"

namespace engine::cursor {

class CatalogCursor : public Cursor {
 public:
  CatalogCursor(std::vector<Column> columns, std::vector<Row> rows);

  const std::vector<Column>& columns() const override { return columns_; }
  SQLULEN type() const override { return SQL_CURSOR_STATIC; }
  SQLRETURN Fetch(SQLSMALLINT orientation, SQLLEN offset, size_t rowsetSize,
                  std::vector<FetchedRow>& rows, std::vector<Notice>& notices) override;
  SQLLEN RowsetStart() const override { return start_ >= 1 && start_ <= count() ? start_ : 0; }
  void Close() override { rows_.clear(); }

  // A column described from a declared type ("varchar(128)", "smallint"...).
  static Column Describe(const std::string& name, const std::string& declared,
                         SQLSMALLINT nullable);

 private:
  SQLLEN count() const { return SQLLEN(rows_.size()); }

  std::vector<Column> columns_;
  std::vector<Row> rows_;
  SQLLEN start_ = 0;     // 0 before the start, count() + 1 after the end
  size_t lastSize_ = 0;  // rowset size of the previous fetch
};

// Values for building rows.
Value Text(const std::string& s);
Value Integer(long long i);
Value Null();

}  // namespace engine::cursor
