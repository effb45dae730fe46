// The locks of one database that SQLite does not keep, shared by every connection and process
// through the file "<database>.locks":
// - the in-use mark: every connection using the database holds a shared lock on one byte, which
//   DROP DATABASE must be able to take exclusively;
// - row locks: an exclusive open-file-description lock on one byte per row, derived from the
//   table and the rowid, so that consecutive rowids are consecutive bytes and a rowset is locked
//   in few calls; the kernel drops them when their holder ends, however it ends;
// - a small shared map (the start of the file, mapped) of what each registered connection holds
//   and waits for, from which a wait that can never end (a deadlock) is found and one waiter
//   chosen as its victim.
// One object per connection and database; a connection's own locks never conflict with each
// other, those of any other connection (in this process or another) do.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <map>
#include <unordered_set>
#include <vector>

#include "common/Error.h"

namespace engine::store {

// 40001/1205: this connection was chosen as a deadlock's victim.
EngineError DeadlockVictim();

class Locks {
 public:
  // Opens the lock file beside the database file and marks the database in use. Null when the
  // database is being dropped.
  static std::shared_ptr<Locks> Open(const std::string& databasePath);
  // Takes the in-use mark exclusively for a drop: true when no connection uses the database.
  // fd receives the descriptor that holds it (close it after the files are gone).
  static bool TakeForDrop(const std::string& databasePath, int& fd);
  ~Locks();
  Locks(const Locks&) = delete;
  Locks& operator=(const Locks&) = delete;

  // The byte of a row.
  static int64_t RowByte(const std::string& table, int64_t rowid);

  void SetTimeout(long ms) { timeoutMs_ = ms; }
  long timeout() const { return timeoutMs_; }
  // Called when this connection is chosen as a deadlock victim, before the error is thrown:
  // rolls back its transaction.
  void OnVictim(std::function<void()> f) { onVictim_ = std::move(f); }

  // Locks every byte, waiting up to the lock timeout for those another connection holds.
  // Throws HYT00/1222 when the time is up and 40001/1205 as a deadlock's victim; nothing new is
  // held then. Locks are counted: each Acquire of a byte needs its Release.
  void Acquire(const std::vector<int64_t>& bytes);
  // As Acquire without waiting: false (nothing new held) when another connection holds one;
  // blocked receives that byte.
  bool TryAcquire(const std::vector<int64_t>& bytes, int64_t* blocked);
  void Release(const std::vector<int64_t>& bytes);
  // Release(previous) and Acquire(next), bytes in both kept: the previous go first, so that
  // they are unlocked in few calls (a range may span bytes nobody of this connection holds).
  void Exchange(const std::vector<int64_t>& previous, const std::vector<int64_t>& next);
  // Drops every lock (a deadlock's victim, whose transaction was rolled back).
  void ReleaseAll();
  bool Holds(int64_t byte) const { return refs_.count(byte) != 0; }
  // A count of the commits of row-locked changes: a writer bumps it after committing and before
  // releasing the rows' locks. A locking fetch that finds it unchanged from before its read to
  // after its locks were granted knows that the rows it read are still as they are.
  uint64_t Commits();
  void Committed();
  // Whether any connection has ever taken row locks on the database (statements check the rows
  // they change only then).
  bool RowLocksInUse();

  // While a transaction is open, every lock taken is also the transaction's, held until it
  // ends; ending it releases them.
  void SetTransaction(bool open);
  // Whether the connection holds the database's write lock inside a transaction.
  void SetHoldsWrite(bool holds);
  // Whether another connection says it holds the write lock inside a transaction.
  bool OthersHoldWrite();
  // Called while waiting for the database's write lock: false when the wait should end because
  // this connection is a deadlock's victim.
  bool WriteWaitMayGoOn(bool first);
  // The wait for the write lock is over (it was granted or given up).
  void WriteWaitEnded();

 private:
  Locks() = default;
  struct Shared;
  struct Slot;
  bool Map(bool create);  // maps the shared map; creates it when asked
  bool Register();  // claims a slot of the shared map; false when all are taken
  bool LockRange(int64_t start, int64_t length);
  void UnlockRange(int64_t start, int64_t length);
  // Unlocks bytes no longer held (sorted): one call per group not split by a held byte.
  void UnlockMerged(const std::vector<int64_t>& gone);
  void Held(int64_t byte, int delta);
  // Waits for one byte; throws on timeout or as a victim.
  void WaitFor(int64_t byte);
  void BeginWait(int64_t resource);
  void EndWait();
  bool Victim();

  int fd_ = -1;
  long timeoutMs_ = 30000;
  std::function<void()> onVictim_;
  std::map<int64_t, int> refs_;  // held bytes and their counts, in order
  std::unordered_set<int64_t> transaction_;  // bytes the open transaction holds
  bool inTransaction_ = false;
  bool holdsWrite_ = false;
  Shared* shared_ = nullptr;  // the mapped start of the file
  int slot_ = -1;
  uint64_t waitStart_ = 0;
};

}  // namespace engine::store
