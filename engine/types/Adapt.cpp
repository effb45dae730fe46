#include "types/Adapt.h"

#include <sqlite3.h>

#include <algorithm>
#include <set>

#include "common/Error.h"
#include "common/Text.h"
#include "types/Collation.h"
#include "types/Dates.h"
#include "types/Decimal.h"
#include "types/Operators.h"
#include "types/Schema.h"
#include "types/SqlText.h"
#include "types/Values.h"

namespace engine::types {

namespace {

using Tokens = std::vector<SqlToken>;

std::string StringOf(const SqlToken& t) {
  std::string r;
  std::string_view inner = t.text.substr(1, t.text.size() >= 2 ? t.text.size() - 2 : 0);
  for (size_t i = 0; i < inner.size(); ++i) {
    r += inner[i];
    if (inner[i] == '\'' && i + 1 < inner.size() && inner[i + 1] == '\'') ++i;
  }
  return r;
}

bool IsComparison(const SqlToken& t) {
  if (t.kind != Tok::Op) return false;
  static const char* const kOps[] = {"=", "==", "<>", "!=", "<", "<=", ">", ">="};
  for (const char* op : kOps)
    if (t.text == op) return true;
  return false;
}

// Items of a parenthesised list: [first, last] token ranges split at commas one level inside
// the parenthesis at open.
std::vector<std::pair<size_t, size_t>> ListItems(const Tokens& t, size_t open, size_t* close) {
  std::vector<std::pair<size_t, size_t>> items;
  int inner = t[open].depth + 1;
  size_t start = open + 1;
  size_t i = open + 1;
  for (; i < t.size(); ++i) {
    if (t[i].IsOp(")") && t[i].depth == inner - 1) break;
    if (t[i].IsOp(",") && t[i].depth == inner) {
      items.push_back({start, i - 1});
      start = i + 1;
    }
  }
  if (close) *close = i;
  if (i >= t.size()) return {};
  if (start < i) items.push_back({start, i - 1});
  return items;
}

class Adapter {
 public:
  Adapter(sqlite3* db, std::string_view format, const std::string& sql)
      : db_(db), format_(format), sql_(sql), t_(Scan(sql)) {}

  std::string Run() {
    if (t_.empty()) return sql_;
    if (t_[0].IsWord("CREATE") && IsCreateTable()) {
      CreateTable();
    } else {
      if (t_[0].IsWord("INSERT")) Insert();
      if (t_[0].IsWord("UPDATE")) Update();
      DateLiterals();
    }
    return splice_.empty() ? sql_ : splice_.Apply(sql_);
  }

 private:
  std::shared_ptr<const TableInfo> Table(const std::string& name) {
    for (auto& [n, info] : tables_)
      if (IEquals(n, name)) return info;
    auto info = FindTable(db_, name);
    tables_.push_back({name, info});
    return info;
  }

  std::string Text(size_t first, size_t last) const {
    return sql_.substr(t_[first].begin, t_[last].end - t_[first].begin);
  }

  // Wraps tokens [first, last] in the conversion for t. A bare number literal reaches
  // decimal, character and integer columns as its text, so that it keeps its exact digits.
  void Wrap(size_t first, size_t last, const TypeDecl& t) {
    if (t.kind == Kind::Other) return;
    wrapped_.insert({first, last});
    bool number = (first == last && t_[first].kind == Tok::Number) ||
                  (last == first + 1 && (t_[first].IsOp("-") || t_[first].IsOp("+")) &&
                   t_[last].kind == Tok::Number);
    // An integer literal reaches an integer column as its text too: one beyond 64 bits is then
    // out of range (22003) instead of a rounded double.
    bool integer = t.kind == Kind::TinyInt || t.kind == Kind::SmallInt || t.kind == Kind::Int ||
                   t.kind == Kind::BigInt;
    if (number && t_[last].text.compare(0, 2, "0x") != 0 &&
        (t.kind == Kind::Decimal || IsCharacter(t.kind) ||
         (integer && t_[last].text.find_first_of(".eE") == std::string_view::npos))) {
      std::string digits = (t_[first].IsOp("-") ? "-" : "") + std::string(t_[last].text);
      splice_.Replace(t_[first].begin, t_[last].end, ConvertCall(QuoteLiteral(digits), t, format_));
      return;
    }
    std::string call = ConvertCall("\x01", t, format_);
    size_t mark = call.find('\x01');
    splice_.Insert(t_[first].begin, call.substr(0, mark));
    splice_.Insert(t_[last].end, call.substr(mark + 1));
  }

  bool IsCreateTable() const {
    size_t i = 1;
    if (i < t_.size() && (t_[i].IsWord("TEMP") || t_[i].IsWord("TEMPORARY"))) ++i;
    if (i >= t_.size() || !t_[i].IsWord("TABLE")) return false;
    return FindWord(t_, i, "AS", 0) == t_.size();
  }

  void CreateTable() {
    size_t open = 0;
    while (open < t_.size() && !(t_[open].IsOp("(") && t_[open].depth == 0)) ++open;
    if (open >= t_.size()) return;
    static const char* const kConstraints[] = {"CONSTRAINT", "PRIMARY", "NOT",    "NULL",
                                               "UNIQUE",     "CHECK",   "DEFAULT", "COLLATE",
                                               "REFERENCES", "GENERATED", "AS",   "IDENTITY"};
    auto isConstraint = [&](const SqlToken& k) {
      for (const char* w : kConstraints)
        if (k.IsWord(w)) return true;
      return false;
    };
    for (auto [a, b] : ListItems(t_, open, nullptr)) {
      if (!t_[a].IsName() || isConstraint(t_[a]) || t_[a].IsWord("FOREIGN")) continue;
      size_t typeEnd = a + 1;
      while (typeEnd <= b && !(t_[typeEnd].depth == 1 && isConstraint(t_[typeEnd]))) ++typeEnd;
      if (typeEnd == a + 1) continue;
      Identity(a, typeEnd, b);
      std::string declared = Text(a + 1, typeEnd - 1);
      std::string canonical = CanonicalDeclared(declared);
      if (canonical.empty()) continue;
      splice_.Replace(t_[a + 1].begin, t_[typeEnd - 1].end, canonical);
      if (IsWideDecimal(ParseDeclared(canonical))) {
        splice_.Insert(t_[typeEnd - 1].end, std::string(" COLLATE ") + kDecimalCollation);
        continue;
      }
      if (!IsCharacter(ParseDeclared(canonical).kind)) continue;
      size_t collate = typeEnd;
      while (collate <= b && !(t_[collate].depth == 1 && t_[collate].IsWord("COLLATE"))) ++collate;
      if (collate < b)
        splice_.Replace(t_[collate + 1].begin, t_[collate + 1].end, kCollation);
      else
        splice_.Insert(t_[typeEnd - 1].end, std::string(" COLLATE ") + kCollation);
    }
  }

  // IDENTITY [(seed, step)] among the constraints [from, last] of column at: kept as a comment
  // the schema reader finds (types/Schema.h); the column's values come from INSERT.
  void Identity(size_t column, size_t from, size_t last) {
    for (size_t k = from; k <= last; ++k) {
      if (!(t_[k].depth == 1 && t_[k].IsWord("IDENTITY"))) continue;
      std::string seed = "1", step = "1";
      size_t end = k;
      if (k + 1 <= last && t_[k + 1].IsOp("(")) {
        size_t close;
        auto items = ListItems(t_, k + 1, &close);
        if (close > last) return;
        end = close;
        auto number = [&](std::pair<size_t, size_t> r, std::string& out) {
          std::string text = Text(r.first, r.second);
          long long v;
          if (!ParseInt64(RemoveBlanks(text), v)) throw SyntaxError(text);
          out = std::to_string(v);
        };
        if (items.size() != 2) throw SyntaxError(Text(k, end));
        number(items[0], seed);
        number(items[1], step);
        if (step == "0")
          throw EngineError("42000", 2749, "Identity column '" + NameOf(t_[column]) +
                                               "' must have a nonzero increment.");
      }
      splice_.Replace(t_[k].begin, t_[end].end,
                      "/*identity " + QuoteName(NameOf(t_[column])) + " " + seed + " " + step +
                          "*/");
      return;
    }
  }

  static std::string RemoveBlanks(std::string s) {
    std::string r;
    for (char c : s)
      if (c != ' ') r += c;
    return r;
  }

  // The next identity values for rows of an INSERT: the largest so far (or the seed less a
  // step) plus a step per row.
  static std::string IdentityValue(const TableInfo& info, const std::string& row) {
    return "((SELECT COALESCE(MAX(" + QuoteName(info.identity) + "), " +
           std::to_string(info.identitySeed - info.identityStep) + ") FROM " +
           QuoteName(info.name) + ") + " + std::to_string(info.identityStep) + " * (" + row + "))";
  }

  // The table named at i ([db .] name); i moves past it.
  std::string TableAt(size_t& i) const {
    if (i >= t_.size() || !t_[i].IsName()) return std::string();
    std::string name = NameOf(t_[i]);
    while (i + 2 < t_.size() && t_[i + 1].IsOp(".") && t_[i + 2].IsName()) {
      i += 2;
      name = NameOf(t_[i]);
    }
    ++i;
    return name;
  }

  void Insert() {
    size_t i = 1;
    if (i + 1 < t_.size() && t_[i].IsWord("OR")) i += 2;
    if (i >= t_.size() || !t_[i].IsWord("INTO")) return;
    ++i;
    size_t nameAt = i;
    std::string name = TableAt(i);
    auto info = name.empty() ? nullptr : Table(name);
    if (!info) return;
    if (i < t_.size() && t_[i].IsWord("AS")) i += 2;
    std::vector<const ColumnInfo*> target;
    size_t listEnd = nameAt;
    bool identity = !info->identity.empty();
    if (i < t_.size() && t_[i].IsOp("(")) {
      for (auto [a, b] : ListItems(t_, i, &listEnd)) {
        if (a != b || !t_[a].IsName()) return;
        const ColumnInfo* c = info->Find(NameOf(t_[a]));
        if (!c) return;
        if (identity && IEquals(c->name, info->identity))
          throw EngineError("23000", 544, "Cannot insert explicit value for identity column in "
                                          "table '" + info->name +
                                          "' when IDENTITY_INSERT is set to OFF.");
        target.push_back(c);
      }
      if (identity && listEnd < t_.size())
        splice_.Insert(t_[listEnd].begin, ", " + QuoteName(info->identity));
      i = listEnd + 1;
    } else {
      std::string names;
      for (const ColumnInfo& c : info->columns) {
        if (identity && IEquals(c.name, info->identity)) continue;
        target.push_back(&c);
        names += (names.empty() ? "" : ", ") + QuoteName(c.name);
      }
      // Without a list the values are those of the other columns.
      if (identity && i > 0)
        splice_.Insert(t_[i - 1].end, " (" + names + ", " + QuoteName(info->identity) + ")");
      listEnd = i - 1;
    }
    if (i >= t_.size()) return;
    if (t_[i].IsWord("VALUES")) {
      long row = 0;
      for (size_t j = i + 1; j < t_.size() && t_[j].IsOp("(") && t_[j].depth == 0;) {
        size_t close;
        auto items = ListItems(t_, j, &close);
        if (close >= t_.size()) return;
        if (items.size() == target.size())
          for (size_t k = 0; k < items.size(); ++k)
            Wrap(items[k].first, items[k].second, target[k]->type);
        if (identity) splice_.Insert(t_[close].begin, ", " + IdentityValue(*info, std::to_string(++row)));
        j = close + 1;
        if (j < t_.size() && t_[j].IsOp(",")) ++j;
      }
      return;
    }
    if (!t_[i].IsWord("SELECT")) return;
    // INSERT ... SELECT: the source becomes a named result whose columns are converted.
    for (size_t k = i; k < t_.size(); ++k)
      if (t_[k].depth == 0 && (t_[k].IsWord("RETURNING") || t_[k].IsWord("ON"))) return;
    std::string source = sql_.substr(t_[i].begin);
    sqlite3_stmt* probe = nullptr;
    if (sqlite3_prepare_v2(db_, source.c_str(), int(source.size()), &probe, nullptr) != SQLITE_OK) {
      sqlite3_finalize(probe);
      return;
    }
    int n = sqlite3_column_count(probe);
    sqlite3_finalize(probe);
    if (size_t(n) != target.size()) return;
    std::string names, columns, values;
    for (size_t k = 0; k < target.size(); ++k) {
      std::string a = "a" + std::to_string(k + 1);
      names += (k ? "," : "") + a;
      columns += (k ? "," : "") + QuoteName(target[k]->name);
      values += (k ? "," : "") + (target[k]->type.kind == Kind::Other
                                      ? a
                                      : ConvertCall(a, target[k]->type, format_));
    }
    if (identity) {
      columns += ", " + QuoteName(info->identity);
      values += ", " + IdentityValue(*info, "row_number() OVER ()");
    }
    std::string head = "WITH zorb_source(" + names + ") AS (";
    std::string tail = ") INSERT INTO " + QuoteName(info->name) + " (" + columns + ") SELECT " +
                       values + " FROM zorb_source";
    splice_.Replace(0, t_[i].begin, head);
    splice_.Insert(sql_.size(), tail);
  }

  void Update() {
    size_t i = 1;
    if (i + 1 < t_.size() && t_[i].IsWord("OR")) i += 2;
    std::string name = TableAt(i);
    auto info = name.empty() ? nullptr : Table(name);
    if (!info) return;
    size_t set = FindWord(t_, i, "SET", 0);
    if (set >= t_.size()) return;
    size_t k = set + 1;
    while (k < t_.size()) {
      // col = expr up to a comma or the next clause at the top level.
      if (!(k + 1 < t_.size() && t_[k].IsName() && t_[k + 1].IsOp("="))) return;
      const ColumnInfo* c = info->Find(NameOf(t_[k]));
      size_t first = k + 2, last = first;
      while (last < t_.size()) {
        const SqlToken& x = t_[last];
        if (x.depth == 0 && (x.IsOp(",") || x.IsWord("WHERE") || x.IsWord("FROM") ||
                             x.IsWord("RETURNING") || x.IsWord("ORDER") || x.IsWord("LIMIT")))
          break;
        ++last;
      }
      if (last == first) return;
      if (c) Wrap(first, last - 1, c->type);
      if (last >= t_.size() || !t_[last].IsOp(",")) break;
      k = last + 1;
    }
  }

  // Lower-case names of the datetime columns of every table the statement names.
  std::set<std::string> DateColumns() {
    std::set<std::string> cols;
    auto add = [&](const std::string& table) {
      auto info = table.empty() ? nullptr : Table(table);
      if (!info) return;
      for (const ColumnInfo& c : info->columns)
        if (c.type.kind == Kind::DateTime) cols.insert(Lower(c.name));
    };
    for (size_t i = 0; i < t_.size(); ++i) {
      const SqlToken& k = t_[i];
      if (!(k.IsWord("FROM") || k.IsWord("JOIN") || k.IsWord("UPDATE") || k.IsWord("INTO")))
        continue;
      size_t j = i + 1;
      for (;;) {
        add(TableAt(j));
        // FROM a [AS] x, b y ...
        if (j < t_.size() && t_[j].IsWord("AS")) ++j;
        if (j < t_.size() && t_[j].kind == Tok::Word && !t_[j].IsWord("WHERE") &&
            !t_[j].IsWord("INDEXED") && !t_[j].IsWord("SET") && !t_[j].IsWord("VALUES"))
          ++j;
        if (j < t_.size() && t_[j].IsOp(",") && k.IsWord("FROM")) {
          ++j;
          continue;
        }
        break;
      }
    }
    return cols;
  }

  // Whether token i is a column in dates (name, or the last part of a dotted name, not a call).
  bool DateColumnAt(const std::set<std::string>& dates, size_t i, bool before) const {
    if (i >= t_.size() || !t_[i].IsName()) return false;
    if (!before) {
      while (i + 2 < t_.size() && t_[i + 1].IsOp(".") && t_[i + 2].IsName()) i += 2;
      if (i + 1 < t_.size() && t_[i + 1].IsOp("(")) return false;
    }
    return dates.count(Lower(NameOf(t_[i]))) > 0;
  }

  void DateLiteral(size_t i) {
    if (wrapped_.count({i, i})) return;  // converted as a whole already
    if (t_[i].kind == Tok::Param) {
      TypeDecl dt;
      dt.kind = Kind::DateTime;
      Wrap(i, i, dt);
      return;
    }
    DateTime d;
    DateRead r = ParseDateTime(StringOf(t_[i]), format_, d);
    if (r != DateRead::Ok) ThrowDateError(r);
    splice_.Replace(t_[i].begin, t_[i].end, QuoteLiteral(FormatDateTime(d)));
  }

  void DateLiterals() {
    bool any = false;
    for (size_t i = 1; i < t_.size() && !any; ++i)
      any = (t_[i].kind == Tok::String || t_[i].kind == Tok::Param) &&
            (IsComparison(t_[i - 1]) || t_[i - 1].IsWord("BETWEEN") || t_[i - 1].IsWord("AND") ||
             t_[i - 1].IsOp("(") || t_[i - 1].IsOp(",") ||
             (i + 1 < t_.size() && IsComparison(t_[i + 1])));
    if (!any) return;
    std::set<std::string> dates = DateColumns();
    if (dates.empty()) return;
    for (size_t i = 0; i < t_.size(); ++i) {
      if (t_[i].kind != Tok::String && t_[i].kind != Tok::Param) continue;
      bool date = false;
      // column op literal; literal op column
      if (i >= 2 && IsComparison(t_[i - 1]) && DateColumnAt(dates, i - 2, true)) date = true;
      if (i + 2 < t_.size() && IsComparison(t_[i + 1]) && DateColumnAt(dates, i + 2, false))
        date = true;
      // column [NOT] BETWEEN literal AND literal
      auto betweenAt = [&](size_t b) {
        if (b >= t_.size() || !t_[b].IsWord("BETWEEN") || b == 0) return false;
        size_t c = b - 1;
        if (t_[c].IsWord("NOT") && c > 0) --c;
        return DateColumnAt(dates, c, true);
      };
      if (i >= 1 && betweenAt(i - 1)) date = true;
      if (i >= 3 && t_[i - 1].IsWord("AND") && betweenAt(i - 3)) date = true;
      // column [NOT] IN (literal, ...)
      if (i >= 1 && (t_[i - 1].IsOp("(") || t_[i - 1].IsOp(","))) {
        size_t open = i - 1;
        while (open > 0 && !(t_[open].IsOp("(") && t_[open].depth == t_[i].depth - 1)) --open;
        if (open >= 2 && t_[open - 1].IsWord("IN")) {
          size_t c = open - 2;
          if (t_[c].IsWord("NOT") && c > 0) --c;
          if (DateColumnAt(dates, c, true)) date = true;
        }
      }
      if (date) DateLiteral(i);
    }
  }

  sqlite3* db_;
  std::string format_;
  const std::string& sql_;
  Tokens t_;
  Splice splice_;
  std::set<std::pair<size_t, size_t>> wrapped_;
  std::vector<std::pair<std::string, std::shared_ptr<const TableInfo>>> tables_;
};

}  // namespace

std::string AdaptText(sqlite3* db, std::string_view dateFormat, const std::string& sql) {
  return Adapter(db, dateFormat, sql).Run();
}

std::string Adapt(sqlite3* db, std::string_view dateFormat, const tsql::Statement& st,
                  std::vector<std::string>* resultTypes) {
  switch (st.kind) {
    case tsql::Kind::Query:
    case tsql::Kind::Dml:
    case tsql::Kind::Ddl:
      return AdaptText(db, dateFormat, RewriteOperators(db, dateFormat, st.sql, resultTypes));
    default:
      return st.sql;
  }
}

}  // namespace engine::types
