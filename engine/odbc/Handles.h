// The driver's environment, connection and statement handles.
#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "cursor/Cursor.h"
#include "exec/Session.h"
#include "odbc/Diag.h"
#include "tsql/Translator.h"

namespace engine::odbc {

enum : uint32_t { kEnvMagic = 0x5a454e56, kDbcMagic = 0x5a444243, kStmtMagic = 0x5a53544d };

struct Dbc;
struct Stmt;
struct PendingExecution;  // odbc/Execution.h

// Every live handle is registered, so that a stale or foreign pointer is recognised without
// reading the memory it points to.
bool IsLiveHandle(const void* p, uint32_t magic);

struct Handle {
  explicit Handle(uint32_t m);
  virtual ~Handle();
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  uint32_t magic;
  Diagnostics diag;
};

struct Env : Handle {
  Env() : Handle(kEnvMagic) {}
  SQLINTEGER odbcVersion = SQL_OV_ODBC3;
  std::set<Dbc*> connections;
};

struct Dbc : Handle {
  explicit Dbc(Env* e) : Handle(kDbcMagic), env(e) {}
  Env* env;
  // Held by every entry point working on the connection (and by the thread that lets go of
  // idle read snapshots, cursor/IdleRelease.h).
  std::shared_ptr<std::recursive_mutex> guard = std::make_shared<std::recursive_mutex>();
  std::unique_ptr<exec::Session> session;  // null when not connected
  std::set<Stmt*> statements;
  std::string dataSource;  // DSN connected to, if any
  std::string serverText;
  SQLUINTEGER loginTimeout = 0;
  SQLUINTEGER connectionTimeout = 0;
  SQLUINTEGER txnIsolation = SQL_TXN_READ_COMMITTED;
  bool autocommit = true;
  bool odbc2() const { return env && env->odbcVersion == SQL_OV_ODBC2; }
};

// A column bound with SQLBindCol.
struct Binding {
  SQLSMALLINT cType = 0;
  SQLPOINTER data = nullptr;
  SQLLEN bufferLength = 0;
  SQLLEN* indicator = nullptr;
  bool bound() const { return data != nullptr || indicator != nullptr; }
};

// A parameter bound with SQLBindParameter (input only).
struct Parameter {
  SQLSMALLINT ioType = SQL_PARAM_INPUT;
  SQLSMALLINT cType = 0;
  SQLSMALLINT sqlType = 0;
  SQLULEN columnSize = 0;
  SQLSMALLINT digits = 0;
  SQLPOINTER data = nullptr;
  SQLLEN bufferLength = 0;
  SQLLEN* indicator = nullptr;
};

struct Stmt : Handle {
  explicit Stmt(Dbc* d) : Handle(kStmtMagic), dbc(d) {}
  Dbc* dbc;

  // Attributes.
  SQLULEN rowArraySize = 1;  // SQL_ATTR_ROW_ARRAY_SIZE and SQL_ROWSET_SIZE
  SQLULEN rowBindType = SQL_BIND_BY_COLUMN;
  SQLULEN* rowBindOffset = nullptr;
  SQLUSMALLINT* rowStatus = nullptr;
  SQLULEN* rowsFetched = nullptr;
  SQLULEN cursorType = SQL_CURSOR_FORWARD_ONLY;
  SQLULEN concurrency = SQL_CONCUR_READ_ONLY;
  SQLULEN maxRows = 0;
  SQLULEN queryTimeout = 0;
  SQLULEN maxLength = 0;
  SQLULEN keysetSize = 0;
  SQLULEN noscan = SQL_NOSCAN_OFF;
  SQLULEN retrieveData = SQL_RD_ON;
  SQLULEN useBookmarks = SQL_UB_OFF;
  SQLULEN paramsetSize = 1;
  SQLULEN* paramsProcessed = nullptr;
  SQLUSMALLINT* paramStatus = nullptr;
  SQLULEN paramBindType = SQL_PARAM_BIND_BY_COLUMN;
  SQLULEN* paramBindOffset = nullptr;
  SQLUSMALLINT* paramOperation = nullptr;  // SQL_PARAM_PROCEED or SQL_PARAM_IGNORE per set
  SQLULEN cursorSensitivity = SQL_UNSPECIFIED;
  SQLULEN cursorScrollable = SQL_NONSCROLLABLE;

  std::vector<Binding> bindings;      // index 0 is column 1
  Binding bookmarkBinding;            // column 0 (odbc/Bookmarks.h)
  SQLPOINTER fetchBookmark = nullptr;  // SQL_ATTR_FETCH_BOOKMARK_PTR
  std::vector<Parameter> parameters;  // index 0 is parameter 1

  // The prepared batch (SQLPrepare), if any.
  bool prepared = false;
  tsql::Batch batch;
  std::vector<cursor::Column> preparedColumns;  // described at SQLPrepare, before execution
  // An execution in progress (odbc/Execution.h): the batch's next statement after the current
  // result, and parameters still waiting for data.
  size_t nextStatement = 0;
  std::shared_ptr<PendingExecution> pending;

  // The result.
  std::unique_ptr<cursor::Cursor> cursor;
  SQLLEN rowCount = -1;
  std::vector<cursor::FetchedRow> rowset;
  SQLUSMALLINT* fetchStatuses = nullptr;  // the statuses array of the last fetch
  bool cursorAtEnd = false;   // a fetch found no more rows
  bool fetched = false;       // a fetch delivered the current rowset
  size_t currentRow = 0;      // row of the rowset SQLGetData reads
  std::vector<size_t> getDataOffsets;  // per column, for SQLGetData in parts
  int lastGetDataColumn = -1;

  // toEnd: the rest of a forward-only result counts for @@ROWCOUNT too (SQLMoreResults).
  void CloseCursor(bool toEnd = false) {
    if (cursor) {
      // @@ROWCOUNT: the rows the result returned; a dynamic cursor's, those of its last fetch.
      SQLLEN n = cursor->type() == SQL_CURSOR_DYNAMIC ? SQLLEN(rowset.size())
                                                      : cursor->RowsReturned(toEnd);
      if (n >= 0 && dbc && dbc->session) dbc->session->counters.rowCount = n;
      cursor->Close();
    }
    cursor.reset();
    rowset.clear();
    cursorAtEnd = false;
    fetched = false;
    currentRow = 0;
    getDataOffsets.clear();
    lastGetDataColumn = -1;
  }
};

}  // namespace engine::odbc
