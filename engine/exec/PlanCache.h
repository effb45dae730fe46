// Simple parameterization: the literals of a query's or a write's SQLite text become parameters
// numbered after the application's, so that texts that differ only in their key values share
// one prepared statement (store::Database::Take) and one set of cursor queries.
#pragma once
#include <sqlite3.h>

#include <string>
#include <string_view>
#include <vector>

namespace engine::exec {

struct Literal {
  enum class Kind { Integer, Real, Text } kind;
  sqlite3_int64 i = 0;
  double d = 0;
  std::string s;
  void BindTo(sqlite3_stmt* s, int index) const;
};

struct Parameterized {
  std::string sql;                // the text with markers for its literals
  int firstLiteral = 0;           // the marker number of literals[0]
  std::vector<Literal> literals;  // in marker order
  std::string table;              // the first table after the top-level FROM
};

// A number token's value as SQLite reads it; false for hexadecimal and out-of-range numbers,
// which stay in the text.
bool NumberLiteral(std::string_view text, Literal& out);

// Literals of the WHERE, ON and LIMIT parts of a SELECT, and of the SET and VALUES parts of an
// UPDATE or INSERT, become ?n, n counted on from the highest marker already in the text. The
// select list, ORDER BY and GROUP BY (where a number is a column's position) and blobs keep
// theirs.
Parameterized Parameterize(const std::string& sql);

}  // namespace engine::exec
