#include "types/Decimal.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/Error.h"
#include "convert/ToC.h"
#include "types/Values.h"

namespace engine::types {

const char kDecimalCollation[] = "zorb_decimal";

namespace {

const __int128 kLimit = [] {  // 10^38
  __int128 v = 1;
  for (int i = 0; i < 38; ++i) v *= 10;
  return v;
}();

__int128 Abs(__int128 v) { return v < 0 ? -v : v; }

}  // namespace

bool ParseDecimal128(std::string_view text, Decimal128& out) {
  size_t i = 0, n = text.size();
  while (i < n && text[i] == ' ') ++i;
  while (n > i && text[n - 1] == ' ') --n;
  bool neg = false;
  if (i < n && (text[i] == '-' || text[i] == '+')) neg = text[i++] == '-';
  __int128 v = 0;
  int digits = 0, scale = 0;
  bool point = false, any = false;
  for (; i < n; ++i) {
    char c = text[i];
    if (c == '.' && !point) {
      point = true;
      continue;
    }
    if (c < '0' || c > '9') return false;
    any = true;
    if (v == 0 && c == '0' && !point) continue;  // leading zeros
    if (++digits > 38) return false;
    v = v * 10 + (c - '0');
    if (point) ++scale;
  }
  if (!any) return false;
  out.value = neg ? -v : v;
  out.scale = scale;
  return true;
}

int Digits(const Decimal128& d) {
  __int128 v = Abs(d.value);
  int n = 1;
  while (v >= 10) {
    v /= 10;
    ++n;
  }
  return n;
}

bool Rescale(Decimal128& d, int scale) {
  while (d.scale < scale) {
    if (Abs(d.value) >= kLimit / 10) return false;
    d.value *= 10;
    ++d.scale;
  }
  while (d.scale > scale) {
    __int128 q = d.value / 10, r = d.value % 10;
    if (r >= 5) ++q;
    if (r <= -5) --q;
    d.value = q;
    --d.scale;
  }
  return true;
}

std::string FormatDecimal128(const Decimal128& d) {
  __int128 v = Abs(d.value);
  std::string digits;
  do {
    digits.insert(digits.begin(), char('0' + int(v % 10)));
    v /= 10;
  } while (v);
  if (d.scale > 0) {
    if (digits.size() <= size_t(d.scale)) digits.insert(0, size_t(d.scale) + 1 - digits.size(), '0');
    digits.insert(digits.size() - size_t(d.scale), ".");
  }
  return d.value < 0 ? "-" + digits : digits;
}

namespace {

using U128 = unsigned __int128;

// The decimal digits of a magnitude, most significant first.
std::string DigitsOf(U128 v) {
  std::string d;
  do {
    d.insert(d.begin(), char('0' + int(v % 10)));
    v /= 10;
  } while (v);
  return d;
}

// A magnitude rounded up or not, with its sign; false at 10^38 or more.
bool Finish(U128 q, bool up, bool negative, int scale, Decimal128& out) {
  if (up) ++q;
  if (q >= U128(kLimit)) return false;
  out.value = negative && q ? -__int128(q) : __int128(q);
  out.scale = scale;
  return true;
}

// q * 10 + digit, false at 10^38 or more.
bool Push(U128& q, unsigned digit) {
  if (q > (U128(kLimit) - 1 - digit) / 10) return false;
  q = q * 10 + digit;
  return true;
}

}  // namespace

bool FitsDouble(const Decimal128& d) { return Digits(d) <= 15; }

bool Divide(const Decimal128& x, const Decimal128& y, int scale, Decimal128& out) {
  U128 divisor = U128(Abs(y.value));
  if (divisor == 0) return false;
  // |x| * 10^(scale - x.scale + y.scale) / |y|, one digit at a time: the remainder stays below
  // the divisor, so 128 bits hold every step.
  std::string digits = DigitsOf(U128(Abs(x.value)));
  long shift = long(scale) - x.scale + y.scale;
  int dropped = 0;  // the first digit left out, for rounding
  if (shift >= 0) {
    digits.append(size_t(shift), '0');
  } else {
    long keep = long(digits.size()) + shift;
    if (keep >= 0) dropped = digits[size_t(keep)] - '0';
    digits.resize(size_t(std::max(0L, keep)));
  }
  U128 q = 0, rem = 0;
  for (char c : digits) {
    // rem = 10 * rem + digit, less the divisor as often as it goes.
    U128 acc = 0;
    unsigned next = 0;
    for (int i = 0; i < 10; ++i) {
      acc += rem;
      if (acc >= divisor) {
        acc -= divisor;
        ++next;
      }
    }
    acc += unsigned(c - '0');
    while (acc >= divisor) {
      acc -= divisor;
      ++next;
    }
    rem = acc;
    if (!Push(q, next)) return false;
  }
  // Half away from zero: the remainder (plus what was left out) against half the divisor.
  bool up = rem >= divisor - rem || (rem + 1 == divisor - rem && dropped >= 5);
  return Finish(q, up, (x.value < 0) != (y.value < 0), scale, out);
}

bool Multiply(const Decimal128& x, const Decimal128& y, int scale, Decimal128& out) {
  std::string a = DigitsOf(U128(Abs(x.value))), b = DigitsOf(U128(Abs(y.value)));
  std::vector<int> p(a.size() + b.size(), 0);  // least significant first
  for (size_t i = 0; i < a.size(); ++i)
    for (size_t j = 0; j < b.size(); ++j)
      p[i + j] += (a[a.size() - 1 - i] - '0') * (b[b.size() - 1 - j] - '0');
  for (size_t k = 0; k + 1 < p.size(); ++k) {
    p[k + 1] += p[k] / 10;
    p[k] %= 10;
  }
  // The product has x.scale + y.scale decimals: drop the surplus, rounding by the first one.
  long drop = long(x.scale) + y.scale - scale;
  U128 q = 0;
  for (size_t k = p.size(); k-- > 0 && long(k) >= drop;)
    if (!Push(q, unsigned(p[k]))) return false;
  for (long k = drop; k < 0; ++k)
    if (!Push(q, 0)) return false;
  bool up = drop > 0 && size_t(drop) <= p.size() && p[size_t(drop - 1)] >= 5;
  return Finish(q, up, (x.value < 0) != (y.value < 0), scale, out);
}

namespace {

// Numbers in order; a text that is no number after every number, by its bytes.
int Collate(void*, int na, const void* a, int nb, const void* b) {
  Decimal128 x, y;
  std::string_view sa(static_cast<const char*>(a), size_t(na)),
      sb(static_cast<const char*>(b), size_t(nb));
  bool okA = ParseDecimal128(sa, x), okB = ParseDecimal128(sb, y);
  if (okA && okB) {
    int scale = std::max(x.scale, y.scale);
    if (Rescale(x, scale) && Rescale(y, scale)) return x.value < y.value ? -1 : x.value > y.value;
    long double dx = std::strtold(std::string(sa).c_str(), nullptr),
                dy = std::strtold(std::string(sb).c_str(), nullptr);
    return dx < dy ? -1 : dx > dy;
  }
  // Numbers in other forms (1.5e16) by their value.
  std::string ta(sa), tb(sb);
  char *endA = nullptr, *endB = nullptr;
  long double dx = std::strtold(ta.c_str(), &endA), dy = std::strtold(tb.c_str(), &endB);
  bool numA = !ta.empty() && *endA == '\0', numB = !tb.empty() && *endB == '\0';
  if (numA && numB) return dx < dy ? -1 : dx > dy;
  if (numA != numB) return numA ? -1 : 1;
  int c = std::memcmp(a, b, size_t(std::min(na, nb)));
  return c ? c : (na < nb ? -1 : na > nb);
}

// SUM: integers exactly (an overflow is SQL Server's 8115), decimal texts exactly, anything
// else as a double. It also serves as a window function.
struct Sum {
  long long count = 0;
  __int128 integers = 0;
  Decimal128 decimal;
  bool anyDecimal = false, anyReal = false;
  long double real = 0;
  bool overflow = false;
};

// The decimal of fewest decimals (up to 15) whose nearest double is x: a decimal value, or a
// decimal expression's result, kept as a double. false for anything else.
bool ExactDouble(double x, Decimal128& d) {
  static const double kTens[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  if (!std::isfinite(x)) return false;
  for (int k = 0; k < 16; ++k) {
    double scaled = x * kTens[k];
    if (std::fabs(scaled) >= 9007199254740992.0) return false;  // 2^53
    double r = std::nearbyint(scaled);
    if (r / kTens[k] == x) {
      d = {__int128(static_cast<long long>(r)), k};
      return true;
    }
  }
  return false;
}

bool AddDecimal(Sum& s, Decimal128 d, int sign) {
  int scale = std::max(d.scale, s.decimal.scale);
  if (!Rescale(d, scale) || !Rescale(s.decimal, scale)) return false;
  s.decimal.value += sign * d.value;
  s.anyDecimal = true;
  if (Abs(s.decimal.value) >= kLimit) s.overflow = true;
  return true;
}

// Numbers add exactly: integers, decimal texts and, for sums of decimals (sum(x, 1)), doubles
// that stand for decimals; any other double makes the sum a double.
void Add(Sum& s, sqlite3_value* v, int sign, bool decimals) {
  Decimal128 d;
  switch (sqlite3_value_type(v)) {
    case SQLITE_NULL: return;
    case SQLITE_INTEGER: s.integers += sign * (__int128)sqlite3_value_int64(v); break;
    case SQLITE_TEXT: {
      std::string_view t(reinterpret_cast<const char*>(sqlite3_value_text(v)),
                         size_t(sqlite3_value_bytes(v)));
      if (ParseDecimal128(t, d) && AddDecimal(s, d, sign)) break;
      s.anyReal = true;
      s.real += sign * (long double)sqlite3_value_double(v);
      break;
    }
    default:
      if (decimals && ExactDouble(sqlite3_value_double(v), d) && AddDecimal(s, d, sign)) break;
      s.anyReal = true;
      s.real += sign * (long double)sqlite3_value_double(v);
      break;
  }
  s.count += sign;
}

// A number SQLite can compare when it has at most 15 digits (a double holds it, and shows it
// again at its scale); the exact text otherwise.
void Result(sqlite3_context* ctx, const Decimal128& d) {
  std::string text = FormatDecimal128(d);
  if (FitsDouble(d)) return sqlite3_result_double(ctx, std::strtod(text.c_str(), nullptr));
  sqlite3_result_text(ctx, text.data(), int(text.size()), SQLITE_TRANSIENT);
}

// SQLite's aggregate memory is not aligned for 128-bit integers: it holds a pointer to the sum,
// which the final call frees.
Sum* StateOf(sqlite3_context* ctx, bool create) {
  auto** slot = static_cast<Sum**>(sqlite3_aggregate_context(ctx, create ? sizeof(Sum*) : 0));
  if (!slot) return nullptr;
  if (!*slot && create) *slot = new Sum();
  return *slot;
}

void SumStep(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (Sum* s = StateOf(ctx, true)) Add(*s, argv[0], 1, argc > 1);
}

void SumInverse(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (Sum* s = StateOf(ctx, true)) Add(*s, argv[0], -1, argc > 1);
}

// A sum with a double among its values: everything added as long doubles.
long double RealTotal(const Sum& s) {
  long double total = s.real + (long double)s.integers;
  if (s.anyDecimal) {
    long double f = 1;
    for (int i = 0; i < s.decimal.scale; ++i) f *= 10;
    total += (long double)s.decimal.value / f;
  }
  return total;
}

void SumValue(sqlite3_context* ctx) {
  Sum* s = StateOf(ctx, false);
  if (!s || s->count == 0) return sqlite3_result_null(ctx);
  auto fail = [&](const char* type) {
    std::string m = EncodeError(EngineError(
        "22003", 8115, std::string("Arithmetic overflow error converting expression to data type ") +
                           type + "."));
    sqlite3_result_error(ctx, m.data(), int(m.size()));
  };
  if (s->anyReal) {
    long double total = RealTotal(*s);
    return sqlite3_result_double(ctx, double(total));
  }
  if (!s->anyDecimal) {
    if (s->integers > INT64_MAX || s->integers < INT64_MIN) return fail("bigint");
    return sqlite3_result_int64(ctx, (long long)s->integers);
  }
  Decimal128 total = s->decimal, ints{s->integers, 0};
  if (s->overflow || !Rescale(ints, total.scale)) return fail("numeric");
  total.value += ints.value;
  if (Abs(total.value) >= kLimit) return fail("numeric");
  Result(ctx, total);
}

// AVG as SQL Server computes it: integers give an integer (truncated), decimals keep at least
// 6 decimals exactly, anything else a double.
void AvgValue(sqlite3_context* ctx) {
  Sum* s = StateOf(ctx, false);
  if (!s || s->count == 0) return sqlite3_result_null(ctx);
  if (s->anyReal) {
    long double total = RealTotal(*s);
    return sqlite3_result_double(ctx, double(total / s->count));
  }
  if (!s->anyDecimal) return sqlite3_result_int64(ctx, (long long)(s->integers / s->count));
  Decimal128 total = s->decimal, ints{s->integers, 0};
  int scale = std::max(total.scale, 6);
  if (s->overflow || !Rescale(ints, total.scale)) return sqlite3_result_null(ctx);
  total.value += ints.value;
  // One more decimal than kept, to round the last one.
  if (!Rescale(total, scale + 1)) {
    long double f = 1;
    for (int i = 0; i < total.scale; ++i) f *= 10;
    return sqlite3_result_double(ctx, double((long double)total.value / f / s->count));
  }
  Decimal128 avg{total.value / s->count, scale + 1};
  Rescale(avg, scale);
  Result(ctx, avg);
}

void AvgFinal(sqlite3_context* ctx) {
  AvgValue(ctx);
  if (auto** slot = static_cast<Sum**>(sqlite3_aggregate_context(ctx, 0))) {
    delete *slot;
    *slot = nullptr;
  }
}

void SumFinal(sqlite3_context* ctx) {
  SumValue(ctx);
  if (auto** slot = static_cast<Sum**>(sqlite3_aggregate_context(ctx, 0))) {
    delete *slot;
    *slot = nullptr;
  }
}

}  // namespace

void RegisterDecimal(sqlite3* db) {
  sqlite3_create_collation_v2(db, kDecimalCollation, SQLITE_UTF8, nullptr, Collate, nullptr);
  // sum(x, 1) and avg(x, 1): x is a decimal (types/Operators.cpp adds the 1).
  for (int args = 1; args <= 2; ++args) {
    sqlite3_create_window_function(db, "sum", args, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                   SumStep, SumFinal, SumValue, SumInverse, nullptr);
    sqlite3_create_window_function(db, "avg", args, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                   SumStep, AvgFinal, AvgValue, SumInverse, nullptr);
  }
}

}  // namespace engine::types
