// Index statements and table hints: SQL Server scopes index names by table, SQLite by database,
// so an index i of table t lives in SQLite as "t.i"; WITH (...) hints after a table become
// SQLite's INDEXED BY or go, and TABLOCKX is remembered for the executor.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "tsql/Lexer.h"

namespace engine::tsql {

// SQLite's name for index `index` of table `table`; an index name with a '.' is a syntax error.
std::string SqliteIndexName(std::string_view table, std::string_view index);
// The index name SQL Server shows for a SQLite index of `table`: the part after "table.", or the
// whole name when it does not carry the table (indexes SQLite made for constraints).
std::string IndexNameOf(std::string_view sqliteName, std::string_view table);

// Marker kept in a clustered index's SQLite text (SQLite has no clustered indexes).
inline constexpr const char* kClusteredMark = "/*clustered*/";

// CREATE [UNIQUE] [CLUSTERED|NONCLUSTERED] INDEX i ON [dbo.]t (c [ASC|DESC], ...) [WITH ...]
// [ON filegroup] as SQLite tokens; table receives t. Throws 42000 for other forms.
std::vector<Token> CreateIndexTokens(const std::vector<Token>& t, std::string& table);
// DROP INDEX [dbo.]t.i or DROP INDEX i ON [dbo.]t: the SQLite index name; table receives t.
std::string DropIndexName(const std::vector<Token>& t, std::string& table);

struct TableHints {
  std::string lockTable;   // first table hinted TABLOCKX
  std::string indexTable;  // first table hinted INDEX(...)
};
// Rewrites every "table [[AS] alias] WITH (hint, ...)" in place: INDEX(i) / INDEX = i become
// INDEXED BY "t.i", INDEX(0) NOT INDEXED, lock hints go. Unknown hints: 42000, 321.
TableHints RewriteTableHints(std::vector<Token>& t);

// COMPUTE and FOR BROWSE at the top level of a SELECT: 42000 naming them.
void RefuseComputeAndBrowse(const std::vector<Token>& t);

}  // namespace engine::tsql
