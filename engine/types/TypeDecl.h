// SQL Server column types as the value checks see them: the kind and its length, precision and
// scale, read from a declared type text.
#pragma once
#include <string>
#include <string_view>

namespace engine::types {

enum class Kind {
  Other,  // anything the checks leave alone
  Char,
  VarChar,
  Text,
  TinyInt,
  SmallInt,
  Int,
  BigInt,
  Bit,
  Float,
  Real,
  Decimal,
  DateTime,
};

struct TypeDecl {
  Kind kind = Kind::Other;
  int length = 0;  // characters (Char, VarChar) or precision (Decimal)
  int scale = 0;   // Decimal
};

// Reads "char(10)", "char ( 10 )", "dec(12,2)", "numeric", "float(24)", "datetime"...
TypeDecl ParseDeclared(std::string_view declared);

// The canonical declared text of a T-SQL type written as tokens ("char ( 10 )" -> "char(10)"),
// keeping the name the statement used; empty when the text is not a type the engine knows.
std::string CanonicalDeclared(std::string_view declared);

inline bool IsCharacter(Kind k) { return k == Kind::Char || k == Kind::VarChar || k == Kind::Text; }

// SQL Server's data type precedence among the numeric and date kinds: an operation's result
// takes the kind of higher rank. 0 for the others.
int Rank(Kind k);

// A decimal of more than 15 digits: stored as its exact text, declared "decimal_text(p,s)" (so
// that SQLite keeps the text) with the collation zorb_decimal (which compares numbers).
inline bool IsWideDecimal(const TypeDecl& t) { return t.kind == Kind::Decimal && t.length > 15; }

// The name SQL Server uses for the type in its messages (int, numeric, datetime...).
const char* MessageName(Kind k);

}  // namespace engine::types
