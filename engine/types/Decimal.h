// Exact decimals of up to 38 digits: a 128-bit integer and a scale. Decimal columns of more
// digits than a double holds keep their values as these texts (types/TypeDecl.h IsWideDecimal),
// compared by the collation zorb_decimal; SUM and AVG compute them exactly.
#pragma once
#include <string>
#include <string_view>

struct sqlite3;

namespace engine::types {

extern const char kDecimalCollation[];  // "zorb_decimal"

struct Decimal128 {
  __int128 value = 0;  // the number times 10^scale
  int scale = 0;
};

// "[-+]digits[.digits]" with optional blanks around; false for anything else or more than 38
// digits.
bool ParseDecimal128(std::string_view text, Decimal128& out);
// Changes the scale (rounding half away from zero when it shrinks); false past 38 digits.
bool Rescale(Decimal128& d, int scale);
// "-12.50": the value with exactly its scale's decimals.
std::string FormatDecimal128(const Decimal128& d);
// x / y and x * y with the given scale, rounded half away from zero; false when y is 0 or the
// result passes 38 digits.
bool Divide(const Decimal128& x, const Decimal128& y, int scale, Decimal128& out);
bool Multiply(const Decimal128& x, const Decimal128& y, int scale, Decimal128& out);
// Whether a double holds the value and prints it again at its scale (15 digits at most).
bool FitsDouble(const Decimal128& d);
// Digits of the value without its leading zeros (0 has 1).
int Digits(const Decimal128& d);

// Registers the collation and the exact SUM and AVG on a connection.
void RegisterDecimal(sqlite3* db);

}  // namespace engine::types
