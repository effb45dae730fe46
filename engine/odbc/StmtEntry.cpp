// Statement entry points: execution, result description, binding, fetching, attributes.
#include <cstring>

#include "convert/FromC.h"
#include "convert/SqlTypes.h"
#include "convert/ToC.h"
#include "cursor/DynamicCursor.h"
#include "exec/Executor.h"
#include "odbc/Bookmarks.h"
#include "odbc/Entry.h"
#include "odbc/Execution.h"
#include "odbc/Rowset.h"

using namespace engine;
using namespace engine::odbc;

namespace {

EngineError InvalidCursorState() { return EngineError("24000", 0, "Invalid cursor state."); }
EngineError BadColumn() { return EngineError("07009", 0, "Invalid descriptor index."); }
EngineError BadAttribute() {
  return EngineError("HY092", 0, "Invalid attribute/option identifier.");
}
EngineError BadValue() { return EngineError("HY024", 0, "Invalid attribute value."); }

exec::Session& SessionOf(Stmt& s) {
  if (!s.dbc->session) throw EngineError("08003", 0, "Connection not open.");
  return *s.dbc->session;
}

// The result's columns, or those a prepared statement will have.
const std::vector<cursor::Column>* ColumnsOf(const Stmt& s) {
  if (s.cursor) return &s.cursor->columns();
  if (s.prepared && !s.preparedColumns.empty()) return &s.preparedColumns;
  return nullptr;
}

const cursor::Column& ColumnAt(Stmt& s, SQLUSMALLINT number) {
  const auto* all = ColumnsOf(s);
  if (!all) throw EngineError("07005", 0, "Prepared statement not a cursor-specification.");
  if (number == 0) return BookmarkColumn(s);
  const auto& cols = *all;
  if (number < 1 || number > cols.size()) throw BadColumn();
  return cols[number - 1];
}

SQLSMALLINT TypeForApp(const Stmt& s, SQLSMALLINT type) {
  return s.dbc->odbc2() ? convert::Odbc2Type(type) : type;
}

// Where row i of bound column b goes (column- or row-wise, with the bind offset).
convert::CTarget TargetOf(const Stmt& s, const Binding& b, SQLSMALLINT cType, size_t i) {
  SQLLEN bindOffset = s.rowBindOffset ? SQLLEN(*s.rowBindOffset) : 0;
  char* data = nullptr;
  SQLLEN* ind = nullptr;
  if (s.rowBindType == SQL_BIND_BY_COLUMN) {
    SQLLEN element = convert::CTypeSize(cType);
    if (element == 0) element = b.bufferLength;
    if (b.data) data = static_cast<char*>(b.data) + bindOffset + SQLLEN(i) * element;
    if (b.indicator)
      ind = reinterpret_cast<SQLLEN*>(reinterpret_cast<char*>(b.indicator + i) + bindOffset);
  } else {
    SQLLEN step = SQLLEN(i) * SQLLEN(s.rowBindType) + bindOffset;
    if (b.data) data = static_cast<char*>(b.data) + step;
    if (b.indicator) ind = reinterpret_cast<SQLLEN*>(reinterpret_cast<char*>(b.indicator) + step);
  }
  return {b.cType, data, b.bufferLength, ind};
}

// Fills the bound columns of every fetched row; returns the fetch's result.
SQLRETURN FetchRowset(Stmt& s, SQLSMALLINT orientation, SQLLEN offset, SQLULEN* rowsFetched,
                      SQLUSMALLINT* statuses, bool odbc2Bookmark = false) {
  if (!s.cursor) throw InvalidCursorState();
  std::vector<Notice> notices;
  SQLULEN size = s.rowArraySize ? s.rowArraySize : 1;
  const auto& cols = s.cursor->columns();
  // Dynamic and forward-only cursors write bound character, integer, double and timestamp
  // columns straight from SQLite into their buffers when nothing compares what they fetched: a
  // read-only one (SQLSetPos) or a forward-only one (it cannot be written through).
  cursor::Cursor::Direct direct;
  if ((s.concurrency == SQL_CONCUR_READ_ONLY || s.cursor->type() == SQL_CURSOR_FORWARD_ONLY) &&
      orientation != SQL_FETCH_BOOKMARK) {
    for (size_t c = 0; c < s.bindings.size() && c < cols.size() && c < 64; ++c) {
      const Binding& b = s.bindings[c];
      SQLSMALLINT cType =
          b.cType == SQL_C_DEFAULT ? convert::DefaultCType(cols[c].type.type) : b.cType;
      if (b.bound() && (cType == SQL_C_CHAR || cType == SQL_C_WCHAR || cType == SQL_C_LONG ||
                        cType == SQL_C_SLONG || cType == SQL_C_DOUBLE ||
                        cType == SQL_C_TYPE_TIMESTAMP || cType == SQL_C_TIMESTAMP))
        direct.columns |= uint64_t(1) << c;
    }
    direct.fill = [&](size_t i, size_t c, sqlite3_stmt* st) {
      const Binding& b = s.bindings[c];
      SQLSMALLINT cType =
          b.cType == SQL_C_DEFAULT ? convert::DefaultCType(cols[c].type.type) : b.cType;
      convert::CTarget t = TargetOf(s, b, cType, i);
      t.cType = cType;
      return convert::ToCDirect(st, int(c), t);
    };
  }
  struct Unset {
    cursor::Cursor* c;
    ~Unset() {
      if (c) c->FillDirect(nullptr);
    }
  } unset{direct.columns ? s.cursor.get() : nullptr};
  if (direct.columns) s.cursor->FillDirect(&direct);
  SQLRETURN rc =
      orientation != SQL_FETCH_BOOKMARK
          ? s.cursor->Fetch(orientation, offset, size, s.rowset, notices)
          : FetchByBookmark(s, odbc2Bookmark ? &offset : nullptr, odbc2Bookmark ? 0 : offset,
                            size, notices);
  s.fetched = true;
  s.fetchStatuses = statuses;
  s.currentRow = 0;
  s.getDataOffsets.assign(cols.size(), 0);
  s.lastGetDataColumn = -1;
  size_t n = s.rowset.size();
  if (rowsFetched) *rowsFetched = n;
  if (statuses)
    for (SQLULEN i = 0; i < size; ++i) statuses[i] = i < n ? s.rowset[i].status : SQL_ROW_NOROW;
  if (rc == SQL_NO_DATA) {
    s.cursorAtEnd = true;
    return WithNotices(s, SQL_NO_DATA, notices);
  }
  bool anyError = false, anyInfo = false;
  FillBound(s, 0, n, anyError, anyInfo);
  if (statuses)
    for (size_t i = 0; i < n; ++i) statuses[i] = s.rowset[i].status;
  rc = WithNotices(s, rc, notices);
  if (anyError) return n == 1 ? SQL_ERROR : SQL_SUCCESS_WITH_INFO;
  if (anyInfo) return SQL_SUCCESS_WITH_INFO;
  return rc;
}

}  // namespace

void engine::odbc::FillBound(Stmt& s, size_t first, size_t count, bool& anyError, bool& anyInfo) {
  const auto& cols = s.cursor->columns();
  FillBookmarks(s, first, count);
  for (size_t c = 0; c < s.bindings.size() && c < cols.size(); ++c) {
    const Binding& b = s.bindings[c];
    if (!b.bound()) continue;
    SQLSMALLINT cType = b.cType == SQL_C_DEFAULT ? convert::DefaultCType(cols[c].type.type) : b.cType;
    for (size_t i = first; i < first + count; ++i) {
      if (c < 64 && (s.rowset[i].direct >> c & 1)) continue;  // there already
      Notice notice;
      size_t part = 0;
      try {
        SQLRETURN r = convert::ToC(s.rowset[i].values[c], cols[c].type.type, cols[c].type.scale,
                                   TargetOf(s, b, cType, i), part, notice);
        if (r == SQL_SUCCESS_WITH_INFO) {
          s.diag.Post(notice.state, SQLINTEGER(notice.native), notice.message, SQLLEN(i + 1),
                      SQLINTEGER(c + 1));
          anyInfo = true;
          if (s.rowset[i].status == SQL_ROW_SUCCESS) s.rowset[i].status = SQL_ROW_SUCCESS_WITH_INFO;
        }
      } catch (const EngineError& e) {
        s.diag.Post(e.state(), SQLINTEGER(e.native()), e.what(), SQLLEN(i + 1), SQLINTEGER(c + 1));
        anyError = true;
        s.rowset[i].status = SQL_ROW_ERROR;
      }
    }
  }
}

extern "C" {

SQLRETURN SQL_API SQLExecDirect(SQLHSTMT stmt, SQLCHAR* text, SQLINTEGER length) {
  return RunStmt(stmt, [&](Stmt& s) -> SQLRETURN {
    if (!text) throw EngineError("HY009", 0, "Invalid use of null pointer.");
    s.prepared = false;
    s.preparedColumns.clear();
    exec::Session* session = s.dbc->session.get();
    s.batch = session ? session->texts.Translate(InString(text, length), session->databaseName(),
                                                 session->dateFormat())
                      : tsql::Translate(InString(text, length));
    return ExecuteBatch(s);
  });
}

SQLRETURN SQL_API SQLPrepare(SQLHSTMT stmt, SQLCHAR* text, SQLINTEGER length) {
  return RunStmt(stmt, [&](Stmt& s) -> SQLRETURN {
    if (!text) throw EngineError("HY009", 0, "Invalid use of null pointer.");
    if (s.cursor && !s.cursorAtEnd) throw InvalidCursorState();
    s.CloseCursor();
    s.prepared = false;
    s.batch = exec::TextCache::Prepare(InString(text, length));
    s.preparedColumns = exec::DescribePrepared(SessionOf(s), s.batch, s.cursorType);
    s.prepared = true;
    return SQL_SUCCESS;
  });
}

SQLRETURN SQL_API SQLExecute(SQLHSTMT stmt) {
  return RunStmt(stmt, [&](Stmt& s) -> SQLRETURN {
    if (!s.prepared) throw EngineError("HY010", 0, "Function sequence error: no prepared statement.");
    return ExecuteBatch(s);
  });
}

SQLRETURN SQL_API SQLNumParams(SQLHSTMT stmt, SQLSMALLINT* count) {
  return RunStmt(stmt, [&](Stmt& s) -> SQLRETURN {
    if (!s.prepared) throw EngineError("HY010", 0, "Function sequence error: no prepared statement.");
    if (count) *count = SQLSMALLINT(s.batch.parameters);
    return SQL_SUCCESS;
  });
}

SQLRETURN SQL_API SQLBindParameter(SQLHSTMT stmt, SQLUSMALLINT number, SQLSMALLINT ioType,
                                   SQLSMALLINT cType, SQLSMALLINT sqlType, SQLULEN columnSize,
                                   SQLSMALLINT digits, SQLPOINTER data, SQLLEN bufferLength,
                                   SQLLEN* indicator) {
  return RunStmt(stmt, [&](Stmt& s) -> SQLRETURN {
    if (number < 1) throw EngineError("07009", 0, "Invalid descriptor index.");
    if (ioType != SQL_PARAM_INPUT) throw NotImplemented("output parameters");
    if (s.parameters.size() < number) s.parameters.resize(number);
    Parameter& p = s.parameters[number - 1];
    p = {ioType, cType, sqlType, columnSize, digits, data, bufferLength, indicator};
    return SQL_SUCCESS;
  });
}

SQLRETURN SQL_API SQLNumResultCols(SQLHSTMT stmt, SQLSMALLINT* count) {
  return RunStmt(stmt, [&](Stmt& s) -> SQLRETURN {
    const auto* cols = ColumnsOf(s);
    SQLSMALLINT n = cols ? SQLSMALLINT(cols->size()) : 0;
    if (count) *count = n;
    return SQL_SUCCESS;
  });
}

SQLRETURN SQL_API SQLDescribeCol(SQLHSTMT stmt, SQLUSMALLINT number, SQLCHAR* name,
                                 SQLSMALLINT nameMax, SQLSMALLINT* nameLength,
                                 SQLSMALLINT* type, SQLULEN* size, SQLSMALLINT* digits,
                                 SQLSMALLINT* nullable) {
  return RunStmt(stmt, [&](Stmt& s) -> SQLRETURN {
    const cursor::Column& c = ColumnAt(s, number);
    if (type) *type = TypeForApp(s, c.type.type);
    if (size) *size = c.type.size;
    if (digits) *digits = c.type.scale;
    if (nullable) *nullable = c.nullable;
    return OutString(s, c.name, name, nameMax, nameLength);
  });
}

SQLRETURN SQL_API SQLColAttribute(SQLHSTMT stmt, SQLUSMALLINT number, SQLUSMALLINT field,
                                  SQLPOINTER text, SQLSMALLINT textMax, SQLSMALLINT* textLength,
                                  SQLLEN* numeric) {
  return RunStmt(stmt, [&](Stmt& s) -> SQLRETURN {
    if (field == SQL_DESC_COUNT || field == SQL_COLUMN_COUNT) {
      const auto* cols = ColumnsOf(s);
      if (numeric) *numeric = cols ? SQLLEN(cols->size()) : 0;
      return SQL_SUCCESS;
    }
    const cursor::Column& c = ColumnAt(s, number);
    const convert::SqlType& t = c.type;
    auto num = [&](SQLLEN v) {
      if (numeric) *numeric = v;
      return SQL_SUCCESS;
    };
    auto str = [&](const std::string& v) { return OutString(s, v, text, textMax, textLength); };
    bool isChar = t.type == SQL_CHAR || t.type == SQL_VARCHAR || t.type == SQL_LONGVARCHAR;
    switch (field) {
      case SQL_DESC_NAME:
      case SQL_COLUMN_NAME:
      case SQL_DESC_LABEL:
        return str(c.name);
      case SQL_DESC_BASE_COLUMN_NAME: return str(c.baseName);
      case SQL_DESC_TABLE_NAME:
      case SQL_DESC_BASE_TABLE_NAME: return str(c.baseTable);
      case SQL_DESC_SCHEMA_NAME: return str(c.baseTable.empty() ? "" : "dbo");
      case SQL_DESC_CATALOG_NAME: return str(SessionOf(s).databaseName());
      case SQL_DESC_TYPE_NAME:
      case SQL_DESC_LOCAL_TYPE_NAME: return str(t.typeName);
      case SQL_DESC_LITERAL_PREFIX:
      case SQL_DESC_LITERAL_SUFFIX:
        return str(isChar || t.type == SQL_TYPE_TIMESTAMP ? "'" : "");
      case SQL_DESC_CONCISE_TYPE: return num(TypeForApp(s, t.type));
      case SQL_DESC_TYPE: return num(s.dbc->odbc2() ? convert::Odbc2Type(t.type)
                                                    : convert::VerboseType(t.type));
      case SQL_DESC_LENGTH: return num(SQLLEN(t.size));
      case SQL_COLUMN_LENGTH:
      case SQL_DESC_OCTET_LENGTH: return num(t.octetLength);
      case SQL_COLUMN_PRECISION:
      case SQL_DESC_PRECISION:
        return num(t.type == SQL_TYPE_TIMESTAMP ? t.scale : SQLLEN(t.size));
      case SQL_COLUMN_SCALE:
      case SQL_DESC_SCALE: return num(t.scale);
      case SQL_DESC_DISPLAY_SIZE: return num(t.displaySize);
      case SQL_DESC_NULLABLE:
      case SQL_COLUMN_NULLABLE: return num(c.nullable);
      case SQL_DESC_UNSIGNED: return num(isChar || t.isUnsigned || t.type == SQL_TYPE_TIMESTAMP
                                             ? SQL_TRUE : SQL_FALSE);
      case SQL_DESC_FIXED_PREC_SCALE: return num(SQL_FALSE);
      case SQL_DESC_UPDATABLE: return num(SQL_ATTR_READWRITE_UNKNOWN);
      case SQL_DESC_AUTO_UNIQUE_VALUE: return num(SQL_FALSE);
      case SQL_DESC_CASE_SENSITIVE: return num(SQL_FALSE);
      case SQL_DESC_SEARCHABLE:
        return num(t.type == SQL_LONGVARCHAR ? SQL_PRED_CHAR : SQL_PRED_SEARCHABLE);
      case SQL_DESC_NUM_PREC_RADIX:
        return num(t.type == SQL_FLOAT || t.type == SQL_REAL ? 2
                   : isChar || t.type == SQL_TYPE_TIMESTAMP ? 0 : 10);
      case SQL_DESC_UNNAMED: return num(c.name.empty() ? SQL_UNNAMED : SQL_NAMED);
      default:
        throw EngineError("HY091", 0, "Invalid descriptor field identifier.");
    }
  });
}

SQLRETURN SQL_API SQLBindCol(SQLHSTMT stmt, SQLUSMALLINT number, SQLSMALLINT cType,
                             SQLPOINTER data, SQLLEN bufferLength, SQLLEN* indicator) {
  return RunStmt(stmt, [&](Stmt& s) -> SQLRETURN {
    if (bufferLength < 0) throw EngineError("HY090", 0, "Invalid string or buffer length.");
    if (number == 0) {
      BindBookmark(s, cType, data, bufferLength, indicator);
      return SQL_SUCCESS;
    }
    if (s.bindings.size() < number) s.bindings.resize(number);
    s.bindings[number - 1] = {cType, data, bufferLength, indicator};
    return SQL_SUCCESS;
  });
}

SQLRETURN SQL_API SQLFetch(SQLHSTMT stmt) {
  return RunStmt(stmt, [&](Stmt& s) -> SQLRETURN {
    return FetchRowset(s, SQL_FETCH_NEXT, 0, s.rowsFetched, s.rowStatus);
  });
}

SQLRETURN SQL_API SQLFetchScroll(SQLHSTMT stmt, SQLSMALLINT orientation, SQLLEN offset) {
  return RunStmt(stmt, [&](Stmt& s) -> SQLRETURN {
    return FetchRowset(s, orientation, offset, s.rowsFetched, s.rowStatus);
  });
}

SQLRETURN SQL_API SQLExtendedFetch(SQLHSTMT stmt, SQLUSMALLINT orientation, SQLLEN offset,
                                   SQLULEN* rowCount, SQLUSMALLINT* statuses) {
  return RunStmt(stmt, [&](Stmt& s) -> SQLRETURN {
    // ODBC 2: the offset of SQL_FETCH_BOOKMARK is the bookmark.
    return FetchRowset(s, SQLSMALLINT(orientation), offset, rowCount, statuses, true);
  });
}

SQLRETURN SQL_API SQLGetData(SQLHSTMT stmt, SQLUSMALLINT number, SQLSMALLINT cType,
                             SQLPOINTER data, SQLLEN bufferLength, SQLLEN* indicator) {
  return RunStmt(stmt, [&](Stmt& s) -> SQLRETURN {
    if (!s.cursor || !s.fetched || s.currentRow >= s.rowset.size()) throw InvalidCursorState();
    const auto& cols = s.cursor->columns();
    if (number == 0) return GetBookmark(s, cType, data, bufferLength, indicator);
    if (number > cols.size()) throw BadColumn();
    size_t c = number - 1;
    if (s.lastGetDataColumn != int(number)) s.getDataOffsets[c] = 0;
    s.lastGetDataColumn = int(number);
    Notice notice;
    cursor::FetchedRow& row = s.rowset[s.currentRow];
    if (c < 64 && (row.direct >> c & 1)) {
      // Written straight into its bound buffer: the value is read again.
      if (!s.cursor->ReadAgain(row)) throw EngineError("HY109", 0, "Invalid cursor position.");
    }
    SQLRETURN rc = convert::ToC(s.rowset[s.currentRow].values[c], cols[c].type.type,
                                cols[c].type.scale, {cType, data, bufferLength, indicator},
                                s.getDataOffsets[c], notice);
    if (rc == SQL_SUCCESS_WITH_INFO)
      s.diag.Post(notice.state, SQLINTEGER(notice.native), notice.message);
    return rc;
  });
}

SQLRETURN SQL_API SQLRowCount(SQLHSTMT stmt, SQLLEN* count) {
  return RunStmt(stmt, [&](Stmt& s) -> SQLRETURN {
    if (count) *count = s.rowCount;
    return SQL_SUCCESS;
  });
}

SQLRETURN SQL_API SQLCloseCursor(SQLHSTMT stmt) {
  return RunStmt(stmt, [&](Stmt& s) -> SQLRETURN {
    if (!s.cursor) throw InvalidCursorState();
    s.CloseCursor();
    s.nextStatement = s.batch.statements.size();  // the batch's other results are discarded
    return SQL_SUCCESS;
  });
}

SQLRETURN SQL_API SQLCancel(SQLHSTMT stmt) {
  return RunStmt(stmt, [&](Stmt& s) -> SQLRETURN {
    s.pending.reset();  // an execution waiting for data ends here
    return SQL_SUCCESS;
  });
}

SQLRETURN SQL_API SQLSetStmtAttr(SQLHSTMT stmt, SQLINTEGER attribute, SQLPOINTER value,
                                 SQLINTEGER) {
  return RunStmt(stmt, [&](Stmt& s) -> SQLRETURN {
    // Integer attributes travel in the pointer itself, whatever the length says.
    SQLULEN v = SQLULEN(reinterpret_cast<uintptr_t>(value));
    switch (attribute) {
      case SQL_ATTR_ROW_ARRAY_SIZE:
      case SQL_ROWSET_SIZE:
        if (v == 0) throw BadValue();
        s.rowArraySize = v;
        return SQL_SUCCESS;
      case SQL_ATTR_ROW_BIND_TYPE: s.rowBindType = v; return SQL_SUCCESS;
      case SQL_ATTR_ROW_BIND_OFFSET_PTR: s.rowBindOffset = static_cast<SQLULEN*>(value); return SQL_SUCCESS;
      case SQL_ATTR_ROW_STATUS_PTR: s.rowStatus = static_cast<SQLUSMALLINT*>(value); return SQL_SUCCESS;
      case SQL_ATTR_ROWS_FETCHED_PTR: s.rowsFetched = static_cast<SQLULEN*>(value); return SQL_SUCCESS;
      case SQL_ATTR_CURSOR_TYPE:
        if (v != SQL_CURSOR_FORWARD_ONLY && v != SQL_CURSOR_STATIC && v != SQL_CURSOR_KEYSET_DRIVEN &&
            v != SQL_CURSOR_DYNAMIC)
          throw BadValue();
        if (s.cursor) throw InvalidCursorState();
        s.cursorType = v;
        return SQL_SUCCESS;
      case SQL_ATTR_CONCURRENCY:
        if (v != SQL_CONCUR_READ_ONLY && v != SQL_CONCUR_LOCK && v != SQL_CONCUR_ROWVER &&
            v != SQL_CONCUR_VALUES)
          throw BadValue();
        if (s.cursor) throw InvalidCursorState();
        s.concurrency = v;
        return SQL_SUCCESS;
      case SQL_ATTR_CURSOR_SCROLLABLE: s.cursorScrollable = v; return SQL_SUCCESS;
      case SQL_ATTR_CURSOR_SENSITIVITY: s.cursorSensitivity = v; return SQL_SUCCESS;
      case SQL_ATTR_MAX_ROWS: s.maxRows = v; return SQL_SUCCESS;
      case SQL_ATTR_QUERY_TIMEOUT: s.queryTimeout = v; return SQL_SUCCESS;
      case SQL_ATTR_MAX_LENGTH: s.maxLength = v; return SQL_SUCCESS;
      case SQL_ATTR_KEYSET_SIZE: s.keysetSize = v; return SQL_SUCCESS;
      case SQL_ATTR_NOSCAN: s.noscan = v; return SQL_SUCCESS;
      case SQL_ATTR_RETRIEVE_DATA: s.retrieveData = v; return SQL_SUCCESS;
      case SQL_ATTR_USE_BOOKMARKS:
        if (v != SQL_UB_OFF && v != SQL_UB_VARIABLE && v != SQL_UB_FIXED) throw BadValue();
        if (s.cursor) throw InvalidCursorState();
        s.useBookmarks = v;
        return SQL_SUCCESS;
      case SQL_ATTR_FETCH_BOOKMARK_PTR: s.fetchBookmark = value; return SQL_SUCCESS;
      case SQL_ATTR_ASYNC_ENABLE:
        if (v != SQL_ASYNC_ENABLE_OFF) throw NotImplemented("asynchronous execution");
        return SQL_SUCCESS;
      case SQL_ATTR_PARAMSET_SIZE:
        if (v == 0) throw BadValue();
        s.paramsetSize = v;
        return SQL_SUCCESS;
      case SQL_ATTR_PARAMS_PROCESSED_PTR: s.paramsProcessed = static_cast<SQLULEN*>(value); return SQL_SUCCESS;
      case SQL_ATTR_PARAM_STATUS_PTR: s.paramStatus = static_cast<SQLUSMALLINT*>(value); return SQL_SUCCESS;
      case SQL_ATTR_PARAM_BIND_TYPE: s.paramBindType = v; return SQL_SUCCESS;
      case SQL_ATTR_PARAM_BIND_OFFSET_PTR: s.paramBindOffset = static_cast<SQLULEN*>(value); return SQL_SUCCESS;
      case SQL_ATTR_PARAM_OPERATION_PTR: s.paramOperation = static_cast<SQLUSMALLINT*>(value); return SQL_SUCCESS;
      default:
        throw BadAttribute();
    }
  });
}

SQLRETURN SQL_API SQLGetStmtAttr(SQLHSTMT stmt, SQLINTEGER attribute, SQLPOINTER value,
                                 SQLINTEGER bufferLength, SQLINTEGER* length) {
  return RunStmt(stmt, [&](Stmt& s) -> SQLRETURN {
    auto integer = [&](SQLULEN v) {
      if (value) std::memcpy(value, &v, sizeof v);
      if (length) *length = sizeof v;
      return SQL_SUCCESS;
    };
    auto pointer = [&](void* p) {
      if (value) std::memcpy(value, &p, sizeof p);
      if (length) *length = sizeof p;
      return SQL_SUCCESS;
    };
    switch (attribute) {
      case SQL_ATTR_ROW_ARRAY_SIZE:
      case SQL_ROWSET_SIZE: return integer(s.rowArraySize);
      case SQL_ATTR_ROW_BIND_TYPE: return integer(s.rowBindType);
      case SQL_ATTR_ROW_BIND_OFFSET_PTR: return pointer(s.rowBindOffset);
      case SQL_ATTR_ROW_STATUS_PTR: return pointer(s.rowStatus);
      case SQL_ATTR_ROWS_FETCHED_PTR: return pointer(s.rowsFetched);
      // The kind served while a result is open (a static cursor may stand in for another).
      case SQL_ATTR_CURSOR_TYPE: return integer(s.cursor ? s.cursor->type() : s.cursorType);
      // Likewise the concurrency served: only a dynamic cursor locks rows.
      case SQL_ATTR_CONCURRENCY:
        return integer(s.cursor && s.concurrency == SQL_CONCUR_LOCK &&
                               s.cursor->type() != SQL_CURSOR_DYNAMIC
                           ? SQL_CONCUR_READ_ONLY
                           : s.concurrency);
      case SQL_ATTR_CURSOR_SCROLLABLE: return integer(s.cursorScrollable);
      case SQL_ATTR_CURSOR_SENSITIVITY: return integer(s.cursorSensitivity);
      case SQL_ATTR_MAX_ROWS: return integer(s.maxRows);
      case SQL_ATTR_QUERY_TIMEOUT: return integer(s.queryTimeout);
      case SQL_ATTR_MAX_LENGTH: return integer(s.maxLength);
      case SQL_ATTR_KEYSET_SIZE: return integer(s.keysetSize);
      case SQL_ATTR_NOSCAN: return integer(s.noscan);
      case SQL_ATTR_RETRIEVE_DATA: return integer(s.retrieveData);
      case SQL_ATTR_USE_BOOKMARKS: return integer(s.useBookmarks);
      case SQL_ATTR_FETCH_BOOKMARK_PTR: return pointer(s.fetchBookmark);
      case SQL_ATTR_ASYNC_ENABLE: return integer(SQL_ASYNC_ENABLE_OFF);
      case SQL_ATTR_PARAMSET_SIZE: return integer(s.paramsetSize);
      case SQL_ATTR_PARAMS_PROCESSED_PTR: return pointer(s.paramsProcessed);
      case SQL_ATTR_PARAM_STATUS_PTR: return pointer(s.paramStatus);
      case SQL_ATTR_PARAM_BIND_TYPE: return integer(s.paramBindType);
      case SQL_ATTR_PARAM_BIND_OFFSET_PTR: return pointer(s.paramBindOffset);
      case SQL_ATTR_PARAM_OPERATION_PTR: return pointer(s.paramOperation);
      case SQL_ATTR_ROW_NUMBER: {
        SQLLEN start = s.cursor && s.fetched ? s.cursor->RowsetStart() : 0;
        return integer(start > 0 ? SQLULEN(start) + s.currentRow : 0);
      }
      case cursor::kAttrQueryPlans: {
        auto* d = dynamic_cast<cursor::DynamicCursor*>(s.cursor.get());
        return OutString(s, d ? d->QueryPlans() : std::string(), value, bufferLength, length);
      }
      default: {
        // Asked for often (the driver manager probes several per handle): no exception.
        EngineError e = BadAttribute();
        s.diag.Post(e.state(), SQLINTEGER(e.native()), e.what());
        return SQL_ERROR;
      }
    }
  });
}

}  // extern "C"
