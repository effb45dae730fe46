// One SQLite database file opened by one connection: WAL, synchronous=FULL, a busy timeout as
// the lock timeout, no double-quoted string literals, and an authorizer that keeps statements
// inside the file (no ATTACH, no PRAGMA from user text).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace engine::store {

class Locks;

// Whether user text calls one of the functions SQLite's ALTER TABLE uses internally: such an
// ALTER gets no exemption for them (Database::SetAltering).
bool CallsAlterFunction(const std::string& sql);

class Database {
 public:
  // Opens an existing file; throws EngineError with the given state/native/message if missing.
  static std::shared_ptr<Database> Open(const std::string& path, const std::string& name,
                                        long lockTimeoutMs);
  // Creates the file (owner read/write only) in WAL mode; false when it already exists.
  static bool Create(const std::string& path);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  sqlite3* handle() const { return db_; }
  const std::string& name() const { return name_; }  // lower case database name
  const std::string& path() const { return path_; }

  // Runs engine-internal SQL (no rows). Throws on failure.
  void Exec(const char* sql);
  // Waits for SQLite's write lock poll until the lock timeout, and end early when the wait
  // closes a deadlock with the row locks of the database (store/Locks.h).
  void SetLockTimeout(long ms);
  long lockTimeout() const { return lockTimeoutMs_; }
  // The connection's row locks and in-use mark of this database (shared by its handles).
  const std::shared_ptr<Locks>& locks() const { return locks_; }
  void SetLocks(std::shared_ptr<Locks> locks) { locks_ = std::move(locks); }
  bool InTransaction() const;
  // Outside a transaction: waits (as for the write lock) until no other connection holds the
  // database's write lock; a table lock (TABLOCKX) holds it until its transaction ends.
  void WaitForWriteLock();
  // Prepares user text (one statement). Throws the mapped error.
  sqlite3_stmt* Prepare(const std::string& sql, const char* verb, const std::string& table);
  // Prepare once per text: Take hands out a kept statement of that text (reset, no bindings)
  // or prepares one; Give resets it and keeps it for the next Take. SQLite prepares a kept
  // statement again by itself after a schema change.
  sqlite3_stmt* Take(const std::string& sql, const char* verb, const std::string& table);
  void Give(sqlite3_stmt* s);
  // Inside Exec or a CatalogAccess scope: the authorizer lets engine statements through.
  bool internal() const { return internal_ > 0; }
  // While a user's ALTER TABLE runs, SQLite's own schema-rewriting functions (printf,
  // sqlite_rename_*...) are let through: SQLite calls them from the nested SQL it runs.
  void SetAltering(bool on) { altering_ = on; }
  bool altering() const { return altering_; }

  // A cursor that keeps a statement open between fetches, and with it the handle's read
  // snapshot. Every other statement on the handle would read inside that snapshot, so Claim
  // lets it go first (Take, Prepare, Exec and CatalogAccess claim the handle for nobody).
  class Holder {
   public:
    virtual void LetGo() = 0;

   protected:
    ~Holder() = default;
  };
  void Claim(Holder* by) {
    if (holder_ && holder_ != by) {
      Holder* h = holder_;
      holder_ = nullptr;
      h->LetGo();
    }
  }
  void SetHolder(Holder* h) { holder_ = h; }
  Holder* holder() const { return holder_; }
  // The first copy of the WAL-index header (store/Database.cpp): it changes with every commit
  // by anyone. False when it cannot be read.
  static constexpr size_t kWalMark = 48;
  bool WalMark(unsigned char out[kWalMark]);
  // Headers known to differ from a verified one only by this connection's own writes, which
  // change no schema: what was checked against the schema at the chain's first header still
  // holds at its last. Verified starts a chain at now (or returns the one that ends there);
  // OnChain says whether now is still the end of that chain; OwnWrite extends the chain when
  // the one transaction between before and after was the connection's own write.
  uint64_t Verified(const unsigned char now[kWalMark]);
  bool OnChain(uint64_t chain, const unsigned char now[kWalMark]) const;
  void OwnWrite(const unsigned char before[kWalMark], const unsigned char after[kWalMark]);
  // Inside a transaction the schema a statement sees changes only by the transaction's own
  // statements: the epoch changes at every BEGIN and after every statement that is neither a
  // query nor a write (Session), and what was checked in an epoch holds through it. Epochs are
  // unique over all handles.
  uint64_t epoch() const { return epoch_; }
  void NewEpoch();
  // Another handle of the same connection on the same file follows the same chain.
  void ShareChain(const Database& with) { chain_ = with.chain_; }
  // Brackets one write of this connection outside a transaction: Wrote, once it changed rows,
  // tells the chain (OwnWrite).
  class WriteWatch {
   public:
    explicit WriteWatch(Database& db);
    void Wrote();

   private:
    Database& db_;
    bool on_;
    unsigned char before_[kWalMark];
  };

  // While one is alive, engine-internal SQL on the handle may read the catalogue through pragma
  // functions (pragma_index_list...), which SQLite authorizes when they run. Never held while
  // user text runs.
  class CatalogAccess {
   public:
    explicit CatalogAccess(Database& db);
    ~CatalogAccess();
    CatalogAccess(const CatalogAccess&) = delete;
    CatalogAccess& operator=(const CatalogAccess&) = delete;

   private:
    Database& db_;
  };

 private:
  Database() = default;
  sqlite3* db_ = nullptr;
  std::string name_, path_;
  int internal_ = 0;  // Exec calls and CatalogAccess objects alive
  bool altering_ = false;
  static constexpr size_t kKeep = 256;
  std::unordered_map<std::string, std::vector<sqlite3_stmt*>> kept_;
  size_t keptCount_ = 0;
  long lockTimeoutMs_ = 30000;
  uint64_t busySince_ = 0;  // when the current wait for the write lock began
  std::shared_ptr<Locks> locks_;
  Holder* holder_ = nullptr;
  void volatile* shm_ = nullptr;  // SQLite's mapping of the start of the -shm file
  struct Chain {
    uint64_t id = 0;  // 0: none yet
    unsigned char end[kWalMark] = {};
  };
  std::shared_ptr<Chain> chain_ = std::make_shared<Chain>();
  uint64_t epoch_ = 0;
  static int Busy(void* self, int count);
};

// A prepared statement released on scope exit.
class Stmt {
 public:
  explicit Stmt(sqlite3_stmt* s = nullptr) : s_(s) {}
  ~Stmt();
  Stmt(Stmt&& o) noexcept : s_(o.s_) { o.s_ = nullptr; }
  Stmt& operator=(Stmt&& o) noexcept;
  Stmt(const Stmt&) = delete;
  Stmt& operator=(const Stmt&) = delete;
  sqlite3_stmt* get() const { return s_; }
  sqlite3_stmt* release() {
    sqlite3_stmt* s = s_;
    s_ = nullptr;
    return s;
  }

 private:
  sqlite3_stmt* s_;
};

// Maps an SQLite failure to SQL Server's state, number and text. verb is the statement's first
// word (SELECT, DROP...), table its main table when known.
[[noreturn]] void ThrowSqlite(sqlite3* db, int rc, const char* verb, const std::string& table);

}  // namespace engine::store
