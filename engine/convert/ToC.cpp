#include "convert/ToC.h"

#include <sqlite3.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "common/Text.h"
#include "common/Wide.h"
#include "convert/SqlTypes.h"

namespace engine::convert {

using cursor::Value;

namespace {

EngineError OutOfRange() { return EngineError("22003", 0, "Numeric value out of range."); }
EngineError BadCast() {
  return EngineError("22018", 0, "Invalid character value for cast specification.");
}
EngineError Restricted() {
  return EngineError("07006", 0, "Restricted data type attribute violation.");
}

// The value as a number: integer when exact, else double.
struct Number {
  bool isInteger = false;
  long long i = 0;
  double d = 0;
};

Number ToNumber(const Value& v) {
  Number n;
  switch (v.kind) {
    case Value::Kind::Integer:
      n.isInteger = true;
      n.i = v.i;
      n.d = double(v.i);
      return n;
    case Value::Kind::Real:
      n.d = v.d;
      return n;
    case Value::Kind::Text: {
      long long i;
      if (ParseInt64(v.s, i)) {
        n.isInteger = true;
        n.i = i;
        n.d = double(i);
        return n;
      }
      std::string t = Trim(v.s);
      if (t.empty()) throw BadCast();
      char* end = nullptr;
      errno = 0;
      double d = std::strtod(t.c_str(), &end);
      if (end != t.c_str() + t.size() || std::isnan(d)) throw BadCast();
      if (errno == ERANGE && std::isinf(d)) throw OutOfRange();
      n.d = d;
      return n;
    }
    default:
      throw Restricted();
  }
}

template <class T>
SQLRETURN PutInteger(const Value& v, const CTarget& t, Notice& notice) {
  Number n = ToNumber(v);
  SQLRETURN rc = SQL_SUCCESS;
  long double x;
  if (n.isInteger) {
    x = (long double)n.i;
  } else {
    if (!std::isfinite(n.d)) throw OutOfRange();
    x = std::trunc((long double)n.d);
    if (x != (long double)n.d) {
      notice = {"01S07", 0, "Fractional truncation."};
      rc = SQL_SUCCESS_WITH_INFO;
    }
  }
  if (x < (long double)std::numeric_limits<T>::min() ||
      x > (long double)std::numeric_limits<T>::max())
    throw OutOfRange();
  T value = n.isInteger ? T(n.i) : T(x);
  if (t.data) std::memcpy(t.data, &value, sizeof value);
  if (t.indicator) *t.indicator = sizeof value;
  return rc;
}

template <class T>
void PutFixed(const T& value, const CTarget& t) {
  if (t.data) std::memcpy(t.data, &value, sizeof value);
  if (t.indicator) *t.indicator = sizeof value;
}

// yyyy-mm-dd[( |T)hh:mm[:ss[.fffffffff]]] or hh:mm[:ss[.f]] when timeOnly.
bool ParseTimestamp(const std::string& text, SQL_TIMESTAMP_STRUCT& ts, bool allowTimeOnly) {
  std::memset(&ts, 0, sizeof ts);
  std::string s = Trim(text);
  const char* p = s.c_str();
  auto digits = [&](int count, int& out) {
    out = 0;
    for (int k = 0; k < count; ++k) {
      if (*p < '0' || *p > '9') return false;
      out = out * 10 + (*p++ - '0');
    }
    return true;
  };
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, se = 0;
  bool hasDate = s.size() >= 10 && s[4] == '-';
  if (hasDate) {
    if (!digits(4, y) || *p++ != '-' || !digits(2, mo) || *p++ != '-' || !digits(2, d)) return false;
    if (mo < 1 || mo > 12 || d < 1 || d > 31) return false;
    if (*p == ' ' || *p == 'T')
      ++p;
    else if (*p)
      return false;
  } else if (!allowTimeOnly) {
    return false;
  }
  unsigned long fraction = 0;
  if (*p) {
    if (!digits(2, h) || *p++ != ':' || !digits(2, mi)) return false;
    if (*p == ':') {
      ++p;
      if (!digits(2, se)) return false;
      if (*p == '.') {
        ++p;
        int count = 0;
        while (*p >= '0' && *p <= '9') {
          if (count < 9) fraction = fraction * 10 + unsigned(*p - '0');
          ++count;
          ++p;
        }
        for (; count < 9; ++count) fraction *= 10;
      }
    }
    if (*p || h > 23 || mi > 59 || se > 59) return false;
  }
  ts.year = SQLSMALLINT(y);
  ts.month = SQLUSMALLINT(mo);
  ts.day = SQLUSMALLINT(d);
  ts.hour = SQLUSMALLINT(h);
  ts.minute = SQLUSMALLINT(mi);
  ts.second = SQLUSMALLINT(se);
  ts.fraction = SQLUINTEGER(fraction);
  return true;
}

// terminator: bytes of the NUL that ends the value (0 binary, 1 char, 2 wide char).
SQLRETURN PutBytes(const std::string& bytes, size_t terminator, const CTarget& t, size_t& offset,
                   Notice& notice) {
  if (offset > 0 && offset >= bytes.size()) return SQL_NO_DATA;
  size_t remaining = bytes.size() - offset;
  if (t.indicator) *t.indicator = SQLLEN(remaining);
  if (!t.data) return SQL_SUCCESS;
  if (t.bufferLength < 0) throw EngineError("HY090", 0, "Invalid string or buffer length.");
  size_t room = size_t(t.bufferLength);
  size_t capacity = room >= terminator ? room - terminator : 0;
  if (terminator == 2) capacity &= ~size_t(1);  // whole characters only
  size_t n = remaining < capacity ? remaining : capacity;
  char* out = static_cast<char*>(t.data);
  if (n) std::memcpy(out, bytes.data() + offset, n);
  if (room >= terminator) std::memset(out + n, 0, terminator);
  if (n < remaining) {
    offset += n;
    notice = {"01004", 0, "String data, right truncation."};
    return SQL_SUCCESS_WITH_INFO;
  }
  offset = bytes.size() ? bytes.size() : 1;  // an empty value also counts as returned
  return SQL_SUCCESS;
}

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string r;
  r.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    r += kDigits[c >> 4];
    r += kDigits[c & 15];
  }
  return r;
}

}  // namespace

std::string FormatDouble(double d) {
  if (std::isnan(d)) return "NaN";
  if (std::isinf(d)) return d > 0 ? "Infinity" : "-Infinity";
  char buf[64];
  for (int precision = 15; precision <= 17; ++precision) {
    std::snprintf(buf, sizeof buf, "%.*g", precision, d);
    if (std::strtod(buf, nullptr) == d) break;
  }
  return buf;
}

std::string AsText(const Value& v, SQLSMALLINT sqlType, SQLSMALLINT scale) {
  bool decimal = sqlType == SQL_DECIMAL || sqlType == SQL_NUMERIC;
  switch (v.kind) {
    case Value::Kind::Integer:
      if (decimal && scale > 0) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%lld.%0*d", (long long)v.i, int(scale), 0);
        return buf;
      }
      return std::to_string(v.i);
    case Value::Kind::Real:
      if (decimal) {
        char buf[512];
        std::snprintf(buf, sizeof buf, "%.*f", int(scale), v.d);
        return buf;
      }
      return FormatDouble(v.d);
    case Value::Kind::Text:
      return v.s;
    case Value::Kind::Blob:
      return Hex(v.s);
    default:
      return std::string();
  }
}

SQLRETURN ToC(const Value& v, SQLSMALLINT sqlType, SQLSMALLINT scale, const CTarget& t,
              size_t& offset, Notice& notice) {
  SQLSMALLINT cType = t.cType == SQL_C_DEFAULT ? DefaultCType(sqlType) : t.cType;
  if (v.IsNull()) {
    if (offset > 0) return SQL_NO_DATA;
    if (!t.indicator)
      throw EngineError("22002", 0, "Indicator variable required but not supplied.");
    *t.indicator = SQL_NULL_DATA;
    offset = 1;
    return SQL_SUCCESS;
  }
  switch (cType) {
    case SQL_C_CHAR:
      if (v.kind == Value::Kind::Text) return PutBytes(v.s, 1, t, offset, notice);
      return PutBytes(AsText(v, sqlType, scale), 1, t, offset, notice);
    case SQL_C_WCHAR: {
      auto wide = ToWide(v.kind == Value::Kind::Text ? v.s : AsText(v, sqlType, scale));
      return PutBytes(std::string(reinterpret_cast<const char*>(wide.data()),
                                  wide.size() * sizeof(SQLWCHAR)),
                      sizeof(SQLWCHAR), t, offset, notice);
    }
    case SQL_C_BINARY:
      return PutBytes(v.kind == Value::Kind::Blob || v.kind == Value::Kind::Text
                          ? v.s
                          : AsText(v, sqlType, scale),
                      0, t, offset, notice);
    case SQL_C_LONG:
    case SQL_C_SLONG:
      return PutInteger<SQLINTEGER>(v, t, notice);
    case SQL_C_ULONG:
      return PutInteger<SQLUINTEGER>(v, t, notice);
    case SQL_C_SHORT:
    case SQL_C_SSHORT:
      return PutInteger<SQLSMALLINT>(v, t, notice);
    case SQL_C_USHORT:
      return PutInteger<SQLUSMALLINT>(v, t, notice);
    case SQL_C_TINYINT:
    case SQL_C_STINYINT:
      return PutInteger<SQLSCHAR>(v, t, notice);
    case SQL_C_UTINYINT:
      return PutInteger<SQLCHAR>(v, t, notice);
    case SQL_C_SBIGINT:
      return PutInteger<SQLBIGINT>(v, t, notice);
    case SQL_C_UBIGINT:
      return PutInteger<SQLUBIGINT>(v, t, notice);
    case SQL_C_DOUBLE:
      PutFixed<SQLDOUBLE>(ToNumber(v).d, t);
      return SQL_SUCCESS;
    case SQL_C_FLOAT: {
      double d = ToNumber(v).d;
      if (std::isfinite(d) && std::fabs(d) > std::numeric_limits<float>::max()) throw OutOfRange();
      PutFixed<SQLREAL>(float(d), t);
      return SQL_SUCCESS;
    }
    case SQL_C_BIT: {
      Number n = ToNumber(v);
      if (n.d < 0 || n.d >= 2) throw OutOfRange();
      SQLCHAR bit = n.d >= 1 ? 1 : 0;
      PutFixed(bit, t);
      if (!n.isInteger && n.d != 0 && n.d != 1) {
        notice = {"01S07", 0, "Fractional truncation."};
        return SQL_SUCCESS_WITH_INFO;
      }
      return SQL_SUCCESS;
    }
    case SQL_C_TYPE_TIMESTAMP:
    case SQL_C_TIMESTAMP:
    case SQL_C_TYPE_DATE:
    case SQL_C_DATE:
    case SQL_C_TYPE_TIME:
    case SQL_C_TIME: {
      if (v.kind != Value::Kind::Text) throw Restricted();
      bool timeTarget = cType == SQL_C_TYPE_TIME || cType == SQL_C_TIME;
      SQL_TIMESTAMP_STRUCT ts;
      if (!ParseTimestamp(v.s, ts, timeTarget)) throw BadCast();
      if (cType == SQL_C_TYPE_TIMESTAMP || cType == SQL_C_TIMESTAMP) {
        PutFixed(ts, t);
        return SQL_SUCCESS;
      }
      if (timeTarget) {
        SQL_TIME_STRUCT tm{ts.hour, ts.minute, ts.second};
        PutFixed(tm, t);
        if (ts.fraction) {
          notice = {"01S07", 0, "Fractional truncation."};
          return SQL_SUCCESS_WITH_INFO;
        }
        return SQL_SUCCESS;
      }
      SQL_DATE_STRUCT dt{ts.year, ts.month, ts.day};
      PutFixed(dt, t);
      if (ts.hour || ts.minute || ts.second || ts.fraction) {
        notice = {"01S07", 0, "Fractional truncation."};
        return SQL_SUCCESS_WITH_INFO;
      }
      return SQL_SUCCESS;
    }
    default:
      throw EngineError("HY003", 0, "Program type out of range.");
  }
}

}  // namespace engine::convert

namespace engine::convert {

bool ToCDirect(sqlite3_stmt* s, int column, const CTarget& t) {
  int type = sqlite3_column_type(s, column);
  if (type == SQLITE_NULL) {
    if (!t.indicator) return false;
    *t.indicator = SQL_NULL_DATA;
    return true;
  }
  switch (t.cType) {
    case SQL_C_CHAR: {
      if (type != SQLITE_TEXT || !t.data || t.bufferLength <= 0) return false;
      const unsigned char* p = sqlite3_column_text(s, column);
      size_t n = size_t(sqlite3_column_bytes(s, column));
      if (n >= size_t(t.bufferLength)) return false;  // cut: the usual path reports it
      if (n) std::memcpy(t.data, p, n);
      static_cast<char*>(t.data)[n] = 0;
      if (t.indicator) *t.indicator = SQLLEN(n);
      return true;
    }
    case SQL_C_LONG:
    case SQL_C_SLONG: {
      if (type != SQLITE_INTEGER) return false;
      sqlite3_int64 v = sqlite3_column_int64(s, column);
      if (v < std::numeric_limits<SQLINTEGER>::min() || v > std::numeric_limits<SQLINTEGER>::max())
        return false;
      SQLINTEGER x = SQLINTEGER(v);
      if (t.data) std::memcpy(t.data, &x, sizeof x);
      if (t.indicator) *t.indicator = sizeof x;
      return true;
    }
    case SQL_C_WCHAR: {
      if (type != SQLITE_TEXT || !t.data || t.bufferLength <= 0) return false;
      auto wide = ToWide(std::string(reinterpret_cast<const char*>(sqlite3_column_text(s, column)),
                                     size_t(sqlite3_column_bytes(s, column))));
      size_t bytes = wide.size() * sizeof(SQLWCHAR);
      if (bytes + sizeof(SQLWCHAR) > size_t(t.bufferLength)) return false;  // cut: usual path
      if (bytes) std::memcpy(t.data, wide.data(), bytes);
      std::memset(static_cast<char*>(t.data) + bytes, 0, sizeof(SQLWCHAR));
      if (t.indicator) *t.indicator = SQLLEN(bytes);
      return true;
    }
    case SQL_C_TYPE_TIMESTAMP:
    case SQL_C_TIMESTAMP: {
      if (type != SQLITE_TEXT) return false;
      SQL_TIMESTAMP_STRUCT ts;
      if (!ParseTimestamp(std::string(reinterpret_cast<const char*>(sqlite3_column_text(s, column)),
                                      size_t(sqlite3_column_bytes(s, column))),
                          ts, false))
        return false;  // the usual path reports it
      PutFixed(ts, t);
      return true;
    }
    case SQL_C_DOUBLE: {
      if (type != SQLITE_FLOAT && type != SQLITE_INTEGER) return false;
      SQLDOUBLE d = type == SQLITE_FLOAT ? sqlite3_column_double(s, column)
                                         : double(sqlite3_column_int64(s, column));
      if (t.data) std::memcpy(t.data, &d, sizeof d);
      if (t.indicator) *t.indicator = sizeof d;
      return true;
    }
    default:
      return false;
  }
}

}  // namespace engine::convert
