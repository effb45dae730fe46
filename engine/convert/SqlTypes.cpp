#include "convert/SqlTypes.h"

#include <sqlite3.h>

#include <cstdlib>

#include "common/Text.h"

namespace engine::convert {

namespace {

// Reads "name(a[,b])" into its parts; the arguments are -1 when absent.
void Split(const std::string& declared, std::string& base, long& a, long& b) {
  std::string d = Lower(Trim(declared));
  a = b = -1;
  size_t p = d.find('(');
  base = Trim(d.substr(0, p));
  if (p == std::string::npos) return;
  const char* s = d.c_str() + p + 1;
  char* end = nullptr;
  long x = std::strtol(s, &end, 10);
  if (end != s) a = x;
  while (*end == ' ') ++end;
  if (*end == ',') {
    s = end + 1;
    long y = std::strtol(s, &end, 10);
    if (end != s) b = y;
  }
}

SqlType Make(SQLSMALLINT type, SQLULEN size, SQLSMALLINT scale, SQLLEN display, SQLLEN octets,
             const char* name) {
  SqlType t;
  t.type = type;
  t.size = size;
  t.scale = scale;
  t.displaySize = display;
  t.octetLength = octets;
  t.typeName = name;
  return t;
}

}  // namespace

SqlType DescribeDeclared(const std::string& declared) {
  std::string base;
  long a, b;
  Split(declared, base, a, b);
  if (base == "char" || base == "character" || base == "nchar") {
    SQLULEN n = a > 0 ? SQLULEN(a) : 1;
    return Make(SQL_CHAR, n, 0, SQLLEN(n), SQLLEN(n), "char");
  }
  if (base == "varchar" || base == "nvarchar" || base == "character varying") {
    SQLULEN n = a > 0 ? SQLULEN(a) : 1;
    return Make(SQL_VARCHAR, n, 0, SQLLEN(n), SQLLEN(n), "varchar");
  }
  if (base == "int" || base == "integer") return Make(SQL_INTEGER, 10, 0, 11, 4, "int");
  if (base == "smallint") return Make(SQL_SMALLINT, 5, 0, 6, 2, "smallint");
  if (base == "tinyint") {
    SqlType t = Make(SQL_TINYINT, 3, 0, 3, 1, "tinyint");
    t.isUnsigned = true;
    return t;
  }
  if (base == "bigint") return Make(SQL_BIGINT, 19, 0, 20, 8, "bigint");
  if (base == "bit") return Make(SQL_BIT, 1, 0, 1, 1, "bit");
  if (base == "float" || base == "double" || base == "double precision") {
    if (a > 0 && a <= 24) return Make(SQL_REAL, 24, 0, 14, 4, "real");
    return Make(SQL_FLOAT, 53, 0, 24, 8, "float");
  }
  if (base == "real") return Make(SQL_REAL, 24, 0, 14, 4, "real");
  // Wide decimals are declared "decimal_text(p,s)" (types/TypeDecl.h).
  if (base.size() > 5 && base.compare(base.size() - 5, 5, "_text") == 0) base.resize(base.size() - 5);
  if (base == "dec" || base == "decimal" || base == "numeric") {
    SQLULEN p = a > 0 ? SQLULEN(a) : 18;
    SQLSMALLINT s = b > 0 ? SQLSMALLINT(b) : 0;
    return Make(base == "numeric" ? SQL_NUMERIC : SQL_DECIMAL, p, s, SQLLEN(p) + 2, SQLLEN(p) + 2,
                base == "numeric" ? "numeric" : "decimal");
  }
  if (base == "datetime") return Make(SQL_TYPE_TIMESTAMP, 23, 3, 23, 16, "datetime");
  if (base == "date") return Make(SQL_TYPE_DATE, 10, 0, 10, 6, "date");
  if (base == "text") return Make(SQL_LONGVARCHAR, 2147483647, 0, 2147483647, 2147483647, "text");
  if (base == "image" || base == "blob") return Make(SQL_LONGVARBINARY, 2147483647, 0,
                                                     2147483647, 2147483647, "image");
  if (base == "varbinary" || base == "binary") {
    SQLULEN n = a > 0 ? SQLULEN(a) : 1;
    return Make(base == "binary" ? SQL_BINARY : SQL_VARBINARY, n, 0, SQLLEN(2 * n), SQLLEN(n),
                base.c_str());
  }
  return Make(SQL_VARCHAR, 255, 0, 255, 255, "varchar");
}

SqlType DescribeComputed(int sqliteType, size_t textLength) {
  switch (sqliteType) {
    case SQLITE_INTEGER:
      return Make(SQL_INTEGER, 10, 0, 11, 4, "int");
    case SQLITE_FLOAT:
      return Make(SQL_FLOAT, 53, 0, 24, 8, "float");
    case SQLITE_BLOB: {
      SQLULEN n = textLength ? textLength : 1;
      return Make(SQL_VARBINARY, n, 0, SQLLEN(2 * n), SQLLEN(n), "varbinary");
    }
    default: {
      SQLULEN n = textLength ? textLength : 1;
      return Make(SQL_VARCHAR, n, 0, SQLLEN(n), SQLLEN(n), "varchar");
    }
  }
}

SQLSMALLINT DefaultCType(SQLSMALLINT sqlType) {
  switch (sqlType) {
    case SQL_INTEGER: return SQL_C_SLONG;
    case SQL_SMALLINT: return SQL_C_SSHORT;
    case SQL_TINYINT: return SQL_C_UTINYINT;
    case SQL_BIGINT: return SQL_C_SBIGINT;
    case SQL_BIT: return SQL_C_BIT;
    case SQL_REAL: return SQL_C_FLOAT;
    case SQL_FLOAT:
    case SQL_DOUBLE: return SQL_C_DOUBLE;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP: return SQL_C_TYPE_TIMESTAMP;
    case SQL_TYPE_DATE:
    case SQL_DATE: return SQL_C_TYPE_DATE;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY: return SQL_C_BINARY;
    case SQL_WCHAR:
    case SQL_WVARCHAR:
    case SQL_WLONGVARCHAR: return SQL_C_WCHAR;
    default: return SQL_C_CHAR;
  }
}

SQLSMALLINT Odbc2Type(SQLSMALLINT sqlType) {
  switch (sqlType) {
    case SQL_TYPE_TIMESTAMP: return SQL_TIMESTAMP;
    case SQL_TYPE_DATE: return SQL_DATE;
    case SQL_TYPE_TIME: return SQL_TIME;
    default: return sqlType;
  }
}

SQLSMALLINT VerboseType(SQLSMALLINT sqlType) {
  switch (sqlType) {
    case SQL_TYPE_TIMESTAMP:
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME: return SQL_DATETIME;
    default: return sqlType;
  }
}

}  // namespace engine::convert
