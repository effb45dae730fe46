// One login's connection to a server: its current database, the databases it has open (one
// SQLite handle each), its transaction mode and its per-connection settings.
#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/Error.h"
#include "exec/TextCache.h"
#include "store/Server.h"
#include "types/Functions.h"

namespace engine::exec {

struct ConnectRequest {
  std::string server;    // SERVER text
  std::string dataRoot;  // folder of named servers
  std::string user;
  std::string password;
  std::string database;  // empty: the login's default
};

class Session {
 public:
  // Reaches the server, checks the login and opens the database. Throws 08001/17, 28000/18456,
  // 08004/4060 as SQL Server's driver reports them.
  static std::unique_ptr<Session> Open(const ConnectRequest& request);
  ~Session();

  const store::Server& server() const { return server_; }
  const store::Login& login() const { return login_; }
  bool IsSa() const;

  const std::string& databaseName() const { return current_; }
  std::shared_ptr<store::Database> current() const { return open_.at(current_); }
  std::shared_ptr<store::Database> master() const { return open_.at("master"); }
  // The handle a query runs on. Outside a transaction it is a second handle of the current
  // database, so that a result being read (which holds SQLite's read snapshot until it ends)
  // never holds back or blocks the connection's own writes; inside one it is the current
  // handle, which sees the transaction's changes.
  std::shared_ptr<store::Database> ForQuery();
  // Switches the current database; throws 08004/911 when it does not exist.
  void Use(const std::string& name, std::vector<Notice>& notices);
  // Closes this connection's handle on a database about to be dropped.
  void Forget(const std::string& name);

  // Transactions. With autocommit off, or inside BEGIN TRAN, the first statement on a database
  // begins a transaction there that lasts until EndTransaction.
  bool autocommit() const { return autocommit_; }
  void SetAutocommit(bool on);
  // A statement that writes (write) makes sure the transaction holds the database's write lock
  // before it runs, waiting for it up to the lock timeout: a transaction that only read so far
  // could not take it later (SQLite refuses to turn a read snapshot that another writer made
  // old into a write).
  void BeginIfNeeded(store::Database& db, bool write = false);
  void BeginExplicit();
  bool InTransaction() const;
  bool explicitTransaction() const { return explicit_; }
  void EndTransaction(bool commit);
  // After a statement that may have changed a schema (store::Database::epoch).
  void NewEpochs();
  // After 40001: rolls back every database's transaction and drops every lock.
  void RollbackAfterDeadlock();
  // The connection's own handle of an open database (the one its writes go through).
  std::shared_ptr<store::Database> Writer(const std::string& name) const;

  // @@ROWCOUNT and @@IDENTITY of this connection (exec/Executor.cpp keeps them).
  types::SessionCounters counters;
  // Query plans kept by the form of their T-SQL text (exec/TextCache.h).
  TextCache texts;

  const std::string& dateFormat() const { return dateFormat_; }
  void SetDateFormat(const std::string& format) { dateFormat_ = format; }
  long lockTimeoutMs() const { return lockTimeoutMs_; }
  void SetLockTimeout(long ms);

 private:
  explicit Session(store::Server server) : server_(std::move(server)) {}
  // Marks a newly opened database in use and gives it the connection's row locks; false when
  // the database is being dropped.
  bool Attach(const std::shared_ptr<store::Database>& db);

  store::Server server_;
  store::Login login_;
  std::map<std::string, std::shared_ptr<store::Database>> open_;  // by lower-case name
  std::map<std::string, std::shared_ptr<store::Database>> readers_;
  std::string current_;
  bool autocommit_ = true;
  bool explicit_ = false;
  std::string dateFormat_ = "dmy";
  long lockTimeoutMs_ = 30000;
};

}  // namespace engine::exec
