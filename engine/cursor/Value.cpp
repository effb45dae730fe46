#include "cursor/Value.h"

#include <sqlite3.h>

namespace engine::cursor {

Value Value::FromColumn(sqlite3_stmt* stmt, int column) {
  Value v;
  v.Assign(stmt, column);
  return v;
}

void Value::Assign(sqlite3_stmt* stmt, int column) {
  switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
      kind = Kind::Integer;
      i = sqlite3_column_int64(stmt, column);
      break;
    case SQLITE_FLOAT:
      kind = Kind::Real;
      d = sqlite3_column_double(stmt, column);
      break;
    case SQLITE_TEXT: {
      kind = Kind::Text;
      const unsigned char* p = sqlite3_column_text(stmt, column);
      s.assign(reinterpret_cast<const char*>(p), size_t(sqlite3_column_bytes(stmt, column)));
      break;
    }
    case SQLITE_BLOB: {
      kind = Kind::Blob;
      const void* p = sqlite3_column_blob(stmt, column);
      int n = sqlite3_column_bytes(stmt, column);
      if (p && n > 0)
        s.assign(static_cast<const char*>(p), size_t(n));
      else
        s.clear();
      break;
    }
    default:
      kind = Kind::Null;
      break;
  }
}

}  // namespace engine::cursor
