#include "cursor/QueryShape.h"

#include <sqlite3.h>

#include "common/Text.h"
#include "types/SqlText.h"

namespace engine::cursor {

using types::SqlToken;
using types::Tok;
using Tokens = std::vector<SqlToken>;

namespace {

bool IsAggregate(const Tokens& t, size_t i) {
  static const char* const kAggregates[] = {"COUNT", "SUM", "AVG", "TOTAL", "GROUP_CONCAT",
                                            "STRING_AGG", "MIN", "MAX"};
  if (t[i].kind != Tok::Word || i + 1 >= t.size() || !t[i + 1].IsOp("(")) return false;
  bool known = false;
  for (const char* a : kAggregates) known = known || t[i].IsWord(a);
  if (!known) return false;
  if (!t[i].IsWord("MIN") && !t[i].IsWord("MAX")) return true;
  // min(x) and max(x) aggregate; with more arguments they are scalar functions.
  int inner = t[i + 1].depth + 1;
  for (size_t k = i + 2; k < t.size() && t[k].depth >= inner; ++k)
    if (t[k].depth == inner && t[k].IsOp(",")) return false;
  return true;
}

std::string Text(const std::string& sql, const Tokens& t, size_t first, size_t last) {
  return sql.substr(t[first].begin, t[last].end - t[first].begin);
}

// [first, last] ranges of the comma-separated items of tokens [from, to) at depth 0.
std::vector<std::pair<size_t, size_t>> Items(const Tokens& t, size_t from, size_t to) {
  std::vector<std::pair<size_t, size_t>> items;
  size_t start = from;
  for (size_t i = from; i < to; ++i) {
    if (t[i].depth == 0 && t[i].IsOp(",")) {
      if (i > start) items.push_back({start, i - 1});
      start = i + 1;
    }
  }
  if (to > start) items.push_back({start, to - 1});
  return items;
}

bool IsColumnAt(const Tokens& t, size_t a, size_t b) {
  if (a == b) return t[a].IsName();
  return b == a + 2 && t[a].IsName() && t[a + 1].IsOp(".") && t[b].IsName();
}

bool IsValueAt(const Tokens& t, size_t a, size_t b) {
  auto literal = [&](const SqlToken& k) {
    return k.kind == Tok::String || k.kind == Tok::Number || k.kind == Tok::Param ||
           k.kind == Tok::Blob;
  };
  if (a == b) return literal(t[a]);
  return b == a + 1 && (t[a].IsOp("-") || t[a].IsOp("+")) && t[b].kind == Tok::Number;
}

// "c1 > v1 OR c1 = v1 AND c2 >= v2 ..." (the lexicographic comparison the table cursor writes
// for a key) as the row value "(c1, c2) >= (v1, v2)": the same rows under SQL's three-valued
// logic, but an index on (c1, c2) can seek to it. Tokens [from, to) at one depth; empty when
// they are not of that form.
std::string RowValueOf(const std::string& sql, const Tokens& t, size_t from, size_t to) {
  struct Comparison {
    std::string column, op, value;
  };
  std::vector<std::vector<Comparison>> terms(1);
  std::vector<Comparison>* term = &terms.back();
  size_t start = from;
  int depth = t[from].depth;
  for (size_t i = from; i <= to; ++i) {
    bool end = i == to;
    if (!end && t[i].depth != depth) return std::string();
    if (!end && !t[i].IsWord("AND") && !t[i].IsWord("OR")) continue;
    // tokens [start, i) are one comparison: column op value
    size_t op = start;
    while (op < i && !(t[op].kind == Tok::Op && !t[op].IsOp("."))) ++op;
    if (op == start || op + 1 >= i || !IsColumnAt(t, start, op - 1) || !IsValueAt(t, op + 1, i - 1))
      return std::string();
    term->push_back({Text(sql, t, start, op - 1), std::string(t[op].text),
                     Text(sql, t, op + 1, i - 1)});
    if (!end && t[i].IsWord("OR")) {
      terms.emplace_back();
      term = &terms.back();
    }
    start = i + 1;
  }
  size_t k = terms.size();
  if (k < 2) return std::string();
  bool up = terms[0].back().op[0] == '>';
  std::string columns, values;
  for (size_t j = 0; j < k; ++j) {
    const auto& c = terms[j];
    if (c.size() != j + 1) return std::string();
    for (size_t i = 0; i < j; ++i)
      if ((c[i].op != "=" && c[i].op != "==") || c[i].column != terms[i].back().column ||
          c[i].value != terms[i].back().value)
        return std::string();
    const std::string& op = c.back().op;
    bool strict = op == (up ? ">" : "<");
    if (!strict && !(op == (up ? ">=" : "<=") && j + 1 == k)) return std::string();
    columns += (j ? ", " : "") + c.back().column;
    values += (j ? ", " : "") + c.back().value;
  }
  return "(" + columns + ") " + terms[k - 1].back().op + " (" + values + ")";
}

// The WHERE with every parenthesised conjunct of the lexicographic form written as a row value.
std::string SeekableWhere(const std::string& where) {
  Tokens t = types::Scan(where);
  types::Splice splice;
  for (size_t i = 0; i < t.size(); ++i) {
    if (!t[i].IsOp("(") || t[i].depth != 0 || (i > 0 && !t[i - 1].IsWord("AND"))) continue;
    size_t close = i + 1;
    while (close < t.size() && !(t[close].IsOp(")") && t[close].depth == 0)) ++close;
    if (close >= t.size()) break;
    if ((close + 1 == t.size() || t[close + 1].IsWord("AND")) && close > i + 1) {
      std::string rowValue = RowValueOf(where, t, i + 1, close);
      if (!rowValue.empty()) splice.Replace(t[i + 1].begin, t[close - 1].end, rowValue);
    }
    i = close;
  }
  return splice.empty() ? where : splice.Apply(where);
}

}  // namespace

std::optional<QueryShape> AnalyseQuery(const std::string& sql, sqlite3_stmt* prepared) {
  Tokens t = types::Scan(sql);
  if (t.size() < 4 || !t[0].IsWord("SELECT")) return std::nullopt;
  size_t listStart = 1;
  if (t[1].IsWord("ALL")) listStart = 2;
  if (t[1].IsWord("DISTINCT")) return std::nullopt;
  size_t from = types::FindWord(t, listStart, "FROM", 0);
  if (from >= t.size() || from == listStart) return std::nullopt;
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i].depth != 0) continue;
    static const char* const kRefused[] = {"GROUP", "HAVING", "LIMIT", "WINDOW", "UNION",
                                           "INTERSECT", "EXCEPT", "OFFSET"};
    for (const char* w : kRefused)
      if (t[i].IsWord(w)) return std::nullopt;
  }
  size_t where = types::FindWord(t, from, "WHERE", 0);
  size_t order = types::FindWord(t, from, "ORDER", 0);
  if (order < t.size() && (order + 1 >= t.size() || !t[order + 1].IsWord("BY")))
    return std::nullopt;
  if (where > order) where = t.size();
  for (size_t i = listStart; i < t.size(); ++i) {
    if (i >= from && i < order) continue;  // the FROM and WHERE clauses may hold anything
    if (IsAggregate(t, i) || t[i].IsWord("OVER")) return std::nullopt;
  }

  QueryShape q;
  q.selectList = Text(sql, t, listStart, from - 1);
  // FROM name [. name] [[AS] alias] [INDEXED BY name | NOT INDEXED]
  size_t fromEnd = std::min(where, order);
  size_t i = from + 1;
  if (i >= fromEnd || !t[i].IsName()) return std::nullopt;
  size_t ref = i;
  while (i + 2 < fromEnd && t[i + 1].IsOp(".") && t[i + 2].IsName()) i += 2;
  q.table = types::NameOf(t[i]);
  ref = i;
  ++i;
  if (i < fromEnd && t[i].IsWord("AS")) ++i;
  if (i < fromEnd && t[i].IsName() && !t[i].IsWord("INDEXED") && !t[i].IsWord("NOT")) ref = i++;
  if (i < fromEnd && t[i].IsWord("INDEXED")) {
    if (i + 2 >= fromEnd || !t[i + 1].IsWord("BY") || !t[i + 2].IsName()) return std::nullopt;
    i += 3;
  } else if (i < fromEnd && t[i].IsWord("NOT")) {
    if (i + 1 >= fromEnd || !t[i + 1].IsWord("INDEXED")) return std::nullopt;
    i += 2;
  }
  if (i != fromEnd) return std::nullopt;  // joins, lists, subqueries, functions
  q.from = Text(sql, t, from + 1, fromEnd - 1);
  q.tableRef = std::string(t[ref].text);
  q.rowid = q.tableRef + ".rowid";
  if (where < t.size()) {
    if (where + 1 >= order) return std::nullopt;
    q.where = SeekableWhere(Text(sql, t, where + 1, order - 1));
  }
  if (order >= t.size()) return q;

  auto select = Items(t, listStart, from);
  bool star = false;
  for (auto [a, b] : select) star = star || t[b].IsOp("*");
  // The expression of select item k without its alias: token range and alias name.
  auto itemRange = [&](size_t k, std::string* alias) {
    auto [a, b] = select[k];
    if (b > a && t[b].IsName() && (t[b - 1].IsWord("AS") || t[b - 1].kind != Tok::Op)) {
      if (alias) *alias = types::NameOf(t[b]);
      return std::make_pair(a, t[b - 1].IsWord("AS") ? b - 2 : b - 1);
    }
    return std::make_pair(a, b);
  };
  auto bareColumn = [&](size_t a, size_t b) -> std::string {
    if (a == b && t[a].IsName()) return Lower(types::NameOf(t[a]));
    if (b == a + 2 && t[a].IsName() && t[a + 1].IsOp(".") && t[b].IsName() &&
        IEquals(types::NameOf(t[a]), types::NameOf(t[ref])))
      return Lower(types::NameOf(t[b]));
    return std::string();
  };
  for (auto [a, b] : Items(t, order + 2, t.size())) {
    OrderTerm term;
    if (t[b].IsWord("NULLS") || (b > a && t[b - 1].IsWord("NULLS"))) return std::nullopt;
    if (t[b].IsWord("ASC") || t[b].IsWord("DESC")) {
      term.desc = t[b].IsWord("DESC");
      if (b == a) return std::nullopt;
      --b;
    }
    if (a == b && t[a].kind == Tok::Number) {
      long long k;
      if (!ParseInt64(t[a].text, k) || k < 1 || k > sqlite3_column_count(prepared))
        return std::nullopt;
      const char* origin = sqlite3_column_origin_name(prepared, int(k - 1));
      if (origin) {
        term.expr = q.tableRef + "." + QuoteName(origin);
        term.column = Lower(origin);
      } else if (!star && size_t(k) <= select.size()) {
        auto [ea, eb] = itemRange(size_t(k - 1), nullptr);
        term.expr = Text(sql, t, ea, eb);
        term.column = bareColumn(ea, eb);
      } else {
        return std::nullopt;
      }
    } else {
      term.expr = Text(sql, t, a, b);
      term.column = bareColumn(a, b);
      if (a == b && t[a].IsName()) {
        // A result column alias stands for its expression.
        for (size_t k = 0; k < select.size(); ++k) {
          std::string alias;
          auto [ea, eb] = itemRange(k, &alias);
          if (!alias.empty() && IEquals(alias, types::NameOf(t[a]))) {
            term.expr = Text(sql, t, ea, eb);
            term.column = bareColumn(ea, eb);
            break;
          }
        }
      }
    }
    q.order.push_back(std::move(term));
  }
  return q;
}

}  // namespace engine::cursor
