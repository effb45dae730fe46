#include "exec/PlanCache.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <map>

#include "types/SqlText.h"

namespace engine::exec {

using types::SqlToken;
using types::Tok;

void Literal::BindTo(sqlite3_stmt* st, int index) const {
  switch (kind) {
    case Kind::Integer: sqlite3_bind_int64(st, index, i); break;
    case Kind::Real: sqlite3_bind_double(st, index, d); break;
    case Kind::Text: sqlite3_bind_text(st, index, s.data(), int(s.size()), SQLITE_TRANSIENT); break;
  }
}

namespace {

std::string StringValue(std::string_view t) {
  std::string v;
  v.reserve(t.size());
  for (size_t i = 1; i + 1 < t.size(); ++i) {
    v += t[i];
    if (t[i] == '\'') ++i;  // a doubled quote
  }
  return v;
}

}  // namespace

bool NumberLiteral(std::string_view t, Literal& out) {
  std::string text(t);
  if (text.size() > 1 && (text[1] == 'x' || text[1] == 'X')) return false;
  bool real = text.find_first_of(".eE") != std::string::npos;
  errno = 0;
  char* end = nullptr;
  if (real) {
    out.kind = Literal::Kind::Real;
    out.d = std::strtod(text.c_str(), &end);
  } else {
    out.kind = Literal::Kind::Integer;
    out.i = std::strtoll(text.c_str(), &end, 10);
  }
  return errno == 0 && end && *end == 0;
}

Parameterized Parameterize(const std::string& sql) {
  Parameterized out;
  std::vector<SqlToken> tokens = types::Scan(sql);
  bool whole = !tokens.empty() &&
               sql.find_first_not_of(" \t\r\n", tokens.back().end) == std::string::npos;
  auto first = [&](const char* verb) { return tokens.front().IsWord(verb); };
  if (!whole || !(first("SELECT") || first("INSERT") || first("UPDATE") || first("DELETE"))) {
    out.sql = sql;
    return out;
  }
  int highest = 0;
  for (const SqlToken& t : tokens)
    if (t.kind == Tok::Param && t.text.size() > 1) highest = std::max(highest, std::atoi(t.text.data() + 1));
  out.firstLiteral = highest + 1;
  // The clause each parenthesis depth is in: literals are replaced only in WHERE, ON, HAVING,
  // LIMIT/OFFSET, SET and VALUES, and inside expressions there (a depth opened by "(" inherits
  // it).
  std::vector<bool> open{false};
  std::map<std::string, int> seen;  // literal text -> its marker
  types::Splice splice;
  for (size_t i = 0; i < tokens.size(); ++i) {
    const SqlToken& t = tokens[i];
    size_t d = size_t(std::max(t.depth, 0));
    if (open.size() <= d) open.resize(d + 1, open.back());
    if (t.IsOp("(")) {
      open.resize(d + 2);
      open[d + 1] = open[d];
      continue;
    }
    if (t.depth == 0 && t.IsWord("FROM") && out.table.empty() && i + 1 < tokens.size() &&
        tokens[i + 1].IsName())
      out.table = types::NameOf(tokens[i + 1]);
    if (t.kind == Tok::Word) {
      if (t.IsWord("WHERE") || t.IsWord("ON") || t.IsWord("HAVING") || t.IsWord("LIMIT") ||
          t.IsWord("OFFSET") || t.IsWord("SET") || t.IsWord("VALUES"))
        open[d] = true;
      else if (t.IsWord("SELECT") || t.IsWord("FROM") || t.IsWord("BY") || t.IsWord("UNION") ||
               t.IsWord("EXCEPT") || t.IsWord("INTERSECT") || t.IsWord("WINDOW") ||
               t.IsWord("OVER") || t.IsWord("COLLATE") || t.IsWord("ESCAPE") ||
               t.IsWord("RETURNING"))
        open[d] = false;
      continue;
    }
    if (!open[d] || (t.kind != Tok::String && t.kind != Tok::Number)) continue;
    // A literal right after an operator word that needs a constant keeps its text.
    if (i > 0 && (tokens[i - 1].IsWord("COLLATE") || tokens[i - 1].IsWord("ESCAPE"))) continue;
    Literal v;
    if (t.kind == Tok::String) {
      v.kind = Literal::Kind::Text;
      v.s = StringValue(t.text);
    } else if (!NumberLiteral(t.text, v)) {
      continue;
    }
    // Equal literals share their marker: the planner then still sees "n > ?2 OR n = ?2" as
    // "n >= ?2", a range it can seek.
    std::string key(t.text);
    auto same = seen.find(key);
    int marker = same != seen.end() ? same->second : out.firstLiteral + int(out.literals.size());
    splice.Replace(t.begin, t.end, "?" + std::to_string(marker));
    if (same == seen.end()) {
      seen.emplace(std::move(key), marker);
      out.literals.push_back(std::move(v));
    }
  }
  out.sql = splice.empty() ? sql : splice.Apply(sql);
  return out;
}

}  // namespace engine::exec
