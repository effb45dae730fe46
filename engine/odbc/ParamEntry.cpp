// Parameters and execution: parameter arrays bound column- or row-wise, data at execution
// (SQLParamData, SQLPutData), SQLDescribeParam, and the results of a batch one after the other
// (SQLMoreResults).
#include <cstring>

#include "common/Text.h"
#include "convert/FromC.h"
#include "convert/SqlTypes.h"
#include "cursor/DynamicCursor.h"
#include "exec/Executor.h"
#include "odbc/Entry.h"
#include "odbc/Execution.h"
#include "store/Database.h"
#include "tsql/Lexer.h"
#include "types/Schema.h"

namespace engine::odbc {

namespace {

// A dynamic cursor keeps its read snapshot between fetches under the connection's guard.
void HoldSnapshots(Stmt& s) {
  if (auto* dynamic = dynamic_cast<cursor::DynamicCursor*>(s.cursor.get()))
    dynamic->HoldSnapshots(s.dbc->guard);
}

EngineError SequenceError() { return EngineError("HY010", 0, "Function sequence error."); }

exec::Session& SessionOf(Stmt& s) {
  if (!s.dbc->session) throw EngineError("08003", 0, "Connection not open.");
  return *s.dbc->session;
}

bool AtExecution(const SQLLEN* ind) {
  return ind && (*ind == SQL_DATA_AT_EXEC || *ind <= SQL_LEN_DATA_AT_EXEC_OFFSET);
}

SQLSMALLINT CTypeOf(const Parameter& p) {
  return p.cType == SQL_C_DEFAULT ? convert::DefaultCType(p.sqlType) : p.cType;
}

// Where one parameter set's value and length of a parameter are.
struct Slot {
  char* data = nullptr;
  SQLLEN* indicator = nullptr;
};

Slot SlotOf(const Stmt& s, const Parameter& p, SQLULEN row) {
  Slot slot;
  SQLLEN offset = s.paramBindOffset ? SQLLEN(*s.paramBindOffset) : 0;
  if (s.paramBindType == SQL_PARAM_BIND_BY_COLUMN) {
    SQLLEN element = convert::CTypeSize(CTypeOf(p));
    if (element == 0) element = p.bufferLength;
    if (p.data) slot.data = static_cast<char*>(p.data) + offset + SQLLEN(row) * element;
    if (p.indicator)
      slot.indicator =
          reinterpret_cast<SQLLEN*>(reinterpret_cast<char*>(p.indicator + row) + offset);
  } else {
    SQLLEN step = SQLLEN(row) * SQLLEN(s.paramBindType) + offset;
    if (p.data) slot.data = static_cast<char*>(p.data) + step;
    if (p.indicator)
      slot.indicator = reinterpret_cast<SQLLEN*>(reinterpret_cast<char*>(p.indicator) + step);
  }
  return slot;
}

void Bind(Stmt& s, SQLULEN row, sqlite3_stmt* stmt, int index, int number) {
  if (number < 1 || size_t(number) > s.parameters.size() ||
      s.parameters[size_t(number) - 1].cType == 0)
    throw EngineError("07002", 0, "COUNT field incorrect: parameter " + std::to_string(number) +
                                      " is not bound.");
  size_t k = size_t(number) - 1;
  const Parameter& p = s.parameters[k];
  PendingExecution* pe = s.pending.get();
  if (pe && pe->ready && pe->data.count(k)) {
    // Sent with SQLPutData.
    std::string& bytes = pe->data[k];
    SQLLEN length = pe->isNull[k] ? SQL_NULL_DATA : SQLLEN(bytes.size());
    convert::BindParameter(stmt, index, {p.cType, p.sqlType, &bytes[0], length, &length});
    return;
  }
  Slot slot = SlotOf(s, p, row);
  convert::BindParameter(stmt, index, {p.cType, p.sqlType, slot.data, p.bufferLength,
                                       slot.indicator});
}

SQLULEN SetCount(const Stmt& s) { return s.paramsetSize ? s.paramsetSize : 1; }

// Runs the parameter sets from row on; stops at a set that waits for data.
SQLRETURN RunSets(Stmt& s, SQLULEN from) {
  PendingExecution& pe = *s.pending;
  SQLULEN sets = SetCount(s);
  for (SQLULEN row = from; row < sets; ++row) {
    if (s.paramOperation && s.paramOperation[row] == SQL_PARAM_IGNORE) continue;
    if (!pe.ready) {
      pe.row = row;
      pe.needed.clear();
      pe.current = 0;
      pe.data.clear();
      pe.isNull.clear();
      size_t count = std::min(s.parameters.size(), size_t(s.batch.parameters));
      for (size_t k = 0; k < count; ++k)
        if (s.parameters[k].cType != 0 && AtExecution(SlotOf(s, s.parameters[k], row).indicator)) {
          pe.needed.push_back(k);
          pe.data[k];
          pe.isNull[k] = false;
        }
      if (!pe.needed.empty()) return SQL_NEED_DATA;
    }
    exec::Options options;
    options.maxRows = s.maxRows;
    options.cursorType = s.cursorType;
    options.concurrency = s.concurrency;
    options.bind = [&s, row](sqlite3_stmt* stmt, int index, int number) {
      Bind(s, row, stmt, index, number);
    };
    std::vector<Notice> notices;
    exec::Outcome outcome;
    try {
      outcome = exec::Execute(SessionOf(s), s.batch, options, notices);
    } catch (...) {
      WithNotices(s, SQL_SUCCESS, notices);
      if (s.paramStatus) s.paramStatus[row] = SQL_PARAM_ERROR;
      if (s.paramsProcessed) *s.paramsProcessed = row + 1;
      s.rowCount = pe.rowCount;
      s.pending.reset();
      throw;
    }
    pe.ready = false;
    if (s.paramStatus)
      s.paramStatus[row] = notices.empty() ? SQL_PARAM_SUCCESS : SQL_PARAM_SUCCESS_WITH_INFO;
    if (s.paramsProcessed) *s.paramsProcessed = row + 1;
    pe.rc = WithNotices(s, pe.rc, notices);
    if (outcome.rowCount >= 0) pe.rowCount = (pe.rowCount < 0 ? 0 : pe.rowCount) + outcome.rowCount;
    if (row + 1 < sets) {
      // Only the last set's result is kept.
      if (outcome.cursor) outcome.cursor->Close();
      continue;
    }
    s.cursor = std::move(outcome.cursor);
    HoldSnapshots(s);
    s.cursorAtEnd = false;
    s.nextStatement = outcome.next;
  }
  s.rowCount = pe.rowCount;
  SQLRETURN rc = pe.rc;
  s.pending.reset();
  return rc;
}

// The declared type of the column a parameter marker stands for: a value of INSERT's VALUES
// list, or the other side of a comparison or SET assignment with a column; empty when unknown.
const types::ColumnInfo* ColumnFor(sqlite3* db, const tsql::Statement& st, int local,
                                   std::vector<std::shared_ptr<const types::TableInfo>>& keep) {
  std::vector<tsql::Token> t = tsql::Lex(st.sql);
  size_t n = t.size(), pos = n;
  for (size_t i = 0; i + 1 < n; ++i)
    if (t[i].kind == tsql::TokenKind::Parameter && t[i + 1].value == std::to_string(local)) pos = i;
  if (pos == n) return nullptr;
  std::vector<std::string> tables;
  for (size_t i = 0; i + 1 < n; ++i)
    if ((t[i].IsWord("FROM") || t[i].IsWord("JOIN") || t[i].IsWord("INTO") ||
         t[i].IsWord("UPDATE")) && t[i + 1].IsName())
      tables.push_back(t[i + 1].value);
  auto find = [&](const std::string& column, const std::string& table) -> const types::ColumnInfo* {
    for (const std::string& name : tables) {
      if (!table.empty() && name != table) continue;
      auto info = types::FindTable(db, name);
      if (!info) continue;
      keep.push_back(info);
      if (const types::ColumnInfo* c = info->Find(column)) return c;
    }
    return nullptr;
  };
  if (n > 0 && t[0].IsWord("INSERT") && !tables.empty()) {
    size_t values = 0;
    for (size_t i = 0; i < pos; ++i)
      if (t[i].IsWord("VALUES")) values = i;
    if (values) {
      // Which value of the list the marker is.
      int depth = 0;
      size_t item = 0;
      for (size_t i = values + 1; i < pos; ++i) {
        if (t[i].IsOp("(")) ++depth;
        else if (t[i].IsOp(")")) --depth;
        else if (t[i].IsOp(",") && depth == 1) ++item;
      }
      std::vector<std::string> columns;
      size_t open = 0;
      for (size_t i = 0; i < values; ++i)
        if (t[i].IsOp("(")) {
          open = i;
          break;
        }
      if (open)
        for (size_t i = open + 1; i < values && !t[i].IsOp(")"); ++i)
          if (t[i].IsName()) columns.push_back(t[i].value);
      if (!columns.empty()) return item < columns.size() ? find(columns[item], "") : nullptr;
      // Without a list the values fill the columns in order, past an IDENTITY column.
      auto info = types::FindTable(db, tables[0]);
      if (!info) return nullptr;
      keep.push_back(info);
      for (const types::ColumnInfo& c : info->columns)
        if (!IEquals(c.name, info->identity) && item-- == 0) return &c;
      return nullptr;
    }
  }
  auto comparison = [](const tsql::Token& k) {
    static const char* const kOps[] = {"=", "<", ">", "<=", ">=", "<>", "!="};
    for (const char* op : kOps)
      if (k.IsOp(op)) return true;
    return k.IsWord("LIKE");
  };
  if (pos >= 2 && comparison(t[pos - 1]) && t[pos - 2].IsName()) return find(t[pos - 2].value, "");
  if (pos + 3 < n && comparison(t[pos + 2]) && t[pos + 3].IsName()) {
    if (pos + 5 < n && t[pos + 4].IsOp(".") && t[pos + 5].IsName()) return find(t[pos + 5].value, "");
    return find(t[pos + 3].value, "");
  }
  return nullptr;
}

}  // namespace

SQLRETURN ExecuteBatch(Stmt& s) {
  if (s.cursor) {
    // A result still being read blocks a new one; one read to its end is closed silently.
    if (!s.cursorAtEnd) throw EngineError("24000", 0, "Invalid cursor state.");
    s.CloseCursor();
  }
  s.rowCount = -1;
  s.nextStatement = s.batch.statements.size();
  SQLULEN sets = SetCount(s);
  if (s.paramStatus)
    for (SQLULEN i = 0; i < sets; ++i) s.paramStatus[i] = SQL_PARAM_UNUSED;
  if (s.paramsProcessed) *s.paramsProcessed = 0;
  s.pending = std::make_shared<PendingExecution>();
  return RunSets(s, 0);
}

}  // namespace engine::odbc

using namespace engine;
using namespace engine::odbc;

extern "C" {

SQLRETURN SQL_API SQLParamData(SQLHSTMT stmt, SQLPOINTER* value) {
  return RunStmt(stmt, [&](Stmt& s) -> SQLRETURN {
    if (!s.pending || s.pending->needed.empty() || s.pending->ready) throw SequenceError();
    PendingExecution& pe = *s.pending;
    if (pe.current < pe.needed.size()) {
      size_t k = pe.needed[pe.current++];
      if (value) *value = SlotOf(s, s.parameters[k], pe.row).data;
      return SQL_NEED_DATA;
    }
    pe.ready = true;
    return RunSets(s, pe.row);
  });
}

SQLRETURN SQL_API SQLPutData(SQLHSTMT stmt, SQLPOINTER data, SQLLEN length) {
  return RunStmt(stmt, [&](Stmt& s) -> SQLRETURN {
    if (!s.pending || s.pending->current == 0 || s.pending->ready) throw SequenceError();
    PendingExecution& pe = *s.pending;
    size_t k = pe.needed[pe.current - 1];
    if (length == SQL_NULL_DATA) {
      pe.isNull[k] = true;
      return SQL_SUCCESS;
    }
    if (!data && length != 0) throw EngineError("HY009", 0, "Invalid use of null pointer.");
    SQLSMALLINT cType = CTypeOf(s.parameters[k]);
    size_t n;
    if (convert::CTypeSize(cType) > 0) {
      n = size_t(convert::CTypeSize(cType));
      pe.data[k].clear();  // a fixed-size value comes whole
    } else if (length == SQL_NTS) {
      if (cType == SQL_C_WCHAR) {
        const SQLWCHAR* w = static_cast<const SQLWCHAR*>(data);
        n = 0;
        while (w[n]) ++n;
        n *= sizeof(SQLWCHAR);
      } else {
        n = std::strlen(static_cast<const char*>(data));
      }
    } else if (length < 0) {
      throw EngineError("HY090", 0, "Invalid string or buffer length.");
    } else {
      n = size_t(length);
    }
    if (n) pe.data[k].append(static_cast<const char*>(data), n);
    return SQL_SUCCESS;
  });
}

SQLRETURN SQL_API SQLDescribeParam(SQLHSTMT stmt, SQLUSMALLINT number, SQLSMALLINT* type,
                                   SQLULEN* size, SQLSMALLINT* digits, SQLSMALLINT* nullable) {
  return RunStmt(stmt, [&](Stmt& s) -> SQLRETURN {
    if (!s.prepared) throw SequenceError();
    if (number < 1 || number > s.batch.parameters)
      throw EngineError("07009", 0, "Invalid descriptor index.");
    int local = number;
    const tsql::Statement* st = nullptr;
    for (const tsql::Statement& candidate : s.batch.statements) {
      if (local <= candidate.parameters) {
        st = &candidate;
        break;
      }
      local -= candidate.parameters;
    }
    std::vector<std::shared_ptr<const types::TableInfo>> keep;
    const types::ColumnInfo* c =
        st ? ColumnFor(SessionOf(s).current()->handle(), *st, local, keep) : nullptr;
    // Unknown: a long varchar, which takes any value.
    convert::SqlType t = convert::DescribeDeclared(c ? c->declared : "varchar(8000)");
    if (type) *type = s.dbc->odbc2() ? convert::Odbc2Type(t.type) : t.type;
    if (size) *size = t.size;
    if (digits) *digits = t.scale;
    if (nullable) *nullable = c ? (c->notNull ? SQL_NO_NULLS : SQL_NULLABLE) : SQL_NULLABLE_UNKNOWN;
    return SQL_SUCCESS;
  });
}

SQLRETURN SQL_API SQLMoreResults(SQLHSTMT stmt) {
  return RunStmt(stmt, [&](Stmt& s) -> SQLRETURN {
    if (s.pending) throw SequenceError();
    s.CloseCursor(true);
    if (s.nextStatement >= s.batch.statements.size()) return SQL_NO_DATA;
    SQLULEN row = SetCount(s) - 1;
    exec::Options options;
    options.maxRows = s.maxRows;
    options.cursorType = s.cursorType;
    options.concurrency = s.concurrency;
    options.bind = [&s, row](sqlite3_stmt* st, int index, int n) { Bind(s, row, st, index, n); };
    std::vector<Notice> notices;
    size_t from = s.nextStatement;
    s.nextStatement = s.batch.statements.size();
    exec::Outcome outcome;
    try {
      outcome = exec::Execute(SessionOf(s), s.batch, options, notices, from);
    } catch (...) {
      WithNotices(s, SQL_SUCCESS, notices);
      throw;
    }
    s.cursor = std::move(outcome.cursor);
    HoldSnapshots(s);
    s.cursorAtEnd = false;
    s.nextStatement = outcome.next;
    s.rowCount = outcome.rowCount;
    // The rest of the batch changed rows without returning any: that count is the result.
    if (!s.cursor && outcome.rowCount < 0) return WithNotices(s, SQL_NO_DATA, notices);
    return WithNotices(s, SQL_SUCCESS, notices);
  });
}

}  // extern "C"
