#include "exec/Catalogo.h"

#include <algorithm>

#include "common/Text.h"
#include "convert/SqlTypes.h"
#include "cursor/CatalogoCursor.h"
#include "exec/ViewDml.h"
#include "store/Catalogo.h"
#include "tsql/Ddl.h"

namespace engine::exec {

namespace {

using cursor::CatalogCursor;
using cursor::Column;
using cursor::Integer;
using cursor::Null;
using cursor::Row;
using cursor::Text;
using tsql::Token;
using tsql::TokenKind;

Column Col(const std::string& name, const std::string& declared,
           SQLSMALLINT nullable = SQL_NULLABLE) {
  return CatalogCursor::Describe(name, declared, nullable);
}

std::unique_ptr<cursor::Cursor> Result(std::vector<Column> columns, std::vector<Row> rows) {
  return std::make_unique<CatalogCursor>(std::move(columns), std::move(rows));
}

bool Given(const Arg& a) { return a && !a->empty(); }
bool Empty(const Arg& a) { return a && a->empty(); }

// The database a catalogue argument names: the current one when none; null when it does not
// exist. Another database is read on a handle of its own (its committed state).
std::shared_ptr<store::Database> CatalogDb(Session& session, const Arg& catalog) {
  if (!Given(catalog) || IEquals(*catalog, session.databaseName())) return session.current();
  if (!tsql::IsValidDatabaseName(*catalog)) return nullptr;
  if (IEquals(*catalog, "master")) return session.master();
  return session.server().OpenDatabase(Lower(*catalog), session.lockTimeoutMs());
}

bool SchemaMatches(const Arg& schema) {
  return !Given(schema) || MatchesPattern("dbo", *schema, '\\');
}

bool NameMatches(const std::string& name, const Arg& pattern, char escape = '\\') {
  return !Given(pattern) || MatchesPattern(name, *pattern, escape);
}

// "'TABLE','VIEW'" or "TABLE, VIEW": the upper-case types; empty for all.
std::vector<std::string> TypeList(const Arg& types) {
  std::vector<std::string> out;
  if (!Given(types)) return out;
  std::string item;
  auto flush = [&]() {
    std::string t = Upper(Trim(item));
    if (t.size() >= 2 && t.front() == '\'' && t.back() == '\'') t = Trim(t.substr(1, t.size() - 2));
    if (!t.empty()) out.push_back(t);
    item.clear();
  };
  for (char c : *types) {
    if (c == ',')
      flush();
    else
      item += c;
  }
  flush();
  return out;
}

std::vector<Column> TableColumns(Naming naming) {
  bool odbc3 = naming == Naming::Odbc3;
  return {Col(odbc3 ? "TABLE_CAT" : "TABLE_QUALIFIER", "varchar(128)"),
          Col(odbc3 ? "TABLE_SCHEM" : "TABLE_OWNER", "varchar(128)"),
          Col("TABLE_NAME", "varchar(128)"), Col("TABLE_TYPE", "varchar(32)"),
          Col("REMARKS", "varchar(254)")};
}

// SQL Server's own type codes, which sp_columns adds.
int SsDataType(const std::string& typeName) {
  static const std::pair<const char*, int> kCodes[] = {
      {"char", 47},  {"varchar", 39}, {"int", 56},     {"smallint", 52}, {"tinyint", 48},
      {"bigint", 127}, {"bit", 50},   {"float", 62},   {"real", 59},     {"decimal", 55},
      {"numeric", 63}, {"datetime", 61}, {"text", 35}, {"image", 34}};
  for (const auto& [name, code] : kCodes)
    if (typeName == name) return code;
  return 39;
}

bool IsCharType(SQLSMALLINT t) {
  return t == SQL_CHAR || t == SQL_VARCHAR || t == SQL_LONGVARCHAR;
}

Row ColumnRow(const std::string& database, const std::string& table,
              const store::ColumnEntry& c, Naming naming) {
  convert::SqlType t = convert::DescribeDeclared(c.declared);
  bool exact = t.type == SQL_INTEGER || t.type == SQL_SMALLINT || t.type == SQL_TINYINT ||
               t.type == SQL_BIGINT || t.type == SQL_DECIMAL || t.type == SQL_NUMERIC ||
               t.type == SQL_BIT;
  bool approximate = t.type == SQL_FLOAT || t.type == SQL_REAL;
  SQLSMALLINT dataType = naming == Naming::Odbc3 ? t.type : convert::Odbc2Type(t.type);
  Row r{Text(database),
        Text("dbo"),
        Text(table),
        Text(c.name),
        Integer(dataType),
        Text(t.typeName),
        Integer(t.type == SQL_LONGVARCHAR ? 2147483647LL : (long long)t.size),
        Integer(t.octetLength),
        IsCharType(t.type) || approximate ? Null() : Integer(t.scale),
        exact ? Integer(10) : approximate ? Integer(2) : Null(),
        Integer(c.notNull ? SQL_NO_NULLS : SQL_NULLABLE),
        Null(),
        c.hasDefault ? Text(c.defaultText) : Null(),
        Integer(convert::VerboseType(t.type)),
        t.type == SQL_TYPE_TIMESTAMP ? Integer(SQL_CODE_TIMESTAMP) : Null(),
        IsCharType(t.type) ? Integer(t.octetLength) : Null(),
        Integer(c.position),
        Text(c.notNull ? "NO" : "YES")};
  if (naming == Naming::Procedure) r.push_back(Integer(SsDataType(t.typeName)));
  return r;
}

std::vector<Column> ColumnColumns(Naming naming) {
  bool odbc3 = naming == Naming::Odbc3;
  std::vector<Column> cols{
      Col(odbc3 ? "TABLE_CAT" : "TABLE_QUALIFIER", "varchar(128)"),
      Col(odbc3 ? "TABLE_SCHEM" : "TABLE_OWNER", "varchar(128)"),
      Col("TABLE_NAME", "varchar(128)", SQL_NO_NULLS),
      Col("COLUMN_NAME", "varchar(128)", SQL_NO_NULLS),
      Col("DATA_TYPE", "smallint", SQL_NO_NULLS),
      Col("TYPE_NAME", "varchar(128)", SQL_NO_NULLS),
      Col(odbc3 ? "COLUMN_SIZE" : "PRECISION", "int"),
      Col(odbc3 ? "BUFFER_LENGTH" : "LENGTH", "int"),
      Col(odbc3 ? "DECIMAL_DIGITS" : "SCALE", "smallint"),
      Col(odbc3 ? "NUM_PREC_RADIX" : "RADIX", "smallint"),
      Col("NULLABLE", "smallint", SQL_NO_NULLS),
      Col("REMARKS", "varchar(254)"),
      Col("COLUMN_DEF", "varchar(4000)"),
      Col("SQL_DATA_TYPE", "smallint", SQL_NO_NULLS),
      Col("SQL_DATETIME_SUB", "smallint"),
      Col("CHAR_OCTET_LENGTH", "int"),
      Col("ORDINAL_POSITION", "int", SQL_NO_NULLS),
      Col("IS_NULLABLE", "varchar(254)")};
  if (naming == Naming::Procedure) cols.push_back(Col("SS_DATA_TYPE", "tinyint"));
  return cols;
}

// --- Procedure arguments ---

using Tokens = std::vector<Token>;

// Positional arguments: strings, names or numbers separated by commas; NULL and DEFAULT are
// absent. Named (@name = value) arguments are refused by the translator.
// Arguments by position, or by name ("@name = value") when names lists the parameters.
std::vector<Arg> Args(const Tokens& t, size_t max, const std::string& procedure,
                      const std::vector<std::string>& names = {}) {
  std::vector<Arg> out;
  std::vector<std::pair<size_t, Arg>> named;
  for (size_t i = 0; i < t.size();) {
    size_t slot = size_t(-1);
    if (t[i].kind == TokenKind::Variable && i + 2 < t.size() && t[i + 1].IsOp("=")) {
      for (size_t n = 0; n < names.size(); ++n)
        if (IEquals(t[i].text, names[n])) slot = n;
      if (slot == size_t(-1))
        throw EngineError("42000", 8145,
                          t[i].text + " is not a parameter for procedure " + procedure + ".");
      i += 2;
    } else if (!named.empty()) {
      throw EngineError("42000", 119,
                        "Must pass parameter number " + std::to_string(out.size() + named.size() + 1) +
                            " and subsequent parameters as '@name = value'. After the form "
                            "'@name = value' has been used, all subsequent parameters must be "
                            "passed in the form '@name = value'.");
    }
    const Token& k = t[i];
    if (k.kind == TokenKind::String || k.kind == TokenKind::QuotedName) {
      out.push_back(k.value);
    } else if (k.kind == TokenKind::Word) {
      if (k.IsWord("NULL") || k.IsWord("DEFAULT"))
        out.push_back(std::nullopt);
      else
        out.push_back(k.text);
    } else if (k.kind == TokenKind::Number) {
      out.push_back(k.text);
    } else {
      throw SyntaxError(k.text.substr(0, 128));
    }
    if (out.back() && out.back()->find('\0') != std::string::npos) throw SyntaxError(k.text);
    if (slot != size_t(-1)) {
      named.push_back({slot, out.back()});
      out.pop_back();
    }
    if (++i == t.size()) break;
    if (!t[i].IsOp(",") || i + 1 == t.size()) throw SyntaxError(t[i].text.substr(0, 128));
    ++i;
  }
  if (out.size() > max)
    throw EngineError("42000", 8144,
                      "Procedure or function " + procedure + " has too many arguments specified.");
  out.resize(max);
  for (auto& [slot, value] : named)
    if (slot < max) out[slot] = value;
  return out;
}

EngineError MissingArgument(const std::string& procedure, const std::string& parameter) {
  return EngineError("42000", 201,
                     "Procedure or function '" + procedure + "' expects parameter '" +
                         parameter + "', which was not supplied.");
}

// "[dbo].[t].i" as its parts, brackets and double quotes removed.
std::vector<std::string> NameParts(const std::string& s) {
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c == '[' || c == '"') {
      char close = c == '[' ? ']' : '"';
      for (++i; i < s.size(); ++i) {
        if (s[i] == close) {
          if (i + 1 < s.size() && s[i + 1] == close) {
            parts.back() += close;
            ++i;
            continue;
          }
          break;
        }
        parts.back() += s[i];
      }
    } else if (c == '.') {
      parts.emplace_back();
    } else {
      parts.back() += c;
    }
  }
  for (std::string& p : parts) p = Trim(p);
  return parts;
}

void CheckQualifier(Session& session, const Arg& qualifier) {
  if (Given(qualifier) && !IEquals(*qualifier, session.databaseName()))
    throw EngineError("42000", 15250,
                      "The database name component of the object qualifier must be the name of "
                      "the current database.");
}

// --- The procedures ---

Outcome SpTables(Session& session, const Tokens& args, const Options&, std::vector<Notice>&) {
  std::vector<Arg> a = Args(args, 4, "sp_tables");
  if (!(a[2] && *a[2] == "%")) CheckQualifier(session, a[2]);
  Outcome out;
  out.cursor = TablesResult(session, a[2], a[1], a[0], a[3], Naming::Procedure);
  return out;
}

Outcome SpColumns(Session& session, const Tokens& args, const Options&, std::vector<Notice>&) {
  std::vector<Arg> a = Args(args, 4, "sp_columns");
  if (!a[0]) throw MissingArgument("sp_columns", "@table_name");
  CheckQualifier(session, a[2]);
  Outcome out;
  out.cursor = ColumnsResult(session, a[2], a[1], a[0], a[3], Naming::Procedure);
  return out;
}

Outcome SpDatabases(Session& session, const Tokens& args, const Options&, std::vector<Notice>&) {
  Args(args, 0, "sp_databases");
  std::vector<Row> rows;
  for (const store::DatabaseEntry& d : store::ListDatabases(session.server()))
    rows.push_back({Text(d.name), Integer(d.sizeKb), Null()});
  Outcome out;
  out.cursor = Result({Col("DATABASE_NAME", "varchar(128)", SQL_NO_NULLS),
                       Col("DATABASE_SIZE", "int"), Col("REMARKS", "varchar(254)")},
                      std::move(rows));
  return out;
}

Outcome SpHelpIndex(Session& session, const Tokens& args, const Options&,
                    std::vector<Notice>& notices) {
  std::vector<Arg> a = Args(args, 1, "sp_helpindex");
  if (!a[0]) throw MissingArgument("sp_helpindex", "@objname");
  auto db = session.current();
  std::vector<std::string> parts = NameParts(*a[0]);
  store::TableEntry table;
  if (parts.size() > 3 || !store::FindTable(*db, parts.back(), table))
    throw EngineError("42000", 15009,
                      "The object '" + *a[0] + "' does not exist in database '" +
                          session.databaseName() + "' or is invalid for this operation.");
  std::vector<Row> rows;
  for (const store::IndexEntry& e : store::ListIndexes(*db, table.name)) {
    std::string description = e.clustered ? "clustered" : "nonclustered";
    if (e.unique) description += ", unique";
    if (e.primaryKey) description += ", primary key";
    description += " located on PRIMARY";
    std::string keys;
    for (const store::IndexColumn& c : e.columns) {
      if (!keys.empty()) keys += ", ";
      keys += c.name + (c.descending ? "(-)" : "");
    }
    rows.push_back({Text(e.name), Text(description), Text(keys)});
  }
  Outcome out;
  if (rows.empty()) {
    notices.push_back({"01000", 15472,
                       "The object '" + *a[0] +
                           "' does not have any indexes, or you do not have permissions."});
    return out;
  }
  out.cursor = Result({Col("index_name", "varchar(128)", SQL_NO_NULLS),
                       Col("index_description", "varchar(210)"),
                       Col("index_keys", "varchar(2126)")},
                      std::move(rows));
  return out;
}

Outcome SpRename(Session& session, const Tokens& args, const Options&,
                 std::vector<Notice>& notices) {
  std::vector<Arg> a = Args(args, 3, "sp_rename", {"@objname", "@newname", "@objtype"});
  if (!a[0]) throw MissingArgument("sp_rename", "@objname");
  if (!a[1]) throw MissingArgument("sp_rename", "@newname");
  const std::string& newName = *a[1];
  if (newName.empty() || newName.size() > 128) throw SyntaxError(newName.substr(0, 128));
  std::string type = a[2] ? Upper(Trim(*a[2])) : "";
  if (!type.empty() && type != "OBJECT" && type != "INDEX" && type != "COLUMN")
    throw EngineError("42000", 15249,
                      "Error: Explicit @objtype '" + *a[2] + "' is unrecognized.");
  auto db = session.current();
  std::vector<std::string> parts = NameParts(*a[0]);
  auto notFound = [&](const std::string& kind) {
    return EngineError("42000", 15248,
                       "Either the parameter @objname is ambiguous or the claimed @objtype (" +
                           kind + ") is wrong.");
  };
  auto taken = [&](const std::string& kind) {
    return EngineError("42000", 15335,
                       "Error: The new name '" + newName + "' is already in use as a " + kind +
                           " name and would cause a duplicate that is not permitted.");
  };
  auto userTable = [&](const std::string& name, store::TableEntry& found) {
    return store::FindTable(*db, name, found) && found.type == store::TableType::Table;
  };
  session.BeginIfNeeded(*db, true);
  // Views' triggers name tables and columns: they are made again after the rename.
  DropViewTriggers(*db);
  struct Remake {
    store::Database& db;
    const std::string& format;
    ~Remake() {
      try {
        MakeViewsWritable(db, format);
      } catch (const EngineError&) {
        // A view the rename broke stays read-only.
      }
    }
  } remake{*db, session.dateFormat()};
  store::TableEntry table;
  // A view: 'name' or 'dbo.name', with no type or OBJECT.
  if ((type.empty() || type == "OBJECT") &&
      (parts.size() == 1 || (parts.size() == 2 && IEquals(parts[0], "dbo"))) &&
      store::FindTable(*db, parts.back(), table) && table.type == store::TableType::View) {
    if (!IEquals(table.name, newName) && store::NameInUse(*db, newName)) throw taken("OBJECT");
    store::RenameView(*db, table.name, newName);
    notices.push_back({"01000", 15477,
                       "Caution: Changing any part of an object name could break scripts and "
                       "stored procedures."});
    return Outcome();
  }
  // A table: 'name' or 'owner.name', with no type or OBJECT.
  if ((type.empty() || type == "OBJECT") &&
      (parts.size() == 1 || (parts.size() == 2 && IEquals(parts[0], "dbo") &&
                             userTable(parts[1], table)))) {
    if (!userTable(parts.back(), table)) throw notFound("OBJECT");
    if (!IEquals(table.name, newName) && store::NameInUse(*db, newName)) throw taken("OBJECT");
    store::RenameTable(*db, table.name, newName);
  } else {
    if (type == "OBJECT" || parts.size() < 2 || parts.size() > 4 ||
        !userTable(parts[parts.size() - 2], table))
      throw notFound(type.empty() ? "OBJECT" : type);
    const std::string& item = parts.back();
    bool done = false;
    if (type.empty() || type == "COLUMN") {
      std::vector<store::ColumnEntry> cols = store::ListColumns(*db, table.name);
      auto it = std::find_if(cols.begin(), cols.end(),
                             [&](const store::ColumnEntry& c) { return IEquals(c.name, item); });
      if (it != cols.end()) {
        for (const store::ColumnEntry& c : cols)
          if (c.position != it->position && IEquals(c.name, newName)) throw taken("COLUMN");
        store::RenameColumn(*db, table.name, it->name, newName);
        done = true;
      } else if (type == "COLUMN") {
        throw notFound("COLUMN");
      }
    }
    if (!done) {
      std::vector<store::IndexEntry> indexes = store::ListIndexes(*db, table.name);
      auto it = std::find_if(indexes.begin(), indexes.end(), [&](const store::IndexEntry& e) {
        return e.renamable && IEquals(e.name, item);
      });
      if (it == indexes.end()) throw notFound(type.empty() ? "OBJECT" : "INDEX");
      std::string target = tsql::SqliteIndexName(table.name, newName);
      for (const store::IndexEntry& e : indexes)
        if (e.sqliteName != it->sqliteName && IEquals(e.name, newName)) throw taken("INDEX");
      if (!IEquals(target, it->sqliteName) && store::NameInUse(*db, target)) throw taken("INDEX");
      store::RenameIndex(*db, table.name, *it, newName);
    }
  }
  notices.push_back({"01000", 15477,
                     "Caution: Changing any part of an object name could break scripts and "
                     "stored procedures."});
  return Outcome();
}

}  // namespace

bool MatchesPattern(std::string_view text, std::string_view pattern, char escape) {
  // Iterative LIKE with backtracking to the last %.
  size_t t = 0, p = 0, starP = std::string_view::npos, starT = 0;
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '%') {
      starP = p++;
      starT = t;
      continue;
    }
    if (p < pattern.size()) {
      char pc = pattern[p];
      size_t width = 1;
      bool any = pc == '_';
      if (pc == escape && escape && p + 1 < pattern.size()) {
        pc = pattern[p + 1];
        width = 2;
        any = false;
      }
      if (any || lower(pc) == lower(text[t])) {
        p += width;
        ++t;
        continue;
      }
    }
    if (starP == std::string_view::npos) return false;
    p = starP + 1;
    t = ++starT;
  }
  while (p < pattern.size() && pattern[p] == '%') ++p;
  return p == pattern.size();
}

std::unique_ptr<cursor::Cursor> TablesResult(Session& session, const Arg& catalog,
                                             const Arg& schema, const Arg& table,
                                             const Arg& types, Naming naming) {
  std::vector<Row> rows;
  if (catalog && *catalog == "%" && Empty(schema) && Empty(table)) {
    for (const store::DatabaseEntry& d : store::ListDatabases(session.server()))
      rows.push_back({Text(d.name), Null(), Null(), Null(), Null()});
    return Result(TableColumns(naming), std::move(rows));
  }
  if (schema && *schema == "%" && Empty(catalog) && Empty(table)) {
    rows.push_back({Null(), Text("dbo"), Null(), Null(), Null()});
    return Result(TableColumns(naming), std::move(rows));
  }
  if (types && *types == "%" && Empty(catalog) && Empty(schema) && Empty(table)) {
    for (const char* t : {"SYSTEM TABLE", "TABLE", "VIEW"})
      rows.push_back({Null(), Null(), Null(), Text(t), Null()});
    return Result(TableColumns(naming), std::move(rows));
  }
  auto db = CatalogDb(session, catalog);
  std::vector<std::string> wanted = TypeList(types);
  if (db && SchemaMatches(schema)) {
    for (const store::TableEntry& e : store::ListTables(*db)) {
      std::string type = store::TableTypeName(e.type);
      if (!wanted.empty() && std::find(wanted.begin(), wanted.end(), type) == wanted.end())
        continue;
      if (!NameMatches(e.name, table)) continue;
      rows.push_back({Text(db->name()), Text("dbo"), Text(e.name), Text(type), Null()});
    }
  }
  return Result(TableColumns(naming), std::move(rows));
}

std::unique_ptr<cursor::Cursor> ColumnsResult(Session& session, const Arg& catalog,
                                              const Arg& schema, const Arg& table,
                                              const Arg& column, Naming naming) {
  std::vector<Row> rows;
  auto db = CatalogDb(session, catalog);
  if (db && SchemaMatches(schema)) {
    std::vector<store::TableEntry> tables = store::ListTables(*db);
    std::stable_sort(tables.begin(), tables.end(),
                     [](const store::TableEntry& a, const store::TableEntry& b) {
                       return Lower(a.name) < Lower(b.name);
                     });
    for (const store::TableEntry& e : tables) {
      if (!NameMatches(e.name, table)) continue;
      for (const store::ColumnEntry& c : store::ListColumns(*db, e.name))
        if (NameMatches(c.name, column)) rows.push_back(ColumnRow(db->name(), e.name, c, naming));
    }
  }
  return Result(ColumnColumns(naming), std::move(rows));
}

std::unique_ptr<cursor::Cursor> StatisticsResult(Session& session, const Arg& catalog,
                                                 const Arg& schema, const std::string& table,
                                                 bool uniqueOnly, bool ensure, Naming naming) {
  bool odbc3 = naming == Naming::Odbc3;
  std::vector<Column> cols{Col(odbc3 ? "TABLE_CAT" : "TABLE_QUALIFIER", "varchar(128)"),
                           Col(odbc3 ? "TABLE_SCHEM" : "TABLE_OWNER", "varchar(128)"),
                           Col("TABLE_NAME", "varchar(128)", SQL_NO_NULLS),
                           Col("NON_UNIQUE", "smallint"),
                           Col("INDEX_QUALIFIER", "varchar(128)"),
                           Col("INDEX_NAME", "varchar(128)"),
                           Col("TYPE", "smallint", SQL_NO_NULLS),
                           Col(odbc3 ? "ORDINAL_POSITION" : "SEQ_IN_INDEX", "smallint"),
                           Col("COLUMN_NAME", "varchar(128)"),
                           Col(odbc3 ? "ASC_OR_DESC" : "COLLATION", "char(1)"),
                           Col("CARDINALITY", "int"),
                           Col("PAGES", "int"),
                           Col("FILTER_CONDITION", "varchar(128)")};
  std::vector<Row> rows;
  auto db = CatalogDb(session, catalog);
  store::TableEntry found;
  if (!db || (Given(schema) && !IEquals(*schema, "dbo")) || !store::FindTable(*db, table, found))
    return Result(std::move(cols), std::move(rows));
  const std::string& name = found.name;
  rows.push_back({Text(db->name()), Text("dbo"), Text(name), Null(), Null(), Null(),
                  Integer(SQL_TABLE_STAT), Null(), Null(), Null(),
                  ensure && found.type != store::TableType::View
                      ? Integer(store::CountRows(*db, name))
                      : Null(),
                  Null(), Null()});
  std::vector<store::IndexEntry> indexes = store::ListIndexes(*db, name);
  // Unique indexes first, then clustered before others, then by name (already).
  std::stable_sort(indexes.begin(), indexes.end(),
                   [](const store::IndexEntry& a, const store::IndexEntry& b) {
                     if (a.unique != b.unique) return a.unique;
                     return a.clustered && !b.clustered;
                   });
  for (const store::IndexEntry& e : indexes) {
    if (uniqueOnly && !e.unique) continue;
    for (size_t i = 0; i < e.columns.size(); ++i)
      rows.push_back({Text(db->name()), Text("dbo"), Text(name), Integer(e.unique ? 0 : 1),
                      Text(name), Text(e.name),
                      Integer(e.clustered ? SQL_INDEX_CLUSTERED : SQL_INDEX_OTHER),
                      Integer(static_cast<long long>(i + 1)), Text(e.columns[i].name),
                      Text(e.columns[i].descending ? "D" : "A"), Null(), Null(), Null()});
  }
  return Result(std::move(cols), std::move(rows));
}

std::unique_ptr<cursor::Cursor> PrimaryKeysResult(Session& session, const Arg& catalog,
                                                  const Arg& schema, const std::string& table,
                                                  Naming naming) {
  bool odbc3 = naming == Naming::Odbc3;
  std::vector<Column> cols{Col(odbc3 ? "TABLE_CAT" : "TABLE_QUALIFIER", "varchar(128)"),
                           Col(odbc3 ? "TABLE_SCHEM" : "TABLE_OWNER", "varchar(128)"),
                           Col("TABLE_NAME", "varchar(128)", SQL_NO_NULLS),
                           Col("COLUMN_NAME", "varchar(128)", SQL_NO_NULLS),
                           Col("KEY_SEQ", "smallint", SQL_NO_NULLS),
                           Col("PK_NAME", "varchar(128)")};
  std::vector<Row> rows;
  auto db = CatalogDb(session, catalog);
  store::TableEntry found;
  if (db && SchemaMatches(schema) && store::FindTable(*db, table, found)) {
    std::vector<store::ColumnEntry> columns = store::ListColumns(*db, found.name);
    std::sort(columns.begin(), columns.end(),
              [](const store::ColumnEntry& a, const store::ColumnEntry& b) {
                return a.keyPosition < b.keyPosition;
              });
    for (const store::ColumnEntry& c : columns)
      if (c.keyPosition > 0)
        rows.push_back({Text(db->name()), Text("dbo"), Text(found.name), Text(c.name),
                        Integer(c.keyPosition), Text("PK_" + found.name)});
  }
  return Result(std::move(cols), std::move(rows));
}

std::unique_ptr<cursor::Cursor> SpecialColumnsResult(Session& session, SQLUSMALLINT identifier,
                                                     const Arg& catalog, const Arg& schema,
                                                     const std::string& table,
                                                     SQLUSMALLINT nullable, Naming naming) {
  bool odbc3 = naming == Naming::Odbc3;
  std::vector<Column> cols{Col("SCOPE", "smallint"),
                           Col("COLUMN_NAME", "varchar(128)", SQL_NO_NULLS),
                           Col("DATA_TYPE", "smallint", SQL_NO_NULLS),
                           Col("TYPE_NAME", "varchar(128)", SQL_NO_NULLS),
                           Col(odbc3 ? "COLUMN_SIZE" : "PRECISION", "int"),
                           Col(odbc3 ? "BUFFER_LENGTH" : "LENGTH", "int"),
                           Col(odbc3 ? "DECIMAL_DIGITS" : "SCALE", "smallint"),
                           Col("PSEUDO_COLUMN", "smallint")};
  std::vector<Row> rows;
  auto db = CatalogDb(session, catalog);
  store::TableEntry found;
  if (identifier != SQL_BEST_ROWID || !db || !SchemaMatches(schema) ||
      !store::FindTable(*db, table, found))
    return Result(std::move(cols), std::move(rows));
  std::vector<store::ColumnEntry> columns = store::ListColumns(*db, found.name);
  auto column = [&](const std::string& name) -> const store::ColumnEntry* {
    for (const store::ColumnEntry& c : columns)
      if (IEquals(c.name, name)) return &c;
    return nullptr;
  };
  std::vector<const store::ColumnEntry*> key;
  for (const store::ColumnEntry& c : columns)
    if (c.keyPosition > 0) key.push_back(&c);
  std::sort(key.begin(), key.end(), [](const store::ColumnEntry* a, const store::ColumnEntry* b) {
    return a->keyPosition < b->keyPosition;
  });
  if (key.empty()) {
    for (const store::IndexEntry& e : store::ListIndexes(*db, found.name)) {
      if (!e.unique) continue;
      std::vector<const store::ColumnEntry*> candidate;
      bool usable = !e.columns.empty();
      for (const store::IndexColumn& ic : e.columns) {
        const store::ColumnEntry* c = column(ic.name);
        if (!c || (nullable == SQL_NO_NULLS && !c->notNull)) usable = false;
        candidate.push_back(c);
      }
      if (usable) {
        key = candidate;
        break;
      }
    }
  }
  for (const store::ColumnEntry* c : key) {
    convert::SqlType t = convert::DescribeDeclared(c->declared);
    rows.push_back({Integer(SQL_SCOPE_CURROW), Text(c->name),
                    Integer(naming == Naming::Odbc3 ? t.type : convert::Odbc2Type(t.type)),
                    Text(t.typeName), Integer((long long)t.size), Integer(t.octetLength),
                    IsCharType(t.type) ? Null() : Integer(t.scale),
                    Integer(SQL_PC_NOT_PSEUDO)});
  }
  return Result(std::move(cols), std::move(rows));
}

std::unique_ptr<cursor::Cursor> ForeignKeysResult(Naming naming) {
  bool odbc3 = naming == Naming::Odbc3;
  std::vector<Column> cols{Col(odbc3 ? "PKTABLE_CAT" : "PKTABLE_QUALIFIER", "varchar(128)"),
                           Col(odbc3 ? "PKTABLE_SCHEM" : "PKTABLE_OWNER", "varchar(128)"),
                           Col("PKTABLE_NAME", "varchar(128)", SQL_NO_NULLS),
                           Col("PKCOLUMN_NAME", "varchar(128)", SQL_NO_NULLS),
                           Col(odbc3 ? "FKTABLE_CAT" : "FKTABLE_QUALIFIER", "varchar(128)"),
                           Col(odbc3 ? "FKTABLE_SCHEM" : "FKTABLE_OWNER", "varchar(128)"),
                           Col("FKTABLE_NAME", "varchar(128)", SQL_NO_NULLS),
                           Col("FKCOLUMN_NAME", "varchar(128)", SQL_NO_NULLS),
                           Col("KEY_SEQ", "smallint", SQL_NO_NULLS),
                           Col("UPDATE_RULE", "smallint"),
                           Col("DELETE_RULE", "smallint"),
                           Col("FK_NAME", "varchar(128)"),
                           Col("PK_NAME", "varchar(128)"),
                           Col("DEFERRABILITY", "smallint")};
  return Result(std::move(cols), {});
}

std::unique_ptr<cursor::Cursor> ProceduresResult(Naming naming) {
  bool odbc3 = naming == Naming::Odbc3;
  std::vector<Column> cols{Col(odbc3 ? "PROCEDURE_CAT" : "PROCEDURE_QUALIFIER", "varchar(128)"),
                           Col(odbc3 ? "PROCEDURE_SCHEM" : "PROCEDURE_OWNER", "varchar(128)"),
                           Col("PROCEDURE_NAME", "varchar(128)", SQL_NO_NULLS),
                           Col("NUM_INPUT_PARAMS", "int"),
                           Col("NUM_OUTPUT_PARAMS", "int"),
                           Col("NUM_RESULT_SETS", "int"),
                           Col("REMARKS", "varchar(254)"),
                           Col("PROCEDURE_TYPE", "smallint")};
  return Result(std::move(cols), {});
}

std::unique_ptr<cursor::Cursor> TypeInfoResult(SQLSMALLINT dataType, Naming naming) {
  bool odbc3 = naming == Naming::Odbc3;
  std::vector<Column> cols{Col("TYPE_NAME", "varchar(128)", SQL_NO_NULLS),
                           Col("DATA_TYPE", "smallint", SQL_NO_NULLS),
                           Col(odbc3 ? "COLUMN_SIZE" : "PRECISION", "int"),
                           Col("LITERAL_PREFIX", "varchar(128)"),
                           Col("LITERAL_SUFFIX", "varchar(128)"),
                           Col("CREATE_PARAMS", "varchar(128)"),
                           Col("NULLABLE", "smallint", SQL_NO_NULLS),
                           Col("CASE_SENSITIVE", "smallint", SQL_NO_NULLS),
                           Col("SEARCHABLE", "smallint", SQL_NO_NULLS),
                           Col("UNSIGNED_ATTRIBUTE", "smallint"),
                           Col(odbc3 ? "FIXED_PREC_SCALE" : "MONEY", "smallint", SQL_NO_NULLS),
                           Col(odbc3 ? "AUTO_UNIQUE_VALUE" : "AUTO_INCREMENT", "smallint"),
                           Col("LOCAL_TYPE_NAME", "varchar(128)"),
                           Col("MINIMUM_SCALE", "smallint"),
                           Col("MAXIMUM_SCALE", "smallint"),
                           Col("SQL_DATA_TYPE", "smallint", SQL_NO_NULLS),
                           Col("SQL_DATETIME_SUB", "smallint"),
                           Col("NUM_PREC_RADIX", "int"),
                           Col("INTERVAL_PRECISION", "smallint")};
  // Declared form for the size, the parameters CREATE TABLE takes.
  static const std::pair<const char*, const char*> kTypes[] = {
      {"bit", nullptr},          {"tinyint", nullptr},  {"bigint", nullptr},
      {"text", nullptr},         {"char(8000)", "length"}, {"numeric(38)", "precision,scale"},
      {"decimal(38)", "precision,scale"}, {"int", nullptr}, {"smallint", nullptr},
      {"float", nullptr},        {"real", nullptr},     {"varchar(8000)", "max length"},
      {"datetime", nullptr}};
  std::vector<std::pair<SQLSMALLINT, Row>> rows;
  for (const auto& [declared, params] : kTypes) {
    convert::SqlType t = convert::DescribeDeclared(declared);
    SQLSMALLINT type = odbc3 ? t.type : convert::Odbc2Type(t.type);
    bool wanted = dataType == SQL_ALL_TYPES || dataType == t.type ||
                  dataType == convert::Odbc2Type(t.type);
    if (!wanted) continue;
    bool character = IsCharType(t.type), date = t.type == SQL_TYPE_TIMESTAMP;
    bool numeric = !character && !date;
    bool exactScale = t.type == SQL_DECIMAL || t.type == SQL_NUMERIC;
    bool integer = numeric && !exactScale && t.type != SQL_FLOAT && t.type != SQL_REAL;
    rows.push_back(
        {type,
         {Text(t.typeName), Integer(type),
          Integer(t.type == SQL_LONGVARCHAR ? 2147483647LL : (long long)t.size),
          character || date ? Text("'") : Null(), character || date ? Text("'") : Null(),
          params ? Text(params) : Null(), Integer(SQL_NULLABLE), Integer(SQL_FALSE),
          Integer(t.type == SQL_LONGVARCHAR ? SQL_PRED_CHAR : SQL_SEARCHABLE),
          numeric ? Integer(t.isUnsigned ? SQL_TRUE : SQL_FALSE) : Null(), Integer(SQL_FALSE),
          numeric ? Integer(SQL_FALSE) : Null(), Text(t.typeName),
          exactScale || integer ? Integer(0) : date ? Integer(3) : Null(),
          exactScale ? Integer(38) : integer ? Integer(0) : date ? Integer(3) : Null(),
          Integer(convert::VerboseType(t.type)), date ? Integer(SQL_CODE_TIMESTAMP) : Null(),
          exactScale || integer ? Integer(10) : numeric ? Integer(2) : Null(), Null()}});
  }
  std::stable_sort(rows.begin(), rows.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<Row> out;
  for (auto& r : rows) out.push_back(std::move(r.second));
  return Result(std::move(cols), std::move(out));
}

Procedure FindCatalogProcedure(const std::string& name) {
  if (name == "sp_tables") return SpTables;
  if (name == "sp_columns") return SpColumns;
  if (name == "sp_databases") return SpDatabases;
  if (name == "sp_helpindex") return SpHelpIndex;
  if (name == "sp_rename") return SpRename;
  return nullptr;
}

}  // namespace engine::exec
