#include "store/Database.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <time.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>

#include "common/Error.h"
#include "common/Text.h"
#include "store/Locks.h"
#include "tsql/Ddl.h"
#include "types/Functions.h"
#include "types/Schema.h"
#include "types/Values.h"

namespace engine::store {

namespace {

// The functions user text may call: those of T-SQL that SQLite has under the same name and
// meaning (LIKE runs as the function like), the engine's own (types/Functions.h), and the
// window function that numbers rows inserted into an IDENTITY column. Every other SQLite function (fts3_tokenizer,
// load_extension, sqlite_version, printf...) is unknown here.
const char* const kFunctions[] = {
    "abs",     "acos",     "asin",      "atan",    "avg",     "ceiling", "char",
    "coalesce", "cos",     "count",     "current_timestamp", "degrees", "exp", "floor",
    "iif",     "like",     "log",       "log10",   "lower",   "ltrim",   "max",
    "min",     "nullif",   "pi",        "power",   "radians", "replace", "round",
    "rtrim",   "sign",     "sin",       "sqrt",    "substring", "sum",   "tan",
    "trim",    "unicode",  "upper",     "row_number"};

// What SQLite's ALTER TABLE calls from the SQL it runs on sqlite_master.
const char* const kAlterFunctions[] = {"printf", "substr", "length", "glob", "sqlite_rename_column",
                                       "sqlite_rename_table", "sqlite_rename_test",
                                       "sqlite_rename_quotefix", "sqlite_drop_column"};

bool IsAlterFunction(const char* name) {
  for (const char* f : kAlterFunctions)
    if (sqlite3_stricmp(name, f) == 0) return true;
  return false;
}

}  // namespace

bool CallsAlterFunction(const std::string& sql) {
  std::string lower(sql);
  for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
  for (const char* f : kAlterFunctions)
    for (size_t at = lower.find(f); at != std::string::npos; at = lower.find(f, at + 1)) {
      size_t end = at + std::strlen(f);
      while (end < lower.size() && std::isspace(static_cast<unsigned char>(lower[end]))) ++end;
      if (end < lower.size() && lower[end] == '(') return true;
    }
  return false;
}

namespace {

bool IsTsqlFunction(const char* name) {
  for (const char* f : kFunctions)
    if (sqlite3_stricmp(name, f) == 0) return true;
  for (size_t i = 0; i < types::kEngineFunctionCount; ++i)
    if (sqlite3_stricmp(name, types::kEngineFunctions[i]) == 0) return true;
  return false;
}

// Denies what would reach outside the database file or change its settings, functions that are
// not T-SQL's, and any user access to the logins of master (their salts and hashes): only the
// engine's own code reads them.
int Authorize(void* data, int action, const char* arg1, const char* arg2, const char*,
              const char*) {
  // Engine-internal statements (Exec, CatalogAccess) pass. The authorizer stays installed:
  // setting it again would expire every prepared statement of the handle.
  if (data && static_cast<const Database*>(data)->internal()) return SQLITE_OK;
  switch (action) {
    case SQLITE_FUNCTION:
      if (arg2 && data && static_cast<const Database*>(data)->altering() && IsAlterFunction(arg2))
        return SQLITE_OK;
      return arg2 && IsTsqlFunction(arg2) ? SQLITE_OK : SQLITE_DENY;
    case SQLITE_PRAGMA:
      // ALTER TABLE ... ADD with a CHECK checks the rows already there through quick_check.
      return data && static_cast<const Database*>(data)->altering() && arg1 &&
                     sqlite3_stricmp(arg1, "quick_check") == 0
                 ? SQLITE_OK
                 : SQLITE_DENY;
    case SQLITE_ATTACH:
    case SQLITE_DETACH:
      return SQLITE_DENY;
    case SQLITE_READ:
    case SQLITE_INSERT:
    case SQLITE_UPDATE:
    case SQLITE_DELETE:
    case SQLITE_DROP_TABLE:
    case SQLITE_ALTER_TABLE: {
      const Database* d = static_cast<const Database*>(data);
      const char* table = action == SQLITE_ALTER_TABLE ? arg2 : arg1;
      return d && d->name() == "master" && table &&
                     (sqlite3_stricmp(table, "sys_logins") == 0 ||
                      sqlite3_stricmp(table, "sys_role_members") == 0)
                 ? SQLITE_DENY
                 : SQLITE_OK;
    }
    default:
      return SQLITE_OK;
  }
}

// Set by the busy handler when it gave up because the connection is a deadlock's victim; read
// by the error mapping of the SQLITE_BUSY that follows.
thread_local bool tDeadlockVictim = false;

uint64_t NowUs() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return uint64_t(t.tv_sec) * 1000000u + uint64_t(t.tv_nsec) / 1000u;
}

std::string After(const std::string& msg, const char* prefix) {
  size_t n = std::strlen(prefix);
  if (msg.compare(0, n, prefix) == 0) return msg.substr(n);
  return std::string();
}

// SQLite quotes names as they were written ("t", [t]); messages show them bare.
std::string Unquote(std::string n) {
  if (n.size() >= 2 && ((n.front() == '"' && n.back() == '"') || (n.front() == '[' && n.back() == ']') ||
                        (n.front() == '`' && n.back() == '`')))
    n = n.substr(1, n.size() - 2);
  return n;
}

std::string Unqualified(const std::string& name) {
  std::string n = Unquote(name);
  size_t dot = n.rfind('.');
  return dot == std::string::npos || n.find('"') != std::string::npos ? n : n.substr(dot + 1);
}

}  // namespace

Stmt::~Stmt() {
  if (s_) sqlite3_finalize(s_);
}

Stmt& Stmt::operator=(Stmt&& o) noexcept {
  if (this != &o) {
    if (s_) sqlite3_finalize(s_);
    s_ = o.s_;
    o.s_ = nullptr;
  }
  return *this;
}

bool Database::Create(const std::string& path) {
  int fd = ::open(path.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0600);
  if (fd < 0) {
    if (errno == EEXIST) return false;
    throw EngineError("HY000", 5123,
                      "CREATE FILE encountered operating system error " + std::to_string(errno) +
                          "(" + std::strerror(errno) + ") while attempting to open or create the "
                          "physical file '" + path + "'.");
  }
  fchmod(fd, 0600);
  ::close(fd);
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  if (rc == SQLITE_OK) {
    sqlite3_busy_timeout(db, 30000);
    rc = sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
  }
  std::string msg = db ? sqlite3_errmsg(db) : "out of memory";
  sqlite3_close_v2(db);
  if (rc != SQLITE_OK) {
    ::unlink(path.c_str());
    throw EngineError("HY000", rc, "Cannot create database file '" + path + "': " + msg + ".");
  }
  return true;
}

std::shared_ptr<Database> Database::Open(const std::string& path, const std::string& name,
                                         long lockTimeoutMs) {
  std::shared_ptr<Database> d(new Database());
  d->name_ = name;
  d->path_ = path;
  int rc = sqlite3_open_v2(path.c_str(), &d->db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                           nullptr);
  if (rc != SQLITE_OK) {
    std::string msg = d->db_ ? sqlite3_errmsg(d->db_) : "out of memory";
    throw EngineError("HY000", rc, "Cannot open database file '" + path + "': " + msg + ".");
  }
  sqlite3_extended_result_codes(d->db_, 1);
  sqlite3_db_config(d->db_, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
  sqlite3_db_config(d->db_, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
  sqlite3_db_config(d->db_, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
  d->NewEpoch();
  d->SetLockTimeout(lockTimeoutMs);
  d->Exec("PRAGMA synchronous=FULL");
  // Reads through a memory map: a scan in key order does not thrash the small page cache.
  d->Exec("PRAGMA mmap_size=268435456");
  sqlite3_set_authorizer(d->db_, Authorize, d.get());
  types::Register(d->db_);  // the char collation and value checks (types/Values.h)
  return d;
}

Database::~Database() {
  if (!db_) return;
  // Kept statements (and any other left) go first: a handle with statements would stay open.
  for (auto& [sql, list] : kept_)
    for (sqlite3_stmt* s : list) sqlite3_finalize(s);
  types::ForgetHandle(db_);
  while (sqlite3_stmt* s = sqlite3_next_stmt(db_, nullptr)) sqlite3_finalize(s);
  sqlite3_close_v2(db_);
}

bool Database::WalMark(unsigned char out[kWalMark]) {
  // Read through the handle's own mapping of the -shm file (its first region, mapped by SQLite
  // once the handle has read in WAL mode, and kept until the handle closes): no system call,
  // and the file SQLite itself uses.
  if (!shm_) {
    sqlite3_file* f = nullptr;
    if (sqlite3_file_control(db_, "main", SQLITE_FCNTL_FILE_POINTER, &f) != SQLITE_OK || !f ||
        !f->pMethods || f->pMethods->iVersion < 2 || !f->pMethods->xShmMap)
      return false;
    void volatile* region = nullptr;
    if (f->pMethods->xShmMap(f, 0, 32768, 0, &region) != SQLITE_OK || !region) return false;
    shm_ = region;
  }
  std::atomic_thread_fence(std::memory_order_acquire);
  std::memcpy(out, const_cast<const void*>(shm_), kWalMark);
  std::atomic_thread_fence(std::memory_order_acquire);
  return true;
}

uint64_t Database::Verified(const unsigned char now[kWalMark]) {
  Chain& c = *chain_;
  if (!c.id || std::memcmp(now, c.end, kWalMark) != 0) {
    ++c.id;
    std::memcpy(c.end, now, kWalMark);
  }
  return c.id;
}

bool Database::OnChain(uint64_t chain, const unsigned char now[kWalMark]) const {
  return chain && chain == chain_->id && std::memcmp(now, chain_->end, kWalMark) == 0;
}

void Database::OwnWrite(const unsigned char before[kWalMark], const unsigned char after[kWalMark]) {
  // The header's third word counts transactions: one more means only this one committed (a
  // restart of the log counts one too, and breaks the chain, which only costs a check).
  uint32_t b, a;
  std::memcpy(&b, before + 8, 4);
  std::memcpy(&a, after + 8, 4);
  Chain& c = *chain_;
  if (c.id && a == b + 1 && std::memcmp(before, c.end, kWalMark) == 0)
    std::memcpy(c.end, after, kWalMark);
}

void Database::NewEpoch() {
  static std::atomic<uint64_t> epochs{0};
  epoch_ = ++epochs;
}

Database::WriteWatch::WriteWatch(Database& db)
    : db_(db), on_(sqlite3_get_autocommit(db.handle()) && db.WalMark(before_)) {}

void Database::WriteWatch::Wrote() {
  unsigned char after[kWalMark];
  if (on_ && sqlite3_get_autocommit(db_.handle()) && db_.WalMark(after)) db_.OwnWrite(before_, after);
}

sqlite3_stmt* Database::Take(const std::string& sql, const char* verb, const std::string& table) {
  Claim(nullptr);
  auto it = kept_.find(sql);
  if (it != kept_.end() && !it->second.empty()) {
    sqlite3_stmt* s = it->second.back();
    it->second.pop_back();
    --keptCount_;
    return s;
  }
  return Prepare(sql, verb, table);
}

void Database::Give(sqlite3_stmt* s) {
  if (!s) return;
  sqlite3_reset(s);
  sqlite3_clear_bindings(s);
  if (keptCount_ >= kKeep) {
    // Full: forget an arbitrary text's statements to make room.
    auto victim = kept_.begin();
    for (sqlite3_stmt* v : victim->second) sqlite3_finalize(v);
    keptCount_ -= victim->second.size();
    kept_.erase(victim);
  }
  kept_[sqlite3_sql(s)].push_back(s);
  ++keptCount_;
}

void Database::Exec(const char* sql) {
  // Engine-internal statements may use PRAGMA.
  Claim(nullptr);
  ++internal_;
  char* err = nullptr;
  int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &err);
  --internal_;
  if (err) sqlite3_free(err);
  if (rc != SQLITE_OK) ThrowSqlite(db_, rc, "", "");
}

void Database::WaitForWriteLock() {
  if (sqlite3_txn_state(db_, "main") != SQLITE_TXN_NONE) return;
  if (locks_ && !locks_->OthersHoldWrite()) return;  // no table lock to wait for
  // (sqlite3_exec directly: Exec would expire the handle's prepared queries.)
  int rc = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  if (locks_) locks_->WriteWaitEnded();
  if (rc != SQLITE_OK) ThrowSqlite(db_, rc, "", "");
  sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

int Database::Busy(void* self, int count) {
  Database* d = static_cast<Database*>(self);
  uint64_t now = NowUs();
  if (count == 0) {
    d->busySince_ = now;
    tDeadlockVictim = false;
  }
  if (d->locks_ && !d->locks_->WriteWaitMayGoOn(count == 0)) {
    tDeadlockVictim = true;
    return 0;
  }
  uint64_t elapsed = now - d->busySince_;
  // SQL Server's -1 waits for ever.
  if (d->lockTimeoutMs_ >= 0 && elapsed >= uint64_t(d->lockTimeoutMs_) * 1000) {
    if (d->locks_) d->locks_->WriteWaitEnded();
    return 0;
  }
  // Short sleeps first: most waits are for a write that takes microseconds.
  uint64_t delay = std::min<uint64_t>(uint64_t(50) << std::min(count, 6), 2000);
  if (d->lockTimeoutMs_ >= 0) delay = std::min(delay, uint64_t(d->lockTimeoutMs_) * 1000 - elapsed);
  usleep(useconds_t(delay));
  return 1;
}

void Database::SetLockTimeout(long ms) {
  lockTimeoutMs_ = ms;
  sqlite3_busy_handler(db_, &Database::Busy, this);
}

bool Database::InTransaction() const { return sqlite3_get_autocommit(db_) == 0; }

sqlite3_stmt* Database::Prepare(const std::string& sql, const char* verb, const std::string& table) {
  Claim(nullptr);
  sqlite3_stmt* s = nullptr;
  const char* tail = nullptr;
  int rc = sqlite3_prepare_v2(db_, sql.c_str(), int(sql.size()), &s, &tail);
  if (rc != SQLITE_OK) ThrowSqlite(db_, rc, verb, table);
  if (!s) throw SyntaxError(verb);
  // The translator hands over exactly one statement.
  for (; tail && *tail; ++tail) {
    if (*tail != ' ' && *tail != '\n' && *tail != '\t') {
      sqlite3_finalize(s);
      throw SyntaxError(std::string(tail).substr(0, 32));
    }
  }
  return s;
}

Database::CatalogAccess::CatalogAccess(Database& db) : db_(db) {
  db_.Claim(nullptr);
  ++db_.internal_;
}

Database::CatalogAccess::~CatalogAccess() { --db_.internal_; }

void ThrowSqlite(sqlite3* db, int rc, const char* verb, const std::string& table) {
  std::string msg = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  // A value check that failed inside a statement carries its own state and number.
  if (auto e = types::DecodeError(msg)) throw *e;
  int primary = rc & 0xff;
  std::string v = verb ? verb : "";
  if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) {
    if (tDeadlockVictim) {
      tDeadlockVictim = false;
      throw DeadlockVictim();
    }
    throw EngineError("HYT00", 1222, "Lock request time out period exceeded.");
  }
  if (primary == SQLITE_CONSTRAINT) {
    std::string what = After(msg, "NOT NULL constraint failed: ");
    if (!what.empty()) {
      size_t dot = what.find('.');
      std::string t = dot == std::string::npos ? table : what.substr(0, dot);
      std::string c = dot == std::string::npos ? what : what.substr(dot + 1);
      throw EngineError("23000", 515,
                        "Cannot insert the value NULL into column '" + c + "', table '" + t +
                            "'; column does not allow nulls. " + (v.empty() ? "INSERT" : v) +
                            " fails.");
    }
    if (rc == SQLITE_CONSTRAINT_UNIQUE || rc == SQLITE_CONSTRAINT_PRIMARYKEY) {
      std::string cols = After(msg, "UNIQUE constraint failed: ");
      size_t dot = cols.find('.');
      std::string t = dot == std::string::npos ? table : cols.substr(0, dot);
      throw EngineError("23000", 2601,
                        "Cannot insert duplicate key row in object 'dbo." + t +
                            "' with unique index (" + cols + ").");
    }
    throw EngineError("23000", 547, "The statement conflicted with a constraint: " + msg + ".");
  }
  if (primary == SQLITE_ERROR) {
    std::string name;
    if (!(name = After(msg, "no such table: ")).empty()) {
      name = Unqualified(name);
      if (v == "DROP")
        throw EngineError("42S02", 3701,
                          "Cannot drop the table '" + name +
                              "', because it does not exist or you do not have permission.");
      throw EngineError("42S02", 208, "Invalid object name '" + name + "'.");
    }
    if (!(name = After(msg, "table ")).empty() && msg.find(" already exists") != std::string::npos) {
      name = Unqualified(name.substr(0, name.find(" already exists")));
      throw EngineError("42S01", 2714,
                        "There is already an object named '" + name + "' in the database.");
    }
    if (!(name = After(msg, "index ")).empty() && msg.find(" already exists") != std::string::npos) {
      name = tsql::IndexNameOf(Unquote(name.substr(0, name.find(" already exists"))), table);
      throw EngineError("42S11", 1913,
                        "The operation failed because an index or statistics with name '" + name +
                            "' already exists on table '" + table + "'.");
    }
    if (!(name = After(msg, "no such index: ")).empty()) {
      // SQLite's index names carry their table (tsql/Ddl.h).
      std::string t = table;
      size_t dot = name.find('.');
      if (t.empty() && dot != std::string::npos) t = name.substr(0, dot);
      name = tsql::IndexNameOf(name, t);
      if (v != "DROP")
        throw EngineError("42000", 308,
                          "Index '" + name + "' on table '" + t +
                              "' (specified in the FROM clause) does not exist.");
      throw EngineError("42S12", 3703,
                        "Cannot drop the index '" + (table.empty() ? "" : table + ".") + name +
                            "', because it does not exist or you do not have permission.");
    }
    if (!(name = After(msg, "no such column: ")).empty())
      throw EngineError("42S22", 207, "Invalid column name '" + Unqualified(name) + "'.");
    if (!(name = After(msg, "ambiguous column name: ")).empty())
      throw EngineError("42000", 209, "Ambiguous column name '" + Unqualified(name) + "'.");
    if (!(name = After(msg, "not authorized to use function: ")).empty() ||
        !(name = After(msg, "no such function: ")).empty())
      throw EngineError("42000", 195, "'" + name + "' is not a recognized built-in function name.");
    if (msg.find(" values were supplied") != std::string::npos ||
        msg.find("values for ") != std::string::npos)
      throw EngineError("21S01", 213,
                        "Column name or number of supplied values does not match table definition.");
    if (!(name = After(msg, "near \"")).empty()) {
      size_t q = name.find("\": syntax error");
      if (q != std::string::npos) throw SyntaxError(name.substr(0, q));
    }
    if (msg == "incomplete input") throw SyntaxError(v);
    throw EngineError("42000", 0, msg + ".");
  }
  if (primary == SQLITE_AUTH) throw EngineError("42000", 229, "The statement is not permitted.");
  if (primary == SQLITE_TOOBIG || primary == SQLITE_RANGE || primary == SQLITE_MISMATCH)
    throw EngineError("22003", 0, msg + ".");
  throw EngineError("HY000", rc, msg + ".");
}

}  // namespace engine::store
