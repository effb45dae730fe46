#include "exec/Session.h"

#include <sqlite3.h>
#include <unistd.h>

#include "common/Text.h"
#include "store/Locks.h"
#include "tsql/Translator.h"

namespace engine::exec {

std::unique_ptr<Session> Session::Open(const ConnectRequest& r) {
  std::string folder = store::Server::ResolveFolder(r.server, r.dataRoot);
  std::unique_ptr<Session> s(new Session(store::Server(folder)));
  auto master = s->server_.OpenMaster(s->lockTimeoutMs_);
  s->login_ = store::Server::CheckLogin(*master, r.user, r.password);
  s->dateFormat_ = s->login_.dateFormat;
  if (!s->Attach(master)) throw EngineError("08001", 17, "SQL Server does not exist or access denied.");
  s->open_["master"] = master;
  std::string db = r.database.empty() ? s->login_.defaultDatabase : r.database;
  EngineError cannotOpen("08004", 4060,
                         "Cannot open database \"" + db +
                             "\" requested by the login. The login failed.");
  if (!tsql::IsValidDatabaseName(db)) throw cannotOpen;
  std::string key = Lower(db);
  if (key != "master") {
    auto handle = s->server_.OpenDatabase(key, s->lockTimeoutMs_);
    if (!handle || !s->Attach(handle)) throw cannotOpen;
    s->open_[key] = handle;
  }
  s->current_ = key;
  return s;
}

Session::~Session() {
  // A transaction still open when the connection ends is rolled back.
  for (auto& [name, db] : open_)
    if (db->InTransaction()) sqlite3_exec(db->handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

bool Session::IsSa() const { return IEquals(login_.name, "sa"); }

void Session::Use(const std::string& name, std::vector<Notice>& notices) {
  std::string key = Lower(name);
  if (!open_.count(key)) {
    auto handle = tsql::IsValidDatabaseName(name) ? server_.OpenDatabase(key, lockTimeoutMs_)
                                                  : nullptr;
    if (!handle || !Attach(handle))
      throw EngineError("08004", 911,
                        "Database '" + name +
                            "' does not exist. Make sure that the name is entered correctly.");
    open_[key] = handle;
  }
  current_ = key;
  notices.push_back({"01000", 5701, "Changed database context to '" + name + "'."});
}

std::shared_ptr<store::Database> Session::ForQuery() {
  auto db = current();
  if (!autocommit_ || explicit_ || db->InTransaction()) return db;
  auto& reader = readers_[current_];
  if (!reader) {
    reader = store::Database::Open(db->path(), db->name(), lockTimeoutMs_);
    reader->SetLocks(db->locks());
    reader->ShareChain(*db);
  }
  return reader;
}

bool Session::Attach(const std::shared_ptr<store::Database>& db) {
  auto locks = store::Locks::Open(db->path());
  // Null while a drop holds the database; a drop that finished between the open and the lock
  // leaves no file.
  if (!locks || ::access(db->path().c_str(), F_OK) != 0) return false;
  locks->SetTimeout(lockTimeoutMs_);
  // A deadlock's victim found while waiting for a row lock loses its transaction at once.
  locks->OnVictim([this] { RollbackAfterDeadlock(); });
  db->SetLocks(std::move(locks));
  return true;
}

std::shared_ptr<store::Database> Session::Writer(const std::string& name) const {
  auto it = open_.find(name);
  if (it == open_.end()) throw EngineError("08004", 911, "Database '" + name + "' is not open.");
  return it->second;
}

void Session::Forget(const std::string& name) {
  readers_.erase(Lower(name));
  auto it = open_.find(Lower(name));
  if (it == open_.end() || it->first == "master") return;
  if (it->second->InTransaction())
    sqlite3_exec(it->second->handle(), "ROLLBACK", nullptr, nullptr, nullptr);
  open_.erase(it);
}

void Session::SetAutocommit(bool on) {
  if (on && !autocommit_) EndTransaction(true);
  autocommit_ = on;
}

namespace {

bool StatementsRunning(sqlite3* db) {
  for (sqlite3_stmt* s = sqlite3_next_stmt(db, nullptr); s; s = sqlite3_next_stmt(db, s))
    if (sqlite3_stmt_busy(s)) return true;
  return false;
}

}  // namespace

void Session::BeginIfNeeded(store::Database& db, bool write) {
  if (write) {
    // This connection's own held read snapshot of the database would keep every checkpoint
    // from finishing: the WAL would grow, and each commit would sync again for one. Its
    // cursor reads anew at its next fetch, as after any commit.
    auto reader = readers_.find(db.name());
    if (reader != readers_.end() && reader->second && reader->second.get() != &db)
      reader->second->Claim(nullptr);
  }
  if (autocommit_ && !explicit_) return;
  const auto& locks = db.locks();
  if (!db.InTransaction()) {
    db.Exec(write ? "BEGIN IMMEDIATE" : "BEGIN");
    db.NewEpoch();
  } else if (write && sqlite3_txn_state(db.handle(), "main") != SQLITE_TXN_WRITE &&
             !StatementsRunning(db.handle())) {
    // Nothing written yet: the read snapshot goes (reads see the last commit anyway) and the
    // transaction starts again with the write lock.
    db.Exec("COMMIT");
    db.Exec("BEGIN IMMEDIATE");
    db.NewEpoch();
  }
  if (locks) {
    locks->SetTransaction(true);
    if (write) locks->SetHoldsWrite(sqlite3_txn_state(db.handle(), "main") == SQLITE_TXN_WRITE);
    locks->WriteWaitEnded();
  }
}

void Session::NewEpochs() {
  for (auto* handles : {&open_, &readers_})
    for (auto& [name, db] : *handles)
      if (db) db->NewEpoch();
}

void Session::BeginExplicit() {
  explicit_ = true;
  BeginIfNeeded(*current());
}

bool Session::InTransaction() const {
  for (const auto& [name, db] : open_)
    if (db->InTransaction()) return true;
  return false;
}

void Session::EndTransaction(bool commit) {
  explicit_ = false;
  for (auto& [name, db] : open_) {
    if (db->InTransaction()) {
      if (commit) {
        db->Exec("COMMIT");  // throws (HYT00 on a lock) and leaves the transaction open
      } else {
        sqlite3_exec(db->handle(), "ROLLBACK", nullptr, nullptr, nullptr);
      }
    }
    if (db->locks()) db->locks()->SetTransaction(false);  // its row locks go
  }
}

void Session::RollbackAfterDeadlock() {
  explicit_ = false;
  for (auto& [name, db] : open_) {
    if (db->InTransaction()) sqlite3_exec(db->handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    if (db->locks()) {
      db->locks()->SetTransaction(false);
      db->locks()->ReleaseAll();
    }
  }
}

void Session::SetLockTimeout(long ms) {
  lockTimeoutMs_ = ms;
  for (auto& [name, db] : open_) {
    db->SetLockTimeout(ms);
    if (db->locks()) db->locks()->SetTimeout(ms);
  }
  for (auto& [name, db] : readers_) db->SetLockTimeout(ms);
}

}  // namespace engine::exec
