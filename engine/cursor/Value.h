// One fetched value and one fetched row, copied out of SQLite so that a rowset outlives the step
// that produced it.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct sqlite3_stmt;

namespace engine::cursor {

struct Value {
  enum class Kind : uint8_t { Null, Integer, Real, Text, Blob };
  Kind kind = Kind::Null;
  int64_t i = 0;
  double d = 0;
  std::string s;  // Text and Blob bytes

  static Value OfInteger(int64_t v) {
    Value r;
    r.kind = Kind::Integer;
    r.i = v;
    return r;
  }
  static Value OfReal(double v) {
    Value r;
    r.kind = Kind::Real;
    r.d = v;
    return r;
  }
  static Value OfText(std::string v) {
    Value r;
    r.kind = Kind::Text;
    r.s = std::move(v);
    return r;
  }

  bool IsNull() const { return kind == Kind::Null; }
  static Value FromColumn(sqlite3_stmt* stmt, int column);
  // Replaces this value by a column of the current row, reusing the text buffer.
  void Assign(sqlite3_stmt* stmt, int column);
};

using Row = std::vector<Value>;

}  // namespace engine::cursor
