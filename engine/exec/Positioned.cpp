#include "exec/Positioned.h"

#include <sqlite3.h>

#include <cstring>
#include <memory>
#include <string_view>

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

// SQLite's affinity of a declared type (its rules by substring, in order).
enum class Affinity { Integer, Text, Blob, Real, Numeric };
Affinity AffinityOf(const std::string& declared) {
  auto has = [&](const char* w) {
    size_t n = std::strlen(w);
    for (size_t i = 0; i + n <= declared.size(); ++i)
      if (IEquals(std::string_view(declared).substr(i, n), w)) return true;
    return false;
  };
  if (has("INT")) return Affinity::Integer;
  if (has("CHAR") || has("CLOB") || has("TEXT")) return Affinity::Text;
  if (declared.empty() || has("BLOB")) return Affinity::Blob;
  if (has("REAL") || has("FLOA") || has("DOUB")) return Affinity::Real;
  return Affinity::Numeric;
}

// Whether storing v in a column of that declared type leaves the stored value `was` exactly as
// it is. False when unsure: the column is then written.
bool StoredAlike(const cursor::Value& was, sqlite3_value* v, const std::string& declared) {
  using K = cursor::Value::Kind;
  int type = sqlite3_value_type(v);
  auto bytes = [&](const void* p) {
    return size_t(sqlite3_value_bytes(v)) == was.s.size() &&
           (was.s.empty() || std::memcmp(p, was.s.data(), was.s.size()) == 0);
  };
  // An integer and a real of the same value are stored alike in a numeric column.
  auto sameNumber = [&](int64_t i, double d) {
    Affinity a = AffinityOf(declared);
    return a != Affinity::Text && a != Affinity::Blob && d >= -9.2e18 && d <= 9.2e18 &&
           double(int64_t(d)) == d && int64_t(d) == i;
  };
  switch (was.kind) {
    case K::Null: return type == SQLITE_NULL;
    case K::Integer:
      if (type == SQLITE_INTEGER) return sqlite3_value_int64(v) == was.i;
      return type == SQLITE_FLOAT && sameNumber(was.i, sqlite3_value_double(v));
    case K::Real:
      if (type == SQLITE_FLOAT) {
        double d = sqlite3_value_double(v);
        return std::memcmp(&d, &was.d, sizeof d) == 0;
      }
      return type == SQLITE_INTEGER && sameNumber(sqlite3_value_int64(v), was.d);
    case K::Text: return type == SQLITE_TEXT && bytes(sqlite3_value_text(v));
    case K::Blob: return type == SQLITE_BLOB && bytes(sqlite3_value_blob(v));
  }
  return false;
}

// A kept statement of the writing handle, given back on scope exit.
struct Kept {
  store::Database& db;
  sqlite3_stmt* s = nullptr;
  ~Kept() { db.Give(s); }
};

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
  const char* verb = operation == SQL_ADD ? "INSERT" : operation == SQL_UPDATE ? "UPDATE" : "DELETE";
  std::vector<size_t> written;  // result columns whose values are written, in parameter order
  for (size_t c = 0; c < columns.size(); ++c)
    if (columns[c] && operation != SQL_DELETE && !values.ignored(c)) written.push_back(c);
  if (operation == SQL_UPDATE && written.empty()) return 0;  // every column ignored

  // An update sets only the columns whose new value differs from the row as fetched, so that
  // the indexes over the others are left alone (and a column another connection changed since
  // is not put back). The values are converted first, with an UPDATE's checks; the UPDATE
  // then stores the converted values.
  std::vector<std::unique_ptr<sqlite3_value, void (*)(sqlite3_value*)>> from;  // by parameter
  if (operation == SQL_UPDATE) {
    std::string list;
    for (size_t i = 0; i < written.size(); ++i)
      list += (i ? ", " : "") +
              types::ConvertCall(P(int(i) + 1), columns[written[i]]->type, dateFormat);
    Kept converted{*db, db->Take("SELECT " + list, verb, info->name)};
    for (size_t i = 0; i < written.size(); ++i) values.bind(converted.s, int(i) + 1, written[i]);
    int rc = sqlite3_step(converted.s);
    if (rc != SQLITE_ROW) store::ThrowSqlite(db->handle(), rc, verb, info->name);
    std::vector<size_t> differing;
    for (size_t i = 0; i < written.size(); ++i) {
      sqlite3_value* v = sqlite3_column_value(converted.s, int(i));
      if (StoredAlike(row.values[written[i]], v, columns[written[i]]->declared)) continue;
      differing.push_back(written[i]);
      from.emplace_back(sqlite3_value_dup(v), sqlite3_value_free);
      if (!from.back()) throw EngineError("HY001", 0, "Memory allocation error.");
    }
    written = std::move(differing);
  }

  std::string sql;
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
    if (operation == SQL_DELETE) {
      sql = "DELETE FROM " + QuoteName(info->name);
    } else if (written.empty()) {
      // Nothing differs: no write, only whether the row is (still) there as fetched.
      sql = "SELECT 1 FROM " + QuoteName(info->name);
    } else {
      sql = "UPDATE " + QuoteName(info->name) + " SET ";
      for (size_t i = 0; i < written.size(); ++i)
        sql += (i ? ", " : "") + QuoteName(columns[written[i]]->name) + " = " + P(next++);
    }
    sql += " WHERE rowid = " + P(next++);
    // Optimistic: only while the stored values are still the ones fetched, byte for byte.
    if (compare)
      for (size_t c = 0; c < columns.size(); ++c)
        if (columns[c])
          sql += " AND " + QuoteName(columns[c]->name) + " IS " + P(next++) +
                 (types::IsCharacter(columns[c]->type.kind) ? " COLLATE BINARY" : "");
    // The rowset keeps what the table now holds (the next optimistic write compares with it).
    if (operation == SQL_UPDATE && !written.empty()) {
      sql += " RETURNING ";
      for (size_t i = 0; i < written.size(); ++i)
        sql += (i ? ", " : "") + QuoteName(columns[written[i]]->name);
    }
  }

  session.BeginIfNeeded(*db, true);
  // The row's lock: held already by a locking cursor; otherwise waited for, and kept only as
  // long as the write (or its transaction).
  std::vector<int64_t> bytes;
  bool held = false;
  if (operation != SQL_ADD && db->locks()) {
    int64_t byte = store::Locks::RowByte(table, row.rowid);
    held = db->locks()->Holds(byte);
    db->WaitForWriteLock();  // another's table lock first: it may want this row
    bytes.push_back(byte);
    db->locks()->Acquire(bytes);
  }
  struct Unlock {
    store::Database& db;
    std::vector<int64_t>& bytes;
    ~Unlock() {
      if (!bytes.empty()) db.locks()->Release(bytes);
    }
  } unlock{*db, bytes};

  bool check = operation == SQL_UPDATE && written.empty();
  if (check && !compare && held) {
    // Locked since the locking fetch read it: the row is there, as fetched.
    if (db->locks()) db->locks()->WriteWaitEnded();
    row.status = SQL_ROW_UPDATED;
    return 1;
  }
  Kept stmt{*db, db->Take(sql, check ? "SELECT" : verb, info->name)};
  int p = 1;
  if (operation == SQL_ADD) {
    for (size_t c : written) values.bind(stmt.s, p++, c);
  } else {
    for (const auto& v : from) sqlite3_bind_value(stmt.s, p++, v.get());
    sqlite3_bind_int64(stmt.s, p++, row.rowid);
    if (compare)
      for (size_t c = 0; c < columns.size(); ++c)
        if (columns[c]) BindValue(stmt.s, p++, row.values[c]);
  }
  store::Database::WriteWatch watch(*db);  // kept plans stay valid (store::Database::OwnWrite)
  int rc = sqlite3_step(stmt.s);
  SQLLEN changed = 0;
  if (rc == SQLITE_ROW) {
    changed = 1;
    if (!check)
      for (size_t i = 0; i < written.size(); ++i) row.values[written[i]].Assign(stmt.s, int(i));
    rc = sqlite3_step(stmt.s);
  }
  if (db->locks()) db->locks()->WriteWaitEnded();
  if (rc != SQLITE_DONE) store::ThrowSqlite(db->handle(), rc, check ? "SELECT" : verb, info->name);
  if (!check) changed = SQLLEN(sqlite3_changes(db->handle()));
  if (changed && !check && db->locks()) db->locks()->Committed();  // before the row's lock goes
  if (changed && !check) watch.Wrote();
  if (changed == 0) {
    notices.push_back({"01001", 0, kConflictMessage});
    return 0;
  }
  row.status = operation == SQL_ADD ? SQL_ROW_ADDED
               : operation == SQL_DELETE ? SQL_ROW_DELETED : SQL_ROW_UPDATED;
  if (operation == SQL_ADD) row.rowid = sqlite3_last_insert_rowid(db->handle());  // its bookmark
  return changed;
}

}  // namespace engine::exec
