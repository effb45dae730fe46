#include "types/TypeDecl.h"

#include <cstdlib>

#include "common/Text.h"

namespace engine::types {

namespace {

struct Parts {
  std::string base;  // lower case, inner blanks collapsed
  long a = -1, b = -1;
  bool ok = true;
};

Parts Split(std::string_view declared) {
  Parts p;
  std::string d = Lower(Trim(declared));
  size_t open = d.find('(');
  std::string base = Trim(d.substr(0, open));
  for (char c : base) {
    if (c == ' ' || c == '\t') {
      if (!p.base.empty() && p.base.back() != ' ') p.base += ' ';
    } else {
      p.base += c;
    }
  }
  if (open == std::string::npos) return p;
  size_t close = d.find(')', open);
  if (close == std::string::npos || Trim(d.substr(close + 1)).size()) {
    p.ok = false;
    return p;
  }
  std::string args = d.substr(open + 1, close - open - 1);
  size_t comma = args.find(',');
  auto number = [&](const std::string& s, long& out) {
    long long v;
    if (!ParseInt64(s, v) || v < 0 || v > 2147483647LL) {
      p.ok = false;
      return;
    }
    out = long(v);
  };
  number(args.substr(0, comma), p.a);
  if (comma != std::string::npos) number(args.substr(comma + 1), p.b);
  return p;
}

}  // namespace

TypeDecl ParseDeclared(std::string_view declared) {
  Parts p = Split(declared);
  TypeDecl t;
  if (!p.ok) return t;
  const std::string& b = p.base;
  if (b == "char" || b == "character" || b == "nchar") {
    t.kind = Kind::Char;
    t.length = p.a > 0 ? int(p.a) : 1;
  } else if (b == "varchar" || b == "nvarchar" || b == "character varying") {
    t.kind = Kind::VarChar;
    t.length = p.a > 0 ? int(p.a) : 1;
  } else if (b == "text" || b == "ntext") {
    t.kind = Kind::Text;
  } else if (b == "tinyint") {
    t.kind = Kind::TinyInt;
  } else if (b == "smallint") {
    t.kind = Kind::SmallInt;
  } else if (b == "int" || b == "integer") {
    t.kind = Kind::Int;
  } else if (b == "bigint") {
    t.kind = Kind::BigInt;
  } else if (b == "bit") {
    t.kind = Kind::Bit;
  } else if (b == "float" || b == "double precision") {
    t.kind = p.a > 0 && p.a <= 24 ? Kind::Real : Kind::Float;
  } else if (b == "real") {
    t.kind = Kind::Real;
  } else if (b == "dec" || b == "decimal" || b == "numeric" || b == "dec_text" ||
             b == "decimal_text" || b == "numeric_text") {
    t.kind = Kind::Decimal;
    t.length = p.a > 0 ? int(p.a) : 18;
    t.scale = p.b > 0 ? int(p.b) : 0;
    if (t.length > 38 || t.scale > t.length) t.kind = Kind::Other;
  } else if (b == "datetime") {
    t.kind = Kind::DateTime;
  }
  return t;
}

std::string CanonicalDeclared(std::string_view declared) {
  Parts p = Split(declared);
  if (!p.ok) return std::string();
  TypeDecl t = ParseDeclared(declared);
  if (t.kind == Kind::Other) return std::string();
  std::string r = p.base;
  // Decimals of more digits than a double holds are kept as texts (types/Decimal.h).
  if (IsWideDecimal(t) && r.find("_text") == std::string::npos) r += "_text";
  if (p.a >= 0) {
    r += '(' + std::to_string(p.a);
    if (p.b >= 0) r += ',' + std::to_string(p.b);
    r += ')';
  }
  return r;
}

const char* MessageName(Kind k) {
  switch (k) {
    case Kind::Char: return "char";
    case Kind::VarChar: return "varchar";
    case Kind::Text: return "text";
    case Kind::TinyInt: return "tinyint";
    case Kind::SmallInt: return "smallint";
    case Kind::Int: return "int";
    case Kind::BigInt: return "bigint";
    case Kind::Bit: return "bit";
    case Kind::Float: return "float";
    case Kind::Real: return "real";
    case Kind::Decimal: return "numeric";
    case Kind::DateTime: return "datetime";
    default: return "sql_variant";
  }
}

int Rank(Kind k) {
  switch (k) {
    case Kind::Bit: return 1;
    case Kind::TinyInt: return 2;
    case Kind::SmallInt: return 3;
    case Kind::Int: return 4;
    case Kind::BigInt: return 5;
    case Kind::Decimal: return 6;
    case Kind::Real: return 7;
    case Kind::Float: return 8;
    case Kind::DateTime: return 9;
    default: return 0;
  }
}

}  // namespace engine::types
