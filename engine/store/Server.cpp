#include "store/Server.h"

#include <sodium.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>

#include "common/Error.h"
#include "common/Text.h"
#include "store/Locks.h"

namespace engine::store {

namespace {

constexpr size_t kSaltBytes = 16;

EngineError Unreachable() {
  return EngineError("08001", 17, "SQL Server does not exist or access denied.");
}

void InitSodium() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (sodium_init() < 0) throw EngineError("HY000", 0, "The password library cannot start.");
  });
}

void Hash(const unsigned char* salt, const std::string& password,
          unsigned char out[crypto_hash_sha512_BYTES]) {
  std::string data(reinterpret_cast<const char*>(salt), kSaltBytes);
  data += password;
  crypto_hash_sha512(out, reinterpret_cast<const unsigned char*>(data.data()), data.size());
  sodium_memzero(&data[0], data.size());
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Runs a statement with text bindings; returns the sqlite3_step result of its first row.
// The engine's own statements: the logins of master are open to them.
class Query {
 public:
  Query(Database& db, const char* sql) : db_(db), access_(db) {
    if (sqlite3_prepare_v2(db.handle(), sql, -1, &s_, nullptr) != SQLITE_OK)
      ThrowSqlite(db.handle(), sqlite3_errcode(db.handle()), "", "");
  }
  ~Query() { sqlite3_finalize(s_); }
  Query& Text(int i, const std::string& v) {
    sqlite3_bind_text(s_, i, v.data(), int(v.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Query& Blob(int i, const void* p, size_t n) {
    sqlite3_bind_blob(s_, i, p, int(n), SQLITE_TRANSIENT);
    return *this;
  }
  bool Step() {
    int rc = sqlite3_step(s_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    ThrowSqlite(db_.handle(), rc, "", "");
  }
  sqlite3_stmt* get() const { return s_; }

 private:
  Database& db_;
  Database::CatalogAccess access_;
  sqlite3_stmt* s_ = nullptr;
};

const char kCreateLogins[] =
    "CREATE TABLE IF NOT EXISTS sys_logins ("
    " name TEXT NOT NULL PRIMARY KEY COLLATE NOCASE,"
    " salt BLOB NOT NULL,"
    " hash BLOB NOT NULL,"
    " default_database TEXT NOT NULL DEFAULT 'master',"
    " date_format TEXT NOT NULL DEFAULT 'dmy')";

void StorePassword(Database& master, const std::string& name, const std::string& password,
                   bool insert) {
  unsigned char salt[kSaltBytes];
  unsigned char hash[crypto_hash_sha512_BYTES];
  randombytes_buf(salt, sizeof salt);
  Hash(salt, password, hash);
  Query q(master, insert ? "INSERT INTO sys_logins (salt, hash, name) VALUES (?, ?, ?)"
                         : "UPDATE sys_logins SET salt = ?, hash = ? WHERE name = ?");
  q.Blob(1, salt, sizeof salt).Blob(2, hash, sizeof hash).Text(3, name);
  q.Step();
}

const char kCreateRoles[] =
    "CREATE TABLE IF NOT EXISTS sys_role_members ("
    " role TEXT NOT NULL COLLATE NOCASE,"
    " login TEXT NOT NULL COLLATE NOCASE,"
    " PRIMARY KEY (role, login))";

void Initialise(Database& master) {
  master.Exec("BEGIN IMMEDIATE");
  try {
    master.Exec(kCreateLogins);
    master.Exec(kCreateRoles);
    Query exists(master, "SELECT 1 FROM sys_logins WHERE name = 'sa'");
    if (!exists.Step()) StorePassword(master, "sa", "", true);
    master.Exec("COMMIT");
  } catch (...) {
    sqlite3_exec(master.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

std::string OptionValue(const std::vector<tsql::LoginOption>& options, const char* name,
                        bool* found = nullptr) {
  for (const auto& o : options)
    if (o.name == name) {
      if (found) *found = true;
      return o.value;
    }
  if (found) *found = false;
  return std::string();
}

}  // namespace

std::string DateFormatOfLanguage(const std::string& language) {
  std::string l = Lower(language);
  if (l == "us_english" || l == "english") return "mdy";
  // Español in Windows-1252 and in UTF-8.
  if (l == "spanish" || l == "espa\xf1ol" || l == "espa\xc3\xb1ol" || l == "british" ||
      l == "french" || l == "fran\xe7" "ais" || l == "italian" || l == "italiano" ||
      l == "portuguese" || l == "portugu\xeas")
    return "dmy";
  if (l == "german" || l == "deutsch") return "dmy";
  throw EngineError("42000", 15033, "'" + language + "' is not a valid official language name.");
}

namespace {

// The folder a SERVER text names, whether or not it exists; throws 08001/17 for a text that
// names no server folder (a ".." step, characters outside a server name).
std::string FolderOf(const std::string& text, const std::string& dataRoot) {
  std::string folder;
  if (!text.empty() && text[0] == '/') {
    // Any folder, but no ".." step that would make the name ambiguous.
    size_t i = 0;
    while (i < text.size()) {
      size_t j = text.find('/', i);
      if (j == std::string::npos) j = text.size();
      if (text.compare(i, j - i, "..") == 0) throw Unreachable();
      i = j + 1;
    }
    folder = text;
  } else {
    if (text.empty() || text.size() > 255 || text.find("..") != std::string::npos ||
        text == ".")
      throw Unreachable();
    for (char c : text) {
      bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                c == '_' || c == '-' || c == '.';
      if (!ok) throw Unreachable();
    }
    if (dataRoot.empty()) throw Unreachable();
    folder = dataRoot + "/" + text;
  }
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

// mkdir -p, owner only; true when the folder is there at the end.
bool MakeFolders(const std::string& path) {
  for (size_t i = 1; i <= path.size(); ++i) {
    if (i != path.size() && path[i] != '/') continue;
    std::string part = path.substr(0, i);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  return IsDirectory(path);
}

}  // namespace

std::string Server::ResolveFolder(const std::string& text, const std::string& dataRoot) {
  std::string folder = FolderOf(text, dataRoot);
  if (!IsDirectory(folder) || !IsFile(folder + "/master.db")) throw Unreachable();
  return folder;
}

std::string Server::Create(const std::string& text, const std::string& dataRoot) {
  InitSodium();
  std::string folder = FolderOf(text, dataRoot);
  if (!MakeFolders(folder))
    throw EngineError("HY000", 5123,
                      "Cannot create the server folder '" + folder + "': " +
                          std::strerror(errno) + ".");
  std::string master = folder + "/master.db";
  if (IsFile(master)) return folder;
  // A name of this process alone: a leftover of a crashed creation is never reused.
  unsigned char r[8];
  randombytes_buf(r, sizeof r);
  std::string temp = master + ".new-" + std::to_string(::getpid()) + "-";
  for (unsigned char c : r) temp += "0123456789abcdef"[c >> 4], temp += "0123456789abcdef"[c & 15];
  try {
    Database::Create(temp);
    Initialise(*Database::Open(temp, "master", 30000));
  } catch (...) {
    for (const char* suffix : {"", "-wal", "-shm"}) ::unlink((temp + suffix).c_str());
    throw;
  }
  // link() never replaces: when another process got there first, its master.db stays.
  int rc = ::link(temp.c_str(), master.c_str());
  int err = errno;
  for (const char* suffix : {"", "-wal", "-shm"}) ::unlink((temp + suffix).c_str());
  if (rc != 0 && err != EEXIST)
    throw EngineError("HY000", 5123,
                      "Cannot create '" + master + "': " + std::strerror(err) + ".");
  return folder;
}

std::string Server::DatabasePath(const std::string& name) const {
  return folder_ + "/" + Lower(name) + ".db";
}

bool Server::DatabaseExists(const std::string& name) const {
  return IsFile(DatabasePath(name));
}

std::shared_ptr<Database> Server::OpenMaster(long lockTimeoutMs) const {
  InitSodium();
  std::string path = DatabasePath("master");
  if (!IsFile(path)) throw Unreachable();
  return Database::Open(path, "master", lockTimeoutMs);
}

std::shared_ptr<Database> Server::OpenDatabase(const std::string& name, long lockTimeoutMs) const {
  if (IEquals(name, "master")) return OpenMaster(lockTimeoutMs);
  if (!DatabaseExists(name)) return nullptr;
  return Database::Open(DatabasePath(name), Lower(name), lockTimeoutMs);
}

Login Server::CheckLogin(Database& master, const std::string& user, const std::string& password) {
  InitSodium();
  Query q(master,
          "SELECT salt, hash, name, default_database, date_format FROM sys_logins WHERE name = ?");
  q.Text(1, user);
  unsigned char computed[crypto_hash_sha512_BYTES];
  bool ok = false;
  Login login;
  if (q.Step()) {
    const void* salt = sqlite3_column_blob(q.get(), 0);
    int saltLen = sqlite3_column_bytes(q.get(), 0);
    const void* stored = sqlite3_column_blob(q.get(), 1);
    int storedLen = sqlite3_column_bytes(q.get(), 1);
    if (salt && saltLen == int(kSaltBytes) && stored && storedLen == int(sizeof computed)) {
      Hash(static_cast<const unsigned char*>(salt), password, computed);
      ok = sodium_memcmp(computed, stored, sizeof computed) == 0;
    }
    login.name = reinterpret_cast<const char*>(sqlite3_column_text(q.get(), 2));
    login.defaultDatabase = reinterpret_cast<const char*>(sqlite3_column_text(q.get(), 3));
    login.dateFormat = reinterpret_cast<const char*>(sqlite3_column_text(q.get(), 4));
  } else {
    // Same work for an unknown login, so timing does not tell which logins exist.
    unsigned char salt[kSaltBytes] = {0};
    Hash(salt, password, computed);
  }
  if (!ok) throw EngineError("28000", 18456, "Login failed for user '" + user + "'.");
  return login;
}

void Server::CreateLogin(Database& master, const std::string& name,
                         const std::vector<tsql::LoginOption>& options) {
  InitSodium();
  bool hasPassword = false;
  std::string password = OptionValue(options, "PASSWORD", &hasPassword);
  if (!hasPassword) throw SyntaxError(name);
  bool hasDb = false, hasLanguage = false;
  std::string db = OptionValue(options, "DEFAULT_DATABASE", &hasDb);
  std::string language = OptionValue(options, "DEFAULT_LANGUAGE", &hasLanguage);
  std::string format = hasLanguage ? DateFormatOfLanguage(language) : "dmy";
  if (hasDb && !tsql::IsValidDatabaseName(db)) throw SyntaxError(db);
  {
    Query exists(master, "SELECT 1 FROM sys_logins WHERE name = ?");
    exists.Text(1, name);
    if (exists.Step())
      throw EngineError("42000", 15025, "The server principal '" + name + "' already exists.");
  }
  StorePassword(master, name, password, true);
  Query q(master, "UPDATE sys_logins SET default_database = ?, date_format = ? WHERE name = ?");
  q.Text(1, hasDb ? Lower(db) : std::string("master")).Text(2, format).Text(3, name);
  q.Step();
}

void Server::AlterLogin(Database& master, const std::string& name,
                        const std::vector<tsql::LoginOption>& options) {
  InitSodium();
  {
    Query exists(master, "SELECT 1 FROM sys_logins WHERE name = ?");
    exists.Text(1, name);
    if (!exists.Step())
      throw EngineError("42000", 15151,
                        "Cannot alter the login '" + name +
                            "', because it does not exist or you do not have permission.");
  }
  for (const auto& o : options) {
    if (o.name == "PASSWORD") {
      StorePassword(master, name, o.value, false);
    } else if (o.name == "DEFAULT_LANGUAGE") {
      Query q(master, "UPDATE sys_logins SET date_format = ? WHERE name = ?");
      q.Text(1, DateFormatOfLanguage(o.value)).Text(2, name);
      q.Step();
    } else if (o.name == "DEFAULT_DATABASE") {
      if (!tsql::IsValidDatabaseName(o.value)) throw SyntaxError(o.value);
      Query q(master, "UPDATE sys_logins SET default_database = ? WHERE name = ?");
      q.Text(1, Lower(o.value)).Text(2, name);
      q.Step();
    }
  }
}

void Server::DropLogin(Database& master, const std::string& name) {
  EngineError missing("42000", 15151,
                      "Cannot drop the login '" + name +
                          "', because it does not exist or you do not have permission.");
  if (IEquals(name, "sa")) throw missing;
  Query q(master, "DELETE FROM sys_logins WHERE name = ?");
  q.Text(1, name);
  q.Step();
  if (sqlite3_changes(master.handle()) == 0) throw missing;
  // Its roles go with it (servers made before roles existed have none).
  if (IsMember(master, "dbcreator", name)) {
    Query r(master, "DELETE FROM sys_role_members WHERE login = ?");
    r.Text(1, name);
    r.Step();
  }
}

void Server::AlterServerRole(Database& master, const std::string& role, const std::string& login,
                             bool add) {
  if (!IEquals(role, "dbcreator"))
    throw EngineError("42000", 15151,
                      "Cannot alter the server role '" + role +
                          "', because it does not exist or you do not have permission.");
  {
    Query exists(master, "SELECT 1 FROM sys_logins WHERE name = ?");
    exists.Text(1, login);
    if (!exists.Step())
      throw EngineError("42000", 15151,
                        "Cannot " + std::string(add ? "add" : "drop") + " the principal '" +
                            login + "', because it does not exist or you do not have permission.");
  }
  master.Exec(kCreateRoles);  // servers made before roles existed
  Query q(master, add ? "INSERT OR IGNORE INTO sys_role_members (role, login) VALUES (?, ?)"
                      : "DELETE FROM sys_role_members WHERE role = ? AND login = ?");
  q.Text(1, "dbcreator").Text(2, login);
  q.Step();
}

bool Server::IsMember(Database& master, const std::string& role, const std::string& login) {
  Database::CatalogAccess access(master);
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v2(master.handle(),
                         "SELECT 1 FROM sys_role_members WHERE role = ? AND login = ?", -1, &s,
                         nullptr) != SQLITE_OK) {
    sqlite3_finalize(s);
    return false;  // no role has members on this server yet
  }
  sqlite3_bind_text(s, 1, role.data(), int(role.size()), SQLITE_TRANSIENT);
  sqlite3_bind_text(s, 2, login.data(), int(login.size()), SQLITE_TRANSIENT);
  bool member = sqlite3_step(s) == SQLITE_ROW;
  sqlite3_finalize(s);
  return member;
}

void Server::CreateDatabase(const std::string& name) const {
  if (IEquals(name, "master") || !Database::Create(DatabasePath(name)))
    throw EngineError("42000", 1801,
                      "Database '" + name + "' already exists. Choose a different database name.");
}

void Server::DropDatabase(const std::string& name) const {
  if (IEquals(name, "master"))
    throw EngineError("42000", 3708,
                      "Cannot drop the database 'master' because it is a system database.");
  std::string path = DatabasePath(name);
  if (!IsFile(path))
    throw EngineError("42S02", 3701,
                      "Cannot drop the database '" + name +
                          "', because it does not exist or you do not have permission.");
  // Every connection using the database holds its in-use mark; the drop holds it exclusively
  // while the files go, so that nobody opens the database meanwhile.
  int fd = -1;
  if (!Locks::TakeForDrop(path, fd))
    throw EngineError("42000", 3702,
                      "Cannot drop database \"" + name + "\" because it is currently in use.");
  bool removed = ::unlink(path.c_str()) == 0;
  if (removed)
    for (const char* suffix : {"-wal", "-shm", ".locks"}) ::unlink((path + suffix).c_str());
  if (fd >= 0) ::close(fd);
  if (!removed) throw EngineError("HY000", 0, "Cannot remove the file of database '" + name + "'.");
}

}  // namespace engine::store
