// Column types and unique keys of a table, read from the database's schema and cached by the
// schema text, so that a table changed by any connection is read again.
#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "types/TypeDecl.h"

struct sqlite3;

namespace engine::types {

struct ColumnInfo {
  std::string name;
  std::string declared;
  TypeDecl type;
  bool notNull = false;
};

struct TableInfo {
  std::string name;  // as declared
  std::vector<ColumnInfo> columns;
  // Column lists of unique indexes (names in lower case).
  std::vector<std::vector<std::string>> uniqueKeys;
  // Differs between any two schema texts of the table (a hash of its table and index texts):
  // statements kept for one form of the table are not used for another.
  uint64_t version = 0;
  // The IDENTITY column, if any (CREATE TABLE keeps it as the comment /*identity "c" seed step*/).
  std::string identity;
  long long identitySeed = 1, identityStep = 1;

  const ColumnInfo* Find(std::string_view column) const;  // case-insensitive
  int IndexOf(std::string_view column) const;             // -1 when absent
};

// The table of that name in the main database of db; null when there is none (or it is a view).
std::shared_ptr<const TableInfo> FindTable(sqlite3* db, const std::string& name);
// Finalizes what FindTable keeps for db; called before the handle closes.
void ForgetHandle(sqlite3* db);

// While one is alive on a thread, FindTable reads each table of db once: the passes over one
// statement share what the first read.
class TableMemo {
 public:
  explicit TableMemo(sqlite3* db);
  ~TableMemo();
  TableMemo(const TableMemo&) = delete;
  TableMemo& operator=(const TableMemo&) = delete;
  // The tables read so far (null: no such table), by the names asked for.
  const std::vector<std::pair<std::string, std::shared_ptr<const TableInfo>>>& read() const {
    return read_;
  }

 private:
  friend std::shared_ptr<const TableInfo> FindTable(sqlite3*, const std::string&);
  sqlite3* db_;
  TableMemo* outer_;
  std::vector<std::pair<std::string, std::shared_ptr<const TableInfo>>> read_;
};

}  // namespace engine::types
