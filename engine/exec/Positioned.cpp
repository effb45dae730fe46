#include "exec/Positioned.h"

#include <sqlite3.h>

#include "common/Text.h"
#include "store/Database.h"
#include "store/Locks.h"
#include "types/Schema.h"
#include "types/Values.h"

namespace engine::exec {

const char kConflictMessage[] = "Cursor operation conflict";

namespace {

void BindValue(sqlite3_stmt* s, int i, const cursor::Value& v) {
  using K = cursor::Value::Kind;
  switch (v.kind) {
    case K::Integer: sqlite3_bind_int64(s, i, v.i); break;
    case K::Real: sqlite3_bind_double(s, i, v.d); break;
    case K::Text: sqlite3_bind_text(s, i, v.s.data(), int(v.s.size()), SQLITE_TRANSIENT); break;
    case K::Blob: sqlite3_bind_blob(s, i, v.s.data(), int(v.s.size()), SQLITE_TRANSIENT); break;
    default: sqlite3_bind_null(s, i); break;
  }
}

std::string P(int n) { return "?" + std::to_string(n); }

// The table column behind each result column; null for computed ones and other tables'.
std::vector<const types::ColumnInfo*> TableColumns(const cursor::DynamicCursor& c,
                                                   const types::TableInfo& info) {
  std::vector<const types::ColumnInfo*> out;
  for (const cursor::Column& col : c.columns()) {
    bool mine = !col.baseName.empty() && (col.baseTable.empty() || IEquals(col.baseTable, info.name) ||
                                          IEquals(col.baseTable, c.shape().table));
    out.push_back(mine ? info.Find(col.baseName) : nullptr);
  }
  return out;
}

}  // namespace

SQLLEN WriteRow(Session& session, cursor::DynamicCursor& cursor, SQLULEN concurrency,
                SQLUSMALLINT operation, cursor::FetchedRow& row, const RowValues& values,
                std::vector<Notice>& notices) {
  auto db = session.Writer(cursor.database()->name());
  const std::string& table = cursor.shape().table;
  auto info = types::FindTable(db->handle(), table);
  if (!info) throw EngineError("42S02", 208, "Invalid object name '" + table + "'.");
  auto columns = TableColumns(cursor, *info);
  const std::string& dateFormat = session.dateFormat();
  bool compare = concurrency == SQL_CONCUR_VALUES || concurrency == SQL_CONCUR_ROWVER;

  std::string sql;
  const char* verb = operation == SQL_ADD ? "INSERT" : operation == SQL_UPDATE ? "UPDATE" : "DELETE";
  std::vector<size_t> written;  // result columns whose values are written, in parameter order
  for (size_t c = 0; c < columns.size(); ++c)
    if (columns[c] && operation != SQL_DELETE && !values.ignored(c)) written.push_back(c);
  int next = 1;
  if (operation == SQL_ADD) {
    std::string names, list;
    for (size_t c : written) {
      names += (names.empty() ? "" : ", ") + QuoteName(columns[c]->name);
      list += (list.empty() ? "" : ", ") + types::ConvertCall(P(next++), columns[c]->type, dateFormat);
    }
    sql = "INSERT INTO " + QuoteName(info->name) +
          (written.empty() ? " DEFAULT VALUES" : " (" + names + ") VALUES (" + list + ")");
  } else {
    if (operation == SQL_UPDATE) {
      if (written.empty()) return 0;  // every column ignored: nothing to write
      sql = "UPDATE " + QuoteName(info->name) + " SET ";
      for (size_t i = 0; i < written.size(); ++i)
        sql += (i ? ", " : "") + QuoteName(columns[written[i]]->name) + " = " +
               types::ConvertCall(P(next++), columns[written[i]]->type, dateFormat);
    } else {
      sql = "DELETE FROM " + QuoteName(info->name);
    }
    sql += " WHERE rowid = " + P(next++);
    // Optimistic: only while the stored values are still the ones fetched, byte for byte.
    if (compare)
      for (size_t c = 0; c < columns.size(); ++c)
        if (columns[c])
          sql += " AND " + QuoteName(columns[c]->name) + " IS " + P(next++) +
                 (types::IsCharacter(columns[c]->type.kind) ? " COLLATE BINARY" : "");
  }

  session.BeginIfNeeded(*db, true);
  // The row's lock: held already by a locking cursor; otherwise waited for, and kept only as
  // long as the write (or its transaction).
  std::vector<int64_t> bytes;
  if (operation != SQL_ADD && db->locks()) {
    db->WaitForWriteLock();  // another's table lock first: it may want this row
    bytes.push_back(store::Locks::RowByte(table, row.rowid));
    db->locks()->Acquire(bytes);
  }
  struct Unlock {
    store::Database& db;
    std::vector<int64_t>& bytes;
    ~Unlock() {
      if (!bytes.empty()) db.locks()->Release(bytes);
    }
  } unlock{*db, bytes};

  store::Stmt stmt(db->Prepare(sql, verb, info->name));
  int p = 1;
  for (size_t c : written) values.bind(stmt.get(), p++, c);
  if (operation != SQL_ADD) {
    sqlite3_bind_int64(stmt.get(), p++, row.rowid);
    if (compare)
      for (size_t c = 0; c < columns.size(); ++c)
        if (columns[c]) BindValue(stmt.get(), p++, row.values[c]);
  }
  int rc = sqlite3_step(stmt.get());
  if (db->locks()) db->locks()->WriteWaitEnded();
  if (rc != SQLITE_DONE) store::ThrowSqlite(db->handle(), rc, verb, info->name);
  SQLLEN changed = SQLLEN(sqlite3_changes(db->handle()));
  if (changed && db->locks()) db->locks()->Committed();  // before the row's lock goes
  if (changed == 0) {
    notices.push_back({"01001", 0, kConflictMessage});
    return 0;
  }
  if (operation == SQL_ADD) {
    row.status = SQL_ROW_ADDED;
    row.rowid = sqlite3_last_insert_rowid(db->handle());  // its bookmark
  } else if (operation == SQL_DELETE) {
    row.status = SQL_ROW_DELETED;
  } else {
    row.status = SQL_ROW_UPDATED;
    // The rowset keeps what the table now holds (the next optimistic write compares with it).
    // Read through the writing handle, which sees its own transaction.
    cursor::FetchedRow now;
    store::Stmt read(db->Prepare("SELECT * FROM " + QuoteName(info->name) + " WHERE rowid = ?1",
                                 "SELECT", info->name));
    sqlite3_bind_int64(read.get(), 1, row.rowid);
    if (sqlite3_step(read.get()) == SQLITE_ROW)
      for (size_t c = 0; c < columns.size(); ++c)
        if (columns[c]) row.values[c].Assign(read.get(), info->IndexOf(columns[c]->name));
  }
  return changed;
}

}  // namespace engine::exec
