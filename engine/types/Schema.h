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
  // The IDENTITY column, if any (CREATE TABLE keeps it as the comment /*identity "c" seed step*/).
  std::string identity;
  long long identitySeed = 1, identityStep = 1;

  const ColumnInfo* Find(std::string_view column) const;  // case-insensitive
  int IndexOf(std::string_view column) const;             // -1 when absent
};

// The table of that name in the main database of db; null when there is none (or it is a view).
std::shared_ptr<const TableInfo> FindTable(sqlite3* db, const std::string& name);

}  // namespace engine::types
