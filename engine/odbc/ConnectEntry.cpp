// Connecting, disconnecting, connection attributes and transactions.
#include <cstring>

#include "common/Text.h"
#include "odbc/ConnString.h"
#include "odbc/Entry.h"

using namespace engine;
using namespace engine::odbc;

namespace engine::odbc {
void FreeAllStatements(Dbc& d);
}

namespace {

const char kDriverSection[] = "SQL Server";

std::string Profile(const std::string& section, const char* key, const char* file) {
  char buf[4096];
  buf[0] = '\0';
  int n = SQLGetPrivateProfileString(section.c_str(), key, "", buf, sizeof buf, file);
  if (n <= 0) return std::string();
  buf[sizeof buf - 1] = '\0';
  return Trim(buf);
}

// DataRoot of the driver's registration: under the DRIVER name given, else "SQL Server".
std::string DataRoot(const std::string& driverName) {
  std::string root;
  if (!driverName.empty() && driverName.find('/') == std::string::npos)
    root = Profile(driverName, "DataRoot", "ODBCINST.INI");
  if (root.empty()) root = Profile(kDriverSection, "DataRoot", "ODBCINST.INI");
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  return root;
}

void Connect(Dbc& d, exec::ConnectRequest request, const std::string& dataSource,
             const std::string& driverName, std::vector<Notice>& notices) {
  if (d.session) throw EngineError("08002", 0, "Connection name in use.");
  request.dataRoot = DataRoot(driverName);
  d.session = exec::Session::Open(request);
  d.dataSource = dataSource;
  d.serverText = request.server;
  d.session->SetAutocommit(d.autocommit);
  (void)notices;
}

std::string ConnectedText(const Dbc& d, const exec::ConnectRequest& r) {
  std::string s;
  if (!d.dataSource.empty())
    s = "DSN=" + ConnValue(d.dataSource) + ";";
  else
    s = std::string("DRIVER={") + kDriverSection + "};";
  s += "SERVER=" + ConnValue(r.server) + ";UID=" + ConnValue(r.user) +
       ";PWD=" + ConnValue(r.password) + ";DATABASE=" + ConnValue(d.session->databaseName());
  return s;
}

SQLULEN IntegerValue(SQLPOINTER value) { return SQLULEN(reinterpret_cast<uintptr_t>(value)); }

}  // namespace

extern "C" {

SQLRETURN SQL_API SQLConnect(SQLHDBC dbc, SQLCHAR* dsn, SQLSMALLINT dsnLength, SQLCHAR* user,
                             SQLSMALLINT userLength, SQLCHAR* password,
                             SQLSMALLINT passwordLength) {
  return RunDbc(dbc, [&](Dbc& d) -> SQLRETURN {
    std::string name = Trim(InString(dsn, dsnLength));
    exec::ConnectRequest r;
    r.server = Profile(name, "Server", "ODBC.INI");
    r.database = Profile(name, "Database", "ODBC.INI");
    r.user = user ? InString(user, userLength) : Profile(name, "UID", "ODBC.INI");
    r.password = password ? InString(password, passwordLength) : Profile(name, "PWD", "ODBC.INI");
    std::vector<Notice> notices;
    Connect(d, r, name, Profile(name, "Driver", "ODBC.INI"), notices);
    return WithNotices(d, SQL_SUCCESS, notices);
  });
}

SQLRETURN SQL_API SQLDriverConnect(SQLHDBC dbc, SQLHWND, SQLCHAR* in, SQLSMALLINT inLength,
                                   SQLCHAR* out, SQLSMALLINT outMax, SQLSMALLINT* outLength,
                                   SQLUSMALLINT completion) {
  return RunDbc(dbc, [&](Dbc& d) -> SQLRETURN {
    switch (completion) {
      case SQL_DRIVER_NOPROMPT:
        break;
      case SQL_DRIVER_COMPLETE:
      case SQL_DRIVER_PROMPT:
      case SQL_DRIVER_COMPLETE_REQUIRED:
        throw NotImplemented("driver completion other than SQL_DRIVER_NOPROMPT");
      default:
        throw EngineError("HY110", 0, "Invalid driver completion.");
    }
    // Read up to the first NUL or the given length, whichever comes first.
    std::string text;
    if (in) {
      const char* p = reinterpret_cast<const char*>(in);
      if (inLength == SQL_NTS)
        text = p;
      else if (inLength < 0)
        throw EngineError("HY090", 0, "Invalid string or buffer length.");
      else
        text.assign(p, strnlen(p, size_t(inLength)));
    }
    ConnString cs = ParseConnString(text);
    std::vector<Notice> notices;
    static const char* const kKnown[] = {"DRIVER", "SERVER", "UID", "PWD", "DATABASE", "DSN"};
    for (const auto& [key, value] : cs.pairs) {
      bool known = false;
      for (const char* k : kKnown) known = known || key == k;
      if (!known)
        notices.push_back({"01S00", 0, "Invalid connection string attribute '" + key + "'."});
    }
    std::string dsn = cs.Get("DSN");
    exec::ConnectRequest r;
    bool has = false;
    r.server = cs.Get("SERVER", &has);
    if (!has && !dsn.empty()) r.server = Profile(dsn, "Server", "ODBC.INI");
    r.database = cs.Get("DATABASE", &has);
    if (!has && !dsn.empty()) r.database = Profile(dsn, "Database", "ODBC.INI");
    r.user = cs.Get("UID", &has);
    if (!has && !dsn.empty()) r.user = Profile(dsn, "UID", "ODBC.INI");
    r.password = cs.Get("PWD", &has);
    if (!has && !dsn.empty()) r.password = Profile(dsn, "PWD", "ODBC.INI");
    std::string driver = cs.Get("DRIVER");
    if (driver.empty() && !dsn.empty()) driver = Profile(dsn, "Driver", "ODBC.INI");
    Connect(d, r, cs.Get("DRIVER").empty() ? dsn : std::string(), driver, notices);
    SQLRETURN rc = OutString(d, ConnectedText(d, r), out, outMax, outLength);
    return WithNotices(d, rc, notices);
  });
}

SQLRETURN SQL_API SQLDisconnect(SQLHDBC dbc) {
  return RunDbc(dbc, [&](Dbc& d) -> SQLRETURN {
    if (!d.session) throw EngineError("08003", 0, "Connection not open.");
    FreeAllStatements(d);
    d.session.reset();  // an open transaction is rolled back
    d.dataSource.clear();
    return SQL_SUCCESS;
  });
}

SQLRETURN SQL_API SQLSetConnectAttr(SQLHDBC dbc, SQLINTEGER attribute, SQLPOINTER value,
                                    SQLINTEGER length) {
  return RunDbc(dbc, [&](Dbc& d) -> SQLRETURN {
    SQLULEN v = IntegerValue(value);
    switch (attribute) {
      case SQL_ATTR_AUTOCOMMIT:
        if (v != SQL_AUTOCOMMIT_ON && v != SQL_AUTOCOMMIT_OFF)
          throw EngineError("HY024", 0, "Invalid attribute value.");
        if (d.session) d.session->SetAutocommit(v == SQL_AUTOCOMMIT_ON);
        d.autocommit = v == SQL_AUTOCOMMIT_ON;
        return SQL_SUCCESS;
      case SQL_ATTR_LOGIN_TIMEOUT:
        d.loginTimeout = SQLUINTEGER(v);
        return SQL_SUCCESS;
      case SQL_ATTR_CONNECTION_TIMEOUT:
        d.connectionTimeout = SQLUINTEGER(v);
        return SQL_SUCCESS;
      case SQL_ATTR_TXN_ISOLATION:
        d.txnIsolation = SQLUINTEGER(v);
        return SQL_SUCCESS;
      case SQL_ATTR_CURRENT_CATALOG: {
        if (!d.session) throw EngineError("08003", 0, "Connection not open.");
        std::string name = InString(static_cast<SQLCHAR*>(value), length);
        std::vector<Notice> notices;
        d.session->Use(name, notices);
        return WithNotices(d, SQL_SUCCESS, notices);
      }
      case 1204:  // SQL_COPT_SS_PRESERVE_CURSORS: cursors always survive a commit here
        return SQL_SUCCESS;
      default:
        throw EngineError("HY092", 0, "Invalid attribute/option identifier.");
    }
  });
}

SQLRETURN SQL_API SQLGetConnectAttr(SQLHDBC dbc, SQLINTEGER attribute, SQLPOINTER value,
                                    SQLINTEGER bufferLength, SQLINTEGER* length) {
  return RunDbc(dbc, [&](Dbc& d) -> SQLRETURN {
    SQLUINTEGER v;
    switch (attribute) {
      case SQL_ATTR_AUTOCOMMIT: v = d.autocommit ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF; break;
      case SQL_ATTR_LOGIN_TIMEOUT: v = d.loginTimeout; break;
      case SQL_ATTR_CONNECTION_TIMEOUT: v = d.connectionTimeout; break;
      case SQL_ATTR_TXN_ISOLATION: v = d.txnIsolation; break;
      case 1204: v = 1; break;
      case SQL_ATTR_CONNECTION_DEAD: v = d.session ? SQL_CD_FALSE : SQL_CD_TRUE; break;
      case SQL_ATTR_CURRENT_CATALOG:
        if (!d.session) throw EngineError("08003", 0, "Connection not open.");
        return OutString(d, d.session->databaseName(), value, bufferLength, length);
      default:
        throw EngineError("HY092", 0, "Invalid attribute/option identifier.");
    }
    if (value) *static_cast<SQLUINTEGER*>(value) = v;
    if (length) *length = sizeof v;
    return SQL_SUCCESS;
  });
}

SQLRETURN SQL_API SQLEndTran(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT completion) {
  if (completion != SQL_COMMIT && completion != SQL_ROLLBACK) {
    if (type == SQL_HANDLE_DBC)
      return RunDbc(handle, [](Dbc&) -> SQLRETURN {
        throw EngineError("HY012", 0, "Invalid transaction operation code.");
      });
    return SQL_ERROR;
  }
  bool commit = completion == SQL_COMMIT;
  if (type == SQL_HANDLE_ENV)
    return RunEnv(handle, [&](Env& e) -> SQLRETURN {
      for (Dbc* d : e.connections)
        if (d->session) d->session->EndTransaction(commit);
      return SQL_SUCCESS;
    });
  if (type == SQL_HANDLE_DBC)
    return RunDbc(handle, [&](Dbc& d) -> SQLRETURN {
      if (!d.session) throw EngineError("08003", 0, "Connection not open.");
      d.session->EndTransaction(commit);
      return SQL_SUCCESS;
    });
  return SQL_INVALID_HANDLE;
}

SQLRETURN SQL_API SQLNativeSql(SQLHDBC dbc, SQLCHAR* in, SQLINTEGER inLength, SQLCHAR* out,
                               SQLINTEGER outMax, SQLINTEGER* outLength) {
  return RunDbc(dbc, [&](Dbc& d) -> SQLRETURN {
    return OutString(d, InString(in, inLength), out, outMax, outLength);
  });
}

}  // extern "C"
