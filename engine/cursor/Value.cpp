#include "cursor/Value.h"

#include <sqlite3.h>

namespace engine::cursor {

Value Value::FromColumn(sqlite3_stmt* stmt, int column) {
  Value v;
  switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
      v.kind = Kind::Integer;
      v.i = sqlite3_column_int64(stmt, column);
      break;
    case SQLITE_FLOAT:
      v.kind = Kind::Real;
      v.d = sqlite3_column_double(stmt, column);
      break;
    case SQLITE_TEXT: {
      v.kind = Kind::Text;
      const unsigned char* p = sqlite3_column_text(stmt, column);
      v.s.assign(reinterpret_cast<const char*>(p), size_t(sqlite3_column_bytes(stmt, column)));
      break;
    }
    case SQLITE_BLOB: {
      v.kind = Kind::Blob;
      const void* p = sqlite3_column_blob(stmt, column);
      int n = sqlite3_column_bytes(stmt, column);
      if (p && n > 0) v.s.assign(static_cast<const char*>(p), size_t(n));
      break;
    }
    default:
      break;
  }
  return v;
}

}  // namespace engine::cursor
