#include "odbc/Bookmarks.h"

#include <cstdint>
#include <cstring>

#include "convert/SqlTypes.h"
#include "cursor/DynamicCursor.h"

namespace engine::odbc {

namespace {

EngineError NoBookmarks() { return EngineError("07009", 0, "Invalid descriptor index."); }
EngineError BadBookmark() { return EngineError("HY111", 0, "Invalid bookmark value."); }

bool Fixed(const Stmt& s) { return s.useBookmarks == SQL_UB_FIXED; }

// Bytes a bookmark takes in a buffer of that C type; 0 when the type takes none.
size_t WidthOf(const Stmt& s, SQLSMALLINT cType) {
  switch (cType) {
    case SQL_C_DEFAULT: return Fixed(s) ? 4 : 8;
    case SQL_C_ULONG:
    case SQL_C_SLONG:
    case SQL_C_LONG: return 4;
    case SQL_C_UBIGINT:
    case SQL_C_SBIGINT:
    case SQL_C_BINARY: return 8;
    default: return 0;
  }
}

int64_t BookmarkOf(const Stmt& s, size_t row) {
  if (s.cursor->type() == SQL_CURSOR_DYNAMIC) return s.rowset[row].rowid;
  return int64_t(s.cursor->RowsetStart()) + int64_t(row);
}

// Writes a bookmark; 22003 when a 4-byte buffer cannot hold it.
SQLRETURN ToBuffer(int64_t bookmark, size_t width, SQLPOINTER data, SQLLEN* indicator) {
  if (width == 4) {
    if (bookmark < 0 || bookmark > int64_t(UINT32_MAX))
      throw EngineError("22003", 0, "Numeric value out of range.");
    uint32_t v = uint32_t(bookmark);
    if (data) std::memcpy(data, &v, 4);
  } else if (data) {
    std::memcpy(data, &bookmark, 8);
  }
  if (indicator) *indicator = SQLLEN(width);
  return SQL_SUCCESS;
}

void CheckOn(const Stmt& s) {
  if (s.useBookmarks == SQL_UB_OFF) throw NoBookmarks();
  if (s.cursor && s.cursor->type() == SQL_CURSOR_FORWARD_ONLY) throw NoBookmarks();
}

}  // namespace

const cursor::Column& BookmarkColumn(const Stmt& s) {
  CheckOn(s);
  auto make = [](const char* declared) {
    cursor::Column c;
    c.declared = declared;
    c.type = convert::DescribeDeclared(declared);
    c.nullable = SQL_NO_NULLS;
    return c;
  };
  static const cursor::Column kFixed = make("int"), kVariable = make("binary(8)");
  return Fixed(s) ? kFixed : kVariable;
}

void BindBookmark(Stmt& s, SQLSMALLINT cType, SQLPOINTER data, SQLLEN bufferLength,
                  SQLLEN* indicator) {
  if (s.useBookmarks == SQL_UB_OFF) throw NoBookmarks();
  if (data && WidthOf(s, cType) == 0)
    throw EngineError("HY003", 0, "Program type out of range.");
  s.bookmarkBinding = {cType, data, bufferLength, indicator};
}

SQLRETURN GetBookmark(Stmt& s, SQLSMALLINT cType, SQLPOINTER data, SQLLEN bufferLength,
                      SQLLEN* indicator) {
  CheckOn(s);
  size_t width = WidthOf(s, cType);
  if (width == 0) throw EngineError("07006", 0, "Restricted data type attribute violation.");
  if (cType == SQL_C_BINARY && bufferLength < SQLLEN(width))
    throw EngineError("HY090", 0, "Invalid string or buffer length.");
  return ToBuffer(BookmarkOf(s, s.currentRow), width, data, indicator);
}

// The buffers of row i of the bound column 0.
void BoundAt(const Stmt& s, size_t i, char*& data, SQLLEN*& ind) {
  const Binding& b = s.bookmarkBinding;
  SQLLEN element = b.cType == SQL_C_BINARY ? b.bufferLength : SQLLEN(WidthOf(s, b.cType));
  SQLLEN offset = s.rowBindOffset ? SQLLEN(*s.rowBindOffset) : 0;
  SQLLEN step = s.rowBindType == SQL_BIND_BY_COLUMN ? SQLLEN(i) * element
                                                    : SQLLEN(i) * SQLLEN(s.rowBindType);
  data = b.data ? static_cast<char*>(b.data) + offset + step : nullptr;
  ind = nullptr;
  if (b.indicator)
    ind = reinterpret_cast<SQLLEN*>(
        reinterpret_cast<char*>(b.indicator) + offset +
        (s.rowBindType == SQL_BIND_BY_COLUMN ? SQLLEN(i) * SQLLEN(sizeof(SQLLEN)) : step));
}

void FillBookmarks(Stmt& s, size_t first, size_t count) {
  if (!s.bookmarkBinding.bound() || !s.cursor || s.cursor->type() == SQL_CURSOR_FORWARD_ONLY)
    return;
  size_t width = WidthOf(s, s.bookmarkBinding.cType);
  for (size_t i = first; i < first + count; ++i) {
    char* data;
    SQLLEN* ind;
    BoundAt(s, i, data, ind);
    try {
      ToBuffer(BookmarkOf(s, i), width, data, ind);
    } catch (const EngineError& e) {
      s.diag.Post(e.state(), SQLINTEGER(e.native()), e.what(), SQLLEN(i + 1), 0);
      s.rowset[i].status = SQL_ROW_ERROR;
    }
  }
}

bool BoundBookmark(const Stmt& s, size_t row, int64_t& bookmark) {
  if (!s.bookmarkBinding.data) return false;
  char* data;
  SQLLEN* ind;
  BoundAt(s, row, data, ind);
  if (WidthOf(s, s.bookmarkBinding.cType) == 4) {
    uint32_t v;
    std::memcpy(&v, data, 4);
    bookmark = v;
  } else {
    std::memcpy(&bookmark, data, 8);
  }
  return true;
}

void SetBoundBookmark(Stmt& s, size_t row, int64_t bookmark) {
  if (!s.bookmarkBinding.bound()) return;
  char* data;
  SQLLEN* ind;
  BoundAt(s, row, data, ind);
  ToBuffer(bookmark, WidthOf(s, s.bookmarkBinding.cType), data, ind);
}

SQLRETURN FetchByBookmark(Stmt& s, const SQLLEN* given, SQLLEN offset, size_t size,
                          std::vector<Notice>& notices) {
  if (s.useBookmarks == SQL_UB_OFF || s.cursor->type() == SQL_CURSOR_FORWARD_ONLY)
    throw EngineError("HY106", 0, "Fetch type out of range.");
  int64_t bookmark;
  if (given) {
    bookmark = *given;
  } else if (!s.fetchBookmark) {
    throw BadBookmark();
  } else if (Fixed(s)) {
    uint32_t v;
    std::memcpy(&v, s.fetchBookmark, 4);
    bookmark = v;
  } else {
    std::memcpy(&bookmark, s.fetchBookmark, 8);
  }
  if (auto* dynamic = dynamic_cast<cursor::DynamicCursor*>(s.cursor.get())) {
    // The row must still be there (and still match the query).
    if (!dynamic->PlaceAt(bookmark)) throw BadBookmark();
    return dynamic->Fetch(SQL_FETCH_RELATIVE, offset, size, s.rowset, notices);
  }
  SQLLEN rows = s.cursor->RowsReturned(false);
  if (bookmark < 1 || (rows >= 0 && bookmark > rows)) throw BadBookmark();
  SQLLEN start = SQLLEN(bookmark) + offset;
  return s.cursor->Fetch(SQL_FETCH_ABSOLUTE, start < 0 ? 0 : start, size, s.rowset, notices);
}

}  // namespace engine::odbc
