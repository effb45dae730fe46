// The result of a statement as the ODBC layer sees it: a described set of columns and fetches by
// orientation that fill a rowset. Forward-only cursors stream from SQLite; scrollable kinds
// implement the same interface.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/Error.h"
#include "convert/SqlTypes.h"
#include "cursor/Value.h"
#include "odbc/Api.h"

struct sqlite3_stmt;

namespace engine::cursor {

struct Column {
  std::string name;        // empty for a computed column without an alias
  std::string baseName;    // table column it comes from, if any
  std::string baseTable;
  std::string declared;    // declared type text
  convert::SqlType type;
  SQLSMALLINT nullable = SQL_NULLABLE_UNKNOWN;
};

struct FetchedRow {
  Row values;
  SQLUSMALLINT status = SQL_ROW_SUCCESS;
  int64_t rowid = 0;  // the table row a dynamic cursor read it from; 0 otherwise
  uint64_t direct = 0;  // columns (bit c) written straight into bound buffers: not in values
};

class Cursor {
 public:
  virtual ~Cursor() = default;
  virtual const std::vector<Column>& columns() const = 0;
  // SQL_CURSOR_FORWARD_ONLY, SQL_CURSOR_STATIC, SQL_CURSOR_DYNAMIC...: the kind served.
  virtual SQLULEN type() const = 0;
  // Replaces rows with the rowset that orientation and offset select under ODBC's rules.
  // Returns SQL_SUCCESS, SQL_SUCCESS_WITH_INFO (notices added) or SQL_NO_DATA; throws
  // EngineError for failures.
  virtual SQLRETURN Fetch(SQLSMALLINT orientation, SQLLEN offset, size_t rowsetSize,
                          std::vector<FetchedRow>& rows, std::vector<Notice>& notices) = 0;
  // 1-based number of the current rowset's first row in the result; 0 before or after it.
  virtual SQLLEN RowsetStart() const = 0;
  // The rows the statement returned, for @@ROWCOUNT when its result ends (toEnd: counting
  // those not read yet too); -1 when it leaves @@ROWCOUNT as it was.
  virtual SQLLEN RowsReturned(bool /*toEnd*/) { return -1; }
  // Releases what the cursor holds in SQLite (statements, read snapshots, locks).
  virtual void Close() = 0;

  // One copy: a fetch may write the columns of `columns` (bit c: column c) straight from SQLite
  // into the application's buffers through fill(row of the rowset, column, statement), which
  // returns false when it cannot (the value is then kept and converted as usual). Set for one
  // fetch; null: none. Cursors that keep every value ignore it.
  struct Direct {
    uint64_t columns = 0;
    std::function<bool(size_t row, size_t column, sqlite3_stmt* s)> fill;
  };
  void FillDirect(const Direct* direct) { direct_ = direct; }
  // Reads the values of a row of the rowset again, for its columns written straight
  // (FetchedRow::direct) that SQLGetData asks for; false when the row cannot be read again.
  virtual bool ReadAgain(FetchedRow& /*row*/) { return false; }

 protected:
  // Row i of the rowset from the statement's current row: with direct, direct_'s columns go
  // straight into the application's buffers where they can, every other value is kept.
  void Take(FetchedRow& r, size_t i, sqlite3_stmt* s, size_t n, bool direct) {
    r.values.resize(n);
    r.direct = 0;
    for (size_t j = 0; j < n; ++j) {
      if (direct && j < 64 && (direct_->columns >> j & 1) && direct_->fill(i, j, s))
        r.direct |= uint64_t(1) << j;
      else
        r.values[j].Assign(s, int(j));
    }
  }

  const Direct* direct_ = nullptr;
};

}  // namespace engine::cursor
