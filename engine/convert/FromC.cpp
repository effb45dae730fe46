#include "convert/FromC.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstring>

#include "common/Error.h"
#include "common/Wide.h"
#include "convert/SqlTypes.h"

namespace engine::convert {

SQLLEN CTypeSize(SQLSMALLINT cType) {
  switch (cType) {
    case SQL_C_LONG: case SQL_C_SLONG: case SQL_C_ULONG: return sizeof(SQLINTEGER);
    case SQL_C_SHORT: case SQL_C_SSHORT: case SQL_C_USHORT: return sizeof(SQLSMALLINT);
    case SQL_C_TINYINT: case SQL_C_STINYINT: case SQL_C_UTINYINT: case SQL_C_BIT: return 1;
    case SQL_C_SBIGINT: case SQL_C_UBIGINT: return sizeof(SQLBIGINT);
    case SQL_C_DOUBLE: return sizeof(SQLDOUBLE);
    case SQL_C_FLOAT: return sizeof(SQLREAL);
    case SQL_C_TYPE_TIMESTAMP: case SQL_C_TIMESTAMP: return sizeof(SQL_TIMESTAMP_STRUCT);
    case SQL_C_TYPE_DATE: case SQL_C_DATE: return sizeof(SQL_DATE_STRUCT);
    case SQL_C_TYPE_TIME: case SQL_C_TIME: return sizeof(SQL_TIME_STRUCT);
    case SQL_C_NUMERIC: return sizeof(SQL_NUMERIC_STRUCT);
    default: return 0;
  }
}

std::string NumericText(const SQL_NUMERIC_STRUCT& n) {
  unsigned __int128 v = 0;
  for (int i = 15; i >= 0; --i) v = (v << 8) | n.val[i];
  std::string digits;
  do {
    digits.insert(digits.begin(), char('0' + int(v % 10)));
    v /= 10;
  } while (v);
  int scale = n.scale;
  if (scale > 0) {
    if (digits.size() <= size_t(scale)) digits.insert(0, size_t(scale) + 1 - digits.size(), '0');
    digits.insert(digits.size() - size_t(scale), ".");
  } else if (scale < 0 && digits != "0") {
    digits.append(size_t(-scale), '0');
  }
  return n.sign == 0 && digits.find_first_not_of("0.") != std::string::npos ? "-" + digits
                                                                            : digits;
}

void BindParameter(sqlite3_stmt* stmt, int index, const CSource& p) {
  SQLLEN ind = p.indicator ? *p.indicator : SQL_NTS;
  if (ind == SQL_NULL_DATA || !p.data) {
    sqlite3_bind_null(stmt, index);
    return;
  }
  if (ind == SQL_DATA_AT_EXEC || ind <= SQL_LEN_DATA_AT_EXEC_OFFSET)
    throw NotImplemented("data at execution");
  SQLSMALLINT cType = p.cType == SQL_C_DEFAULT ? DefaultCType(p.sqlType) : p.cType;
  const char* d = static_cast<const char*>(p.data);
  switch (cType) {
    case SQL_C_CHAR: {
      size_t n = ind == SQL_NTS ? std::strlen(d) : size_t(ind < 0 ? 0 : ind);
      sqlite3_bind_text(stmt, index, d, int(n), SQLITE_TRANSIENT);
      return;
    }
    case SQL_C_WCHAR: {
      const SQLWCHAR* w = reinterpret_cast<const SQLWCHAR*>(d);
      size_t units = 0;
      if (ind == SQL_NTS)
        while (w[units]) ++units;
      else
        units = size_t(ind < 0 ? 0 : ind) / sizeof(SQLWCHAR);
      std::string text = FromWide(w, units);
      sqlite3_bind_text(stmt, index, text.data(), int(text.size()), SQLITE_TRANSIENT);
      return;
    }
    case SQL_C_NUMERIC: {
      SQL_NUMERIC_STRUCT n; std::memcpy(&n, d, sizeof n);
      std::string text = NumericText(n);
      sqlite3_bind_text(stmt, index, text.data(), int(text.size()), SQLITE_TRANSIENT);
      return;
    }
    case SQL_C_BINARY: {
      size_t n = ind < 0 ? size_t(p.bufferLength > 0 ? p.bufferLength : 0) : size_t(ind);
      sqlite3_bind_blob(stmt, index, d, int(n), SQLITE_TRANSIENT);
      return;
    }
    case SQL_C_LONG: case SQL_C_SLONG: {
      SQLINTEGER v; std::memcpy(&v, d, sizeof v); sqlite3_bind_int64(stmt, index, v); return;
    }
    case SQL_C_ULONG: {
      SQLUINTEGER v; std::memcpy(&v, d, sizeof v); sqlite3_bind_int64(stmt, index, v); return;
    }
    case SQL_C_SHORT: case SQL_C_SSHORT: {
      SQLSMALLINT v; std::memcpy(&v, d, sizeof v); sqlite3_bind_int64(stmt, index, v); return;
    }
    case SQL_C_USHORT: {
      SQLUSMALLINT v; std::memcpy(&v, d, sizeof v); sqlite3_bind_int64(stmt, index, v); return;
    }
    case SQL_C_TINYINT: case SQL_C_STINYINT: {
      SQLSCHAR v; std::memcpy(&v, d, sizeof v); sqlite3_bind_int64(stmt, index, v); return;
    }
    case SQL_C_UTINYINT: case SQL_C_BIT: {
      SQLCHAR v; std::memcpy(&v, d, sizeof v); sqlite3_bind_int64(stmt, index, v); return;
    }
    case SQL_C_SBIGINT: {
      SQLBIGINT v; std::memcpy(&v, d, sizeof v); sqlite3_bind_int64(stmt, index, v); return;
    }
    case SQL_C_UBIGINT: {
      SQLUBIGINT v; std::memcpy(&v, d, sizeof v);
      if (v > SQLUBIGINT(INT64_MAX)) throw EngineError("22003", 0, "Numeric value out of range.");
      sqlite3_bind_int64(stmt, index, sqlite3_int64(v));
      return;
    }
    case SQL_C_DOUBLE: {
      SQLDOUBLE v; std::memcpy(&v, d, sizeof v); sqlite3_bind_double(stmt, index, v); return;
    }
    case SQL_C_FLOAT: {
      SQLREAL v; std::memcpy(&v, d, sizeof v); sqlite3_bind_double(stmt, index, v); return;
    }
    case SQL_C_TYPE_TIMESTAMP: case SQL_C_TIMESTAMP: {
      SQL_TIMESTAMP_STRUCT ts; std::memcpy(&ts, d, sizeof ts);
      char buf[64];
      std::snprintf(buf, sizeof buf, "%04d-%02u-%02u %02u:%02u:%02u.%03u", int(ts.year),
                    unsigned(ts.month), unsigned(ts.day), unsigned(ts.hour), unsigned(ts.minute),
                    unsigned(ts.second), unsigned(ts.fraction / 1000000));
      sqlite3_bind_text(stmt, index, buf, -1, SQLITE_TRANSIENT);
      return;
    }
    case SQL_C_TYPE_DATE: case SQL_C_DATE: {
      SQL_DATE_STRUCT dt; std::memcpy(&dt, d, sizeof dt);
      char buf[64];
      std::snprintf(buf, sizeof buf, "%04d-%02u-%02u 00:00:00.000", int(dt.year),
                    unsigned(dt.month), unsigned(dt.day));
      sqlite3_bind_text(stmt, index, buf, -1, SQLITE_TRANSIENT);
      return;
    }
    default:
      throw EngineError("HYC00", 0, "Optional feature not implemented: parameter C type " +
                                        std::to_string(cType) + ".");
  }
}

}  // namespace engine::convert
