#include "tsql/Ddl.h"

#include <algorithm>

#include "common/Error.h"
#include "common/Text.h"

namespace engine::tsql {

namespace {

using Tokens = std::vector<Token>;

[[noreturn]] void Near(const Tokens& t, size_t i) {
  if (i < t.size()) throw SyntaxError(t[i].text.substr(0, 128));
  throw SyntaxError(t.empty() ? std::string() : t.back().text.substr(0, 128));
}

// A name token at i (word or quoted, 1 to 128 characters, no NUL), or a syntax error.
const std::string& Name(const Tokens& t, size_t i) {
  if (i >= t.size() || !t[i].IsName() || t[i].value.empty() || t[i].value.size() > 128 ||
      t[i].value.find('\0') != std::string::npos)
    Near(t, i);
  return t[i].value;
}

// [dbo.]name at i: the index of the name.
size_t SkipOwner(const Tokens& t, size_t i) {
  if (i + 2 < t.size() && t[i].IsName() && IEquals(t[i].value, "dbo") && t[i + 1].IsOp("."))
    return i + 2;
  return i;
}

Token Word(const std::string& w, size_t offset) { return Token{TokenKind::Word, w, w, offset}; }
Token Quoted(const std::string& name, size_t offset) {
  return Token{TokenKind::QuotedName, QuoteName(name), name, offset};
}

// Words that stand right before a table name, never an alias.
bool PrecedesTable(const Token& k) {
  return k.IsWord("FROM") || k.IsWord("JOIN") || k.IsWord("UPDATE") || k.IsWord("INTO") ||
         k.IsWord("DELETE");
}

const char* const kLockHints[] = {
    "NOLOCK",     "READUNCOMMITTED", "READCOMMITTED", "READCOMMITTEDLOCK", "REPEATABLEREAD",
    "SERIALIZABLE", "HOLDLOCK",      "ROWLOCK",       "PAGLOCK",           "TABLOCK",
    "TABLOCKX",   "UPDLOCK",         "XLOCK",         "NOWAIT",            "READPAST",
    "FASTFIRSTROW", "FORCESEEK",     "FORCESCAN",     "NOEXPAND",          "KEEPIDENTITY",
    "KEEPDEFAULTS", "IGNORE_CONSTRAINTS", "IGNORE_TRIGGERS"};

bool IsLockHint(const Token& k) {
  if (k.kind != TokenKind::Word) return false;
  for (const char* h : kLockHints)
    if (k.IsWord(h)) return true;
  return false;
}

EngineError UnknownHint(const std::string& text) {
  return EngineError("42000", 321, "'" + text.substr(0, 128) +
                                       "' is not a recognized table hints option.");
}

}  // namespace

std::string SqliteIndexName(std::string_view table, std::string_view index) {
  // The index is what follows the last '.': a '.' inside it would name another table's index.
  if (index.find('.') != std::string_view::npos) throw SyntaxError(std::string(index.substr(0, 128)));
  std::string s(table);
  s += '.';
  s += index;
  return s;
}

std::string IndexNameOf(std::string_view sqliteName, std::string_view table) {
  if (sqliteName.size() > table.size() + 1 && sqliteName[table.size()] == '.' &&
      IEquals(sqliteName.substr(0, table.size()), table))
    return std::string(sqliteName.substr(table.size() + 1));
  return std::string(sqliteName);
}

Tokens CreateIndexTokens(const Tokens& t, std::string& table) {
  size_t i = 1;
  bool unique = false;
  int clustering = 0;  // 1 clustered, 2 nonclustered
  for (; i < t.size(); ++i) {
    if (t[i].IsWord("UNIQUE") && !unique) {
      unique = true;
    } else if ((t[i].IsWord("CLUSTERED") || t[i].IsWord("NONCLUSTERED")) && clustering == 0) {
      clustering = t[i].IsWord("CLUSTERED") ? 1 : 2;
    } else {
      break;
    }
  }
  if (i >= t.size() || !t[i].IsWord("INDEX")) Near(t, i);
  const std::string& index = Name(t, i + 1);
  if (i + 2 >= t.size() || !t[i + 2].IsWord("ON")) Near(t, i + 2);
  size_t n = SkipOwner(t, i + 3);
  table = Name(t, n);
  size_t k = n + 1;
  if (k >= t.size() || !t[k].IsOp("(")) Near(t, k);
  size_t offset = t[0].offset;
  Tokens out{Word("CREATE", offset)};
  if (unique) out.push_back(Word("UNIQUE", offset));
  out.push_back(Word("INDEX", offset));
  out.push_back(Quoted(SqliteIndexName(table, index), offset));
  out.push_back(Word("ON", offset));
  out.push_back(Quoted(table, offset));
  // SQLite keeps the text between the index name and the closing parenthesis, comment included.
  if (clustering == 1) out.push_back(Word(kClusteredMark, offset));
  out.push_back(t[k]);
  std::vector<std::string> seen;
  for (++k;;) {
    const std::string& column = Name(t, k);
    for (const std::string& s : seen)
      if (IEquals(s, column))
        throw EngineError("42000", 1909,
                          "Cannot use duplicate column names in index. Column name '" + column +
                              "' listed more than once.");
    seen.push_back(column);
    out.push_back(Quoted(column, t[k].offset));
    ++k;
    if (k < t.size() && (t[k].IsWord("ASC") || t[k].IsWord("DESC"))) {
      if (t[k].IsWord("DESC")) out.push_back(t[k]);
      ++k;
    }
    if (k < t.size() && t[k].IsOp(",")) {
      out.push_back(t[k]);
      ++k;
      continue;
    }
    if (k < t.size() && t[k].IsOp(")")) break;
    Near(t, k);
  }
  out.push_back(t[k]);
  // Storage clauses (WITH FILLFACTOR..., ON [PRIMARY]) and INCLUDE columns do not apply here.
  if (k + 1 < t.size() && !t[k + 1].IsWord("WITH") && !t[k + 1].IsWord("ON") &&
      !t[k + 1].IsWord("INCLUDE"))
    Near(t, k + 1);
  return out;
}

std::string DropIndexName(const Tokens& t, std::string& table) {
  // [owner.]table.index, or index ON [owner.]table.
  std::vector<std::string> parts{Name(t, 2)};
  size_t i = 3;
  while (i + 1 < t.size() && t[i].IsOp(".") && parts.size() < 3) {
    parts.push_back(Name(t, i + 1));
    i += 2;
  }
  std::string index;
  if (parts.size() == 1) {
    if (i >= t.size() || !t[i].IsWord("ON")) Near(t, i);
    size_t n = SkipOwner(t, i + 1);
    table = Name(t, n);
    i = n + 1;
    index = parts[0];
  } else {
    table = parts[parts.size() - 2];
    index = parts.back();
  }
  if (i < t.size()) Near(t, i);
  return SqliteIndexName(table, index);
}

TableHints RewriteTableHints(Tokens& t) {
  TableHints hints;
  for (size_t w = 1; w + 1 < t.size(); ++w) {
    if (!t[w].IsWord("WITH") || !t[w + 1].IsOp("(") || !t[w - 1].IsName()) continue;
    // The table: "t WITH", "t AS a WITH" or "t a WITH".
    size_t at = w - 1;
    if (w >= 3 && t[w - 2].IsWord("AS"))
      at = w - 3;
    else if (w >= 2 && t[w - 2].IsName() && !PrecedesTable(t[w - 2]))
      at = w - 2;
    if (!t[at].IsName()) continue;
    const std::string table = t[at].value;
    size_t i = w + 2;
    bool lockx = false;
    Tokens replacement;
    for (;;) {
      if (i >= t.size()) Near(t, i);
      const Token& h = t[i];
      if (h.IsWord("INDEX")) {
        if (!replacement.empty()) throw NotImplemented("more than one INDEX hint on a table");
        std::vector<const Token*> names;
        if (i + 1 < t.size() && t[i + 1].IsOp("=")) {
          if (i + 2 >= t.size()) Near(t, i + 1);
          names.push_back(&t[i + 2]);
          i += 3;
        } else if (i + 1 < t.size() && t[i + 1].IsOp("(")) {
          i += 2;
          for (;;) {
            if (i >= t.size()) Near(t, i);
            names.push_back(&t[i]);
            ++i;
            if (i < t.size() && t[i].IsOp(",")) {
              ++i;
              continue;
            }
            if (i < t.size() && t[i].IsOp(")")) break;
            Near(t, i);
          }
          ++i;
        } else {
          Near(t, i + 1);
        }
        if (names.size() > 1) throw NotImplemented("more than one index in an INDEX hint");
        const Token& n = *names[0];
        size_t offset = n.offset;
        if (n.kind == TokenKind::Number && (n.text == "0" || n.text == "1")) {
          // 0: a scan of the table; 1: its clustered order, which is the rowid order here.
          replacement = {Word("NOT", offset), Word("INDEXED", offset)};
        } else if (n.IsName() && !n.value.empty() && n.value.find('\0') == std::string::npos) {
          replacement = {Word("INDEXED", offset), Word("BY", offset),
                         Quoted(SqliteIndexName(table, n.value), offset)};
          if (hints.indexTable.empty()) hints.indexTable = table;
        } else {
          Near(t, size_t(&n - t.data()));
        }
      } else if (IsLockHint(h)) {
        if (h.IsWord("TABLOCKX")) lockx = true;
        ++i;
      } else {
        throw UnknownHint(h.text);
      }
      if (i < t.size() && t[i].IsOp(",")) {
        ++i;
        continue;
      }
      if (i < t.size() && t[i].IsOp(")")) break;
      if (i < t.size() && t[i].kind == TokenKind::Word) continue;  // hints separated by blanks
      Near(t, i);
    }
    if (lockx && hints.lockTable.empty()) hints.lockTable = table;
    t.erase(t.begin() + long(w), t.begin() + long(i + 1));
    t.insert(t.begin() + long(w), replacement.begin(), replacement.end());
    w += replacement.size();
  }
  return hints;
}

void RefuseComputeAndBrowse(const Tokens& t) {
  int depth = 0;
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i].IsOp("(")) {
      ++depth;
    } else if (t[i].IsOp(")")) {
      --depth;
    } else if (depth == 0) {
      std::string what;
      if (t[i].IsWord("COMPUTE"))
        what = "COMPUTE";
      else if (t[i].IsWord("FOR") && i + 1 < t.size() && t[i + 1].IsWord("BROWSE"))
        what = "FOR BROWSE";
      if (!what.empty())
        throw EngineError("42000", 40517,
                          "Keyword or statement option '" + what +
                              "' is not supported in this version of SQL Server.");
    }
  }
}

}  // namespace engine::tsql
