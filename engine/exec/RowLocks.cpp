#include "exec/RowLocks.h"

#include <sqlite3.h>
#include <time.h>

#include <vector>

#include "common/Error.h"
#include "store/Database.h"
#include "store/Locks.h"

namespace engine::exec {

namespace {

// Collects the rows a statement changes, through SQLite's update hook, while it lives.
class Changed {
 public:
  explicit Changed(sqlite3* db) : db_(db) { sqlite3_update_hook(db_, &Changed::Hook, this); }
  ~Changed() { sqlite3_update_hook(db_, nullptr, nullptr); }
  Changed(const Changed&) = delete;
  Changed& operator=(const Changed&) = delete;
  std::vector<int64_t> bytes;

 private:
  static void Hook(void* self, int op, const char*, const char* table, sqlite3_int64 rowid) {
    if (op != SQLITE_INSERT)
      static_cast<Changed*>(self)->bytes.push_back(store::Locks::RowByte(table, rowid));
  }
  sqlite3* db_;
};

// A savepoint run with sqlite3_exec directly: Database::Exec lifts the authorizer, which expires
// every prepared statement of the handle, the one being run included.
class Savepoint {
 public:
  explicit Savepoint(store::Database& db) : db_(db), outermost_(!db.InTransaction()) {
    int rc = sqlite3_exec(db_.handle(), "SAVEPOINT zorb_rows", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) store::ThrowSqlite(db_.handle(), rc, "", "");
  }
  ~Savepoint() {
    // Outside a transaction the savepoint was the transaction: all of it goes.
    if (open_)
      sqlite3_exec(db_.handle(),
                   outermost_ ? "ROLLBACK" : "ROLLBACK TO zorb_rows; RELEASE zorb_rows", nullptr,
                   nullptr, nullptr);
  }
  Savepoint(const Savepoint&) = delete;
  Savepoint& operator=(const Savepoint&) = delete;
  void Release() {
    int rc = sqlite3_exec(db_.handle(), "RELEASE zorb_rows", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) store::ThrowSqlite(db_.handle(), rc, "", "");
    open_ = false;
  }

 private:
  store::Database& db_;
  bool outermost_;
  bool open_ = true;
};

long ElapsedMs(const timespec& since) {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return long(now.tv_sec - since.tv_sec) * 1000 + (now.tv_nsec - since.tv_nsec) / 1000000;
}

}  // namespace

SQLLEN RunLockingRows(store::Database& db, sqlite3_stmt* stmt, const char* verb,
                      const std::string& table) {
  store::Locks* locks = db.locks().get();
  if (!locks || !locks->RowLocksInUse()) {
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) store::ThrowSqlite(db.handle(), rc, verb, table);
    return SQLLEN(sqlite3_changes(db.handle()));
  }
  // Run it in a savepoint, then lock the rows it changed without waiting; when another
  // connection holds one, undo (outside a transaction that lets the write lock go too), wait for
  // that row, and run it again.
  timespec start;
  clock_gettime(CLOCK_MONOTONIC, &start);
  std::vector<int64_t> waited;  // rows locked after a wait, kept until the statement ends
  struct Release {
    store::Locks* locks;
    std::vector<int64_t>* bytes;
    ~Release() { locks->Release(*bytes); }
  } releaseWaited{locks, &waited};
  std::vector<int64_t> held;
  Release releaseHeld{locks, &held};
  for (;;) {
    int64_t blocked = 0;
    {
      Changed changed(db.handle());
      Savepoint sp(db);
      int rc;
      while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      }
      if (rc != SQLITE_DONE) {
        sqlite3_reset(stmt);
        store::ThrowSqlite(db.handle(), rc, verb, table);
      }
      SQLLEN count = SQLLEN(sqlite3_changes(db.handle()));
      if (locks->TryAcquire(changed.bytes, &blocked)) {
        held = changed.bytes;
        sp.Release();  // outside a transaction, the commit: the rows stay locked until it is done
        if (!changed.bytes.empty()) locks->Committed();
        return count;
      }
      sqlite3_reset(stmt);
    }  // the savepoint rolls back
    if (locks->timeout() >= 0 && ElapsedMs(start) >= locks->timeout())
      throw EngineError("HYT00", 1222, "Lock request time out period exceeded.");
    locks->Acquire({blocked});  // waits for that row (timeout, deadlock)
    waited.push_back(blocked);
  }
}

}  // namespace engine::exec
