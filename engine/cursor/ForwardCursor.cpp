#include "cursor/ForwardCursor.h"

#include <sqlite3.h>

#include <cstring>

#include "common/Text.h"

namespace engine::cursor {

namespace {

bool IsIdentifier(const char* s) {
  if (!s || !*s) return false;
  for (const char* p = s; *p; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c >= 0x80 ||
              (p != s && c >= '0' && c <= '9');
    if (!ok) return false;
  }
  // Bare keywords SQLite names a column after: they are expressions, not aliases.
  static const char* const kExpressions[] = {"NULL", "CURRENT_TIMESTAMP", "CURRENT_DATE",
                                             "CURRENT_TIME", "TRUE", "FALSE"};
  for (const char* k : kExpressions)
    if (IEquals(s, k)) return false;
  return true;
}

// SQLite names an unaliased expression after its text. A name that the statement's text holds
// quoted ([p q], a sub-select's column) or as a text after AS (AS 'p q') is a real name.
bool IsQuotedAlias(sqlite3_stmt* stmt, const char* name) {
  const char* sql = sqlite3_sql(stmt);
  if (!name || !*name || !sql) return false;
  if (std::strstr(sql, QuoteName(name).c_str())) return true;
  const std::string text = QuoteLiteral(name);
  for (const char* at = std::strstr(sql, text.c_str()); at; at = std::strstr(at + 1, text.c_str())) {
    const char* p = at;
    while (p > sql && (p[-1] == ' ' || p[-1] == '\n' || p[-1] == '\t')) --p;
    if (p - sql >= 3 && (p[-2] == 'A' || p[-2] == 'a') && (p[-1] == 'S' || p[-1] == 's') &&
        (p[-3] == ' ' || p[-3] == ')' || p[-3] == '\n'))
      return true;
  }
  return false;
}

}  // namespace

std::vector<Column> ForwardCursor::Describe(sqlite3_stmt* stmt, bool stepped) {
  std::vector<Column> cols;
  int n = sqlite3_column_count(stmt);
  sqlite3* db = sqlite3_db_handle(stmt);
  for (int i = 0; i < n; ++i) {
    Column c;
    const char* name = sqlite3_column_name(stmt, i);
    const char* origin = sqlite3_column_origin_name(stmt, i);
    const char* table = sqlite3_column_table_name(stmt, i);
    const char* decl = sqlite3_column_decltype(stmt, i);
    if (origin) {
      c.baseName = origin;
      c.baseTable = table ? table : "";
      // Without an alias the column keeps the case of its declaration.
      c.name = (name && !IEquals(name, origin)) ? name : origin;
      int notNull = 0, primaryKey = 0, autoInc = 0;
      const char* declType = nullptr;
      const char* collation = nullptr;
      if (table && sqlite3_table_column_metadata(db, sqlite3_column_database_name(stmt, i), table,
                                                 origin, &declType, &collation, &notNull,
                                                 &primaryKey, &autoInc) == SQLITE_OK)
        c.nullable = notNull ? SQL_NO_NULLS : SQL_NULLABLE;
    } else {
      c.name = IsIdentifier(name) || IsQuotedAlias(stmt, name) ? name : "";
      c.nullable = SQL_NULLABLE_UNKNOWN;
    }
    if (decl) {
      c.declared = decl;
      c.type = convert::DescribeDeclared(decl);
    } else {
      int t = stepped ? sqlite3_column_type(stmt, i) : SQLITE_NULL;
      size_t len = stepped ? size_t(sqlite3_column_bytes(stmt, i)) : 0;
      c.type = convert::DescribeComputed(t, len);
    }
    cols.push_back(std::move(c));
  }
  return cols;
}

ForwardCursor::ForwardCursor(std::shared_ptr<store::Database> db, sqlite3_stmt* stmt,
                             SQLULEN maxRows, const std::string& verb, const std::string& table)
    : db_(std::move(db)), stmt_(stmt), maxRows_(maxRows), verb_(verb), table_(table) {
  try {
    pending_ = Step();
  } catch (...) {
    sqlite3_finalize(stmt_);
    stmt_ = nullptr;
    throw;
  }
  columns_ = Describe(stmt_, pending_);
}

ForwardCursor::~ForwardCursor() { Close(); }

void ForwardCursor::Close() {
  if (stmt_) {
    sqlite3_finalize(stmt_);
    stmt_ = nullptr;
  }
  done_ = true;
  pending_ = false;
  onStatement_ = nullptr;
}

bool ForwardCursor::ReadAgain(FetchedRow& row) {
  if (&row != onStatement_ || done_ || pending_) return false;
  Take(row, 0, stmt_, columns_.size(), false);
  return true;
}

SQLLEN ForwardCursor::RowsReturned(bool toEnd) {
  SQLULEN n = delivered_;
  if (toEnd) onStatement_ = nullptr;
  try {
    while (toEnd && (pending_ || Step()) && !(maxRows_ && n >= maxRows_)) {
      pending_ = false;
      ++n;
    }
  } catch (const EngineError&) {
    // A row that fails was never returned.
  }
  return SQLLEN(n);
}

bool ForwardCursor::Step() {
  if (done_ || !stmt_) return false;
  int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  done_ = true;
  // Ends the read transaction at once in autocommit mode.
  sqlite3_reset(stmt_);
  if (rc != SQLITE_DONE) store::ThrowSqlite(db_->handle(), rc, verb_.c_str(), table_);
  return false;
}

SQLRETURN ForwardCursor::Fetch(SQLSMALLINT orientation, SQLLEN, size_t rowsetSize,
                               std::vector<FetchedRow>& rows, std::vector<Notice>&) {
  if (orientation != SQL_FETCH_NEXT)
    throw EngineError("HY106", 0, "Fetch type out of range: the cursor is forward-only.");
  if (rowsetSize == 0) rowsetSize = 1;
  SQLLEN start = SQLLEN(delivered_) + 1;
  size_t count = 0;
  size_t n = columns_.size();
  onStatement_ = nullptr;
  // The rows of the previous rowset are overwritten in place: their text buffers are reused.
  while (count < rowsetSize) {
    if (maxRows_ && delivered_ >= maxRows_) break;
    if (!pending_) pending_ = Step();
    if (!pending_) break;
    if (rows.size() <= count) rows.emplace_back();
    FetchedRow& r = rows[count];
    r.status = SQL_ROW_SUCCESS;
    Take(r, count, stmt_, n, direct_ && (count > 0 || rowsetSize == 1));
    ++count;
    pending_ = false;
    ++delivered_;
  }
  rows.resize(count);
  if (count > 0 && !done_) onStatement_ = &rows[count - 1];
  if (count == 0) {
    rowsetStart_ = 0;
    if (stmt_ && !done_) {
      done_ = true;
      sqlite3_reset(stmt_);
    }
    return SQL_NO_DATA;
  }
  rowsetStart_ = start;
  return SQL_SUCCESS;
}

}  // namespace engine::cursor
