#include "types/Operators.h"

#include <memory>

#include "common/Text.h"
#include "types/Schema.h"
#include "types/SqlText.h"
#include "types/TypeDecl.h"

namespace engine::types {

namespace {

using Tokens = std::vector<SqlToken>;
const size_t kNone = size_t(-1);

// Words that end an expression or belong to the statement around it.
bool IsKeyword(const SqlToken& t) {
  static const char* const kWords[] = {
      "SELECT", "FROM",  "WHERE",  "AND",    "OR",     "NOT",    "AS",     "ON",      "JOIN",
      "GROUP",  "BY",    "ORDER",  "HAVING", "SET",    "VALUES", "INTO",   "INSERT",  "UPDATE",
      "DELETE", "LIMIT", "OFFSET", "UNION",  "ALL",    "DISTINCT", "IN",   "IS",      "LIKE",
      "BETWEEN", "EXISTS", "WHEN", "THEN",   "ELSE",   "END",    "ESCAPE", "ASC",     "DESC",
      "COLLATE", "INDEXED", "INNER", "OUTER", "CROSS", "USING",  "EXCEPT", "INTERSECT", "WITH",
      "RETURNING", "GLOB", "REGEXP", "MATCH", "OVER",  "PARTITION", "NATURAL"};
  if (t.kind != Tok::Word) return false;
  for (const char* w : kWords)
    if (t.IsWord(w)) return true;
  return false;
}

bool IsArithmetic(const SqlToken& t) {
  return t.kind == Tok::Op && t.text.size() == 1 && std::string_view("+-*/%").find(t.text[0]) !=
                                                        std::string_view::npos;
}

TypeDecl Make(Kind k, int length = 0, int scale = 0) {
  TypeDecl t;
  t.kind = k;
  t.length = length;
  t.scale = scale;
  return t;
}

bool IsInteger(Kind k) {
  return k == Kind::Bit || k == Kind::TinyInt || k == Kind::SmallInt || k == Kind::Int ||
         k == Kind::BigInt;
}

// An exact number as decimal(p, s).
void AsDecimal(const TypeDecl& t, int& p, int& s) {
  s = 0;
  switch (t.kind) {
    case Kind::Bit: p = 1; break;
    case Kind::TinyInt: p = 3; break;
    case Kind::SmallInt: p = 5; break;
    case Kind::Int: p = t.length > 0 ? t.length : 10; break;
    case Kind::BigInt: p = t.length > 0 ? t.length : 19; break;
    default: p = t.length; s = t.scale; break;
  }
}

// The NULL constant: it takes the type of what it meets (int alone).
TypeDecl NullType() { return Make(Kind::Other, -1); }
bool IsNullType(const TypeDecl& t) { return t.kind == Kind::Other && t.length == -1; }

// The type SQL Server gives a op b.
TypeDecl Combine(char op, const TypeDecl& a, const TypeDecl& b) {
  if (IsNullType(a)) return IsNullType(b) ? Make(Kind::Int) : b;
  if (IsNullType(b)) return a;
  if (a.kind == Kind::Other || b.kind == Kind::Other) return Make(Kind::Other);
  bool ca = IsCharacter(a.kind), cb = IsCharacter(b.kind);
  if (ca && cb) {
    if (op != '+') return Make(Kind::Other);
    if (a.kind == Kind::Text || b.kind == Kind::Text) return Make(Kind::Text);
    return Make(Kind::VarChar, std::min(a.length + b.length, 8000));
  }
  if (a.kind == Kind::DateTime || b.kind == Kind::DateTime) return Make(Kind::DateTime);
  const TypeDecl& x = ca ? b : a;
  const TypeDecl& y = cb ? a : b;
  Kind k = Rank(x.kind) >= Rank(y.kind) ? x.kind : y.kind;
  if (k == Kind::Float || k == Kind::Real) return Make(k);
  if (IsInteger(k)) return Make(k == Kind::Bit ? Kind::Int : k);
  int p1, s1, p2, s2, p, s;
  AsDecimal(x, p1, s1);
  AsDecimal(y, p2, s2);
  switch (op) {
    case '+':
    case '-':
      s = std::max(s1, s2);
      p = std::max(p1 - s1, p2 - s2) + s + 1;
      break;
    case '*':
      s = s1 + s2;
      p = p1 + p2 + 1;
      break;
    case '/':
      s = std::max(6, s1 + p2 + 1);
      p = p1 - s1 + s2 + s;
      break;
    default:
      s = std::max(s1, s2);
      p = std::min(p1 - s1, p2 - s2) + s;
      break;
  }
  if (p > 38) {
    // Sums keep their integral digits; products and quotients keep at least 6 decimals
    // (fewer when they had fewer) unless their integral part fits.
    if (op == '+' || op == '-')
      s = std::max(0, 38 - std::max(p1 - s1, p2 - s2));
    else
      s = std::max(std::min(s, 38 - (p - s)), std::min(s, 6));
    p = 38;
  }
  return Make(Kind::Decimal, p, s);
}

std::string DeclaredText(const TypeDecl& t) {
  switch (t.kind) {
    case Kind::Other: return std::string();
    case Kind::Char: return "char(" + std::to_string(std::max(t.length, 1)) + ")";
    case Kind::VarChar: return "varchar(" + std::to_string(std::max(t.length, 1)) + ")";
    case Kind::Decimal:
      return "decimal(" + std::to_string(t.length) + "," + std::to_string(t.scale) + ")";
    default: return MessageName(t.kind);
  }
}

struct Node {
  size_t first = 0, last = 0;
  TypeDecl type;
  char op = 0;  // a binary operator; 0 for an operand
  size_t opToken = 0;
  std::unique_ptr<Node> left, right;
};
using NodeP = std::unique_ptr<Node>;

class Rewriter {
 public:
  Rewriter(sqlite3* db, std::string_view format, const std::string& sql)
      : db_(db), format_(QuoteLiteral(format)), sql_(sql), t_(Scan(sql)), match_(t_.size(), kNone) {
    std::vector<size_t> open;
    for (size_t i = 0; i < t_.size(); ++i) {
      if (t_[i].IsOp("(")) open.push_back(i);
      if (t_[i].IsOp(")") && !open.empty()) {
        match_[open.back()] = i;
        open.pop_back();
      }
    }
  }

  std::string Run(std::vector<std::string>* resultTypes) {
    if (t_.empty()) return sql_;
    if (t_[0].IsWord("CREATE") && FindWord(t_, 0, "TABLE", 0) < t_.size() &&
        FindWord(t_, 0, "SELECT", 0) == t_.size())
      return sql_;
    if (t_[0].IsWord("CREATE") && FindWord(t_, 0, "INDEX", 0) < t_.size()) return sql_;
    for (size_t i = 0; i + 1 < t_.size(); ++i)
      if (t_[i].kind == Tok::Word && t_[i + 1].IsOp("(")) Function(i);
    WideDecimalLiterals();
    auto closes = ScalarSubqueries();
    Comparisons(closes);
    bool arithmetic = false;
    for (const SqlToken& k : t_) arithmetic = arithmetic || IsArithmetic(k);
    std::vector<bool> covered(t_.size(), false);
    for (size_t i = 0; i < t_.size() && arithmetic; ++i) {
      if (covered[i]) continue;
      NodeP node = Expression(i);
      if (!node) continue;
      for (size_t k = i; k <= node->last; ++k)
        if (t_[k].depth == t_[i].depth) covered[k] = true;
      Emit(*node);
    }
    for (auto& [at, text] : closes) splice_.Insert(at, text);
    for (auto& [at, text] : late_) splice_.Insert(at, text);
    if (resultTypes) *resultTypes = SelectTypes();
    return splice_.empty() ? sql_ : splice_.Apply(sql_);
  }

 private:
  // Tables the statement names, by table name and alias.
  void Scope() {
    for (size_t i = 0; i < t_.size(); ++i) {
      const SqlToken& k = t_[i];
      if (!(k.IsWord("FROM") || k.IsWord("JOIN") || k.IsWord("UPDATE") || k.IsWord("INTO")))
        continue;
      size_t j = i + 1;
      for (;;) {
        if (j >= t_.size() || !t_[j].IsName() || IsKeyword(t_[j])) break;
        std::string name = NameOf(t_[j]);
        while (j + 2 < t_.size() && t_[j + 1].IsOp(".") && t_[j + 2].IsName()) {
          j += 2;
          name = NameOf(t_[j]);
        }
        ++j;
        auto info = FindTable(db_, name);
        if (info) {
          scope_.push_back({Lower(name), info});
          if (j < t_.size() && t_[j].IsWord("AS")) ++j;
          if (j < t_.size() && t_[j].IsName() && !IsKeyword(t_[j]) && !t_[j].IsWord("LEFT") &&
              !t_[j].IsWord("RIGHT") && !t_[j].IsWord("FULL") && !t_[j].IsWord("SET"))
            scope_.push_back({Lower(NameOf(t_[j++])), info});
        }
        if (j < t_.size() && t_[j].IsOp(",") && k.IsWord("FROM")) {
          ++j;
          continue;
        }
        break;
      }
    }
  }

  TypeDecl ColumnType(const std::string& qualifier, const std::string& column) {
    if (!scoped_) {
      scoped_ = true;
      Scope();
    }
    for (const auto& [name, info] : scope_) {
      if (!qualifier.empty() && name != Lower(qualifier)) continue;
      if (const ColumnInfo* c = info->Find(column)) return c->type;
    }
    return Make(Kind::Other);
  }

  size_t Match(size_t open) const { return match_[open]; }

  // Top-level commas inside the parenthesis at open, and its close.
  std::vector<size_t> Commas(size_t open, size_t close) const {
    std::vector<size_t> r;
    for (size_t j = open + 1; j < close; ++j)
      if (t_[j].IsOp(",") && t_[j].depth == t_[open].depth + 1) r.push_back(j);
    return r;
  }

  // The type of the expression that fills [first, last]; unknown past a few levels of
  // nesting, so that no input can exhaust the stack.
  TypeDecl TypeOfRange(size_t first, size_t last) {
    if (level_ >= 32) return Make(Kind::Other);
    ++level_;
    NodeP n = Expression(first);
    --level_;
    return n && n->last == last ? n->type : Make(Kind::Other);
  }

  // A type written in CAST or CONVERT; character types without a length are 30 long.
  TypeDecl WrittenType(size_t first, size_t last) const {
    if (first > last) return Make(Kind::Other);
    std::string text(sql_.substr(t_[first].begin, t_[last].end - t_[first].begin));
    TypeDecl t = ParseDeclared(text);
    if (IsCharacter(t.kind) && text.find('(') == std::string::npos) t.length = 30;
    return t;
  }

  std::string Kinds(const TypeDecl& t) const {
    return std::to_string(int(t.kind)) + ", " + std::to_string(t.length) + ", " +
           std::to_string(t.scale);
  }

  // CAST, CONVERT and the date functions at name token i.
  void Function(size_t i) {
    size_t open = i + 1, close = Match(open);
    if (close == kNone) return;
    std::vector<size_t> commas = Commas(open, close);
    const SqlToken& k = t_[i];
    auto source = [&](size_t first, size_t last) {
      TypeDecl s = TypeOfRange(first, last);
      return std::to_string(int(s.kind)) + ", " + std::to_string(s.kind == Kind::Decimal ? s.scale : -1);
    };
    if (k.IsWord("CAST")) {
      size_t as = FindWord(t_, open + 1, "AS", t_[open].depth + 1);
      if (as >= close || as == open + 1) return;
      TypeDecl t = WrittenType(as + 1, close - 1);
      if (t.kind == Kind::Other) return;
      splice_.Replace(k.begin, k.end, "zorb_cast");
      splice_.Replace(t_[as].begin, t_[close - 1].end,
                      ", " + Kinds(t) + ", NULL, " + format_ + ", " + source(open + 1, as - 1));
      return;
    }
    if (k.IsWord("CONVERT")) {
      if (commas.empty() || commas.size() > 2) return;
      TypeDecl t = WrittenType(open + 1, commas[0] - 1);
      if (t.kind == Kind::Other) return;
      size_t exprEnd = (commas.size() == 2 ? commas[1] : close) - 1;
      if (exprEnd <= commas[0]) return;
      std::string src = source(commas[0] + 1, exprEnd);
      splice_.Replace(k.begin, t_[commas[0]].end, "zorb_cast(");
      if (commas.size() == 2) {
        splice_.Replace(t_[commas[1]].begin, t_[commas[1]].end, ", " + Kinds(t) + ",");
        splice_.Replace(t_[close].begin, t_[close].end, ", " + format_ + ", " + src + ")");
      } else {
        splice_.Replace(t_[close].begin, t_[close].end,
                        ", " + Kinds(t) + ", NULL, " + format_ + ", " + src + ")");
      }
      return;
    }
    // SUM and AVG of a decimal add doubles as the decimals they stand for (types/Decimal.cpp).
    if ((k.IsWord("SUM") || k.IsWord("AVG")) && commas.empty() && close > open + 1 &&
        !t_[open + 1].IsWord("DISTINCT") && !t_[open + 1].IsWord("ALL") &&
        TypeOfRange(open + 1, close - 1).kind == Kind::Decimal) {
      late_.emplace_back(t_[close].begin, ", 1");  // after an operator's own close there
      return;
    }
    // Words SQLite reads as keywords (LEFT JOIN, x ISNULL): their functions have other names.
    if (k.IsWord("LEFT") || k.IsWord("RIGHT") || k.IsWord("ISNULL")) {
      splice_.Replace(k.begin, k.end, "zorb_" + Lower(std::string(k.text)));
      return;
    }
    bool part = k.IsWord("DATEADD") || k.IsWord("DATEDIFF") || k.IsWord("DATEPART");
    if (part && !commas.empty() && commas[0] == open + 2 && t_[open + 1].IsName())
      splice_.Replace(t_[open + 1].begin, t_[open + 1].end, QuoteLiteral(NameOf(t_[open + 1])));
    // The format goes after a complete argument list only; a wrong count fails as it is (174).
    size_t args = close == open + 1 ? 0 : commas.size() + 1;
    bool complete = (k.IsWord("DATEADD") || k.IsWord("DATEDIFF")) ? args == 3
                    : k.IsWord("DATEPART")                        ? args == 2
                    : (k.IsWord("YEAR") || k.IsWord("MONTH") || k.IsWord("DAY")) && args == 1;
    if (complete) splice_.Replace(t_[close].begin, t_[close].end, ", " + format_ + ")");
  }

  TypeDecl FunctionType(size_t i, size_t open, size_t close) {
    std::string name = Lower(NameOf(t_[i]));
    std::vector<size_t> commas = Commas(open, close);
    auto arg = [&](size_t n) {
      std::vector<size_t> bounds{open};
      bounds.insert(bounds.end(), commas.begin(), commas.end());
      bounds.push_back(close);
      if (n + 1 >= bounds.size() || bounds[n] + 1 > bounds[n + 1] - 1) return Make(Kind::Other);
      return TypeOfRange(bounds[n] + 1, bounds[n + 1] - 1);
    };
    if (name == "cast") {
      size_t as = FindWord(t_, open + 1, "AS", t_[open].depth + 1);
      return as < close ? WrittenType(as + 1, close - 1) : Make(Kind::Other);
    }
    if (name == "convert")
      return commas.empty() ? Make(Kind::Other) : WrittenType(open + 1, commas[0] - 1);
    static const char* const kInt[] = {"len", "charindex", "datediff", "datepart", "year",
                                       "month", "day", "count"};
    for (const char* f : kInt)
      if (name == f) return Make(Kind::Int);
    if (name == "getdate" || name == "dateadd") return Make(Kind::DateTime);
    if (name == "upper" || name == "lower" || name == "ltrim" || name == "rtrim") {
      TypeDecl a = arg(0);
      return IsCharacter(a.kind) ? Make(a.kind == Kind::Text ? Kind::Text : Kind::VarChar, a.length)
                                 : Make(Kind::VarChar, 8000);
    }
    if (name == "left" || name == "right" || name == "substring" || name == "replace")
      return Make(Kind::VarChar, 8000);
    if (name == "str") return Make(Kind::VarChar, 10);
    if (name == "newid") return Make(Kind::Char, 36);
    if (name == "ceiling" || name == "floor") {
      TypeDecl a = arg(0);
      return a.kind == Kind::Decimal ? Make(Kind::Decimal, a.length, 0) : a;
    }
    // Aggregates take one argument in T-SQL (SQLite's MAX(a, b) is its own).
    bool aggregate = name == "min" || name == "max" || name == "sum" || name == "avg";
    if (aggregate && !commas.empty()) return Make(Kind::Other);
    if (name == "isnull" || name == "coalesce" || name == "nullif") {
      // Texts and numbers mixed: SQL Server would convert (or fail); described by the value.
      TypeDecl first = arg(0);
      for (size_t n = 1; n <= commas.size(); ++n) {
        TypeDecl other = arg(n);
        if (!IsNullType(other) && (other.kind == Kind::Other ||
                                   IsCharacter(other.kind) != IsCharacter(first.kind)))
          return Make(Kind::Other);
      }
      return first;
    }
    if (name == "min" || name == "max" || name == "abs" || name == "round") return arg(0);
    if (name == "avg") {
      TypeDecl a = arg(0);
      if (IsInteger(a.kind)) return Make(a.kind == Kind::BigInt ? Kind::BigInt : Kind::Int);
      if (a.kind == Kind::Decimal) return Make(Kind::Decimal, 38, std::max(a.scale, 6));
      if (a.kind == Kind::Float || a.kind == Kind::Real) return Make(Kind::Float);
    }
    if (name == "sum") {
      TypeDecl a = arg(0);
      if (a.kind == Kind::BigInt) return a;
      if (IsInteger(a.kind)) return Make(Kind::Int);
      if (a.kind == Kind::Decimal) return Make(Kind::Decimal, 38, a.scale);
      if (a.kind == Kind::Float || a.kind == Kind::Real) return Make(Kind::Float);
    }
    return Make(Kind::Other);
  }

  NodeP Operand(size_t i) {
    if (i >= t_.size()) return nullptr;
    const SqlToken& k = t_[i];
    auto node = std::make_unique<Node>();
    node->first = node->last = i;
    if (k.IsOp("-") || k.IsOp("+")) {
      if (level_ >= 32) return nullptr;
      ++level_;
      NodeP inner = Operand(i + 1);
      --level_;
      if (!inner) return nullptr;
      node->last = inner->last;
      node->type = inner->type;
      return node;
    }
    switch (k.kind) {
      case Tok::Number: {
        std::string text(k.text);
        if (text.size() > 1 && (text[1] == 'x' || text[1] == 'X')) {
          node->type = Make(Kind::Other);
        } else if (text.find_first_of("eE") != std::string::npos) {
          node->type = Make(Kind::Float);
        } else if (size_t dot = text.find('.'); dot != std::string::npos) {
          // Leading zeros do not count: 0.5 is decimal(1,1), 10.0 decimal(3,1).
          size_t lead = text.find_first_not_of('0');
          int whole = int(dot - std::min(lead, dot)), scale = int(text.size() - dot - 1);
          node->type = Make(Kind::Decimal, std::min(std::max(whole + scale, 1), 38), scale);
        } else {
          long long v;
          // A constant counts its own digits when it meets a decimal (7.0 / 2 has scale 6).
          if (ParseInt64(text, v))
            node->type = Make(v <= 2147483647LL ? Kind::Int : Kind::BigInt, int(text.size()));
          else
            node->type = Make(Kind::Decimal, std::min(int(text.size()), 38), 0);
        }
        return node;
      }
      case Tok::String: {
        size_t quotes = 0;
        for (char c : k.text) quotes += c == '\'';
        node->type = Make(Kind::VarChar, std::max(int(k.text.size() - quotes / 2 - 1), 1));
        return node;
      }
      case Tok::Param:
      case Tok::Blob:
        return node;
      default:
        break;
    }
    if (k.IsOp("(")) {
      size_t close = Match(i);
      if (close == kNone) return nullptr;
      node->last = close;
      if (close > i + 1 && !t_[i + 1].IsWord("SELECT")) node->type = TypeOfRange(i + 1, close - 1);
      return node;
    }
    if (k.IsWord("CASE")) {
      int nested = 0;
      std::vector<size_t> marks;  // THEN, ELSE, WHEN and END of this CASE
      for (size_t j = i + 1; j < t_.size(); ++j) {
        if (t_[j].depth != k.depth) continue;
        if (t_[j].IsWord("CASE")) ++nested;
        bool end = t_[j].IsWord("END");
        if (nested == 0 && (end || t_[j].IsWord("THEN") || t_[j].IsWord("ELSE") ||
                            t_[j].IsWord("WHEN")))
          marks.push_back(j);
        if (end && nested-- == 0) {
          node->last = j;
          node->type = CaseType(marks);
          return node;
        }
      }
      return nullptr;
    }
    if (k.IsWord("NULL")) {
      node->type = NullType();
      return node;
    }
    if (!k.IsName() || IsKeyword(k)) return nullptr;
    if (i + 1 < t_.size() && t_[i + 1].IsOp("(")) {
      size_t close = Match(i + 1);
      if (close == kNone) return nullptr;
      node->last = close;
      node->type = FunctionType(i, i + 1, close);
      return node;
    }
    std::string qualifier, name = NameOf(k);
    size_t j = i;
    while (j + 2 < t_.size() && t_[j + 1].IsOp(".") && t_[j + 2].IsName()) {
      qualifier = name;
      j += 2;
      name = NameOf(t_[j]);
    }
    node->last = j;
    node->type = ColumnType(qualifier, name);
    return node;
  }

  // A sub-select used as a value must give one row at most (SQL Server's 512; SQLite would take
  // the first). One that cannot give more (no table, an aggregate without grouping, LIMIT 0 or
  // 1) is left alone; the item of a simple one becomes zorb_one(item), an aggregate that fails
  // on a second row; any other (grouping, DISTINCT, UNION, LIMIT n...) is read through
  // "SELECT zorb_one(v) FROM (sub-select)". Returns the edits that go after every other edit
  // at their place (closing parentheses, aliases).
  std::vector<std::pair<size_t, std::string>> ScalarSubqueries() {
    std::vector<std::pair<size_t, std::string>> after;
    for (size_t open = 1; open + 2 < t_.size(); ++open) {
      if (!t_[open].IsOp("(") || !t_[open + 1].IsWord("SELECT")) continue;
      size_t close = Match(open);
      if (close == kNone || !ValueContext(open)) continue;
      int inner = t_[open].depth + 1;
      size_t from = FindWord(t_, open + 2, "FROM", inner);
      bool compound = false, grouped = false, simple = true, limitOne = false;
      for (size_t k = open + 2; k < close; ++k) {
        if (t_[k].depth != inner) continue;
        if (t_[k].IsWord("UNION") || t_[k].IsWord("EXCEPT") || t_[k].IsWord("INTERSECT"))
          compound = true;
        if (t_[k].IsWord("GROUP") || t_[k].IsWord("HAVING")) grouped = true;
        static const char* const kWords[] = {"DISTINCT", "GROUP", "HAVING", "LIMIT", "UNION",
                                             "EXCEPT", "INTERSECT", "ORDER", "ALL", "OVER"};
        for (const char* w : kWords)
          if (t_[k].IsWord(w)) simple = false;
        if (t_[k].IsWord("LIMIT") && k + 2 == close && t_[k + 1].kind == Tok::Number &&
            (t_[k + 1].text == "1" || t_[k + 1].text == "0"))
          limitOne = true;
      }
      if (limitOne || (from >= close && !compound)) continue;  // one row at most
      size_t listEnd = open + 2;  // the end of the first SELECT's list
      while (listEnd < close && !(t_[listEnd].depth == inner &&
                                  (t_[listEnd].IsWord("FROM") || t_[listEnd].IsWord("WHERE") ||
                                   t_[listEnd].IsWord("UNION") || t_[listEnd].IsWord("EXCEPT") ||
                                   t_[listEnd].IsWord("INTERSECT") || t_[listEnd].IsWord("GROUP") ||
                                   t_[listEnd].IsWord("ORDER") || t_[listEnd].IsWord("LIMIT"))))
        ++listEnd;
      bool aggregate = false;
      for (size_t k = open + 2; k < listEnd; ++k) {
        if (t_[k].depth == inner && t_[k].IsOp(",")) simple = false;
        static const char* const kAggregates[] = {"COUNT", "SUM", "MAX", "MIN", "AVG", "TOTAL",
                                                  "GROUP_CONCAT"};
        for (const char* w : kAggregates)
          if (t_[k].IsWord(w) && k + 1 < listEnd && t_[k + 1].IsOp("(")) aggregate = true;
      }
      if (aggregate && !grouped && !compound) continue;  // one row
      size_t first = open + 2;
      if (t_[first].IsWord("DISTINCT") || t_[first].IsWord("ALL")) ++first;
      NodeP item = Expression(first);
      if (!item || item->last >= listEnd) continue;
      size_t rest = item->last + 1;  // nothing, or an alias
      bool bare = rest == listEnd, aliased = rest + 1 == listEnd && t_[rest].IsName() &&
                                             !IsKeyword(t_[rest]);
      bool withAs = rest + 2 == listEnd && t_[rest].IsWord("AS") && t_[rest + 1].IsName();
      if (!bare && !aliased && !withAs) continue;  // several items: SQLite's own error (116)
      if (simple && !aggregate) {
        splice_.Insert(t_[open + 2].begin, "zorb_one(");
        after.emplace_back(t_[item->last].end, ")");
        continue;
      }
      std::string name = bare ? "\"zorb_v\"" : QuoteName(NameOf(t_[listEnd - 1]));
      splice_.Insert(t_[open + 1].begin, "SELECT zorb_one(" + name + ") FROM (");
      if (bare) after.emplace_back(t_[item->last].end, " AS \"zorb_v\"");
      after.emplace_back(t_[close].begin, ")");
    }
    return after;
  }

  // A decimal computed by an expression and compared with another value is compared as an
  // exact number: "a op b" becomes "zorb_compare(a, b) op 0" (a wide result is a text, which
  // SQLite would put after every number, and texts of different scales would differ).
  // Comparisons of plain columns and values stay as they are (and use their indexes).
  void Comparisons(std::vector<std::pair<size_t, std::string>>& after) {
    for (size_t j = 1; j + 1 < t_.size(); ++j) {
      if (!IsComparison(t_[j])) continue;
      int depth = t_[j].depth;
      size_t start = j;
      while (start > 0 && !Delimits(start - 1, depth)) --start;
      size_t end = j + 1;
      while (end < t_.size() && !Delimits(end, depth)) ++end;
      if (start == j || end == j + 1) continue;
      if (!Computed(start, j - 1, depth) && !Computed(j + 1, end - 1, depth)) continue;
      NodeP left = Expression(start), right = Expression(j + 1);
      if (!left || !right || left->last != j - 1 || right->last != end - 1) continue;
      if (Assignment(j) || !ExactlyCompared({left.get(), right.get()})) continue;
      splice_.Insert(t_[start].begin, "zorb_compare(");
      splice_.Replace(t_[j].begin, t_[j].end, ",");
      after.emplace_back(t_[right->last].end, ") " + std::string(t_[j].text) + " 0");
    }
    // "x [NOT] BETWEEN a AND b" the same way: "[NOT] zorb_between(x, a, b)".
    for (size_t j = 1; j + 1 < t_.size(); ++j) {
      if (!t_[j].IsWord("BETWEEN")) continue;
      int depth = t_[j].depth;
      bool negated = t_[j - 1].IsWord("NOT") && t_[j - 1].depth == depth;
      size_t leftEnd = negated ? j - 1 : j;
      size_t start = leftEnd;
      while (start > 0 && !Delimits(start - 1, depth)) --start;
      size_t andAt = FindWord(t_, j + 1, "AND", depth);
      if (start == leftEnd || andAt >= t_.size() || andAt == j + 1) continue;
      size_t end = andAt + 1;
      while (end < t_.size() && !Delimits(end, depth)) ++end;
      if (end == andAt + 1) continue;
      if (!Computed(start, leftEnd - 1, depth) && !Computed(j + 1, andAt - 1, depth) &&
          !Computed(andAt + 1, end - 1, depth))
        continue;
      NodeP x = Expression(start), low = Expression(j + 1), high = Expression(andAt + 1);
      if (!x || !low || !high || x->last + 1 != leftEnd || low->last + 1 != andAt ||
          high->last + 1 != end || !ExactlyCompared({x.get(), low.get(), high.get()}))
        continue;
      splice_.Insert(t_[start].begin, negated ? "NOT zorb_between(" : "zorb_between(");
      if (negated) splice_.Replace(t_[j - 1].begin, t_[j - 1].end, "");
      splice_.Replace(t_[j].begin, t_[j].end, ",");
      splice_.Replace(t_[andAt].begin, t_[andAt].end, ",");
      after.emplace_back(t_[high->last].end, ")");
    }
    // "x [NOT] IN (a, b...)" (a list, not a sub-select): "[NOT] zorb_in(x, a, b...)".
    for (size_t j = 1; j + 2 < t_.size(); ++j) {
      if (!t_[j].IsWord("IN") || !t_[j + 1].IsOp("(") || t_[j + 2].IsWord("SELECT")) continue;
      int depth = t_[j].depth;
      bool negated = t_[j - 1].IsWord("NOT") && t_[j - 1].depth == depth;
      size_t leftEnd = negated ? j - 1 : j, open = j + 1, close = Match(open);
      size_t start = leftEnd;
      while (start > 0 && !Delimits(start - 1, depth)) --start;
      if (start == leftEnd || close == kNone || close == open + 1) continue;
      if (!Computed(start, leftEnd - 1, depth) && !Computed(open + 1, close - 1, depth + 1))
        continue;
      NodeP x = Expression(start);
      if (!x || x->last + 1 != leftEnd) continue;
      std::vector<NodeP> items;
      std::vector<size_t> bounds{open};
      for (size_t c : Commas(open, close)) bounds.push_back(c);
      bounds.push_back(close);
      bool ok = true;
      for (size_t b = 0; b + 1 < bounds.size() && ok; ++b) {
        NodeP item = Expression(bounds[b] + 1);
        ok = item && item->last + 1 == bounds[b + 1];
        items.push_back(std::move(item));
      }
      if (!ok) continue;
      std::vector<const Node*> sides{x.get()};
      for (const NodeP& n : items) sides.push_back(n.get());
      if (!ExactlyCompared(sides)) continue;
      splice_.Insert(t_[start].begin, negated ? "NOT zorb_in(" : "zorb_in(");
      if (negated) splice_.Replace(t_[j - 1].begin, t_[j - 1].end, "");
      splice_.Replace(t_[j].begin, t_[open].end, ",");
    }
  }

  // Whether token k ends an operand of a comparison at that depth.
  bool Delimits(size_t k, int depth) const {
    if (t_[k].depth < depth) return true;
    if (t_[k].depth > depth) return false;
    return (IsKeyword(t_[k]) && !t_[k].IsWord("END")) || t_[k].IsOp(",") || IsComparison(t_[k]);
  }

  // Whether [first, last] holds an operator or a call at its own level.
  bool Computed(size_t first, size_t last, int depth) const {
    for (size_t k = first; k <= last && k < t_.size(); ++k)
      if (t_[k].depth == depth && (IsArithmetic(t_[k]) || t_[k].IsOp("("))) return true;
    return false;
  }

  // Whether operands compare as exact decimals (one is a decimal, none a text, date or float);
  // if so, their numbers are quoted: they reach the comparison as their exact texts (SQLite
  // would read doubles).
  bool ExactlyCompared(const std::vector<const Node*>& sides) {
    bool decimal = false;
    for (const Node* n : sides) {
      Kind k = n->type.kind;
      if (IsCharacter(k) || k == Kind::DateTime || k == Kind::Float || k == Kind::Real) return false;
      decimal = decimal || k == Kind::Decimal;
    }
    if (!decimal) return false;
    for (const Node* side : sides) {
      size_t n = side->last;
      if (t_[n].kind != Tok::Number || t_[n].text.find_first_of("xXeE") != std::string_view::npos)
        continue;
      if (side->first == n)
        splice_.Replace(t_[n].begin, t_[n].end, QuoteLiteral(std::string(t_[n].text)));
      else if (side->first + 1 == n && t_[side->first].IsOp("-"))
        splice_.Replace(t_[side->first].begin, t_[n].end,
                        QuoteLiteral("-" + std::string(t_[n].text)));
    }
    return true;
  }

  // Whether the = at j assigns a column in UPDATE ... SET.
  bool Assignment(size_t j) const {
    if (!t_[0].IsWord("UPDATE") || t_[j].depth != 0) return false;
    for (size_t k = j; k-- > 0;) {
      if (t_[k].depth != 0) continue;
      if (t_[k].IsWord("SET")) return true;
      if (t_[k].IsWord("WHERE") || t_[k].IsWord("FROM")) return false;
    }
    return false;
  }

  static bool IsComparison(const SqlToken& k) {
    static const char* const kOps[] = {"=", "==", "<>", "!=", "<", "<=", ">", ">="};
    for (const char* op : kOps)
      if (k.IsOp(op)) return true;
    return false;
  }

  // Whether the parenthesis at open stands where a value goes (not after IN, EXISTS, FROM...).
  bool ValueContext(size_t open) const {
    const SqlToken& p = t_[open - 1];
    if (p.IsWord("IN") || p.IsWord("EXISTS") || p.IsWord("FROM") || p.IsWord("JOIN") ||
        p.IsWord("AS") || p.IsWord("UNION") || p.IsWord("ALL") || p.IsWord("ANY") ||
        p.IsWord("SOME"))
      return false;
    if (p.IsOp(",")) {
      // A list of values, or of tables: the clause the comma belongs to decides.
      for (size_t k = open - 1; k-- > 0;) {
        if (t_[k].depth < t_[open].depth) return !(k >= 1 && t_[k - 1].IsWord("IN"));
        if (t_[k].depth != t_[open].depth) continue;
        if (t_[k].IsWord("FROM") || t_[k].IsWord("JOIN")) return false;
        if (t_[k].IsWord("SELECT") || t_[k].IsWord("VALUES") || t_[k].IsWord("SET") ||
            t_[k].IsWord("WHERE"))
          return true;
      }
      return false;
    }
    if (p.IsOp("(")) return open >= 2 && t_[open - 2].IsName() && !IsKeyword(t_[open - 2]);
    return true;
  }

  // A number compared with a wide decimal column reaches it as its exact text, which the
  // column's collation compares (a double would have lost digits).
  void WideDecimalLiterals() {
    auto comparison = [](const SqlToken& k) {
      static const char* const kOps[] = {"=", "==", "<>", "!=", "<", "<=", ">", ">="};
      for (const char* op : kOps)
        if (k.IsOp(op)) return true;
      return k.IsWord("BETWEEN") || k.IsWord("AND");
    };
    auto wide = [&](size_t at) {
      if (at >= t_.size() || !t_[at].IsName() || IsKeyword(t_[at])) return false;
      if (at + 1 < t_.size() && t_[at + 1].IsOp("(")) return false;
      std::string qualifier;
      if (at >= 2 && t_[at - 1].IsOp(".") && t_[at - 2].IsName()) qualifier = NameOf(t_[at - 2]);
      return IsWideDecimal(ColumnType(qualifier, NameOf(t_[at])));
    };
    for (size_t i = 0; i < t_.size(); ++i) {
      if (t_[i].kind != Tok::Number || t_[i].text.find_first_of("xX") != std::string_view::npos)
        continue;
      size_t first = i;
      if (i >= 1 && (t_[i - 1].IsOp("-") || t_[i - 1].IsOp("+")) && i >= 2 &&
          (comparison(t_[i - 2]) || t_[i - 2].IsOp("(") || t_[i - 2].IsOp(",")))
        first = i - 1;
      bool before = first >= 2 && comparison(t_[first - 1]) && wide(first - 2);
      // col BETWEEN x AND y: y's column is three tokens before x's.
      if (!before && first >= 4 && t_[first - 1].IsWord("AND") && wide(first - 4)) before = true;
      if (first >= 4 && t_[first - 1].IsWord("AND") && t_[first - 3].IsOp("-") && wide(first - 5))
        before = true;
      bool after = i + 2 < t_.size() && comparison(t_[i + 1]) && wide(i + 2);
      // col [NOT] IN (x, ...)
      if (first >= 1 && (t_[first - 1].IsOp("(") || t_[first - 1].IsOp(","))) {
        size_t open = first - 1;
        while (open > 0 && !(t_[open].IsOp("(") && t_[open].depth + 1 == t_[first].depth)) --open;
        if (open >= 2 && t_[open - 1].IsWord("IN")) {
          size_t c = open - 2;
          if (t_[c].IsWord("NOT") && c > 0) --c;
          before = before || wide(c);
        }
      }
      if (!before && !after) continue;
      std::string text = (first < i && t_[first].IsOp("-") ? "-" : "") + std::string(t_[i].text);
      splice_.Replace(t_[first].begin, t_[i].end, QuoteLiteral(text));
    }
  }

  // The type of a CASE: its results' type of highest precedence (texts: the longest).
  TypeDecl CaseType(const std::vector<size_t>& marks) {
    TypeDecl result = Make(Kind::Other);
    bool first = true;
    for (size_t m = 0; m + 1 < marks.size(); ++m) {
      if (!t_[marks[m]].IsWord("THEN") && !t_[marks[m]].IsWord("ELSE")) continue;
      if (marks[m] + 1 > marks[m + 1] - 1) return Make(Kind::Other);
      TypeDecl branch = TypeOfRange(marks[m] + 1, marks[m + 1] - 1);
      bool null = marks[m] + 1 == marks[m + 1] - 1 && t_[marks[m] + 1].IsWord("NULL");
      if (null) continue;
      if (branch.kind == Kind::Other) return branch;
      if (!first && IsCharacter(branch.kind) != IsCharacter(result.kind)) return Make(Kind::Other);
      if (first) {
        result = branch;
        first = false;
      } else if (IsCharacter(result.kind) && IsCharacter(branch.kind)) {
        result.length = std::max(result.length, branch.length);
        if (branch.kind != Kind::Char) result.kind = branch.kind;
      } else if (Rank(branch.kind) > Rank(result.kind)) {
        result = branch;
      } else if (branch.kind == Kind::Decimal && result.kind == Kind::Decimal) {
        int whole = std::max(result.length - result.scale, branch.length - branch.scale);
        result.scale = std::max(result.scale, branch.scale);
        result.length = std::min(whole + result.scale, 38);
      }
    }
    return result;
  }

  // operand (op operand)*, with * / % before + -.
  NodeP Expression(size_t i) {
    NodeP first = Operand(i);
    if (!first) return nullptr;
    std::vector<NodeP> operands;
    std::vector<size_t> ops;
    size_t j = first->last + 1;
    operands.push_back(std::move(first));
    // A chain longer than SQLite nests is left as it is past that point.
    while (j < t_.size() && IsArithmetic(t_[j]) && t_[j].depth == t_[i].depth && ops.size() < 256) {
      NodeP next = Operand(j + 1);
      if (!next) break;
      ops.push_back(j);
      j = next->last + 1;
      operands.push_back(std::move(next));
    }
    auto join = [&](size_t k) {
      auto n = std::make_unique<Node>();
      n->op = t_[ops[k]].text[0];
      n->opToken = ops[k];
      n->first = operands[k]->first;
      n->last = operands[k + 1]->last;
      n->type = Combine(n->op, operands[k]->type, operands[k + 1]->type);
      n->left = std::move(operands[k]);
      n->right = std::move(operands[k + 1]);
      operands[k] = std::move(n);
      operands.erase(operands.begin() + long(k) + 1);
      ops.erase(ops.begin() + long(k));
    };
    for (size_t k = 0; k < ops.size();)
      if (t_[ops[k]].text != "+" && t_[ops[k]].text != "-")
        join(k);
      else
        ++k;
    while (!ops.empty()) join(0);
    return std::move(operands[0]);
  }

  void Emit(const Node& n) {
    if (!n.op) return;
    splice_.Insert(t_[n.first].begin, std::string("zorb_op('") + n.op + "', ");
    Emit(*n.left);
    splice_.Replace(t_[n.opToken].begin, t_[n.opToken].end, ",");
    Emit(*n.right);
    // A decimal result gets its scale, to which it is rounded.
    std::string scale = n.type.kind == Kind::Decimal ? ", " + std::to_string(n.type.scale) : "";
    splice_.Insert(t_[n.last].end, ", " + std::to_string(int(n.left->type.kind)) + ", " +
                                       std::to_string(int(n.right->type.kind)) + ", " + format_ +
                                       scale + ")");
  }

  // Declared types of the items of the statement's SELECT list; none when it has a *.
  std::vector<std::string> SelectTypes() {
    if (!t_[0].IsWord("SELECT")) return {};
    size_t i = 1;
    if (i < t_.size() && (t_[i].IsWord("DISTINCT") || t_[i].IsWord("ALL"))) ++i;
    std::vector<std::string> types;
    size_t start = i;
    for (; i <= t_.size(); ++i) {
      bool end = i == t_.size() ||
                 (t_[i].depth == 0 && (t_[i].IsWord("FROM") || t_[i].IsWord("WHERE") ||
                                       t_[i].IsWord("GROUP") || t_[i].IsWord("ORDER") ||
                                       t_[i].IsWord("LIMIT") || t_[i].IsWord("UNION") ||
                                       t_[i].IsWord("INTO") || t_[i].IsWord("HAVING")));
      if (!end && !(t_[i].IsOp(",") && t_[i].depth == 0)) continue;
      if (i == start) return {};
      size_t last = i - 1;
      if (t_[last].IsOp("*")) return {};
      // A column as it is: described by its declaration already.
      size_t name = start;
      while (name + 2 <= last && t_[name + 1].IsOp(".") && t_[name + 2].IsName()) name += 2;
      if (t_[start].IsName() && !IsKeyword(t_[start]) && !t_[start].IsWord("NULL") &&
          (name == last || (name + 1 == last && t_[last].IsName()) ||
           (name + 2 == last && t_[name + 1].IsWord("AS"))) &&
          !(start + 1 <= last && t_[start + 1].IsOp("("))) {
        types.push_back(std::string());
        if (end) break;
        start = i + 1;
        continue;
      }
      NodeP n = Expression(start);
      // An aggregate over a window has the aggregate's type.
      if (n && n->last + 2 <= last && t_[n->last].IsOp(")") && t_[n->last + 1].IsWord("OVER") &&
          t_[n->last + 2].IsOp("(") && Match(n->last + 2) != kNone)
        n->last = Match(n->last + 2);
      bool whole = n && (n->last == last || (n->last + 1 == last && t_[last].IsName()) ||
                         (n->last + 2 == last && t_[last - 1].IsWord("AS")));
      types.push_back(!whole ? std::string() : IsNullType(n->type) ? "int" : DeclaredText(n->type));
      if (end) break;
      start = i + 1;
    }
    return types;
  }

  sqlite3* db_;
  std::string format_;  // quoted
  const std::string& sql_;
  Tokens t_;
  std::vector<size_t> match_;  // the close of each open parenthesis
  int level_ = 0;
  Splice splice_;
  std::vector<std::pair<std::string, std::shared_ptr<const TableInfo>>> scope_;
  bool scoped_ = false;  // scope_ is read when a column's type is first needed
  std::vector<std::pair<size_t, std::string>> late_;  // inserts that go after all others
};

}  // namespace

std::string RewriteOperators(sqlite3* db, std::string_view dateFormat, const std::string& sql,
                             std::vector<std::string>* resultTypes) {
  return Rewriter(db, dateFormat, sql).Run(resultTypes);
}

}  // namespace engine::types
