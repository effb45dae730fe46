#include "store/Catalogo.h"

#include <dirent.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>

#include "common/Error.h"
#include "common/Text.h"
#include "tsql/Ddl.h"
#include "tsql/Translator.h"
#include "types/SqlText.h"

namespace engine::store {

namespace {

// One internal query: prepared with the catalogue allowed, parameters bound as texts.
class Query {
 public:
  Query(Database& db, const std::string& sql, std::initializer_list<std::string_view> args = {})
      : db_(db), access_(db) {
    sqlite3_stmt* s = nullptr;
    int rc = sqlite3_prepare_v2(db.handle(), sql.c_str(), int(sql.size()), &s, nullptr);
    if (rc != SQLITE_OK) ThrowSqlite(db.handle(), rc, "", "");
    stmt_ = Stmt(s);
    int i = 0;
    for (std::string_view a : args)
      sqlite3_bind_text(stmt_.get(), ++i, a.data(), int(a.size()), SQLITE_TRANSIENT);
  }
  bool Next() {
    int rc = sqlite3_step(stmt_.get());
    if (rc == SQLITE_ROW) return true;
    if (rc != SQLITE_DONE) ThrowSqlite(db_.handle(), rc, "", "");
    return false;
  }
  std::string Text(int i) const {
    const unsigned char* p = sqlite3_column_text(stmt_.get(), i);
    return p ? std::string(reinterpret_cast<const char*>(p),
                           size_t(sqlite3_column_bytes(stmt_.get(), i)))
             : std::string();
  }
  long long Int(int i) const { return sqlite3_column_int64(stmt_.get(), i); }
  bool IsNull(int i) const { return sqlite3_column_type(stmt_.get(), i) == SQLITE_NULL; }

 private:
  Database& db_;
  Database::CatalogAccess access_;
  Stmt stmt_;
};

bool LessNoCase(const std::string& a, const std::string& b) {
  return Lower(a) < Lower(b);
}

// The SQLite text of an index; empty for one a constraint made.
std::string IndexSql(Database& db, const std::string& sqliteName) {
  Query q(db, "SELECT sql FROM sqlite_master WHERE type = 'index' AND name = ?1", {sqliteName});
  return q.Next() ? q.Text(0) : std::string();
}

// Recreates an index under another SQLite name: SQLite cannot rename one. Its stored text is
// "CREATE [UNIQUE] INDEX <name> ..." with the rest as written, which is kept.
void RebuildIndex(Database& db, const std::string& sqliteName, const std::string& newName) {
  std::string sql = IndexSql(db, sqliteName);
  size_t at = sql.find(" INDEX ");
  if (sql.rfind("CREATE ", 0) != 0 || at == std::string::npos)
    throw EngineError("42000", 15248, "Cannot rename the index '" + sqliteName + "'.");
  size_t start = at + 7, end = start;
  char open = start < sql.size() ? sql[start] : '\0';
  char close = open == '"' ? '"' : open == '[' ? ']' : open == '`' ? '`' : '\0';
  if (close) {
    for (end = start + 1; end < sql.size(); ++end) {
      if (sql[end] != close) continue;
      if (close != ']' && end + 1 < sql.size() && sql[end + 1] == close) {
        ++end;  // doubled quote inside the name
        continue;
      }
      ++end;
      break;
    }
  } else {
    while (end < sql.size() && sql[end] != ' ' && sql[end] != '(' && sql[end] != '\n') ++end;
  }
  std::string rebuilt = sql.substr(0, start) + QuoteName(newName) + sql.substr(end);
  db.Exec(("DROP INDEX " + QuoteName(sqliteName)).c_str());
  db.Exec(rebuilt.c_str());
}

}  // namespace

const char* TableTypeName(TableType type) {
  switch (type) {
    case TableType::View: return "VIEW";
    case TableType::SystemTable: return "SYSTEM TABLE";
    default: return "TABLE";
  }
}

bool IsInternalTable(const std::string& database, std::string_view table) {
  if (table.size() >= 7 && IEquals(table.substr(0, 7), "sqlite_")) return true;
  return IEquals(database, "master") && IEquals(table, "sys_logins");
}

std::vector<TableEntry> ListTables(Database& db) {
  std::vector<TableEntry> all{{"sqlite_master", TableType::SystemTable}};
  Query q(db, "SELECT name, type FROM sqlite_master WHERE type IN ('table', 'view')");
  while (q.Next()) {
    TableEntry e;
    e.name = q.Text(0);
    e.type = q.Text(1) == "view"                   ? TableType::View
             : IsInternalTable(db.name(), e.name) ? TableType::SystemTable
                                                   : TableType::Table;
    all.push_back(std::move(e));
  }
  std::sort(all.begin(), all.end(), [](const TableEntry& a, const TableEntry& b) {
    std::string ta = TableTypeName(a.type), tb = TableTypeName(b.type);
    if (ta != tb) return ta < tb;
    return LessNoCase(a.name, b.name);
  });
  return all;
}

bool FindTable(Database& db, std::string_view name, TableEntry& found) {
  for (TableEntry& e : ListTables(db)) {
    if (IEquals(e.name, name)) {
      found = std::move(e);
      return true;
    }
  }
  return false;
}

bool NameInUse(Database& db, std::string_view name) {
  Query q(db, "SELECT 1 FROM sqlite_master WHERE name = ?1 COLLATE NOCASE", {name});
  return q.Next() || IEquals(name, "sqlite_master") || IEquals(name, "sqlite_schema");
}

std::vector<ColumnEntry> ListColumns(Database& db, const std::string& table) {
  std::vector<ColumnEntry> cols;
  Query q(db, "SELECT cid, name, type, \"notnull\", dflt_value, pk FROM pragma_table_info(?1) "
              "ORDER BY cid", {table});
  while (q.Next()) {
    ColumnEntry c;
    c.position = int(q.Int(0)) + 1;
    c.name = q.Text(1);
    c.declared = q.Text(2);
    c.notNull = q.Int(3) != 0;
    c.hasDefault = !q.IsNull(4);
    c.defaultText = q.Text(4);
    c.keyPosition = int(q.Int(5));
    cols.push_back(std::move(c));
  }
  return cols;
}

std::vector<IndexEntry> ListIndexes(Database& db, const std::string& table) {
  std::vector<IndexEntry> all;
  {
    Query q(db,
            "SELECT l.name, l.\"unique\", l.origin, m.sql FROM pragma_index_list(?1) l "
            "LEFT JOIN sqlite_master m ON m.type = 'index' AND m.name = l.name",
            {table});
    while (q.Next()) {
      IndexEntry e;
      e.sqliteName = q.Text(0);
      e.name = tsql::IndexNameOf(e.sqliteName, table);
      e.unique = q.Int(1) != 0;
      e.primaryKey = q.Text(2) == "pk";
      std::string sql = q.Text(3);
      e.renamable = !q.IsNull(3);
      e.clustered = sql.find(tsql::kClusteredMark) != std::string::npos;
      all.push_back(std::move(e));
    }
  }
  for (IndexEntry& e : all) {
    Query q(db, "SELECT name, \"desc\" FROM pragma_index_xinfo(?1) WHERE key = 1 ORDER BY seqno",
            {e.sqliteName});
    while (q.Next()) e.columns.push_back({q.Text(0), q.Int(1) != 0});
  }
  std::sort(all.begin(), all.end(),
            [](const IndexEntry& a, const IndexEntry& b) { return LessNoCase(a.name, b.name); });
  return all;
}

long long CountRows(Database& db, const std::string& table) {
  Query q(db, "SELECT count(*) FROM " + QuoteName(table));
  return q.Next() ? q.Int(0) : 0;
}

void RenameTable(Database& db, const std::string& table, const std::string& newName) {
  Savepoint sp(db);
  if (IEquals(table, newName)) {
    // SQLite refuses a rename that changes only the case: go through another name.
    std::string step = newName + "\x01";
    db.Exec(("ALTER TABLE " + QuoteName(table) + " RENAME TO " + QuoteName(step)).c_str());
    db.Exec(("ALTER TABLE " + QuoteName(step) + " RENAME TO " + QuoteName(newName)).c_str());
  } else {
    db.Exec(("ALTER TABLE " + QuoteName(table) + " RENAME TO " + QuoteName(newName)).c_str());
  }
  // Indexes named after the old table take the new name.
  for (const IndexEntry& e : ListIndexes(db, newName)) {
    if (!e.renamable) continue;
    std::string name = tsql::IndexNameOf(e.sqliteName, table);
    if (name == e.sqliteName) continue;
    RebuildIndex(db, e.sqliteName, tsql::SqliteIndexName(newName, name));
  }
  sp.Release();
}

void RenameView(Database& db, const std::string& view, const std::string& newName) {
  std::string sql;
  {
    Query q(db, "SELECT sql FROM sqlite_master WHERE type = 'view' AND name = ?1", {view});
    if (!q.Next()) throw EngineError("42S02", 208, "Invalid object name '" + view + "'.");
    sql = q.Text(0);
  }
  // "CREATE VIEW name [(columns)] AS select": the same view under the new name.
  std::vector<types::SqlToken> t = types::Scan(sql);
  size_t as = types::FindWord(t, 0, "AS", 0);
  if (t.size() < 3 || as >= t.size()) throw EngineError("42000", 15248, "Cannot rename view '" + view + "'.");
  std::string rest = sql.substr(t[3].begin);
  Savepoint sp(db);
  db.Exec(("DROP VIEW " + QuoteName(view)).c_str());
  db.Exec(("CREATE VIEW " + QuoteName(newName) + " " + rest).c_str());
  sp.Release();
}

void RenameIndex(Database& db, const std::string& table, const IndexEntry& index,
                 const std::string& newName) {
  Savepoint sp(db);
  RebuildIndex(db, index.sqliteName, tsql::SqliteIndexName(table, newName));
  sp.Release();
}

void RenameColumn(Database& db, const std::string& table, const std::string& column,
                  const std::string& newName) {
  Savepoint sp(db);
  db.Exec(("ALTER TABLE " + QuoteName(table) + " RENAME COLUMN " + QuoteName(column) + " TO " +
           QuoteName(newName))
              .c_str());
  sp.Release();
}

std::vector<DatabaseEntry> ListDatabases(const Server& server) {
  std::vector<DatabaseEntry> all;
  DIR* dir = opendir(server.folder().c_str());
  if (!dir) return all;
  while (dirent* d = readdir(dir)) {
    std::string file = d->d_name;
    if (file.size() <= 3 || file.compare(file.size() - 3, 3, ".db") != 0) continue;
    std::string name = file.substr(0, file.size() - 3);
    if (!tsql::IsValidDatabaseName(name) || name != Lower(name)) continue;
    struct stat st {};
    long long bytes = 0;
    if (::stat((server.folder() + "/" + file).c_str(), &st) == 0) bytes = st.st_size;
    if (::stat((server.folder() + "/" + file + "-wal").c_str(), &st) == 0) bytes += st.st_size;
    all.push_back({name, (bytes + 1023) / 1024});
  }
  closedir(dir);
  std::sort(all.begin(), all.end(),
            [](const DatabaseEntry& a, const DatabaseEntry& b) { return a.name < b.name; });
  return all;
}

Savepoint::Savepoint(Database& db) : db_(db), outermost_(!db.InTransaction()) {
  db_.Exec("SAVEPOINT zorb_catalogue");
}

Savepoint::~Savepoint() {
  if (!open_) return;
  // Outside a transaction the savepoint was the transaction: all of it goes, even when a
  // failed RELEASE (a commit) left it open.
  const char* undo = outermost_ ? "ROLLBACK"
                                : "ROLLBACK TO zorb_catalogue; RELEASE zorb_catalogue";
  sqlite3_exec(db_.handle(), undo, nullptr, nullptr, nullptr);
}

void Savepoint::Release() {
  db_.Exec("RELEASE zorb_catalogue");
  open_ = false;
}

}  // namespace engine::store
