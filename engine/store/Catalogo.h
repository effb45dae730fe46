// The catalogue of one database as SQL Server presents it: tables, views and engine tables,
// columns, indexes under their table-scoped names (tsql/Ddl.h), and the renames sp_rename makes.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "store/Database.h"
#include "store/Server.h"

namespace engine::store {

enum class TableType { Table, View, SystemTable };
// "TABLE", "VIEW", "SYSTEM TABLE".
const char* TableTypeName(TableType type);

struct TableEntry {
  std::string name;  // as stored
  TableType type = TableType::Table;
};

struct ColumnEntry {
  std::string name;
  std::string declared;  // declared type text
  bool notNull = false;
  int position = 0;      // 1-based
  bool hasDefault = false;
  std::string defaultText;
  int keyPosition = 0;   // 1-based place in the primary key; 0 when not in it
};

struct IndexColumn {
  std::string name;
  bool descending = false;
};

struct IndexEntry {
  std::string name;        // table-scoped, as SQL Server shows it
  std::string sqliteName;  // as SQLite knows it
  bool unique = false;
  bool clustered = false;
  bool primaryKey = false;
  bool renamable = false;  // made by CREATE INDEX (not by a constraint)
  std::vector<IndexColumn> columns;
};

// Engine-internal tables: SQLite's own (sqlite_...) and, in master, the logins.
bool IsInternalTable(const std::string& database, std::string_view table);

// Tables and views (and engine tables as SYSTEM TABLE, sqlite_master among them), ordered by
// type, then name without regard to case.
std::vector<TableEntry> ListTables(Database& db);
// The table or view of that name, compared without regard to case; false when none.
bool FindTable(Database& db, std::string_view name, TableEntry& found);
// True when a table, view or SQLite index already has the name.
bool NameInUse(Database& db, std::string_view name);
std::vector<ColumnEntry> ListColumns(Database& db, const std::string& table);
// The table's indexes ordered by name (without regard to case).
std::vector<IndexEntry> ListIndexes(Database& db, const std::string& table);
long long CountRows(Database& db, const std::string& table);

// Renames. The caller checks that the object exists and that the new name is free; each runs in
// one savepoint, so a failure changes nothing. A table's indexes follow it to their new
// SQLite names; an index keeps its columns, uniqueness and clustering.
void RenameTable(Database& db, const std::string& table, const std::string& newName);
void RenameView(Database& db, const std::string& view, const std::string& newName);
void RenameIndex(Database& db, const std::string& table, const IndexEntry& index,
                 const std::string& newName);
void RenameColumn(Database& db, const std::string& table, const std::string& column,
                  const std::string& newName);

struct DatabaseEntry {
  std::string name;
  long long sizeKb = 0;
};
// master and every database file of the server, ordered by name.
std::vector<DatabaseEntry> ListDatabases(const Server& server);

// A savepoint on a handle: released by Release(), rolled back when left without it.
class Savepoint {
 public:
  explicit Savepoint(Database& db);
  ~Savepoint();
  Savepoint(const Savepoint&) = delete;
  Savepoint& operator=(const Savepoint&) = delete;
  void Release();

 private:
  Database& db_;
  bool outermost_;
  bool open_ = true;
};

}  // namespace engine::store
