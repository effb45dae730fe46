// SQLSetPos: positioning in the rowset, refreshing rows, and positioned updates, deletes and
// additions on a dynamic cursor over one table (exec/Positioned.h).
#include <cstring>

#include "convert/FromC.h"
#include "convert/SqlTypes.h"
#include "cursor/DynamicCursor.h"
#include "exec/Positioned.h"
#include "odbc/Bookmarks.h"
#include "odbc/Entry.h"
#include "odbc/Rowset.h"

using namespace engine;
using namespace engine::odbc;

namespace {

// The application's buffers of column c in row i of the bound arrays.
convert::CSource SourceOf(const Stmt& s, size_t i, size_t c, SQLLEN& length) {
  const Binding& b = s.bindings[c];
  SQLSMALLINT sqlType = s.cursor->columns()[c].type.type;
  SQLSMALLINT cType = b.cType == SQL_C_DEFAULT ? convert::DefaultCType(sqlType) : b.cType;
  SQLLEN element = convert::CTypeSize(cType);
  if (element == 0) element = b.bufferLength;
  SQLLEN offset = s.rowBindOffset ? SQLLEN(*s.rowBindOffset) : 0;
  char* data = nullptr;
  SQLLEN* ind = nullptr;
  if (s.rowBindType == SQL_BIND_BY_COLUMN) {
    if (b.data) data = static_cast<char*>(b.data) + offset + SQLLEN(i) * element;
    if (b.indicator) ind = reinterpret_cast<SQLLEN*>(reinterpret_cast<char*>(b.indicator + i) + offset);
  } else {
    SQLLEN step = SQLLEN(i) * SQLLEN(s.rowBindType) + offset;
    if (b.data) data = static_cast<char*>(b.data) + step;
    if (b.indicator) ind = reinterpret_cast<SQLLEN*>(reinterpret_cast<char*>(b.indicator) + step);
  }
  length = ind ? *ind : SQL_NTS;
  // A text cut at the fetch carries its full length: only what the buffer holds is written.
  if (cType == SQL_C_CHAR && data && length >= b.bufferLength && b.bufferLength > 0)
    length = SQLLEN(strnlen(data, size_t(b.bufferLength)));
  return {b.cType, sqlType, data, b.bufferLength, ind ? &length : nullptr};
}

bool Ignored(const Stmt& s, size_t i, size_t c) {
  if (c >= s.bindings.size() || !s.bindings[c].bound()) return true;
  SQLLEN length;
  convert::CSource src = SourceOf(s, i, c, length);
  return src.indicator && *src.indicator == SQL_COLUMN_IGNORE;
}

void SetStatus(Stmt& s, size_t i, SQLUSMALLINT status) {
  if (i < s.rowset.size()) s.rowset[i].status = status;
  if (s.rowStatus) s.rowStatus[i] = status;
  if (s.fetchStatuses && s.fetchStatuses != s.rowStatus) s.fetchStatuses[i] = status;
}

// The connection's session for a positioned operation; one that writes needs a cursor that is
// not read-only.
exec::Session& SessionFor(Stmt& s, bool writes) {
  if (writes && s.concurrency == SQL_CONCUR_READ_ONLY)
    throw EngineError("HY092", 0,
                      "Invalid attribute/option identifier: the cursor is read-only "
                      "(SQL_CONCUR_READ_ONLY).");
  if (!s.dbc->session) throw EngineError("08003", 0, "Connection not open.");
  return *s.dbc->session;
}

}  // namespace

extern "C" {

SQLRETURN SQL_API SQLSetPos(SQLHSTMT stmt, SQLSETPOSIROW rowNumber, SQLUSMALLINT operation,
                            SQLUSMALLINT lockType) {
  return RunStmt(stmt, [&](Stmt& s) -> SQLRETURN {
    if (operation > SQL_ADD || lockType > SQL_LOCK_UNLOCK)
      throw EngineError("HY092", 0, "Invalid attribute/option identifier.");
    if (lockType == SQL_LOCK_EXCLUSIVE) throw NotImplemented("SQL_LOCK_EXCLUSIVE");
    if (!s.cursor) throw EngineError("24000", 0, "Invalid cursor state.");
    bool add = operation == SQL_ADD;
    if (!add && (!s.fetched || s.rowset.empty())) throw EngineError("24000", 0, "Invalid cursor state.");
    size_t rows = add ? size_t(s.rowArraySize) : s.rowset.size();
    if (rowNumber > rows) throw EngineError("HY107", 0, "Row value out of range.");
    if (operation == SQL_POSITION) {
      if (rowNumber == 0 || (s.cursor->type() == SQL_CURSOR_FORWARD_ONLY && rowNumber > 1))
        throw EngineError("HY109", 0, "Invalid cursor position.");
      s.currentRow = size_t(rowNumber - 1);
      s.lastGetDataColumn = -1;
      auto* locking = dynamic_cast<cursor::DynamicCursor*>(s.cursor.get());
      if (lockType == SQL_LOCK_UNLOCK && locking) locking->UnlockRow(s.rowset[s.currentRow].rowid);
      return SQL_SUCCESS;
    }
    auto* dynamic = dynamic_cast<cursor::DynamicCursor*>(s.cursor.get());
    if (!dynamic) throw NotImplemented("positioned operations on this kind of cursor");
    exec::Session& session = SessionFor(s, operation != SQL_REFRESH);
    size_t first = rowNumber ? size_t(rowNumber - 1) : 0;
    size_t last = rowNumber ? first + 1 : rows;
    std::vector<Notice> notices;
    SQLLEN changed = 0;
    size_t failed = 0, done = 0;
    for (size_t i = first; i < last; ++i) {
      if (!add && (s.rowset[i].status == SQL_ROW_DELETED || s.rowset[i].status == SQL_ROW_NOROW))
        continue;
      ++done;
      try {
        if (operation == SQL_REFRESH) {
          bool there = dynamic->ReadRow(s.rowset[i].rowid, s.rowset[i]);
          SetStatus(s, i, there ? SQL_ROW_SUCCESS : SQL_ROW_DELETED);
          if (there) {
            bool anyError = false, anyInfo = false;
            FillBound(s, i, 1, anyError, anyInfo);
          }
          continue;
        }
        cursor::FetchedRow extra;
        cursor::FetchedRow& row = i < s.rowset.size() && !add ? s.rowset[i] : extra;
        exec::RowValues values;
        values.ignored = [&](size_t c) { return Ignored(s, i, c); };
        values.bind = [&](sqlite3_stmt* st, int index, size_t c) {
          SQLLEN length;
          convert::BindParameter(st, index, SourceOf(s, i, c, length));
        };
        SQLLEN n = exec::WriteRow(session, *dynamic, s.concurrency, operation, row, values,
                                  notices);
        changed += n;
        if (n) SetStatus(s, i, row.status);
      } catch (const EngineError& e) {
        if (e.state() == "40001") session.RollbackAfterDeadlock();
        if (rowNumber != 0 || e.state() == "40001") throw;
        s.diag.Post(e.state(), SQLINTEGER(e.native()), e.what(), SQLLEN(i + 1), SQL_COLUMN_NUMBER_UNKNOWN);
        SetStatus(s, i, SQL_ROW_ERROR);
        ++failed;
      }
    }
    if (lockType == SQL_LOCK_UNLOCK)
      for (size_t i = first; i < last && i < s.rowset.size(); ++i)
        dynamic->UnlockRow(s.rowset[i].rowid);
    if (operation != SQL_REFRESH) s.rowCount = changed;
    SQLRETURN rc = WithNotices(s, SQL_SUCCESS, notices);
    if (failed) return failed == done ? SQL_ERROR : SQL_SUCCESS_WITH_INFO;
    return rc;
  });
}

// SQLBulkOperations on a dynamic cursor: SQL_ADD of the bound rows (their bookmarks go to the
// bound column 0), and SQL_UPDATE_BY_BOOKMARK, SQL_DELETE_BY_BOOKMARK, SQL_FETCH_BY_BOOKMARK of
// the rows whose bookmarks the bound column 0 holds. The cursor stays where it was.
SQLRETURN SQL_API SQLBulkOperations(SQLHSTMT stmt, SQLSMALLINT operation) {
  return RunStmt(stmt, [&](Stmt& s) -> SQLRETURN {
    if (operation != SQL_ADD && operation != SQL_UPDATE_BY_BOOKMARK &&
        operation != SQL_DELETE_BY_BOOKMARK && operation != SQL_FETCH_BY_BOOKMARK)
      throw EngineError("HY092", 0, "Invalid attribute/option identifier.");
    if (!s.cursor) throw EngineError("24000", 0, "Invalid cursor state.");
    auto* dynamic = dynamic_cast<cursor::DynamicCursor*>(s.cursor.get());
    if (!dynamic) throw NotImplemented("bulk operations on this kind of cursor");
    bool byBookmark = operation != SQL_ADD;
    if (byBookmark && (s.useBookmarks == SQL_UB_OFF || !s.bookmarkBinding.data))
      throw EngineError("HY092", 0,
                        "Invalid attribute/option identifier: no bookmarks are bound.");
    exec::Session& session = SessionFor(s, operation != SQL_FETCH_BY_BOOKMARK);
    size_t rows = size_t(s.rowArraySize ? s.rowArraySize : 1);
    SQLUSMALLINT write = operation == SQL_UPDATE_BY_BOOKMARK   ? SQLUSMALLINT(SQL_UPDATE)
                         : operation == SQL_DELETE_BY_BOOKMARK ? SQLUSMALLINT(SQL_DELETE)
                                                               : SQLUSMALLINT(SQL_ADD);
    // The fetched rowset stays as it was: rows read here go to a rowset of their own.
    std::vector<cursor::FetchedRow> read(rows);
    std::vector<Notice> notices;
    SQLLEN changed = 0;
    size_t failed = 0;
    auto status = [&](size_t i, SQLUSMALLINT v) {
      if (s.rowStatus) s.rowStatus[i] = v;
    };
    for (size_t i = 0; i < rows; ++i) {
      try {
        cursor::FetchedRow& row = read[i];
        int64_t bookmark = 0;
        if (byBookmark) {
          BoundBookmark(s, i, bookmark);
          if (!dynamic->ReadRow(bookmark, row))
            throw EngineError("HY111", 0, "Invalid bookmark value.");
          row.rowid = bookmark;
        }
        if (operation == SQL_FETCH_BY_BOOKMARK) {
          status(i, SQL_ROW_SUCCESS);
          continue;
        }
        exec::RowValues values;
        values.ignored = [&](size_t c) { return Ignored(s, i, c); };
        values.bind = [&](sqlite3_stmt* st, int index, size_t c) {
          SQLLEN length;
          convert::BindParameter(st, index, SourceOf(s, i, c, length));
        };
        changed += exec::WriteRow(session, *dynamic, s.concurrency, write, row, values, notices);
        status(i, row.status);
        if (operation == SQL_ADD) SetBoundBookmark(s, i, row.rowid);
      } catch (const EngineError& e) {
        if (e.state() == "40001") {
          session.RollbackAfterDeadlock();
          throw;
        }
        s.diag.Post(e.state(), SQLINTEGER(e.native()), e.what(), SQLLEN(i + 1),
                    SQL_COLUMN_NUMBER_UNKNOWN);
        read[i].values.clear();
        status(i, SQL_ROW_ERROR);
        ++failed;
      }
    }
    if (operation == SQL_FETCH_BY_BOOKMARK) {
      bool anyError = false, anyInfo = false;
      s.rowset.swap(read);
      for (size_t i = 0; i < rows; ++i)
        if (!s.rowset[i].values.empty()) {
          FillBound(s, i, 1, anyError, anyInfo);
          status(i, s.rowset[i].status);
        }
      s.rowset.swap(read);
      if (anyError) ++failed;
    } else {
      s.rowCount = changed;
    }
    SQLRETURN rc = WithNotices(s, SQL_SUCCESS, notices);
    if (failed) return failed == rows ? SQL_ERROR : SQL_SUCCESS_WITH_INFO;
    return rc;
  });
}

}  // extern "C"
