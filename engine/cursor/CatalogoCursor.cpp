#include "cursor/CatalogoCursor.h"

#include <cstdlib>

namespace engine::cursor {

namespace {

Notice BeforeFirstRowset() {
  return {"01S06", 0, "Attempt to fetch before the result set returned the first rowset."};
}

}  // namespace

CatalogCursor::CatalogCursor(std::vector<Column> columns, std::vector<Row> rows)
    : columns_(std::move(columns)), rows_(std::move(rows)) {}

Column CatalogCursor::Describe(const std::string& name, const std::string& declared,
                               SQLSMALLINT nullable) {
  Column c;
  c.name = name;
  c.declared = declared;
  c.type = convert::DescribeDeclared(declared);
  c.nullable = nullable;
  return c;
}

SQLRETURN CatalogCursor::Fetch(SQLSMALLINT orientation, SQLLEN offset, size_t rowsetSize,
                               std::vector<FetchedRow>& rows, std::vector<Notice>& notices) {
  if (rowsetSize == 0) rowsetSize = 1;
  const SQLLEN n = count(), r = SQLLEN(rowsetSize);
  const SQLLEN before = 0, after = n + 1;
  const bool atStart = start_ <= 0, atEnd = start_ > n;
  SQLLEN next = before;
  bool warn = false;  // 01S06: the first rowset instead of one before it
  // ODBC's cursor positioning rules for SQLFetchScroll.
  auto absolute = [&](SQLLEN o) -> SQLLEN {
    if (o < 0) {
      if (-o <= n) return n + o + 1;
      return -o > r ? before : 1;
    }
    if (o == 0) return before;
    return o <= n ? o : after;
  };
  switch (orientation) {
    case SQL_FETCH_NEXT: {
      SQLLEN step = lastSize_ ? SQLLEN(lastSize_) : r;
      next = atStart ? 1 : atEnd || start_ + step > n ? after : start_ + step;
      break;
    }
    case SQL_FETCH_PRIOR:
      if (atStart || start_ == 1) {
        next = before;
      } else if (atEnd) {
        warn = n < r;
        next = n < r ? 1 : n - r + 1;
      } else if (start_ <= r) {
        warn = true;
        next = 1;
      } else {
        next = start_ - r;
      }
      break;
    case SQL_FETCH_FIRST: next = 1; break;
    case SQL_FETCH_LAST: next = n <= r ? 1 : n - r + 1; break;
    case SQL_FETCH_ABSOLUTE: next = absolute(offset); break;
    case SQL_FETCH_RELATIVE:
      if ((atStart && offset > 0) || (atEnd && offset < 0)) {
        next = absolute(offset);
      } else if (atStart) {
        next = before;
      } else if (atEnd) {
        next = after;
      } else if (start_ + offset < 1) {
        if (start_ == 1 || std::llabs(offset) > r) {
          next = before;
        } else {
          warn = true;
          next = 1;
        }
      } else {
        next = start_ + offset > n ? after : start_ + offset;
      }
      break;
    default:
      throw EngineError("HY106", 0, "Fetch type out of range.");
  }
  rows.clear();
  lastSize_ = rowsetSize;
  if (n == 0 || next < 1 || next > n) {
    start_ = next > n ? after : before;
    return SQL_NO_DATA;
  }
  start_ = next;
  for (SQLLEN i = next; i <= n && i < next + r; ++i)
    rows.push_back({rows_[size_t(i - 1)], SQL_ROW_SUCCESS});
  if (!warn) return SQL_SUCCESS;
  notices.push_back(BeforeFirstRowset());
  return SQL_SUCCESS_WITH_INFO;
}

Value Text(const std::string& s) {
  Value v;
  v.kind = Value::Kind::Text;
  v.s = s;
  return v;
}

Value Integer(long long i) {
  Value v;
  v.kind = Value::Kind::Integer;
  v.i = i;
  return v;
}

Value Null() { return Value(); }

}  // namespace engine::cursor
