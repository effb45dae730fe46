// A server is a folder: master.db keeps the logins, every other database is <name>.db beside it.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "store/Database.h"
#include "tsql/Translator.h"

namespace engine::store {

struct Login {
  std::string name;
  std::string defaultDatabase;
  std::string dateFormat;  // dmy or mdy
};

class Server {
 public:
  // The folder named by a SERVER text: an absolute path, or a name under dataRoot made of
  // letters, digits, '_', '-' and '.'. Throws 08001/17 for a bad name or a missing folder.
  static std::string ResolveFolder(const std::string& serverText, const std::string& dataRoot);

  // Makes the folder named by a SERVER text a server (creating the folder and its parents):
  // master.db is built under a temporary name and renamed into place, so a connection never
  // sees half of it. A folder that already is a server is left as it is. A text that is not a
  // server name is refused before anything is created (08001/17). Returns the folder.
  static std::string Create(const std::string& serverText, const std::string& dataRoot);

  explicit Server(std::string folder) : folder_(std::move(folder)) {}
  const std::string& folder() const { return folder_; }

  std::string DatabasePath(const std::string& name) const;
  bool DatabaseExists(const std::string& name) const;

  // Opens master.db; a folder without one is not a server (08001/17).
  std::shared_ptr<Database> OpenMaster(long lockTimeoutMs) const;
  // Opens a database other than master; null when its file does not exist.
  std::shared_ptr<Database> OpenDatabase(const std::string& name, long lockTimeoutMs) const;

  // Throws 28000/18456 when the login does not exist or the password differs.
  static Login CheckLogin(Database& master, const std::string& user, const std::string& password);
  static void CreateLogin(Database& master, const std::string& name,
                          const std::vector<tsql::LoginOption>& options);
  static void AlterLogin(Database& master, const std::string& name,
                         const std::vector<tsql::LoginOption>& options);
  static void DropLogin(Database& master, const std::string& name);
  // Server roles: only dbcreator exists here (42000/15151 for any other role or a missing login).
  static void AlterServerRole(Database& master, const std::string& role, const std::string& login,
                              bool add);
  static bool IsMember(Database& master, const std::string& role, const std::string& login);

  // Creates <name>.db; throws 42000/1801 when it exists.
  void CreateDatabase(const std::string& name) const;
  // Removes <name>.db and its companion files; throws 42S02/3701 when missing.
  void DropDatabase(const std::string& name) const;

 private:
  std::string folder_;
};

// The date format a language name implies (us_english: mdy, Spanish: dmy...); throws if unknown.
std::string DateFormatOfLanguage(const std::string& language);

}  // namespace engine::store
