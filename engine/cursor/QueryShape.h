// The parts of a query that a dynamic cursor re-runs from a boundary row: its select list, its
// one table, its WHERE and its ORDER BY terms.
#pragma once
#include <optional>
#include <string>
#include <vector>

struct sqlite3_stmt;

namespace engine::cursor {

struct OrderTerm {
  std::string expr;    // SQLite expression, COLLATE included
  bool desc = false;
  std::string column;  // the table column it names, when it is a bare column; else empty
};

struct QueryShape {
  std::string selectList;  // between SELECT and FROM
  std::string from;        // the table with its alias and INDEXED BY
  std::string table;       // the table's name
  std::string tableRef;    // the alias, or the table's name as written
  std::string rowid;       // tableRef.rowid
  std::string where;       // the condition, empty when there is none
  std::vector<OrderTerm> order;
};

// The shape of a SELECT over one table without DISTINCT, grouping, aggregates, window functions,
// LIMIT or compound parts; nullopt for any other query. prepared is the query itself, used to
// resolve ORDER BY column numbers.
std::optional<QueryShape> AnalyseQuery(const std::string& sql, sqlite3_stmt* prepared);

}  // namespace engine::cursor
