#include "tsql/Translator.h"

#include <algorithm>

#include "common/Error.h"
#include "common/Text.h"
#include "tsql/Ddl.h"

namespace engine::tsql {

namespace {

using Tokens = std::vector<Token>;

[[noreturn]] void NearToken(const Tokens& t, size_t i) {
  if (i < t.size()) throw SyntaxError(t[i].text.substr(0, 128));
  throw SyntaxError(t.empty() ? std::string() : t.back().text.substr(0, 128));
}

bool HasNul(const std::string& s) { return s.find('\0') != std::string::npos; }

// A name token (word or quoted) at i, or a syntax error.
const std::string& NameAt(const Tokens& t, size_t i) {
  if (i >= t.size() || !t[i].IsName()) NearToken(t, i);
  if (HasNul(t[i].value)) NearToken(t, i);
  return t[i].value;
}

// Skips an owner prefix "dbo." in front of a name; returns the index of the name.
size_t SkipOwner(const Tokens& t, size_t i) {
  if (i + 2 < t.size() && t[i].IsName() && IEquals(t[i].value, "dbo") && t[i + 1].IsOp("."))
    return i + 2;
  return i;
}

std::string EmitHex(const std::string& text) {
  std::string digits = text.substr(2);
  if (digits.size() % 2) digits.insert(digits.begin(), '0');
  return "X'" + digits + "'";
}

// SQLite text for tokens [from, to): literals re-quoted, names quoted, owner prefixes dropped.
std::string Emit(const Tokens& t, size_t from, size_t to, int& parameters) {
  std::string out;
  for (size_t i = from; i < to; ++i) {
    const Token& k = t[i];
    if (k.IsName() && IEquals(k.value, "dbo") && i + 2 < to && t[i + 1].IsOp(".") &&
        t[i + 2].IsName()) {
      ++i;  // drop "dbo" and its dot
      continue;
    }
    if (!out.empty()) out += ' ';
    switch (k.kind) {
      case TokenKind::String:
        if (HasNul(k.value))
          throw EngineError("42000", 102, "A string literal may not hold a NUL character.");
        out += QuoteLiteral(k.value);
        break;
      case TokenKind::QuotedName:
        if (HasNul(k.value)) NearToken(t, i);
        out += QuoteName(k.value);
        break;
      case TokenKind::Word:
        // '#', '$' and '@' mean parameters to SQLite; such words are names here.
        if (k.text.find_first_of("#$@") != std::string::npos)
          out += QuoteName(k.text);
        else
          out += k.text;
        break;
      case TokenKind::Number:
        if (k.text.size() > 1 && (k.text[1] == 'x' || k.text[1] == 'X'))
          out += EmitHex(k.text);
        else
          out += k.text;
        break;
      case TokenKind::Parameter:
        // Numbered, so that moving TOP's value to LIMIT keeps the application's order.
        out += '?' + std::to_string(++parameters);
        break;
      case TokenKind::Variable:
        // The session's counters (types/Functions.h); other variables are not declared.
        if (IEquals(k.text, "@@ROWCOUNT")) {
          out += "zorb_rowcount()";
          break;
        }
        if (IEquals(k.text, "@@IDENTITY")) {
          out += "zorb_identity()";
          break;
        }
        throw EngineError("42000", 137, "Must declare the scalar variable \"" + k.text + "\".");
      case TokenKind::Operator:
        if (k.text == "!<")
          out += ">=";
        else if (k.text == "!>")
          out += "<=";
        else
          out += k.text;
        break;
      case TokenKind::Semicolon:
        NearToken(t, i);
    }
  }
  return out;
}

// Index of the first top-level (outside parentheses) word equal to w at or after from.
size_t FindTopLevel(const Tokens& t, size_t from, std::string_view w) {
  int depth = 0;
  for (size_t i = from; i < t.size(); ++i) {
    if (t[i].IsOp("("))
      ++depth;
    else if (t[i].IsOp(")"))
      --depth;
    else if (depth == 0 && t[i].IsWord(w))
      return i;
  }
  return t.size();
}

// "(SELECT [DISTINCT] TOP n ...)" inside a statement becomes "(SELECT ... LIMIT n)"; n must be
// a number (a marker would move out of the application's order).
void NestedTop(Tokens& t) {
  // INSERT ... SELECT TOP n: the SELECT runs to the end of the statement.
  size_t select = FindTopLevel(t, 1, "SELECT");
  if (t[0].IsWord("INSERT") && select < t.size()) {
    Token close = t[select];
    close.kind = TokenKind::Operator;
    close.text = close.value = ")";
    Token open = close;
    open.text = open.value = "(";
    t.insert(t.begin() + long(select), open);
    t.push_back(close);
    NestedTop(t);
    t.erase(t.begin() + long(select));
    t.pop_back();
  }
  for (size_t open = 0; open + 2 < t.size(); ++open) {
    if (!t[open].IsOp("(") || !t[open + 1].IsWord("SELECT")) continue;
    size_t top = open + 2;
    if (t[top].IsWord("DISTINCT") || t[top].IsWord("ALL")) ++top;
    if (top + 1 >= t.size() || !t[top].IsWord("TOP")) continue;
    size_t n = top + 1, after = n + 1;
    if (t[n].IsOp("(") && n + 2 < t.size() && t[n + 2].IsOp(")")) {
      ++n;
      after = n + 2;
    }
    if (t[n].kind != TokenKind::Number) NearToken(t, n);
    if (after < t.size() && (t[after].IsWord("PERCENT") || t[after].IsWord("WITH")))
      throw NotImplemented("TOP ... PERCENT or WITH TIES");
    Token limit = t[n];
    int depth = 0;
    size_t close = after;
    for (; close < t.size(); ++close) {
      if (t[close].IsOp("(")) ++depth;
      if (t[close].IsOp(")") && depth-- == 0) break;
    }
    if (close >= t.size()) NearToken(t, open);
    Token word = t[top];
    word.text = word.value = "LIMIT";
    t.insert(t.begin() + long(close), {word, limit});
    t.erase(t.begin() + long(top), t.begin() + long(after));
  }
}

// T-SQL's "alias = expression" in a select list becomes "expression AS alias".
void AliasEquals(Tokens& t, size_t from) {
  static const char* const kEnds[] = {"FROM",  "INTO",   "WHERE",     "GROUP",  "HAVING",
                                      "ORDER", "UNION",  "INTERSECT", "EXCEPT", "OPTION"};
  int depth = 0;
  size_t item = from;
  for (size_t k = from;; ++k) {
    bool end = k == t.size();
    if (!end && t[k].IsOp("(")) {
      ++depth;
      continue;
    }
    if (!end && t[k].IsOp(")")) {
      if (depth-- > 0) continue;
      end = true;
    }
    if (!end && depth == 0 && t[k].kind == TokenKind::Word)
      for (const char* w : kEnds) end = end || t[k].IsWord(w);
    if (!end && !(depth == 0 && t[k].IsOp(","))) continue;
    if (k >= item + 3 && (t[item].IsName() || t[item].kind == TokenKind::String) &&
        t[item + 1].IsOp("=")) {
      Token alias = t[item], as = t[item + 1];
      as.kind = TokenKind::Word;
      as.text = as.value = "AS";
      std::rotate(t.begin() + long(item), t.begin() + long(item + 2), t.begin() + long(k));
      t[k - 2] = as;
      t[k - 1] = alias;
    }
    if (end) return;
    item = k + 1;
  }
}

Statement Select(Tokens t) {
  NestedTop(t);
  Statement s;
  s.kind = Kind::Query;
  s.verb = "SELECT";
  RefuseComputeAndBrowse(t);
  size_t i = 1;
  if (i < t.size() && (t[i].IsWord("ALL") || t[i].IsWord("DISTINCT"))) ++i;
  Tokens limit;
  if (i < t.size() && t[i].IsWord("TOP")) {
    size_t j = i + 1;
    if (j < t.size() && t[j].IsOp("(")) {
      size_t k = j + 1;
      while (k < t.size() && !t[k].IsOp(")")) ++k;
      if (k >= t.size() || k == j + 1) NearToken(t, j);
      limit.assign(t.begin() + long(j + 1), t.begin() + long(k));
      j = k + 1;
    } else if (j < t.size() && (t[j].kind == TokenKind::Number || t[j].kind == TokenKind::Parameter)) {
      limit.push_back(t[j]);
      j = j + 1;
    } else {
      NearToken(t, j);
    }
    if (j < t.size() && t[j].IsWord("PERCENT")) throw NotImplemented("TOP ... PERCENT");
    if (j < t.size() && t[j].IsWord("WITH") && j + 1 < t.size() && t[j + 1].IsWord("TIES"))
      throw NotImplemented("TOP ... WITH TIES");
    t.erase(t.begin() + long(i), t.begin() + long(j));
  }
  for (size_t k = 0; k < t.size(); ++k)  // this select list, sub-selects' and UNION's
    if (t[k].IsWord("SELECT")) {
      size_t list = k + 1;
      if (list < t.size() && (t[list].IsWord("ALL") || t[list].IsWord("DISTINCT"))) ++list;
      AliasEquals(t, list);
    }
  // SELECT list INTO t FROM ... makes a table from the result.
  std::string into;
  size_t intoAt = FindTopLevel(t, 1, "INTO");
  size_t fromAt = FindTopLevel(t, 1, "FROM");
  if (intoAt < t.size() && intoAt < fromAt) {
    size_t n = SkipOwner(t, intoAt + 1);
    into = NameAt(t, n);
    t.erase(t.begin() + long(intoAt), t.begin() + long(n + 1));
  }
  TableHints hints = RewriteTableHints(t);
  s.lockTable = hints.lockTable;
  s.name = hints.indexTable;  // names the table in a missing index's message
  std::string limitSql;
  if (!limit.empty()) limitSql = " LIMIT " + Emit(limit, 0, limit.size(), s.parameters);
  s.sql = Emit(t, 0, t.size(), s.parameters) + limitSql;
  if (!into.empty()) {
    s.kind = Kind::SelectInto;
    s.name = into;
  }
  return s;
}

std::vector<LoginOption> LoginOptions(const Tokens& t, size_t i) {
  std::vector<LoginOption> opts;
  if (i >= t.size()) return opts;
  if (!t[i].IsWord("WITH")) NearToken(t, i);
  ++i;
  for (;;) {
    if (i >= t.size() || t[i].kind != TokenKind::Word) NearToken(t, i);
    LoginOption o;
    o.name = Upper(t[i].text);
    if (i + 2 >= t.size() || !t[i + 1].IsOp("=")) NearToken(t, i + 1);
    const Token& v = t[i + 2];
    if (o.name == "PASSWORD" || o.name == "OLD_PASSWORD") {
      if (v.kind != TokenKind::String) NearToken(t, i + 2);
    } else if (o.name == "DEFAULT_DATABASE" || o.name == "DEFAULT_LANGUAGE" ||
               o.name == "CHECK_POLICY" || o.name == "CHECK_EXPIRATION") {
      if (!v.IsName() && v.kind != TokenKind::String) NearToken(t, i + 2);
    } else {
      NearToken(t, i);
    }
    if (HasNul(v.value)) NearToken(t, i + 2);
    o.value = v.value;
    opts.push_back(std::move(o));
    i += 3;
    if (i == t.size()) break;
    if (!t[i].IsOp(",")) NearToken(t, i);
    ++i;
  }
  return opts;
}

void ExpectEnd(const Tokens& t, size_t i) {
  if (i < t.size()) NearToken(t, i);
}

Statement Passthrough(const Tokens& t, Kind kind, const std::string& verb) {
  Statement s;
  s.kind = kind;
  s.verb = verb;
  if (kind == Kind::Dml) {
    Tokens c = t;
    NestedTop(c);
    s.sql = Emit(c, 0, c.size(), s.parameters);
    return s;
  }
  s.sql = Emit(t, 0, t.size(), s.parameters);
  return s;
}

Statement Procedure(const Tokens& t, size_t nameAt) {
  Statement s;
  s.kind = Kind::Procedure;
  s.verb = "EXEC";
  // master.dbo.sp_x and dbo.sp_x name sp_x.
  size_t i = nameAt;
  NameAt(t, i);
  while (i + 2 < t.size() && t[i + 1].IsOp(".") && t[i + 2].IsName()) i += 2;
  if (i + 1 < t.size() && t[i + 1].IsOp(".")) {
    // master..sp_x
    if (i + 3 < t.size() && t[i + 2].IsOp(".") && t[i + 3].IsName())
      i += 3;
    else
      NearToken(t, i + 1);
  }
  s.name = NameAt(t, i);
  for (size_t k = i + 1; k < t.size(); ++k) {
    // "@name = value" names a procedure's parameter; other variables are not declared.
    if (t[k].kind == TokenKind::Variable && !(k + 1 < t.size() && t[k + 1].IsOp("=")))
      throw EngineError("42000", 137, "Must declare the scalar variable \"" + t[k].text + "\".");
    s.args.push_back(t[k]);
  }
  return s;
}

const char* const kIgnoredSetOptions[] = {
    "NOCOUNT", "ANSI_NULLS", "ANSI_WARNINGS", "ANSI_PADDING", "ANSI_NULL_DFLT_ON",
    "QUOTED_IDENTIFIER", "CONCAT_NULL_YIELDS_NULL", "ARITHABORT", "TEXTSIZE", "XACT_ABORT",
    "DEADLOCK_PRIORITY", "ROWCOUNT_DUMMY", "CURSOR_CLOSE_ON_COMMIT", "IMPLICIT_TRANSACTIONS_OFF",
    "NUMERIC_ROUNDABORT", "DATEFIRST", "FMTONLY"};

Statement Set(const Tokens& t) {
  Statement s;
  s.verb = "SET";
  if (t.size() < 2 || t[1].kind != TokenKind::Word) NearToken(t, 1);
  std::string option = Upper(t[1].text);
  if (option == "DATEFORMAT" || option == "LANGUAGE") {
    if (t.size() != 3 || (!t[2].IsName() && t[2].kind != TokenKind::String)) NearToken(t, 2);
    s.kind = option == "DATEFORMAT" ? Kind::SetDateFormat : Kind::SetLanguage;
    s.value = t[2].value;
    return s;
  }
  if (option == "LOCK_TIMEOUT") {
    size_t i = 2;
    bool negative = false;
    if (i < t.size() && t[i].IsOp("-")) {
      negative = true;
      ++i;
    }
    long long v = 0;
    if (i >= t.size() || t[i].kind != TokenKind::Number || !ParseInt64(t[i].text, v) ||
        v > 2147483647LL)
      NearToken(t, i);
    ExpectEnd(t, i + 1);
    s.kind = Kind::SetLockTimeout;
    s.number = negative ? -v : v;
    return s;
  }
  if (option == "TRANSACTION") {
    if (t.size() < 4 || !t[2].IsWord("ISOLATION") || !t[3].IsWord("LEVEL")) NearToken(t, 2);
    s.kind = Kind::SetIgnored;
    return s;
  }
  for (const char* known : kIgnoredSetOptions) {
    if (option == known) {
      if (t.size() != 3) NearToken(t, 2);
      s.kind = Kind::SetIgnored;
      return s;
    }
  }
  NearToken(t, 1);
}

Statement Transaction(const Tokens& t, Kind kind, const char* verb) {
  Statement s;
  s.kind = kind;
  s.verb = verb;
  size_t i = 1;
  if (i < t.size() && (t[i].IsWord("TRAN") || t[i].IsWord("TRANSACTION") ||
                       (kind != Kind::BeginTran && t[i].IsWord("WORK"))))
    ++i;
  else if (kind == Kind::BeginTran)
    NearToken(t, i);
  if (i < t.size() && t[i].IsName()) ++i;  // transaction name
  ExpectEnd(t, i);
  return s;
}

Statement One(Tokens t) {
  const Token& first = t[0];
  if (first.kind != TokenKind::Word) {
    if (first.kind == TokenKind::QuotedName && Lower(first.value).rfind("sp_", 0) == 0)
      return Procedure(t, 0);
    NearToken(t, 0);
  }
  std::string verb = Upper(first.text);
  Statement s;
  if (verb == "SELECT") return Select(std::move(t));
  if (verb == "WITH") return Passthrough(t, Kind::Query, verb);
  if (verb == "INSERT") {
    if (t.size() > 1 && !t[1].IsWord("INTO")) {
      Token into{TokenKind::Word, "INTO", "INTO", t[1].offset};
      t.insert(t.begin() + 1, into);
    }
    RewriteTableHints(t);
    s = Passthrough(t, Kind::Dml, verb);
    if (t.size() > 2) s.name = t[SkipOwner(t, 2)].value;
    return s;
  }
  if (verb == "DELETE") {
    if (t.size() > 1 && !t[1].IsWord("FROM")) {
      Token from{TokenKind::Word, "FROM", "FROM", t[1].offset};
      t.insert(t.begin() + 1, from);
    }
    RewriteTableHints(t);
    s = Passthrough(t, Kind::Dml, verb);
    if (t.size() > 2) s.name = t[SkipOwner(t, 2)].value;
    return s;
  }
  if (verb == "UPDATE") {
    RewriteTableHints(t);
    s = Passthrough(t, Kind::Dml, verb);
    if (t.size() > 1) s.name = t[SkipOwner(t, 1)].value;
    return s;
  }
  if (verb == "TRUNCATE") {
    if (t.size() < 3 || !t[1].IsWord("TABLE")) NearToken(t, 1);
    size_t n = SkipOwner(t, 2);
    s.kind = Kind::Ddl;
    s.verb = verb;
    s.name = NameAt(t, n);
    ExpectEnd(t, n + 1);
    s.sql = "DELETE FROM " + QuoteName(s.name);
    return s;
  }
  if (verb == "USE") {
    s.kind = Kind::Use;
    s.verb = verb;
    s.name = NameAt(t, 1);
    ExpectEnd(t, 2);
    if (!IsValidDatabaseName(s.name)) NearToken(t, 1);
    return s;
  }
  if (verb == "CREATE" || verb == "DROP" || verb == "ALTER") {
    if (t.size() < 2 || t[1].kind != TokenKind::Word) NearToken(t, 1);
    std::string what = Upper(t[1].text);
    s.verb = verb;
    if (what == "DATABASE" && verb != "ALTER") {
      s.kind = verb == "CREATE" ? Kind::CreateDatabase : Kind::DropDatabase;
      s.name = NameAt(t, 2);
      if (!IsValidDatabaseName(s.name)) NearToken(t, 2);
      // Placement clauses (ON ..., LOG ON ..., FOR LOAD) do not apply to a file per database.
      if (verb == "DROP") ExpectEnd(t, 3);
      return s;
    }
    if (what == "LOGIN") {
      s.kind = verb == "CREATE" ? Kind::CreateLogin : verb == "ALTER" ? Kind::AlterLogin
                                                                       : Kind::DropLogin;
      s.name = NameAt(t, 2);
      if (s.name.size() > 128) NearToken(t, 2);
      if (s.kind == Kind::DropLogin) {
        ExpectEnd(t, 3);
      } else {
        s.options = LoginOptions(t, 3);
        if (s.options.empty()) NearToken(t, 3);
      }
      return s;
    }
    if (what == "SERVER" && verb == "ALTER") {
      // ALTER SERVER ROLE role {ADD | DROP} MEMBER login
      if (t.size() < 3 || !t[2].IsWord("ROLE")) NearToken(t, 2);
      s.kind = Kind::ServerRole;
      s.name = NameAt(t, 3);
      if (t.size() < 5 || !(t[4].IsWord("ADD") || t[4].IsWord("DROP"))) NearToken(t, 4);
      s.number = t[4].IsWord("ADD") ? 1 : 0;
      if (t.size() < 6 || !t[5].IsWord("MEMBER")) NearToken(t, 5);
      s.value = NameAt(t, 6);
      ExpectEnd(t, 7);
      return s;
    }
    if (what == "TABLE") {
      if (verb == "DROP" && t.size() >= 3 && !t[2].IsWord("IF")) {
        size_t n = SkipOwner(t, 2);
        s.kind = Kind::DropTable;
        s.name = NameAt(t, n);
        ExpectEnd(t, n + 1);
        s.sql = "DROP TABLE " + QuoteName(s.name);
        return s;
      }
      s = Passthrough(t, Kind::Ddl, verb);
      if (t.size() > 2) s.name = t[SkipOwner(t, 2)].value;
      return s;
    }
    if (what == "INDEX" && verb == "DROP") {
      // DROP INDEX t.i, or DROP INDEX i ON t (tsql/Ddl.h).
      s.kind = Kind::Ddl;
      s.sql = "DROP INDEX " + QuoteName(DropIndexName(t, s.name));
      return s;
    }
    if (verb == "CREATE" && (what == "INDEX" || what == "UNIQUE" || what == "CLUSTERED" ||
                             what == "NONCLUSTERED")) {
      std::string table;
      s = Passthrough(CreateIndexTokens(t, table), Kind::Ddl, verb);
      s.name = table;
      return s;
    }
    if (what == "VIEW" && verb != "ALTER") return Passthrough(t, Kind::Ddl, verb);
    NearToken(t, 1);
  }
  if (verb == "SET") return Set(t);
  if (verb == "BEGIN") return Transaction(t, Kind::BeginTran, "BEGIN");
  if (verb == "COMMIT") return Transaction(t, Kind::CommitTran, "COMMIT");
  if (verb == "ROLLBACK") return Transaction(t, Kind::RollbackTran, "ROLLBACK");
  if (verb == "EXEC" || verb == "EXECUTE") return Procedure(t, 1);
  if (Lower(first.text).rfind("sp_", 0) == 0) return Procedure(t, 0);
  NearToken(t, 0);
}

}  // namespace

bool IsValidDatabaseName(std::string_view name) {
  if (name.empty() || name.size() > 128) return false;
  auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
  if (!letter(name[0])) return false;
  for (char c : name)
    if (!letter(c) && !(c >= '0' && c <= '9')) return false;
  return true;
}

Batch Translate(std::string_view text) {
  Tokens all = Lex(text);
  Batch b;
  Tokens current;
  auto flush = [&]() {
    if (current.empty()) return;
    Statement s = One(std::move(current));
    b.parameters += s.parameters;
    b.statements.push_back(std::move(s));
    current.clear();
  };
  for (Token& k : all) {
    if (k.kind == TokenKind::Semicolon)
      flush();
    else
      current.push_back(std::move(k));
  }
  flush();
  return b;
}

}  // namespace engine::tsql
