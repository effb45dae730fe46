#include "cursor/Positioning.h"

#include "common/Error.h"

namespace engine::cursor {

const char kBeforeFirstState[] = "01S06";
const char kBeforeFirstMessage[] =
    "Attempt to fetch before the result set returned the first rowset.";

void ThrowBadOrientation(SQLSMALLINT orientation) {
  (void)orientation;  // SQL_FETCH_BOOKMARK arrives as a relative or absolute fetch
  throw EngineError("HY106", 0, "Fetch type out of range.");
}

namespace {

Landing At(SQLLEN start, SQLLEN rows, bool warn = false) {
  Landing l;
  l.beforeFirst = warn;
  if (start < 1) {
    l.to.place = Place::BeforeStart;
  } else if (start > rows) {
    l.to.place = Place::AfterEnd;
  } else {
    l.to.place = Place::Rowset;
    l.to.start = start;
  }
  return l;
}

Landing Before() { return At(0, 0); }
Landing After() {
  Landing l;
  l.to.place = Place::AfterEnd;
  return l;
}

Landing Absolute(SQLLEN k, SQLLEN size, SQLLEN rows) {
  if (k < 0) {
    if (-k <= rows) return At(rows + k + 1, rows);
    if (-k > size) return Before();
    return At(1, rows, rows > 0);
  }
  if (k == 0) return Before();
  return At(k, rows);
}

}  // namespace

Landing Resolve(const Position& cur, size_t previousSize, size_t size, SQLLEN rows,
                SQLSMALLINT orientation, SQLLEN offset) {
  SQLLEN n = SQLLEN(size), prev = SQLLEN(previousSize);
  bool before = cur.place == Place::BeforeStart, after = cur.place == Place::AfterEnd;
  SQLLEN start = cur.start;
  switch (orientation) {
    case SQL_FETCH_NEXT:
      if (before) return At(1, rows);
      if (after) return After();
      return At(start + prev, rows);
    case SQL_FETCH_PRIOR:
      if (before) return Before();
      if (after) return rows < n ? At(1, rows, rows > 0) : At(rows - n + 1, rows);
      if (start == 1) return Before();
      if (start <= n) return At(1, rows, true);
      return At(start - n, rows);
    case SQL_FETCH_FIRST:
      return At(1, rows);
    case SQL_FETCH_LAST:
      return At(n <= rows ? rows - n + 1 : 1, rows);
    case SQL_FETCH_ABSOLUTE:
      return Absolute(offset, n, rows);
    case SQL_FETCH_RELATIVE:
      if ((before && offset > 0) || (after && offset < 0)) return Absolute(offset, n, rows);
      if (before) return Before();
      if (after) return After();
      if (start + offset < 1) {
        if (start == 1 || -offset > n) return Before();
        return At(1, rows, true);
      }
      return At(start + offset, rows);
    default:
      ThrowBadOrientation(orientation);
  }
}

}  // namespace engine::cursor
