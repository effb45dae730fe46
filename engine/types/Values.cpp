#include "types/Values.h"

#include <sqlite3.h>

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/Text.h"
#include "convert/ToC.h"
#include "types/Collation.h"
#include "types/Dates.h"
#include "types/Functions.h"

namespace engine::types {

using cursor::Value;

namespace {

const char kFunction[] = "zorb_value";
const char kErrorMark = '\x1b';
const char kErrorSep = '\x1f';

// A decimal number as digits: value = (neg ? -1 : 1) * int.frac
struct Decimal {
  bool neg = false;
  std::string whole;  // no leading zeros
  std::string frac;
};

// Optional blanks, sign, digits with an optional point, optional exponent, optional blanks.
bool ParseDecimal(std::string_view text, Decimal& d) {
  std::string s = Trim(text);
  size_t i = 0;
  d = Decimal();
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) d.neg = s[i++] == '-';
  std::string digits;
  long point = -1;
  for (; i < s.size(); ++i) {
    char c = s[i];
    if (c >= '0' && c <= '9') {
      digits += c;
    } else if (c == '.' && point < 0) {
      point = long(digits.size());
    } else {
      break;
    }
  }
  if (digits.empty()) return false;
  if (point < 0) point = long(digits.size());
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    long long e;
    if (!ParseInt64(std::string_view(s).substr(i + 1), e) || e > 400 || e < -400) return false;
    point += long(e);
    i = s.size();
  }
  if (i != s.size()) return false;
  while (point < 0) {
    digits.insert(digits.begin(), '0');
    ++point;
  }
  while (long(digits.size()) < point) digits += '0';
  d.whole = digits.substr(0, size_t(point));
  d.frac = digits.substr(size_t(point));
  size_t nz = d.whole.find_first_not_of('0');
  d.whole = nz == std::string::npos ? std::string() : d.whole.substr(nz);
  return true;
}

// Rounds half away from zero to scale decimals.
void Round(Decimal& d, int scale) {
  if (int(d.frac.size()) <= scale) {
    d.frac.append(size_t(scale) - d.frac.size(), '0');
    return;
  }
  bool up = d.frac[size_t(scale)] >= '5';
  d.frac.resize(size_t(scale));
  if (!up) return;
  std::string all = d.whole + d.frac;
  int k = int(all.size()) - 1;
  for (; k >= 0; --k) {
    if (all[size_t(k)] == '9') {
      all[size_t(k)] = '0';
    } else {
      ++all[size_t(k)];
      break;
    }
  }
  if (k < 0) all.insert(all.begin(), '1');
  d.whole = all.substr(0, all.size() - size_t(scale));
  d.frac = all.substr(all.size() - size_t(scale));
}

std::string Shown(const Value& v) {
  std::string s = v.kind == Value::Kind::Text ? v.s : convert::AsText(v, SQL_VARCHAR, 0);
  return s.size() > 60 ? s.substr(0, 60) : s;
}

EngineError NotANumber(const Value& v, Kind k) {
  return EngineError("22018", 245, "Conversion failed when converting the varchar value '" +
                                       Shown(v) + "' to data type " + MessageName(k) + ".");
}

EngineError Overflow(Kind k, long double value) {
  if (k == Kind::TinyInt || k == Kind::SmallInt) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.0Lf", value);
    return EngineError("22003", 220, std::string("Arithmetic overflow error for data type ") +
                                         MessageName(k) + ", value = " + buf + ".");
  }
  if (k == Kind::Decimal)
    return EngineError("22003", 8115,
                       "Arithmetic overflow error converting numeric to data type numeric.");
  return EngineError("22003", 8115, std::string("Arithmetic overflow error converting "
                                                "expression to data type ") +
                                        MessageName(k) + ".");
}

// Text for a number the way a character column receives it.
std::string NumberText(const Value& v) {
  if (v.kind == Value::Kind::Integer) return std::to_string(v.i);
  return convert::FormatDouble(v.d);
}

Value Integer(long long i) { return Value::OfInteger(i); }
Value Real(double d) { return Value::OfReal(d); }
Value TextValue(std::string s) { return Value::OfText(std::move(s)); }

Value ToInteger(const Value& v, Kind k) {
  long double x;
  switch (v.kind) {
    case Value::Kind::Integer:
      x = (long double)v.i;
      break;
    case Value::Kind::Real:
      if (!std::isfinite(v.d)) throw Overflow(k, 0);
      x = std::trunc((long double)v.d);
      break;
    case Value::Kind::Text: {
      std::string t = Trim(v.s);
      if (t.empty()) return Integer(0);
      long long i;
      if (ParseInt64(t, i)) {
        x = (long double)i;
        break;
      }
      Decimal d;
      // All digits but too long for 64 bits: a number out of range, not a bad text.
      if (ParseDecimal(t, d) && d.frac.empty() && t.find_first_of(".eE") == std::string::npos)
        throw Overflow(k, d.neg ? -1e30L : 1e30L);
      throw NotANumber(v, k);
    }
    default:
      throw NotANumber(v, k);
  }
  long double lo, hi;
  switch (k) {
    case Kind::TinyInt: lo = 0, hi = 255; break;
    case Kind::SmallInt: lo = -32768, hi = 32767; break;
    case Kind::Int: lo = -2147483648.0L, hi = 2147483647.0L; break;
    default: lo = -9223372036854775808.0L, hi = 9223372036854775807.0L; break;
  }
  if (x < lo || x > hi) throw Overflow(k, x);
  return Integer(v.kind == Value::Kind::Integer ? v.i : (long long)x);
}

Value ToDecimal(const Value& v, const TypeDecl& t) {
  Decimal d;
  switch (v.kind) {
    case Value::Kind::Integer:
      ParseDecimal(std::to_string(v.i), d);
      break;
    case Value::Kind::Real: {
      if (!std::isfinite(v.d)) throw Overflow(Kind::Decimal, 0);
      char buf[64];
      std::snprintf(buf, sizeof buf, "%.15g", v.d);
      ParseDecimal(buf, d);
      break;
    }
    case Value::Kind::Text:
      if (!ParseDecimal(v.s, d)) throw NotANumber(v, Kind::Decimal);
      break;
    default:
      throw NotANumber(v, Kind::Decimal);
  }
  Round(d, t.scale);
  if (int(d.whole.size()) > t.length - t.scale) throw Overflow(Kind::Decimal, 0);
  bool zero = d.whole.empty() && d.frac.find_first_not_of('0') == std::string::npos;
  // More digits than a double holds: the exact text (types/Decimal.h).
  if (IsWideDecimal(t))
    return TextValue((d.neg && !zero ? "-" : "") + (d.whole.empty() ? std::string("0") : d.whole) +
                     (t.scale > 0 ? "." + d.frac : std::string()));
  if (d.frac.find_first_not_of('0') == std::string::npos && d.whole.size() <= 18) {
    long long i = d.whole.empty() ? 0 : std::stoll(d.whole);
    return Integer(d.neg && !zero ? -i : i);
  }
  std::string text = (d.neg ? "-" : "") + (d.whole.empty() ? std::string("0") : d.whole) + "." +
                     d.frac;
  return Real(std::strtod(text.c_str(), nullptr));
}

Value ToFloat(const Value& v, Kind k) {
  double x;
  switch (v.kind) {
    case Value::Kind::Integer: x = double(v.i); break;
    case Value::Kind::Real: x = v.d; break;
    case Value::Kind::Text: {
      std::string t = Trim(v.s);
      if (t.empty()) return Real(0);
      Decimal d;
      if (!ParseDecimal(t, d)) throw NotANumber(v, k);
      errno = 0;
      x = std::strtod(t.c_str(), nullptr);
      if (errno == ERANGE && std::isinf(x)) throw Overflow(k, 0);
      break;
    }
    default:
      throw NotANumber(v, k);
  }
  if (!std::isfinite(x) || (k == Kind::Real && std::fabs(x) > FLT_MAX)) throw Overflow(k, 0);
  return Real(x);
}

Value ToBit(const Value& v) {
  switch (v.kind) {
    case Value::Kind::Integer: return Integer(v.i != 0);
    case Value::Kind::Real: return Integer(v.d != 0);
    case Value::Kind::Text: {
      std::string t = Trim(v.s);
      if (t.empty() || IEquals(t, "FALSE")) return Integer(0);
      if (IEquals(t, "TRUE")) return Integer(1);
      Decimal d;
      if (!ParseDecimal(t, d)) throw NotANumber(v, Kind::Bit);
      bool nonzero = !d.whole.empty() || d.frac.find_first_not_of('0') != std::string::npos;
      return Integer(nonzero);
    }
    default:
      throw NotANumber(v, Kind::Bit);
  }
}

Value ToDateTime(const Value& v, std::string_view format) {
  DateTime d;
  DateRead r;
  switch (v.kind) {
    case Value::Kind::Integer: r = DateTimeFromDays(double(v.i), d); break;
    case Value::Kind::Real: r = DateTimeFromDays(v.d, d); break;
    case Value::Kind::Text: r = ParseDateTime(v.s, format, d); break;
    default: r = DateRead::NotADate; break;
  }
  if (r != DateRead::Ok) ThrowDateError(r);
  return TextValue(FormatDateTime(d));
}

Value ToCharacter(const Value& v, const TypeDecl& t) {
  std::string s = v.kind == Value::Kind::Integer || v.kind == Value::Kind::Real ? NumberText(v)
                                                                                : v.s;
  if (t.kind == Kind::Text) return TextValue(std::move(s));
  size_t n = size_t(t.length);
  if (s.size() > n) {
    // Blanks past the length go silently; anything else is truncation.
    if (s.find_first_not_of(' ', n) != std::string::npos)
      throw EngineError("22001", 8152, "String or binary data would be truncated.");
    s.resize(n);
  }
  if (t.kind == Kind::Char && s.size() < n) s.append(n - s.size(), ' ');
  return TextValue(std::move(s));
}

int Collate(void*, int na, const void* a, int nb, const void* b) {
  return CompareText(static_cast<const unsigned char*>(a), size_t(na),
                     static_cast<const unsigned char*>(b), size_t(nb));
}


// zorb_value(value, kind, length, scale, date format)
void ConvertFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  TypeDecl t;
  t.kind = Kind(sqlite3_value_int(argv[1]));
  t.length = sqlite3_value_int(argv[2]);
  t.scale = sqlite3_value_int(argv[3]);
  const char* f = reinterpret_cast<const char*>(sqlite3_value_text(argv[4]));
  try {
    Value out = ConvertForColumn(FromSqlite(argv[0]), t, f ? f : "dmy");
    switch (out.kind) {
      case Value::Kind::Integer: sqlite3_result_int64(ctx, out.i); break;
      case Value::Kind::Real: sqlite3_result_double(ctx, out.d); break;
      case Value::Kind::Text:
        sqlite3_result_text(ctx, out.s.data(), int(out.s.size()), SQLITE_TRANSIENT);
        break;
      case Value::Kind::Blob:
        sqlite3_result_blob(ctx, out.s.data(), int(out.s.size()), SQLITE_TRANSIENT);
        break;
      default: sqlite3_result_null(ctx); break;
    }
  } catch (const EngineError& e) {
    std::string m = EncodeError(e);
    sqlite3_result_error(ctx, m.data(), int(m.size()));
  }
}

}  // namespace

Value FromSqlite(sqlite3_value* v) {
  Value r;
  switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
      r.kind = Value::Kind::Integer;
      r.i = sqlite3_value_int64(v);
      break;
    case SQLITE_FLOAT:
      r.kind = Value::Kind::Real;
      r.d = sqlite3_value_double(v);
      break;
    case SQLITE_TEXT:
      r.kind = Value::Kind::Text;
      r.s.assign(reinterpret_cast<const char*>(sqlite3_value_text(v)),
                 size_t(sqlite3_value_bytes(v)));
      break;
    case SQLITE_BLOB:
      r.kind = Value::Kind::Blob;
      if (sqlite3_value_bytes(v) > 0)
        r.s.assign(static_cast<const char*>(sqlite3_value_blob(v)), size_t(sqlite3_value_bytes(v)));
      break;
    default:
      break;
  }
  return r;
}

Value ConvertForColumn(const Value& v, const TypeDecl& t, std::string_view dateFormat) {
  if (v.IsNull()) return v;
  switch (t.kind) {
    case Kind::Char:
    case Kind::VarChar:
    case Kind::Text: return ToCharacter(v, t);
    case Kind::TinyInt:
    case Kind::SmallInt:
    case Kind::Int:
    case Kind::BigInt: return ToInteger(v, t.kind);
    case Kind::Bit: return ToBit(v);
    case Kind::Float:
    case Kind::Real: return ToFloat(v, t.kind);
    case Kind::Decimal: return ToDecimal(v, t);
    case Kind::DateTime: return ToDateTime(v, dateFormat);
    default: return v;
  }
}

void Register(sqlite3* db) {
  RegisterTsqlFunctions(db);  // types/Functions.h
  sqlite3_create_collation_v2(db, kCollation, SQLITE_UTF8, nullptr, Collate, nullptr);
  sqlite3_create_function_v2(db, kFunction, 5, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                             ConvertFunction, nullptr, nullptr, nullptr);
}

std::string ConvertCall(const std::string& expr, const TypeDecl& t, std::string_view dateFormat) {
  return std::string(kFunction) + "(" + expr + ", " + std::to_string(int(t.kind)) + ", " +
         std::to_string(t.length) + ", " + std::to_string(t.scale) + ", " +
         QuoteLiteral(dateFormat) + ")";
}

std::string EncodeError(const EngineError& e) {
  return std::string(1, kErrorMark) + e.state() + kErrorSep + std::to_string(e.native()) +
         kErrorSep + e.what();
}

std::optional<EngineError> DecodeError(const std::string& message) {
  if (message.empty() || message[0] != kErrorMark) return std::nullopt;
  size_t a = message.find(kErrorSep);
  size_t b = a == std::string::npos ? a : message.find(kErrorSep, a + 1);
  if (b == std::string::npos) return std::nullopt;
  return EngineError(message.substr(1, a - 1), std::atol(message.c_str() + a + 1),
                     message.substr(b + 1));
}

}  // namespace engine::types
