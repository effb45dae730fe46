#include "types/Functions.h"

#include <sqlite3.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "common/Text.h"
#include "convert/ToC.h"
#include "types/Collation.h"
#include "types/Dates.h"
#include "types/Decimal.h"
#include "types/TypeDecl.h"
#include "types/Values.h"

namespace engine::types {

using cursor::Value;

const char* const kEngineFunctions[] = {
    "zorb_value",  // types/Values.cpp: values written into columns
    "zorb_op",   "zorb_cast", "getdate",   "len",      "zorb_left", "zorb_right", "substring",
    "charindex", "upper",     "lower",     "replace",  "round",     "ceiling",   "floor",
    "str",       "zorb_isnull", "dateadd", "datediff", "datepart",  "year",      "month",
    "day",       "zorb_rowcount", "zorb_identity", "scope_identity", "like",
    "newid",     "zorb_one",  "zorb_compare", "zorb_between", "zorb_in",
    "sum",       "avg",  // types/Decimal.cpp
};
const size_t kEngineFunctionCount = sizeof kEngineFunctions / sizeof kEngineFunctions[0];

namespace {

// ---- values in and out of SQLite ----

Value Arg(sqlite3_value* v) { return FromSqlite(v); }

std::string TextArg(sqlite3_value* v) {
  const unsigned char* t = sqlite3_value_text(v);
  return t ? std::string(reinterpret_cast<const char*>(t), size_t(sqlite3_value_bytes(v)))
           : std::string();
}

void Result(sqlite3_context* ctx, const Value& v) {
  switch (v.kind) {
    case Value::Kind::Integer: sqlite3_result_int64(ctx, v.i); break;
    case Value::Kind::Real: sqlite3_result_double(ctx, v.d); break;
    case Value::Kind::Text:
      sqlite3_result_text(ctx, v.s.data(), int(v.s.size()), SQLITE_TRANSIENT);
      break;
    case Value::Kind::Blob:
      sqlite3_result_blob(ctx, v.s.data(), int(v.s.size()), SQLITE_TRANSIENT);
      break;
    default: sqlite3_result_null(ctx); break;
  }
}

Value Int(long long i) { return Value::OfInteger(i); }
Value Real(double d) { return Value::OfReal(d); }
Value Str(std::string s) { return Value::OfText(std::move(s)); }

bool AnyNull(int argc, sqlite3_value** argv) {
  for (int i = 0; i < argc; ++i)
    if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return true;
  return false;
}

// Runs a function body; an EngineError travels in SQLite's message (types/Values.h).
template <class F>
void Guard(sqlite3_context* ctx, F&& body) {
  try {
    body();
  } catch (const EngineError& e) {
    std::string m = EncodeError(e);
    sqlite3_result_error(ctx, m.data(), int(m.size()));
  }
}

std::string Shown(const Value& v) {
  std::string s = v.kind == Value::Kind::Text ? v.s : convert::AsText(v, SQL_VARCHAR, 0);
  return s.size() > 60 ? s.substr(0, 60) : s;
}

// ---- dates ----

long DayNumber(int y, int m, int d) {
  y -= m <= 2;
  long era = (y >= 0 ? y : y - 399) / 400;
  long yoe = y - era * 400;
  long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468 + 25567;
}

double DaysOf(const DateTime& d) {
  return double(DayNumber(d.year, d.month, d.day)) +
         double(((d.hour * 60 + d.minute) * 60 + d.second) * 1000 + d.millisecond) / 86400000.0;
}

// A value as a datetime: texts by the date format, numbers as days since 1900-01-01.
DateTime ToDate(const Value& v, std::string_view format) {
  DateTime d;
  DateRead r = DateRead::NotADate;
  if (v.kind == Value::Kind::Text) r = ParseDateTime(v.s, format, d);
  else if (v.kind == Value::Kind::Integer) r = DateTimeFromDays(double(v.i), d);
  else if (v.kind == Value::Kind::Real) r = DateTimeFromDays(v.d, d);
  if (r != DateRead::Ok) ThrowDateError(r);
  return d;
}

EngineError DateOverflow() {
  return EngineError("22008", 517, "Adding a value to a 'datetime' column caused an overflow.");
}

Value FromDays(double days) {
  DateTime d;
  if (DateTimeFromDays(days, d) != DateRead::Ok) throw DateOverflow();
  return Str(FormatDateTime(d));
}

enum class Part { Year, Quarter, Month, DayOfYear, Day, Week, Weekday, Hour, Minute, Second, Ms };

Part PartOf(const std::string& text, const char* function) {
  std::string p = Lower(Trim(text));
  struct Name {
    const char* name;
    Part part;
  } static const kNames[] = {
      {"year", Part::Year},     {"yy", Part::Year},           {"yyyy", Part::Year},
      {"quarter", Part::Quarter}, {"qq", Part::Quarter},      {"q", Part::Quarter},
      {"month", Part::Month},   {"mm", Part::Month},          {"m", Part::Month},
      {"dayofyear", Part::DayOfYear}, {"dy", Part::DayOfYear}, {"y", Part::DayOfYear},
      {"day", Part::Day},       {"dd", Part::Day},            {"d", Part::Day},
      {"week", Part::Week},     {"wk", Part::Week},           {"ww", Part::Week},
      {"weekday", Part::Weekday}, {"dw", Part::Weekday},      {"w", Part::Weekday},
      {"hour", Part::Hour},     {"hh", Part::Hour},           {"minute", Part::Minute},
      {"mi", Part::Minute},     {"n", Part::Minute},          {"second", Part::Second},
      {"ss", Part::Second},     {"s", Part::Second},          {"millisecond", Part::Ms},
      {"ms", Part::Ms}};
  for (const Name& n : kNames)
    if (p == n.name) return n.part;
  throw EngineError("42000", 155, "'" + text + "' is not a recognized " + function + " option.");
}

int DaysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return m == 2 && leap ? 29 : kDays[m - 1];
}

// 1 for Sunday ... 7 for Saturday (us_english).
int Weekday(const DateTime& d) {
  long n = DayNumber(d.year, d.month, d.day);  // 1900-01-01 was a Monday
  return int(((n + 1) % 7 + 7) % 7) + 1;
}

long long DatePart(Part part, const DateTime& d) {
  switch (part) {
    case Part::Year: return d.year;
    case Part::Quarter: return (d.month - 1) / 3 + 1;
    case Part::Month: return d.month;
    case Part::DayOfYear: return DayNumber(d.year, d.month, d.day) - DayNumber(d.year, 1, 1) + 1;
    case Part::Day: return d.day;
    case Part::Week: {
      DateTime jan1{d.year, 1, 1};
      long doy = DayNumber(d.year, d.month, d.day) - DayNumber(d.year, 1, 1) + 1;
      return (doy + Weekday(jan1) - 2) / 7 + 1;
    }
    case Part::Weekday: return Weekday(d);
    case Part::Hour: return d.hour;
    case Part::Minute: return d.minute;
    case Part::Second: return d.second;
    case Part::Ms: return d.millisecond;
  }
  return 0;
}

Value DateAdd(Part part, long long n, DateTime d) {
  long long months = 0;
  double days = 0, ms = 0;
  switch (part) {
    case Part::Year: months = 12 * n; break;
    case Part::Quarter: months = 3 * n; break;
    case Part::Month: months = n; break;
    case Part::DayOfYear:
    case Part::Day:
    case Part::Weekday: days = double(n); break;
    case Part::Week: days = 7.0 * double(n); break;
    case Part::Hour: ms = double(n) * 3600000.0; break;
    case Part::Minute: ms = double(n) * 60000.0; break;
    case Part::Second: ms = double(n) * 1000.0; break;
    case Part::Ms: ms = double(n); break;
  }
  if (months) {
    long long total = (long long)d.year * 12 + (d.month - 1) + months;
    if (total < 1753 * 12 || total > 9999 * 12 + 11) throw DateOverflow();
    d.year = int(total / 12);
    d.month = int(total % 12) + 1;
    d.day = std::min(d.day, DaysInMonth(d.year, d.month));
  }
  return FromDays(DaysOf(d) + days + ms / 86400000.0);
}

long long DateDiff(Part part, const DateTime& a, const DateTime& b) {
  long da = DayNumber(a.year, a.month, a.day), db = DayNumber(b.year, b.month, b.day);
  auto msOf = [](const DateTime& d) {
    return (long long)((d.hour * 60 + d.minute) * 60 + d.second) * 1000 + d.millisecond;
  };
  switch (part) {
    case Part::Year: return b.year - a.year;
    case Part::Quarter: return (b.year * 4 + (b.month - 1) / 3) - (a.year * 4 + (a.month - 1) / 3);
    case Part::Month: return (b.year * 12 + b.month) - (a.year * 12 + a.month);
    case Part::DayOfYear:
    case Part::Day:
    case Part::Weekday: return db - da;
    // Sundays crossed: weeks counted from a Sunday (1899-12-31).
    case Part::Week: {
      auto week = [](long n) { return (n + 1 >= 0 ? (n + 1) / 7 : (n + 1 - 6) / 7); };
      return week(db) - week(da);
    }
    case Part::Hour: return (db - da) * 24LL + b.hour - a.hour;
    case Part::Minute: return ((db - da) * 24LL + b.hour - a.hour) * 60 + b.minute - a.minute;
    case Part::Second:
      return (((db - da) * 24LL + b.hour - a.hour) * 60 + b.minute - a.minute) * 60 + b.second -
             a.second;
    case Part::Ms: return (db - da) * 86400000LL + msOf(b) - msOf(a);
  }
  return 0;
}

// CONVERT's character styles for datetime.
std::string FormatStyle(const DateTime& d, long style) {
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  char buf[64];
  switch (style) {
    case 0:
    case 100: {
      int h12 = d.hour % 12 == 0 ? 12 : d.hour % 12;
      std::snprintf(buf, sizeof buf, "%s %2d %04d %2d:%02d%s", kMonths[d.month - 1], d.day, d.year,
                    h12, d.minute, d.hour < 12 ? "AM" : "PM");
      break;
    }
    case 1: std::snprintf(buf, sizeof buf, "%02d/%02d/%02d", d.month, d.day, d.year % 100); break;
    case 101: std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", d.month, d.day, d.year); break;
    case 102: std::snprintf(buf, sizeof buf, "%04d.%02d.%02d", d.year, d.month, d.day); break;
    case 3: std::snprintf(buf, sizeof buf, "%02d/%02d/%02d", d.day, d.month, d.year % 100); break;
    case 103: std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", d.day, d.month, d.year); break;
    case 104: std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", d.day, d.month, d.year); break;
    case 105: std::snprintf(buf, sizeof buf, "%02d-%02d-%04d", d.day, d.month, d.year); break;
    case 108: std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", d.hour, d.minute, d.second); break;
    case 110: std::snprintf(buf, sizeof buf, "%02d-%02d-%04d", d.month, d.day, d.year); break;
    case 111: std::snprintf(buf, sizeof buf, "%04d/%02d/%02d", d.year, d.month, d.day); break;
    case 112: std::snprintf(buf, sizeof buf, "%04d%02d%02d", d.year, d.month, d.day); break;
    case 23: std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day); break;
    case 20:
    case 120:
      std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month, d.day,
                    d.hour, d.minute, d.second);
      break;
    case 21:
    case 121:
      return FormatDateTime(d);
    case 126:
      std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", d.year, d.month, d.day,
                    d.hour, d.minute, d.second, d.millisecond);
      break;
    default:
      throw EngineError("22007", 281, std::to_string(style) +
                                          " is not a valid style number when converting from "
                                          "datetime to a character string.");
  }
  return buf;
}

// The date order a CONVERT style reads texts in; the connection's own otherwise.
std::string_view StyleFormat(long style, std::string_view format) {
  switch (style) {
    case 1: case 101: case 110: return "mdy";
    case 3: case 103: case 104: case 105: return "dmy";
    case 102: case 111: case 112: case 20: case 120: case 21: case 121: case 23: case 126:
      return "ymd";
    default: return format;
  }
}

// ---- arithmetic ----

Kind KindOfValue(const Value& v) {
  switch (v.kind) {
    case Value::Kind::Integer: return v.i >= INT32_MIN && v.i <= INT32_MAX ? Kind::Int : Kind::BigInt;
    case Value::Kind::Real: return Kind::Float;
    case Value::Kind::Text: return Kind::VarChar;
    default: return Kind::Other;
  }
}

const char* OperatorName(char op) {
  switch (op) {
    case '+': return "add";
    case '-': return "subtract";
    case '*': return "multiply";
    case '/': return "divide";
    default: return "modulo";
  }
}

EngineError DivideByZero() { return EngineError("22012", 8134, "Divide by zero error encountered."); }

EngineError IntOverflow(Kind k) {
  return EngineError("22003", 8115, std::string("Arithmetic overflow error converting expression "
                                                "to data type ") + MessageName(k) + ".");
}

// A character value as a number of kind k, as SQL Server converts it for an operator.
Value TextToNumber(const Value& v, Kind k) {
  std::string t = Trim(v.s);
  if (k == Kind::Decimal || k == Kind::Float || k == Kind::Real) {
    char* end = nullptr;
    double d = std::strtod(t.c_str(), &end);
    if (t.empty() || end != t.c_str() + t.size() || std::isnan(d) || std::isinf(d))
      throw EngineError("22018", 8114, std::string("Error converting data type varchar to ") +
                                           (k == Kind::Decimal ? "numeric." : "float."));
    return Real(d);
  }
  if (t.empty()) return Int(0);
  long long i;
  if (!ParseInt64(t, i))
    throw EngineError("22018", 245, "Conversion failed when converting the varchar value '" +
                                        Shown(v) + "' to data type " + MessageName(k) + ".");
  return Int(i);
}

// Decimals shown by a stored decimal value (its shortest exact text).
int ScaleOf(const Value& v) {
  if (v.kind != Value::Kind::Real) return 0;
  std::string s = convert::FormatDouble(v.d);
  size_t dot = s.find('.');
  if (dot == std::string::npos || s.find_first_of("eE") != std::string::npos) return 0;
  return int(s.size() - dot - 1);
}

double RoundTo(long double x, int scale) {
  long double f = std::pow(10.0L, scale);
  return double(std::round(x * f) / f);
}

// A number as an exact decimal: integers, wide decimals' texts, and doubles by their shortest
// text (a stored decimal is the double nearest its digits).
bool ToDecimal128(const Value& v, Decimal128& d) {
  switch (v.kind) {
    case Value::Kind::Integer: d = {v.i, 0}; return true;
    case Value::Kind::Real: {
      std::string t = convert::FormatDouble(v.d);
      return t.find_first_of("eE") == std::string::npos && ParseDecimal128(t, d);
    }
    case Value::Kind::Text: return ParseDecimal128(v.s, d);
    default: return false;
  }
}

// An exact decimal as a double when a double holds it (types::FitsDouble), as its text
// otherwise.
Value DecimalValue(const Decimal128& r) {
  std::string text = FormatDecimal128(r);
  if (FitsDouble(r)) return Real(std::strtod(text.c_str(), nullptr));
  return Str(text);
}

// + - * / % of decimals without going through a double. scale is the result's (SQL Server's
// rules for the operands' declared types), or -1 when they are unknown: then sums keep the
// larger scale, products add them and quotients keep at least 6. false when an operand is no
// exact number; an overflow is 8115.
bool ExactDecimal(char op, const Value& a, const Value& b, int scale, Value& out) {
  Decimal128 x, y, r;
  if (!ToDecimal128(a, x) || !ToDecimal128(b, y)) return false;
  bool ok = true;
  if (op == '/') {
    if (y.value == 0) throw DivideByZero();
    ok = Divide(x, y, scale >= 0 ? scale : std::max(6, x.scale + y.scale), r);
  } else if (op == '*') {
    ok = Multiply(x, y, scale >= 0 ? std::min(scale, x.scale + y.scale) : x.scale + y.scale, r);
  } else {
    int common = std::max(x.scale, y.scale);
    if (!Rescale(x, common) || !Rescale(y, common)) return false;
    if (op == '%' && y.value == 0) throw DivideByZero();
    // The remainder takes the dividend's sign, as C++'s does.
    r = {op == '+' ? x.value + y.value : op == '-' ? x.value - y.value : x.value % y.value, common};
    if (Digits(r) > 38) ok = false;
    if (ok && scale >= 0 && r.scale > scale) ok = Rescale(r, scale);
  }
  if (!ok) throw IntOverflow(Kind::Decimal);
  out = DecimalValue(r);
  return true;
}

// x op y for + - * / and % (mod), with SQL Server's error for a zero divisor.
template <class T, class Mod>
T Apply(char op, T x, T y, Mod mod) {
  switch (op) {
    case '+': return x + y;
    case '-': return x - y;
    case '*': return x * y;
  }
  if (y == 0) throw DivideByZero();
  return op == '/' ? x / y : mod(x, y);
}


Value Arithmetic(char op, Value a, Value b, Kind ka, Kind kb, std::string_view format,
                 int scale) {
  if (ka == Kind::Other) ka = KindOfValue(a);
  if (kb == Kind::Other) kb = KindOfValue(b);
  bool ca = IsCharacter(ka), cb = IsCharacter(kb);
  if (ca && cb) {
    if (op != '+')
      throw EngineError("42000", 402, std::string("The data types ") + MessageName(ka) + " and " +
                                          MessageName(kb) + " are incompatible in the " +
                                          OperatorName(op) + " operator.");
    return Str(a.s + b.s);
  }
  if (ka == Kind::DateTime || kb == Kind::DateTime) {
    if (op != '+' && op != '-')
      throw EngineError("42000", 8117, std::string("Operand data type datetime is invalid for ") +
                                           OperatorName(op) + " operator.");
    auto days = [&](const Value& v, Kind k) {
      if (k == Kind::DateTime || IsCharacter(k)) return DaysOf(ToDate(v, format));
      return v.kind == Value::Kind::Integer ? double(v.i) : v.d;
    };
    double x = days(a, ka), y = days(b, kb);
    return FromDays(op == '+' ? x + y : x - y);
  }
  Kind k = Rank(ka) >= Rank(kb) ? ka : kb;
  if (ca) a = TextToNumber(a, k);
  if (cb) b = TextToNumber(b, k);
  if (k == Kind::Bit) k = Kind::Int;
  if (k == Kind::Decimal) {
    Value exact;
    if (ExactDecimal(op, a, b, scale, exact)) return exact;
  }
  // A wide decimal's text as the number it holds.
  if (a.kind == Value::Kind::Text) a = Real(std::strtod(a.s.c_str(), nullptr));
  if (b.kind == Value::Kind::Text) b = Real(std::strtod(b.s.c_str(), nullptr));
  bool integral = Rank(k) <= Rank(Kind::BigInt) && a.kind == Value::Kind::Integer &&
                  b.kind == Value::Kind::Integer;
  if (integral) {
    __int128 r = Apply<__int128>(op, a.i, b.i, [](__int128 x, __int128 y) { return x % y; });
    __int128 lo, hi;
    switch (k) {
      case Kind::TinyInt: lo = 0, hi = 255; break;
      case Kind::SmallInt: lo = -32768, hi = 32767; break;
      case Kind::Int: lo = INT32_MIN, hi = INT32_MAX; break;
      default: lo = INT64_MIN, hi = INT64_MAX; break;
    }
    if (r < lo || r > hi) throw IntOverflow(k);
    return Int((long long)r);
  }
  long double x = a.kind == Value::Kind::Integer ? (long double)a.i : (long double)a.d;
  long double y = b.kind == Value::Kind::Integer ? (long double)b.i : (long double)b.d;
  long double r = Apply<long double>(op, x, y, [](long double p, long double q) {
    return std::fmod(p, q);
  });
  if (k == Kind::Decimal) {
    // Exact to the operands' decimals: sums and differences keep the larger scale, products
    // add them; quotients keep at least 6.
    int sa = ScaleOf(a), sb = ScaleOf(b);
    int scale = op == '*' ? sa + sb : op == '/' ? std::max(6, sa + sb) : std::max(sa, sb);
    return Real(RoundTo(r, std::min(scale, 17)));
  }
  if (!std::isfinite(double(r))) throw IntOverflow(k);
  return Real(double(r));
}

// ---- CAST and CONVERT ----

// A float as CAST and CONVERT's style 0 show it: six significant digits, three-digit exponents.
std::string FloatText(double d) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.6g", d);
  std::string t = buf;
  size_t e = t.find('e');
  if (e != std::string::npos && e + 2 < t.size()) {
    std::string digits = t.substr(e + 2);
    while (digits.size() < 3) digits.insert(digits.begin(), '0');
    t = t.substr(0, e + 2) + digits;
  }
  return t;
}

std::string NumberText(const Value& v, Kind source, int sourceScale) {
  if (v.kind == Value::Kind::Real && (source == Kind::Float || source == Kind::Real))
    return FloatText(v.d);
  if (v.kind == Value::Kind::Integer) {
    if (source == Kind::Decimal && sourceScale > 0)
      return std::to_string(v.i) + "." + std::string(size_t(sourceScale), '0');
    return std::to_string(v.i);
  }
  if (source == Kind::Decimal && sourceScale >= 0) {
    char buf[512];
    std::snprintf(buf, sizeof buf, "%.*f", sourceScale, v.d);
    return buf;
  }
  return convert::FormatDouble(v.d);
}

Value Cast(const Value& v, const TypeDecl& t, long style, std::string_view format, Kind source,
           int sourceScale) {
  if (IsCharacter(t.kind)) {
    std::string s;
    if (source == Kind::DateTime && v.kind == Value::Kind::Text)
      s = FormatStyle(ToDate(v, "ymd"), style < 0 ? 0 : style);
    else if (v.kind == Value::Kind::Integer || v.kind == Value::Kind::Real)
      s = NumberText(v, source, sourceScale);
    else
      s = v.s;
    if (t.kind == Kind::Text) return Str(s);
    size_t n = size_t(t.length > 0 ? t.length : 30);
    // A number that does not fit: an integer shows '*', a decimal overflows.
    bool number = v.kind == Value::Kind::Integer || v.kind == Value::Kind::Real;
    if (number && s.size() > n) {
      if (source == Kind::Decimal)
        throw EngineError("22003", 8115, std::string("Arithmetic overflow error converting numeric "
                                                     "to data type ") + MessageName(t.kind) + ".");
      if (v.kind == Value::Kind::Integer) s = "*";
    }
    if (s.size() > n) s.resize(n);
    if (t.kind == Kind::Char && s.size() < n) s.append(n - s.size(), ' ');
    return Str(s);
  }
  if (t.kind == Kind::DateTime) {
    if (v.kind == Value::Kind::Text) {
      DateTime d;
      DateRead r = ParseDateTime(v.s, StyleFormat(style, format), d);
      if (r != DateRead::Ok) ThrowDateError(r);
      return Str(FormatDateTime(d));
    }
    return Str(FormatDateTime(ToDate(v, format)));
  }
  if (t.kind == Kind::Other) return v;
  return ConvertForColumn(v, t, format);
}

// ---- strings (Windows-1252) ----

unsigned char Upper1252(unsigned char c) {
  if (c >= 'a' && c <= 'z') return c - 32;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
  if (c == 0x9A || c == 0x9C || c == 0x9E) return c - 16;
  if (c == 0xFF) return 0x9F;
  return c;
}

unsigned char Lower1252(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  if (c == 0x8A || c == 0x8C || c == 0x8E) return c + 16;
  if (c == 0x9F) return 0xFF;
  return c;
}

std::string Folded(std::string s) {
  for (char& c : s) c = char(Lower1252(static_cast<unsigned char>(c)));
  return s;
}

std::string TextOf(const Value& v) {
  return v.kind == Value::Kind::Text || v.kind == Value::Kind::Blob
             ? v.s
             : convert::AsText(v, SQL_VARCHAR, 0);
}

long long IntOf(sqlite3_value* v) {
  if (sqlite3_value_type(v) == SQLITE_FLOAT) return (long long)std::trunc(sqlite3_value_double(v));
  if (sqlite3_value_type(v) == SQLITE_TEXT) {
    Value x = Arg(v);
    return TextToNumber(x, Kind::BigInt).i;
  }
  return sqlite3_value_int64(v);
}

// Whether argc is within [min, max]; otherwise the call fails as SQL Server's (174).
bool Arity(sqlite3_context* ctx, int argc, int min, int max, const char* name) {
  if (argc >= min && argc <= max) return true;
  std::string count = min == max ? std::to_string(min) : std::to_string(min) + " to " +
                                                             std::to_string(max);
  std::string m = EncodeError(EngineError(
      "42000", 174, std::string("The ") + name + " function requires " + count + " argument(s)."));
  sqlite3_result_error(ctx, m.data(), int(m.size()));
  return false;
}

std::string FormatArg(int argc, sqlite3_value** argv, int at) {
  return argc > at ? TextArg(argv[at]) : std::string("mdy");
}

// ---- the SQLite functions ----

// zorb_op(op, a, b, kind of a, kind of b, date format[, decimal result scale]): T-SQL's
// + - * / % by the operands' types (kind 0: from the value).
void OpFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[1]) == SQLITE_NULL || sqlite3_value_type(argv[2]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  Guard(ctx, [&] {
    std::string op = TextArg(argv[0]);
    Result(ctx, Arithmetic(op.empty() ? '+' : op[0], Arg(argv[1]), Arg(argv[2]),
                           Kind(sqlite3_value_int(argv[3])), Kind(sqlite3_value_int(argv[4])),
                           FormatArg(argc, argv, 5), argc > 6 ? sqlite3_value_int(argv[6]) : -1));
  });
}

// zorb_cast(value, kind, length, scale, style, date format, source kind, source scale)
void CastFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  Guard(ctx, [&] {
    TypeDecl t;
    t.kind = Kind(sqlite3_value_int(argv[1]));
    t.length = sqlite3_value_int(argv[2]);
    t.scale = sqlite3_value_int(argv[3]);
    long style = sqlite3_value_type(argv[4]) == SQLITE_NULL ? -1 : long(IntOf(argv[4]));
    Result(ctx, Cast(Arg(argv[0]), t, style, TextArg(argv[5]), Kind(sqlite3_value_int(argv[6])),
                     sqlite3_value_int(argv[7])));
  });
}

void GetDate(sqlite3_context* ctx, int, sqlite3_value**) {
  auto now = std::chrono::system_clock::now();
  std::time_t secs = std::chrono::system_clock::to_time_t(now);
  long ms = long(std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch())
                     .count() % 1000);
  std::tm tm{};
  localtime_r(&secs, &tm);
  DateTime d{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
             int(ms)};
  Result(ctx, Str(FormatDateTime(d)));
}

void Len(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  std::string s = TextOf(Arg(argv[0]));
  size_t n = s.find_last_not_of(' ');
  sqlite3_result_int64(ctx, n == std::string::npos ? 0 : (long long)n + 1);
}

void LeftRight(sqlite3_context* ctx, int argc, sqlite3_value** argv, bool left) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  Guard(ctx, [&] {
    long long n = IntOf(argv[1]);
    if (n < 0)
      throw EngineError("42000", 536, std::string("Invalid length parameter passed to the ") +
                                          (left ? "left" : "right") + " function.");
    std::string s = TextOf(Arg(argv[0]));
    size_t k = std::min(size_t(n), s.size());
    Result(ctx, Str(left ? s.substr(0, k) : s.substr(s.size() - k)));
  });
}
void Left(sqlite3_context* c, int n, sqlite3_value** v) { LeftRight(c, n, v, true); }
void Right(sqlite3_context* c, int n, sqlite3_value** v) { LeftRight(c, n, v, false); }

void Substring(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  Guard(ctx, [&] {
    long long start = IntOf(argv[1]), length = argc > 2 ? IntOf(argv[2]) : 1LL << 40;
    if (length < 0)
      throw EngineError("42000", 537, "Invalid length parameter passed to the substring function.");
    std::string s = TextOf(Arg(argv[0]));
    long long from = std::max(start, 1LL), to = std::min(start + length, (long long)s.size() + 1);
    Result(ctx, Str(to > from ? s.substr(size_t(from - 1), size_t(to - from)) : std::string()));
  });
}

void CharIndex(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  Guard(ctx, [&] {
    std::string find = Folded(TextOf(Arg(argv[0]))), s = Folded(TextOf(Arg(argv[1])));
    long long start = argc > 2 ? std::max(IntOf(argv[2]), 1LL) : 1;
    if (find.empty() || size_t(start) > s.size()) return sqlite3_result_int64(ctx, 0);
    size_t at = s.find(find, size_t(start - 1));
    sqlite3_result_int64(ctx, at == std::string::npos ? 0 : (long long)at + 1);
  });
}

void Case(sqlite3_context* ctx, int argc, sqlite3_value** argv, bool upper) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  std::string s = TextOf(Arg(argv[0]));
  for (char& c : s)
    c = char(upper ? Upper1252(static_cast<unsigned char>(c)) : Lower1252(static_cast<unsigned char>(c)));
  Result(ctx, Str(s));
}
void UpperF(sqlite3_context* c, int n, sqlite3_value** v) { Case(c, n, v, true); }
void LowerF(sqlite3_context* c, int n, sqlite3_value** v) { Case(c, n, v, false); }

// REPLACE finds without regard to case, as the collation compares.
void Replace(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  std::string s = TextOf(Arg(argv[0])), find = TextOf(Arg(argv[1])), with = TextOf(Arg(argv[2]));
  if (find.empty()) return Result(ctx, Str(s));
  std::string folded = Folded(s), key = Folded(find), out;
  size_t at = 0;
  for (size_t hit; (hit = folded.find(key, at)) != std::string::npos; at = hit + key.size())
    out += s.substr(at, hit - at) + with;
  out += s.substr(at);
  Result(ctx, Str(out));
}

void Round(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  Guard(ctx, [&] {
    long long n = argc > 1 ? IntOf(argv[1]) : 0;
    bool truncate = argc > 2 && IntOf(argv[2]) != 0;
    Value v = Arg(argv[0]);
    if (v.kind == Value::Kind::Text) v = TextToNumber(v, Kind::Float);
    if (v.kind == Value::Kind::Integer) {
      if (n >= 0) return Result(ctx, v);
      if (n < -18) return Result(ctx, Int(0));
      long long f = 1;
      for (long long k = 0; k < -n; ++k) f *= 10;
      long long q = v.i / f, r = v.i % f;
      if (!truncate && std::llabs(r) * 2 >= f) q += v.i < 0 ? -1 : 1;
      __int128 out = (__int128)q * f;
      if (out > INT64_MAX || out < INT64_MIN) throw IntOverflow(Kind::BigInt);
      return Result(ctx, Int((long long)out));
    }
    long double f = std::pow(10.0L, (long double)n), y = (long double)v.d * f;
    // A stored decimal is the nearest double: a half just below .5 is still a half.
    long double r = truncate ? std::trunc(y) : std::round(y + std::copysign(1e-9L, y));
    Result(ctx, Real(double(r / f)));
  });
}

void CeilFloor(sqlite3_context* ctx, int argc, sqlite3_value** argv, bool ceiling) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  Guard(ctx, [&] {
    Value v = Arg(argv[0]);
    if (v.kind == Value::Kind::Text) v = TextToNumber(v, Kind::Float);
    if (v.kind == Value::Kind::Integer) return Result(ctx, v);
    Result(ctx, Real(ceiling ? std::ceil(v.d) : std::floor(v.d)));
  });
}
void Ceiling(sqlite3_context* c, int n, sqlite3_value** v) { CeilFloor(c, n, v, true); }
void Floor(sqlite3_context* c, int n, sqlite3_value** v) { CeilFloor(c, n, v, false); }

// STR(number [, length [, decimals]]): right-aligned; asterisks when the integer part does not
// fit, fewer decimals when they do not.
void StrF(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (!Arity(ctx, argc, 1, 3, "str")) return;
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  Guard(ctx, [&] {
    Value v = Arg(argv[0]);
    if (v.kind == Value::Kind::Text) v = TextToNumber(v, Kind::Float);
    long double x = v.kind == Value::Kind::Integer ? (long double)v.i : (long double)v.d;
    long long length = argc > 1 ? IntOf(argv[1]) : 10, decimals = argc > 2 ? IntOf(argv[2]) : 0;
    if (length <= 0 || length > 8000 || decimals < 0) return sqlite3_result_null(ctx);
    decimals = std::min(decimals, 16LL);
    char buf[600];
    std::snprintf(buf, sizeof buf, "%.*Lf", int(decimals), x + std::copysign(1e-12L, x));
    std::string s = buf;
    if ((long long)s.size() > length) {
      std::snprintf(buf, sizeof buf, "%.0Lf", x);
      std::string whole = buf;
      if ((long long)whole.size() > length) {
        s = std::string(size_t(length), '*');
      } else {
        long long room = length - (long long)whole.size() - 1;
        std::snprintf(buf, sizeof buf, "%.*Lf", int(room > 0 ? room : 0), x);
        s = buf;
      }
    }
    if ((long long)s.size() < length) s.insert(0, size_t(length) - s.size(), ' ');
    Result(ctx, Str(s));
  });
}

void IsNull(sqlite3_context* ctx, int, sqlite3_value** argv) {
  sqlite3_result_value(ctx, sqlite3_value_type(argv[0]) == SQLITE_NULL ? argv[1] : argv[0]);
}

// dateadd(part, number, date, date format)
void DateAddF(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (!Arity(ctx, argc, 3, 4, "dateadd")) return;
  if (sqlite3_value_type(argv[1]) == SQLITE_NULL || sqlite3_value_type(argv[2]) == SQLITE_NULL)
    return sqlite3_result_null(ctx);
  Guard(ctx, [&] {
    Part part = PartOf(TextArg(argv[0]), "dateadd");
    Result(ctx, DateAdd(part, IntOf(argv[1]), ToDate(Arg(argv[2]), FormatArg(argc, argv, 3))));
  });
}

// datediff(part, start, end, date format)
void DateDiffF(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (!Arity(ctx, argc, 3, 4, "datediff")) return;
  if (sqlite3_value_type(argv[1]) == SQLITE_NULL || sqlite3_value_type(argv[2]) == SQLITE_NULL)
    return sqlite3_result_null(ctx);
  Guard(ctx, [&] {
    Part part = PartOf(TextArg(argv[0]), "datediff");
    std::string f = FormatArg(argc, argv, 3);
    long long n = DateDiff(part, ToDate(Arg(argv[1]), f), ToDate(Arg(argv[2]), f));
    if (n < INT32_MIN || n > INT32_MAX)
      throw EngineError("22003", 535,
                        "The datediff function resulted in an overflow. The number of dateparts "
                        "separating two date/time instances is too large. Try to use datediff "
                        "with a less precise datepart.");
    sqlite3_result_int64(ctx, n);
  });
}

// datepart(part, date, date format)
void DatePartF(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (!Arity(ctx, argc, 2, 3, "datepart")) return;
  if (sqlite3_value_type(argv[1]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  Guard(ctx, [&] {
    Part part = PartOf(TextArg(argv[0]), "datepart");
    sqlite3_result_int64(ctx, DatePart(part, ToDate(Arg(argv[1]), FormatArg(argc, argv, 2))));
  });
}

template <Part P>
void PartF(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (!Arity(ctx, argc, 1, 2, P == Part::Year ? "year" : P == Part::Month ? "month" : "day")) return;
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  Guard(ctx, [&] {
    sqlite3_result_int64(ctx, DatePart(P, ToDate(Arg(argv[0]), FormatArg(argc, argv, 1))));
  });
}

// LIKE as SQL Server matches: % any run, _ one character, [abc], [a-f] and [^...] sets, an
// optional escape character; without regard to case, as the collation compares.
class LikeMatcher {
 public:
  LikeMatcher(std::string pattern, int escape) : p_(Folded(std::move(pattern))), escape_(escape) {}

  bool Matches(const std::string& text) const {
    std::string s = Folded(text);
    size_t si = 0, pi = 0, starP = std::string::npos, starS = 0;
    while (si < s.size()) {
      if (pi < p_.size() && p_[pi] == '%') {
        starP = ++pi;
        starS = si;
        continue;
      }
      size_t length = 0;
      if (pi < p_.size() && One(pi, static_cast<unsigned char>(s[si]), length)) {
        ++si;
        pi += length;
        continue;
      }
      if (starP == std::string::npos) return false;
      pi = starP;
      si = ++starS;
    }
    while (pi < p_.size() && p_[pi] == '%') ++pi;
    return pi == p_.size();
  }

 private:
  // Whether the element at i matches c; length gets the element's size in the pattern.
  bool One(size_t i, unsigned char c, size_t& length) const {
    unsigned char k = static_cast<unsigned char>(p_[i]);
    if (escape_ >= 0 && k == escape_ && i + 1 < p_.size()) {
      length = 2;
      return static_cast<unsigned char>(p_[i + 1]) == c;
    }
    length = 1;
    if (k == '_') return true;
    if (k == '[') {
      size_t close = p_.find(']', i + 2);
      if (close != std::string::npos) {
        length = close - i + 1;
        size_t j = i + 1;
        bool negate = p_[j] == '^' && j + 1 < close;
        if (negate) ++j;
        bool in = false;
        for (; j < close; ++j) {
          unsigned char a = static_cast<unsigned char>(p_[j]);
          if (j + 2 < close && p_[j + 1] == '-') {
            // A range runs in the collation's order: [a-c] holds á.
            unsigned char b = static_cast<unsigned char>(p_[j + 2]);
            in = in || (CompareText(&a, 1, &c, 1) <= 0 && CompareText(&c, 1, &b, 1) <= 0);
            j += 2;
          } else {
            in = in || c == a;
          }
        }
        return in != negate;
      }
    }
    return k == c;
  }

  std::string p_;
  int escape_;
};

// like(pattern, text [, escape]): SQLite's form of "text LIKE pattern".
void LikeF(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  int escape = -1;
  if (argc > 2) {
    std::string e = TextArg(argv[2]);
    if (e.size() != 1) {
      sqlite3_result_error(ctx, "ESCAPE expression must be a single character", -1);
      return;
    }
    escape = static_cast<unsigned char>(Folded(e)[0]);
  }
  LikeMatcher m(TextOf(Arg(argv[0])), escape);
  sqlite3_result_int(ctx, m.Matches(TextOf(Arg(argv[1]))) ? 1 : 0);
}

// NEWID(): a random (version 4) uniqueidentifier, in SQL Server's upper-case form.
void NewId(sqlite3_context* ctx, int, sqlite3_value**) {
  unsigned char b[16];
  sqlite3_randomness(sizeof b, b);
  b[6] = (b[6] & 0x0F) | 0x40;
  b[8] = (b[8] & 0x3F) | 0x80;
  char out[37];
  std::snprintf(out, sizeof out,
                "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", b[0], b[1],
                b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13], b[14],
                b[15]);
  sqlite3_result_text(ctx, out, 36, SQLITE_TRANSIENT);
}

// zorb_compare(a, b): -1, 0 or 1 as a is below, equal to or above b, exactly for numbers and
// decimal texts (doubles by their shortest text); NULL when either is NULL.
int CompareNumbers(const Value& a, const Value& b) {
  Decimal128 x, y;
  if (ToDecimal128(a, x) && ToDecimal128(b, y)) {
    int common = std::max(x.scale, y.scale);
    if (Rescale(x, common) && Rescale(y, common))
      return x.value < y.value ? -1 : x.value > y.value ? 1 : 0;
  }
  auto number = [](const Value& v) {
    if (v.kind == Value::Kind::Integer) return (long double)v.i;
    if (v.kind == Value::Kind::Real) return (long double)v.d;
    return (long double)std::strtold(v.s.c_str(), nullptr);
  };
  long double p = number(a), q = number(b);
  return p < q ? -1 : p > q ? 1 : 0;
}

void CompareF(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
    return sqlite3_result_null(ctx);
  sqlite3_result_int(ctx, CompareNumbers(Arg(argv[0]), Arg(argv[1])));
}

// zorb_in(x, a, b...): x IN (a, b...), compared as zorb_compare does, with SQL's NULLs (true
// when one equals x, NULL when none does but one is unknown).
void InF(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (argc < 1 || sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  Value x = Arg(argv[0]);
  bool unknown = false;
  for (int i = 1; i < argc; ++i) {
    if (sqlite3_value_type(argv[i]) == SQLITE_NULL)
      unknown = true;
    else if (CompareNumbers(x, Arg(argv[i])) == 0)
      return sqlite3_result_int(ctx, 1);
  }
  if (unknown) return sqlite3_result_null(ctx);
  sqlite3_result_int(ctx, 0);
}

// zorb_between(x, low, high): x >= low AND x <= high, compared as zorb_compare does, with SQL's
// NULLs (false when either comparison is false, NULL when one is unknown).
void BetweenF(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  Value x = Arg(argv[0]);
  bool unknown = false;
  for (int i = 1; i <= 2; ++i) {
    if (sqlite3_value_type(argv[i]) == SQLITE_NULL) {
      unknown = true;
      continue;
    }
    int c = CompareNumbers(x, Arg(argv[i]));
    if (i == 1 ? c < 0 : c > 0) return sqlite3_result_int(ctx, 0);
  }
  if (unknown) return sqlite3_result_null(ctx);
  sqlite3_result_int(ctx, 1);
}

// zorb_one(value): the value of the one row of a sub-select; a second row is an error.
struct One {
  sqlite3_value* value = nullptr;
  long long rows = 0;
};

void OneStep(sqlite3_context* ctx, int, sqlite3_value** argv) {
  One* o = static_cast<One*>(sqlite3_aggregate_context(ctx, sizeof(One)));
  if (!o) return;
  if (++o->rows == 2) {
    std::string m = EncodeError(EngineError(
        "21000", 512,
        "Subquery returned more than 1 value. This is not permitted when the subquery follows "
        "=, !=, <, <= , >, >= or when the subquery is used as an expression."));
    sqlite3_result_error(ctx, m.data(), int(m.size()));
    return;
  }
  if (o->rows == 1) o->value = sqlite3_value_dup(argv[0]);
}

void OneFinal(sqlite3_context* ctx) {
  One* o = static_cast<One*>(sqlite3_aggregate_context(ctx, 0));
  if (!o || !o->value) return sqlite3_result_null(ctx);
  sqlite3_result_value(ctx, o->value);
  sqlite3_value_free(o->value);
  o->value = nullptr;
}

thread_local SessionCounters* gCounters = nullptr;

void RowCountF(sqlite3_context* ctx, int, sqlite3_value**) {
  sqlite3_result_int64(ctx, gCounters ? gCounters->rowCount : 0);
}

void IdentityF(sqlite3_context* ctx, int, sqlite3_value**) {
  if (!gCounters || !gCounters->hasIdentity) return sqlite3_result_null(ctx);
  sqlite3_result_int64(ctx, gCounters->identity);
}

}  // namespace

CountersScope::CountersScope(SessionCounters* counters) : previous_(gCounters) {
  gCounters = counters;
}
CountersScope::~CountersScope() { gCounters = previous_; }

void RegisterTsqlFunctions(sqlite3* db) {
  RegisterDecimal(db);
  struct Fn {
    const char* name;
    int args;
    void (*f)(sqlite3_context*, int, sqlite3_value**);
    bool deterministic;
  } const kFns[] = {
      {"zorb_op", 6, OpFunction, true},       {"zorb_op", 7, OpFunction, true},
      {"zorb_compare", 2, CompareF, true},    {"zorb_between", 3, BetweenF, true},
      {"zorb_in", -1, InF, true},       {"zorb_cast", 8, CastFunction, true},
      {"getdate", 0, GetDate, false},         {"len", 1, Len, true},
      {"zorb_left", 2, Left, true},           {"zorb_right", 2, Right, true},
      {"substring", 3, Substring, true},      {"substring", 2, Substring, true},
      {"charindex", 2, CharIndex, true},      {"charindex", 3, CharIndex, true},
      {"upper", 1, UpperF, true},             {"lower", 1, LowerF, true},
      {"replace", 3, Replace, true},          {"round", 2, Round, true},
      {"round", 3, Round, true},              {"ceiling", 1, Ceiling, true},
      {"floor", 1, Floor, true},              {"str", -1, StrF, true},
      {"zorb_isnull", 2, IsNull, true},            {"dateadd", -1, DateAddF, true},
      {"datediff", -1, DateDiffF, true},      {"datepart", -1, DatePartF, true},
      {"year", -1, PartF<Part::Year>, true},  {"month", -1, PartF<Part::Month>, true},
      {"day", -1, PartF<Part::Day>, true},
      {"zorb_rowcount", 0, RowCountF, false}, {"zorb_identity", 0, IdentityF, false},
      {"scope_identity", 0, IdentityF, false}, {"like", 2, LikeF, true},
      {"like", 3, LikeF, true},               {"newid", 0, NewId, false},
  };
  sqlite3_create_function_v2(db, "zorb_one", 1, SQLITE_UTF8, nullptr, nullptr, OneStep, OneFinal,
                             nullptr);
  for (const Fn& f : kFns)
    sqlite3_create_function_v2(db, f.name, f.args,
                               SQLITE_UTF8 | (f.deterministic ? SQLITE_DETERMINISTIC : 0),
                               nullptr, f.f, nullptr, nullptr, nullptr);
}

}  // namespace engine::types
