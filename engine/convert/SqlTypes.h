// SQL Server declared types as ODBC describes them.
#pragma once
#include <string>

#include "odbc/Api.h"

namespace engine::convert {

struct SqlType {
  SQLSMALLINT type = SQL_VARCHAR;  // concise ODBC 3 type
  SQLULEN size = 0;                // column size (characters or digits)
  SQLSMALLINT scale = 0;           // decimal digits
  SQLLEN displaySize = 0;
  SQLLEN octetLength = 0;          // bytes transferred for the default C type
  bool isUnsigned = false;
  std::string typeName;            // char, varchar, int, ...
};

// Describes a declared type text such as "char(10)", "dec(12,2)" or "datetime"; an unknown or
// empty text gives varchar.
SqlType DescribeDeclared(const std::string& declared);
// For a computed column: from the kind of its first value (SQLite's storage classes).
SqlType DescribeComputed(int sqliteType, size_t textLength);

// The C type SQL_C_DEFAULT means for an SQL type.
SQLSMALLINT DefaultCType(SQLSMALLINT sqlType);
// The ODBC 2 form of a datetime type (SQL_TYPE_TIMESTAMP -> SQL_TIMESTAMP...).
SQLSMALLINT Odbc2Type(SQLSMALLINT sqlType);
// SQL_DATETIME for datetime types, the type itself otherwise (SQL_DESC_TYPE).
SQLSMALLINT VerboseType(SQLSMALLINT sqlType);

}  // namespace engine::convert
