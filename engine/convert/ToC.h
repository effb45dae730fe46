// Conversion of a fetched value into an application buffer of a C type, as SQLFetch and
// SQLGetData do it.
#pragma once
#include <string>

#include "common/Error.h"
#include "cursor/Value.h"
#include "odbc/Api.h"

namespace engine::convert {

struct CTarget {
  SQLSMALLINT cType;
  SQLPOINTER data;       // may be null: only the indicator is set
  SQLLEN bufferLength;   // bytes, for character and binary types
  SQLLEN* indicator;     // length or SQL_NULL_DATA; may be null
};

// Writes v into target. offset is how many bytes of a character or binary value earlier calls
// already returned (SQLGetData in parts); it is advanced. Returns SQL_SUCCESS, or
// SQL_SUCCESS_WITH_INFO with a notice (01004 truncation, 01S07 fraction lost), or SQL_NO_DATA
// when a value returned in parts is used up. Throws EngineError for values that do not convert
// (22003, 22018, 07006, 22002).
SQLRETURN ToC(const cursor::Value& v, SQLSMALLINT sqlType, SQLSMALLINT scale, const CTarget& target,
              size_t& offset, Notice& notice);

// Column `column` of the statement's current row straight into target (SQL_C_CHAR, SQL_C_LONG,
// SQL_C_SLONG, SQL_C_DOUBLE; cType resolved), when that writes exactly what ToC would from the
// column's value with nothing to report; false (nothing written) otherwise.
bool ToCDirect(sqlite3_stmt* stmt, int column, const CTarget& target);

// The value as SQL_C_CHAR text for the column's SQL type.
std::string AsText(const cursor::Value& v, SQLSMALLINT sqlType, SQLSMALLINT scale);
// Shortest text that reads back as the same double.
std::string FormatDouble(double d);

}  // namespace engine::convert
