// SQLSetPos: positioning in the rowset, refreshing rows, and positioned updates, deletes and
// additions on a dynamic cursor over one table (exec/Positioned.h).
#include <cstring>

#include "convert/FromC.h"
#include "convert/SqlTypes.h"
#include "cursor/DynamicCursor.h"
#include "exec/Positioned.h"
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
    if (operation != SQL_REFRESH && s.concurrency == SQL_CONCUR_READ_ONLY)
      throw EngineError("HY092", 0,
                        "Invalid attribute/option identifier: the cursor is read-only "
                        "(SQL_CONCUR_READ_ONLY).");
    if (!s.dbc->session) throw EngineError("08003", 0, "Connection not open.");
    exec::Session& session = *s.dbc->session;
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

}  // extern "C"
