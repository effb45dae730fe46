// Dynamic cursor: never materialised. It keeps the ORDER BY values and row id of the first and
// last rows of its rowset; every block fetch runs bounded SQLite queries from that boundary
// (the query's WHERE and a NULL-aware comparison with the boundary, in the query's order or its
// reverse, limited to the rowset), so a fetch costs O(log N + rowset) on an index that matches
// the ORDER BY and sees what other connections committed since the previous fetch.
#pragma once
#include <functional>
#include <map>
#include <memory>
#include <mutex>

#include "cursor/Cursor.h"
#include "cursor/IdleRelease.h"
#include "cursor/Positioning.h"
#include "cursor/QueryShape.h"
#include "store/Database.h"
#include "types/Schema.h"

struct sqlite3_stmt;
struct sqlite3_value;

namespace engine::store {
class Database;
class Locks;
}

namespace engine::cursor {

// Statement attribute of this driver (read only): QueryPlans() of the open dynamic cursor.
constexpr SQLINTEGER kAttrQueryPlans = SQL_DRIVER_STMT_ATTR_BASE + 1;

class DynamicCursor : public Cursor, store::Database::Holder, IdleHolder {
 public:
  // Binds parameter i (1-based) of a statement to the application's value.
  using Binder = std::function<void(sqlite3_stmt*, int)>;

  // A cursor for the prepared query stmt (bound, not stepped), or null when the query cannot be
  // re-run from a boundary (no row ids, for example); stmt is then left as it was. On success
  // the cursor has finalized stmt.
  static std::unique_ptr<DynamicCursor> TryOpen(std::shared_ptr<store::Database> db,
                                                sqlite3_stmt* stmt, const QueryShape& shape,
                                                const Binder& bind, const std::string& verb,
                                                std::shared_ptr<const types::TableInfo> info);
  ~DynamicCursor() override;

  const std::vector<Column>& columns() const override { return columns_; }
  SQLULEN type() const override { return SQL_CURSOR_DYNAMIC; }
  SQLRETURN Fetch(SQLSMALLINT orientation, SQLLEN offset, size_t rowsetSize,
                  std::vector<FetchedRow>& rows, std::vector<Notice>& notices) override;
  // Row numbers of a dynamic cursor cannot be known.
  SQLLEN RowsetStart() const override { return 0; }
  void Close() override;

  const QueryShape& shape() const { return shape_; }
  const std::shared_ptr<store::Database>& database() const { return db_; }

  // Row locks (SQL_CONCUR_LOCK): every fetch locks the rows of its rowset and returns them as
  // they are once locked, then releases the previous rowset's (store/Locks.h).
  void LockRows(std::shared_ptr<store::Locks> locks) { locks_ = std::move(locks); }
  // SQL_LOCK_UNLOCK: the cursor lets the row's lock go (a transaction keeps its own).
  void UnlockRow(int64_t rowid);
  // Reads the row of that rowid again (the query's WHERE still applies): false when it is gone.
  bool ReadRow(int64_t rowid, FetchedRow& row);
  // Makes the row of that rowid the current rowset's first, so that a relative fetch starts
  // from it (SQL_FETCH_BOOKMARK): false when it is gone or no longer matches the query.
  bool PlaceAt(int64_t rowid);
  // Held snapshots: while nobody commits, a fetch keeps its read snapshot and NEXT after NEXT
  // (PRIOR after PRIOR) steps the open statement on. guard is the connection's: the idle
  // release acts under it (cursor/IdleRelease.h). Without one the cursor never holds.
  void HoldSnapshots(std::shared_ptr<std::recursive_mutex> guard) { guard_ = std::move(guard); }
  // One copy (FillDirect): FIRST and NEXT write the columns straight; a row is read again by
  // its rowid.
  bool ReadAgain(FetchedRow& row) override { return ReadRow(row.rowid, row); }
  // The queries of the last fetch, each followed by SQLite's plan for it (one line a step).
  std::string QueryPlans();

 private:
  struct Key {
    std::vector<Value> values;  // one per ORDER BY term
    int64_t rowid = 0;
  };
  DynamicCursor(std::shared_ptr<store::Database> db, const QueryShape& shape, std::string verb);
  // The statements that read rows beyond a boundary (or from an end when from is null), in
  // order; prepared once per kind of boundary.
  const std::vector<sqlite3_stmt*>& Plan(bool backward, const Key* from, bool inclusive);
  std::vector<std::string> Conditions(bool backward, const Key& from, bool inclusive) const;
  std::string QueryText(bool backward, const std::string& condition) const;
  sqlite3_stmt* Prepare(const std::string& sql);
  // Reads up to take rows after skipping skip, beyond from, into rows and keys (in the
  // query's order, whatever the direction). Returns the number read.
  size_t Scan(bool backward, const Key* from, bool inclusive, size_t skip, size_t take,
              std::vector<FetchedRow>& rows, std::vector<Key>& keys);
  // The rows just scanned become the rowset: its first and last keys are the new boundaries.
  SQLRETURN Land(size_t count);
  SQLRETURN NoData(Place place, std::vector<FetchedRow>& rows);
  SQLRETURN First(size_t size, std::vector<FetchedRow>& rows);
  SQLRETURN Absolute(SQLLEN k, size_t size, std::vector<FetchedRow>& rows,
                     std::vector<Notice>& notices);
  SQLRETURN BeforeFirst(size_t size, std::vector<FetchedRow>& rows, std::vector<Notice>& notices);
  SQLRETURN FetchRows(SQLSMALLINT orientation, SQLLEN offset, size_t rowsetSize,
                      std::vector<FetchedRow>& rows, std::vector<Notice>& notices);
  // Reads a row by rowid into row and key; false when it is gone.
  bool ReadRow(int64_t rowid, FetchedRow& row, Key& key);
  void LetGo() override;      // another statement needs the handle
  void LetGoIdle() override;  // idle too long
  void Drop();

  // The statement left on the last row read while its snapshot is held.
  struct Open {
    sqlite3_stmt* stmt = nullptr;
    const std::vector<sqlite3_stmt*>* plan = nullptr;
    size_t index = 0;    // of stmt in plan
    bool backward = false;
    Key from;            // the boundary the plan's queries are bound to
    bool inclusive = false;
    int64_t rowid = 0;   // of the last row read
  } open_;
  unsigned char mark_[store::Database::kWalMark] = {};  // the WAL-index header of the snapshot
  std::shared_ptr<std::recursive_mutex> guard_;

  std::shared_ptr<store::Database> db_;
  QueryShape shape_;
  std::string verb_;
  std::string tag_;  // the table's schema version, in front of every query text
  std::vector<Column> columns_;
  size_t visible_ = 0;                   // columns the application sees
  std::vector<sqlite3_value*> params_;   // the application's parameters, as bound at execute
  std::vector<bool> notNull_;            // per ORDER BY term: a NOT NULL column
  size_t uniquePrefix_ = 0;              // terms 1..k cover a unique index (0: none do)
  std::string where_;                    // with uniquePrefix_: the WHERE seeking on the key
  std::map<std::string, std::vector<sqlite3_stmt*>> plans_;
  const std::vector<sqlite3_stmt*>* lastPlan_ = nullptr;  // the queries of the last fetch
  bool directScan_ = false;  // this fetch's scan fills direct_'s columns
  Place place_ = Place::BeforeStart;
  Key first_, last_;
  std::vector<Key> keys_;                // keys of the rows of the last scan
  std::vector<FetchedRow> probe_;        // rows of scans that only look for a position
  std::vector<Key> probeKeys_;
  std::shared_ptr<store::Locks> locks_;  // set for a locking cursor
  std::vector<int64_t> locked_;          // the lock bytes of the current rowset
};

}  // namespace engine::cursor
