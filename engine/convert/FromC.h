// Binding an application's parameter buffer to an SQLite statement parameter.
#pragma once
#include <string>

#include "odbc/Api.h"

struct sqlite3_stmt;

namespace engine::convert {

struct CSource {
  SQLSMALLINT cType;
  SQLSMALLINT sqlType;
  SQLPOINTER data;
  SQLLEN bufferLength;
  SQLLEN* indicator;  // may be null: a character value is then NUL-terminated
};

// Binds the value; throws EngineError for C types it cannot take (HYC00, HY003) or
// data-at-execution.
void BindParameter(sqlite3_stmt* stmt, int index, const CSource& source);

// The decimal text of an SQL_NUMERIC_STRUCT ("-12.50").
std::string NumericText(const SQL_NUMERIC_STRUCT& n);

// Bytes one element of a C type takes in an array; 0 for character and binary types (whose
// size is the buffer length).
SQLLEN CTypeSize(SQLSMALLINT cType);

}  // namespace engine::convert
